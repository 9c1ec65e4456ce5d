// lib::mapped_file: typed reading and growing writing of a whole file through one memory mapping.
//
// An older companion of the streams in streams.h, with one difference of design: it never
// throws. A failure is a return value (false, -1) or a target left as it was, and an end flag
// stops reading. The block archive reads and writes its files with it, and the file helpers map
// text files with it to guess their code page.
//
//   om_read    an existing file, read only; an empty file opens with nothing to read
//   om_write   a new file, read and write; an existing file is cut to length 0, unless another
//              handle maps or locks it (then open fails and the file is left alone)
//
// Positions count bytes from the start of the file. seekg and seekp move the read and the write
// position:
//
//   sk_begin     offset
//   sk_current   position + offset
//   sk_end       current size - offset - 1      (seekg(0, sk_end) stands on the last byte)
//
// A position may be moved outside the data; reads and writes there fail without touching memory
// outside the mapping. The end flag belongs to reading: seekg and every read set it when the read
// position reaches the end of the current size, and once it is set nothing more is read until
// seekg moves back. Writes do not look at it.
//
// Values read as the little-endian memory images the station's files hold: the integers, char,
// float, double and TColor as their bytes; bool as one byte (any byte but 0 is true); the 10-byte
// extended real as sign, 15-bit exponent and 64-bit mantissa; TDateTime as its 8-byte double; a
// text as its bytes up to a zero byte (a text without one before the end is not read).
//
// Growth. The current size is the size of the file at opening (0 for om_write). A write that
// would reach the write limit (the `size` given to open, then the current size) first grows the
// file and its mapping to the bytes asked for plus twice the current size, at least to the end
// of that write and at most to 4 GiB - 1 bytes. The destructor cuts a file opened with om_write
// back to its high-water mark, the end of the furthest write, so the file ends exactly after the
// last byte written (and is empty when nothing was written); close() alone leaves the file as
// long as its mapping. The cut waits for no one: while another handle maps the file it is
// refused, and the file keeps its zero bytes at the end. Files of 4 GiB or more are refused.
#pragma once

#include <cstdint>
#include <type_traits>

#include "gti/platform/ansi_string.h"
#include "gti/platform/date_time.h"
#include "gti/platform/os.h"

namespace lib {

// How a mapped file is opened; the values are those the station stores.
enum open_modes : int {
    om_read = 0,   // an existing file, read only
    om_write = 1,  // a file created or cut to length 0, read and write
};

// Where seekg and seekp count from (numbered unlike lib::io::seek_types).
enum seek_type {
    sk_begin = 0,
    sk_current = 1,
    sk_end = 2,
};

// A file, its whole-file mapping and the sizes; never throws.
class mapped_file_base {
public:
    mapped_file_base() = default;
    // Unmaps and closes.
    virtual ~mapped_file_base();
    mapped_file_base(const mapped_file_base&) = delete;
    mapped_file_base& operator=(const mapped_file_base&) = delete;

    // Opens and maps a file (see om_read, om_write). With om_write the mapping, and the file, is
    // max(size, 1) bytes long; om_read ignores `size`. False when a file is open already, the
    // mode is unknown, or the file cannot be opened or mapped (nothing is left open then).
    bool base_open(const char* name, open_modes mode, unsigned size) noexcept;
    bool base_open(const os::file_path& name, open_modes mode, unsigned size) noexcept;
    // Unmaps and closes; a second call does nothing.
    void base_close() noexcept;
    // Makes the file and its mapping exactly `new_size` bytes long. False, with nothing changed,
    // for a file opened with om_read, when nothing is mapped, or for a size of 0; false, with the
    // object closed, when the file cannot be resized or mapped again.
    bool resize(unsigned new_size) noexcept;

