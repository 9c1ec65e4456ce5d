// Streams over files: a buffered writer, a plain reader and a reader over a mapped file.
//
// Data files are written a few bytes at a time, so BinaryOutputFileStream collects writes and
// hands them to the system in blocks of just over 128 KiB. InputMappedFile reads a whole data
// file through a read-only mapping: a read is a bounds check and a copy, with no system call.
//
// Failures (std::runtime_error, code page 1251), besides those of OSFile:
//
//   InputMappedFile::open   the file is empty or cannot be mapped "InputMappedFile::open: (h_file_mapping == NULL)"
//   InputMappedFile::open   the view cannot be mapped             "InputMappedFile::open: (pointer == NULL)"
//   InputMappedFile::read   the read would pass either end        "InputMappedFile::read: eof"
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "gti/io/os_file.h"
#include "gti/io/streams.h"

namespace lib::io {

// A file written through a buffer; the bytes reach the file at flush(), close(), get_time(),
// get_real_size(), destruction, or when the buffer grows past 131072 bytes.
class BinaryOutputFileStream final : public BinaryOutputStream {
public:
    // A stream that holds no file yet.
    BinaryOutputFileStream();
    // Closes the file. A failure to write the last bytes cannot be reported from here: call
    // close() to learn of it.
    ~BinaryOutputFileStream();
    BinaryOutputFileStream(const BinaryOutputFileStream&) = delete;
    BinaryOutputFileStream& operator=(const BinaryOutputFileStream&) = delete;

    // Opens `name` for appending (`append`) or for writing from scratch, optionally locked.
    void open(const AnsiString& name, bool append, bool lock);
    void open(const os::file_path& name, bool append, bool lock);

    // Adds the bytes to the buffer, writing the buffer out when it holds more than 131072 bytes.
    void write(const char* data, unsigned count) override {
        if (count <= capacity_ - size_) {
            copy(buffer_.get() + size_, data, count);
            size_ += count;
            if (size_ > flush_threshold) flush();
            return;
        }
        write_large(data, count);
    }

    // Writes the buffered bytes to the file.
    void flush();
    // Writes the buffered bytes and closes the file.
    void close();
    // The file's times, after writing the buffered bytes.
    void get_time(FILETIME& creation, FILETIME& last_access, FILETIME& last_write);
    // The file's size, buffered bytes included.
    unsigned get_real_size();

    // The file under the stream.
    OSFile& file() noexcept { return file_; }

private:
    static constexpr std::size_t flush_threshold = 0x20000;

    // Copies a few bytes without a call: data files are written a field at a time.
    static void copy(char* to, const char* from, std::size_t n) noexcept {
        if (n >= 8 && n <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(to, from, 4);
            std::memcpy(to + n - 4, from + n - 4, 4);
        } else if (n > 16 && n <= 32) {
            std::memcpy(to, from, 16);
            std::memcpy(to + n - 16, from + n - 16, 16);
        } else if (n != 0) {
            std::memcpy(to, from, n);
        }
    }

    void write_large(const char* data, unsigned count);

    OSFile file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// A file read with one system read per call; no buffering of its own.
//
// A read at the end of the file delivers fewer bytes without an error (the rest of the buffer is
// left as it was); callers test eof(). get() returns 0 when no byte arrives.
class BinaryInputFileStream final : public BinaryInputStream {
public:
    // Opens `name` for reading, optionally locked.
    void open(const AnsiString& name, bool lock);
    void open(const os::file_path& name, bool lock);
    // Closes the file.
    void close() noexcept { file_.close(); }
    // One read of up to `count` bytes (fewer at the end of the file).
    void read(char* buffer, unsigned count) override { file_.read(buffer, count); }
    // Moves forward with set_pointer.
    void skip(unsigned count) override;
    // True when the position is at or past the end of the file.
    bool eof() override { return file_.eof(); }
    // Moves the position like OSFile::set_pointer.
    unsigned set_pointer(int offset, seek_types from) { return file_.set_pointer(offset, from); }
    // Bytes from the position to the end of the file as it is now.
    std::optional<std::uint64_t> bytes_left() override;

    // The file under the stream.
    OSFile& file() noexcept { return file_; }

private:
    OSFile file_;
};

// A whole file read through a read-only mapping. Its size is fixed when it is opened. While the
// mapping lives, no other handle can truncate the file.
class InputMappedFile final : public BinaryInputStream {
public:
    // An object that holds no file.
    InputMappedFile() = default;
    // Closes the file.
    ~InputMappedFile();
    InputMappedFile(const InputMappedFile&) = delete;
    InputMappedFile& operator=(const InputMappedFile&) = delete;

    // Opens and maps `name` (closing any file held first), optionally locked. An empty file
    // cannot be mapped.
    void open(const AnsiString& name, bool lock);
    void open(const os::file_path& name, bool lock);
    // Unmaps and closes. A second close does nothing.
    void close() noexcept;

    // Copies `count` bytes from the position and advances; reading exactly up to the end is
    // allowed, anything past either end fails with "InputMappedFile::read: eof".
    void read(char* buffer, unsigned count) override {
        if (pos_ < 0 || static_cast<std::uint64_t>(pos_) + count > size_) fail_eof();
        if (count == 0) return;
        std::memcpy(buffer, base_ + pos_, count);
        pos_ += count;
    }
    // Moves forward; a position past the end is found out by the next read.
    void skip(unsigned count) override { pos_ += count; }
    // True when the position is at or past the end.
    bool eof() override { return pos_ >= static_cast<std::int64_t>(size_); }
    // Moves the position from the start, the end or the current position. Any position may be
    // set; the next read checks it.
    void set_pointer(int offset, seek_types from) noexcept;
    // The size of the file when it was opened.
    unsigned get_size() const noexcept { return size_; }

    // Bytes from the start to the position (negative or beyond the size after a wild move).
    std::int64_t get_position() const noexcept { return pos_; }
    // Bytes left to read; 0 when the position is outside the data.
    std::optional<std::uint64_t> bytes_left() override {
        return pos_ >= 0 && pos_ < static_cast<std::int64_t>(size_) ? size_ - static_cast<std::uint64_t>(pos_) : 0;
    }
    // The mapped bytes (null when closed).
    const char* get_data() const noexcept { return base_; }

private:
    [[noreturn]] static void fail_eof();

    OSFile file_;
    const char* base_ = nullptr;
    unsigned size_ = 0;
    std::int64_t pos_ = 0;
};

}  // namespace lib::io
