// Byte streams of the station's binary formats, and the byte form of text and date-time.
//
// Every data file of the station is written through a BinaryOutputStream and read through a
// BinaryInputStream. Numbers pass as little-endian memory images; the two value types that
// need a rule of their own are encoded here and nowhere else:
//
//   text (AnsiString)   the bytes, then one zero byte          "abc" -> 61 62 63 00
//                                                               ""    -> 00
//   date-time           the 8 bytes of its double (days since 1899-12-30)
//   text line           the bytes, then CR LF, no zero byte     "x"   -> 78 0D 0A
//
// A text holding a zero byte is written up to that byte, and reads back so.
//
// Input streams never read outside their data: a read that would pass either end fails with
// the stream's own message, wherever skip() or set_pointer() has moved the position.
#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/date_time.h"

namespace lib::io {

// Destination of bytes; objects are destroyed through their own type.
class BinaryOutputStream {
public:
    // Appends `count` bytes; throws std::runtime_error when they cannot be stored.
    virtual void write(const char* data, unsigned count) = 0;

    // Writes the text followed by CR LF in one write.
    void write_line(const AnsiString& s);

protected:
    BinaryOutputStream() = default;
    BinaryOutputStream(const BinaryOutputStream&) = default;
    BinaryOutputStream& operator=(const BinaryOutputStream&) = default;
    ~BinaryOutputStream() = default;
};

// Source of bytes; objects are destroyed through their own type.
class BinaryInputStream {
public:
    // Reads exactly `count` bytes or throws (the file stream alone may deliver fewer at the end
    // of its file; see BinaryInputFileStream).
    virtual void read(char* buffer, unsigned count) = 0;
    // Moves the position forward without reading.
    virtual void skip(unsigned count) = 0;
    // True when nothing is left to read.
    virtual bool eof() = 0;
    // The bytes still to read, for a stream that can tell (memory, mapped file, file); nothing
    // for one that cannot (an inflating or network stream). Readers check a count read from the
    // data against it before they allocate; without it they read in pieces.
    virtual std::optional<std::uint64_t> bytes_left() { return std::nullopt; }

    // Reads one byte and returns it as 0 to 255.
    int get();

    // Reads one text line: up to LF or the end of the input. Bytes below 0x20 (CR, TAB and the
    // other control bytes) are dropped wherever they stand; Cyrillic bytes are kept. Returns the
    // empty text at the end of the input.
    AnsiString read_line();

protected:
    BinaryInputStream() = default;
    BinaryInputStream(const BinaryInputStream&) = default;
    BinaryInputStream& operator=(const BinaryInputStream&) = default;
    ~BinaryInputStream() = default;
};

// A value that passes through the streams as its memory image.
template <class T>
concept memory_image = std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>;

// Writes a number or a plain structure as its memory image.
template <memory_image T>
void write_binary(BinaryOutputStream& out, const T& value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof(T));
}

// Writes a text: its bytes up to its first zero byte, and one zero byte.
void write_binary(BinaryOutputStream& out, const AnsiString& value);

// Reads a number or a plain structure from its memory image.
template <memory_image T>
void read_binary(BinaryInputStream& in, T& value) {
    in.read(reinterpret_cast<char*>(&value), sizeof(T));
}

// Reads a text: the bytes up to and including the first zero byte. At the end of the input the
// text ends too (the stream reports it, or delivers no further bytes).
void read_binary(BinaryInputStream& in, AnsiString& value);

// An output stream that keeps everything written in memory.
class BinaryMemoryOutputStream final : public BinaryOutputStream {
public:
    // Appends the bytes.
    void write(const char* data, unsigned count) override;
    // The first byte written, or null when nothing has been written.
    const char* get_buffer() const noexcept { return data_.empty() ? nullptr : data_.data(); }
    // The number of bytes held.
    unsigned get_size() const noexcept { return static_cast<unsigned>(data_.size()); }
    // Forgets the bytes; the memory is kept for reuse.
    void clear() noexcept { data_.clear(); }

private:
    std::vector<char> data_;
};

// An input stream over its own copy of some bytes.
//
// Failures: a read at or past the end throws std::runtime_error
// "BinaryMemoryInputStream::read: eof() == true" (a read of 0 bytes there included); a read
// that would pass the end throws std::range_error "BinaryMemoryInputStream::read: out of range".
class BinaryMemoryInputStream final : public BinaryInputStream {
public:
    // A stream over no bytes.
    BinaryMemoryInputStream() = default;
    // A stream over a copy of the bytes.
    BinaryMemoryInputStream(const char* data, unsigned count) { set_data(data, count); }

    // Replaces the data by a copy of the bytes and goes back to the start.
    void set_data(const char* data, unsigned count);
    // Copies `count` bytes from the position and advances (see the failures above).
    void read(char* buffer, unsigned count) override;
    // Moves forward; a position past the end is found out by the next read.
    void skip(unsigned count) override { pos_ += count; }
    // True when the position is at or past the end.
    bool eof() override { return data_.size() <= pos_; }

    // Bytes consumed so far (may exceed the size after skip()).
    std::uint64_t get_position() const noexcept { return pos_; }
    // Bytes left to read; 0 when the position is at or past the end.
    std::optional<std::uint64_t> bytes_left() override { return pos_ < data_.size() ? data_.size() - pos_ : 0; }

private:
    std::vector<char> data_;
    std::uint64_t pos_ = 0;
};

}  // namespace lib::io