    // True while a file is open.
    bool is_open() const noexcept { return file_ != os::invalid_handle; }
    // The current size: the bytes reads may reach.
    unsigned get_size() const noexcept { return current_size_; }
    // The size of the file when it was opened.
    unsigned get_initial_size() const noexcept { return initial_size_; }

protected:
    os::file_handle file_ = os::invalid_handle;
    char* view_ = nullptr;
    std::size_t view_size_ = 0;
    unsigned initial_size_ = 0;
    unsigned current_size_ = 0;
    bool writable_ = false;
};

// A mapped file with a read position, a write position and an end flag; never throws (but for
// std::bad_alloc when a text read does not fit in memory).
class mapped_file : public mapped_file_base {
public:
    mapped_file() = default;
    // Cuts a file opened with om_write back to its high-water mark (see the growth rule above),
    // then closes it.
    ~mapped_file() override;

    // Opens the file (base_open) with both positions at the start, the write limit at `size`
    // bytes (a negative size counts as 0) and the end flag cleared.
    bool open(const AnsiString& name, open_modes mode, int size) noexcept;
    bool open(const os::file_path& name, open_modes mode, int size) noexcept;
    // Closes the file without cutting it back.
    void close() noexcept { base_close(); }

    // Moves the read position and returns it (see the table above); sets the end flag when it
    // lies at or past the end of the current size, clears it otherwise.
    std::int64_t seekg(int offset, seek_type from) noexcept;
    // Moves the write position and returns it (see the table above).
    std::int64_t seekp(int offset, seek_type from) noexcept;
    // True once reading has reached the end of the current size.
    bool eof() const noexcept { return end_; }

    // The next byte as -128..127, or -1 when nothing can be read (a byte 0xFF reads as -1 too).
    int get() noexcept;

    // Reads a number or an enumeration (a TColor) as its memory image; unchanged when not all its
    // bytes lie within the data.
    template <class T>
    requires(std::is_arithmetic_v<T> || std::is_enum_v<T>) mapped_file& operator>>(T& value) noexcept {
        read_image(&value, sizeof(T));
        return *this;
    }
    // Reads one byte; any byte but 0 is true.
    mapped_file& operator>>(bool& value) noexcept;
    // Reads a 10-byte extended real.
    mapped_file& operator>>(long double& value) noexcept;
    // Reads a text up to and past its zero byte; unchanged when no zero byte follows.
    mapped_file& operator>>(AnsiString& value);
    // Reads the 8 bytes of a date-time.
    mapped_file& operator>>(TDateTime& value) noexcept;

    // Copies min(count, bytes left) bytes and returns that number; -1 when nothing can be read.
    int read(char* buffer, int count) noexcept;

    // Writes `count` bytes at the write position, growing the file when they do not fit, and
    // returns the position after them. Returns 0xFFFFFFFF (-1) when no file is open, when it was
    // opened with om_read, when the write position lies before the start, or when the write would
    // end at 4 GiB - 1 or beyond; when growing fails the object is closed, nothing is written, and
    // the result is 0xFFFFFFFF as well.
    unsigned write(const char* data, unsigned count) noexcept;

private:
    bool read_image(void* target, std::size_t n) noexcept;
    std::int64_t moved(std::int64_t position, int offset, seek_type from) const noexcept;

    std::int64_t read_pos_ = 0;
    std::int64_t write_pos_ = 0;
    std::uint64_t write_limit_ = 0;
    bool end_ = false;
    unsigned high_water_ = 0;
};

// Writes a text as its bytes up to its first zero byte and one zero byte (the empty text as the
// single byte 0); returns
// what mapped_file::write returns.
unsigned write_bin_data(mapped_file& file, const AnsiString& value) noexcept;
// Writes the 8 bytes of a date-time.
unsigned write_bin_data(mapped_file& file, const TDateTime& value) noexcept;
// Writes a zero-terminated text with its zero byte (null as the single byte 0).
unsigned write_bin_data(mapped_file& file, const char* value) noexcept;

}  // namespace lib
