// TStream: the platform's byte streams, over a file, over memory and over a TCP connection.
//
// The module stream that station programs exchange (settings, the run information, the
// parameter table) is written to and read from a TStream: to a file, or through a socket to
// another program. A stream reads and writes as many bytes as it can and says how many; it does
// not throw on a short read. TFileStream throws std::runtime_error when it cannot open its file
// ("Файл не найден!", "Невозможно открыть файл!").
#pragma once

#include <cstdint>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

// Where Seek counts from.
enum : int {
    soFromBeginning = 0,
    soFromCurrent = 1,
    soFromEnd = 2,
};

// How TFileStream opens its file: fmCreate, or one of the fmOpen modes. Files are always shared
// for reading and writing with other programs; the share flags are accepted and change nothing.
enum : unsigned short {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// A byte stream.
class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to `count` bytes; returns how many arrived, 0 at the end of the stream.
    virtual int Read(void* buffer, int count) = 0;
    // Writes up to `count` bytes; returns how many were taken, 0 or less on failure.
    virtual int Write(const void* buffer, int count) = 0;
    // Moves the position and returns the new one; -1 when the stream cannot seek there.
    virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;

    // The position from the start.
    std::int64_t Position() { return Seek(0, soFromCurrent); }
    // The number of bytes in the stream (the position is kept).
    std::int64_t Size();
};

// A stream over a file.
class TFileStream : public TStream {
public:
    // Opens the file: fmCreate creates it anew (truncating an existing one), fmOpenRead,
    // fmOpenWrite and fmOpenReadWrite open an existing one.
    TFileStream(const AnsiString& file_name, unsigned short mode);
    TFileStream(const lib::os::file_path& file_name, unsigned short mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;

private:
    lib::os::file_handle handle_;
};

// A stream kept in memory; reads start where the last write or seek left the position.
class TMemoryStream : public TStream {
public:
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    // The bytes held.
    const char* Memory() const noexcept { return data_.data(); }
    // Forgets the bytes and goes back to the start.
    void Clear() noexcept {
        data_.clear();
        pos_ = 0;
    }

private:
    std::vector<char> data_;
    std::size_t pos_ = 0;
};

// A stream over a connected TCP socket, which it does not own. Reads wait for data at most the
// stream's time-out; the stream cannot seek.
class TWinSocketStream : public TStream {
public:
    // A stream over `socket`; reads wait at most `timeout_ms` for data.
    TWinSocketStream(lib::os::socket_handle socket, int timeout_ms) : socket_(socket), timeout_ms_(timeout_ms) {}

    // Waits at most `timeout_ms` for data to read; true when some has arrived (or the peer has
    // closed the connection, which the next Read reports as 0 bytes).
    bool WaitForData(int timeout_ms);
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    std::int64_t Seek(std::int64_t, int) override { return -1; }

private:
    lib::os::socket_handle socket_;
    int timeout_ms_;
};
