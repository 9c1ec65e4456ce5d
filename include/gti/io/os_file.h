// OSFile: a file of the operating system with the station's retries, lock and messages.
//
// Station programs open one data file at once, so opening is shared for reading and writing,
// and a conflict that should pass (another program truncating or holding the file) is retried:
// `open` and `lock` make up to 20 attempts 100 ms apart, about two seconds in all.
//
// Failures are std::runtime_error with the station's texts (code page 1251):
//
//   open     file or path not found (at once)            "Файл не найден!"
//   open     still refused after 20 attempts             "Невозможно открыть файл!"
//   open     a folder, a FIFO or a device (at once)        "Это не файл: папка, канал или устройство!"
//   lock     still held by another after 20 attempts     "Невозможно заблокировать файл!"
//   write    not all bytes written                       "Невозможно записать в файл!"
//   read     the system reports an error                 "Невозможно прочитать из файла!"
//   any      a file or position of 4 GiB or more          "Файл слишком велик (4 ГиБ и больше)!"
//
// The station's formats count sizes in 32 bits; a file of 4 GiB or more is refused rather than
// read or written in part.
#pragma once

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"
#include "gti/platform/system.h"

namespace lib::io {

// How a file is opened; the values are the stored numbers.
enum open_types {
    open_read = 1,    // read; a missing file fails with "Файл не найден!"
    open_write = 2,   // write; an existing file is truncated, a missing one created
    open_append = 3,  // write at the end; contents kept, a missing file created
};

// Where set_pointer counts from.
enum seek_types {
    seek_begin = 0,
    seek_end = 1,
    seek_current = 2,
};

// A handle of an operating-system file plus whether this object holds the whole-file lock.
class OSFile {
public:
    // The number of attempts of open() and lock().
    static constexpr int max_try_counter = 20;

    // An object that holds no file.
    OSFile() noexcept = default;
    // Closes the file.
    ~OSFile();
    OSFile(const OSFile&) = delete;
    OSFile& operator=(const OSFile&) = delete;
    // Hands the file and its lock over; the source holds no file afterwards.
    OSFile(OSFile&& other) noexcept;
    OSFile& operator=(OSFile&& other) noexcept;

    // Opens `name` (closing any file held first), shared for reading and writing. With `lock`,
    // takes the whole-file lock; if that fails the file stays open, unlocked. open_append places
    // the position at the end; with `lock` it also makes sure, once locked, that the name still
    // names the file it opened, and opens it again when a writer has replaced it meanwhile, so
    // that nothing is appended to a file that is no longer there. open_write truncates only when no other handle holds
    // the file locked or mapped, and waits (as for any refusal) until then; with `lock` it keeps the lock from the
    // truncation on, so no reader ever sees the file empty or half written.
    void open(const AnsiString& name, open_types type, bool lock);
    void open(const os::file_path& name, open_types type, bool lock);
    // Closes the file, giving up the lock. A second close does nothing.
    void close() noexcept;
    // Takes the exclusive whole-file lock, which belongs to this object alone.
    void lock();
    // Gives up the lock.
    void unlock() noexcept;

    // One read of up to `count` bytes; returns how many came. At the end of the file fewer bytes
    // (perhaps none) arrive without an error, and the rest of `buffer` is left as it was.
    unsigned read(char* buffer, unsigned count);
    // Writes all `count` bytes at the position.
    void write(const char* data, unsigned count);
    // Writes all `count` bytes at the end of the file as one piece: when the system refuses part
    // way (a full disk), the file is cut back to its old length, so that no reader or later
    // appender meets a partial block. Throws "Невозможно записать в файл!".
    void append(const char* data, unsigned count);
    // Moves the position and returns the new one; returns 0xFFFFFFFF, the position unchanged,
    // when the system refuses (a position before the start).
    unsigned set_pointer(int offset, seek_types from);
    // True when the position is at or past the end of the file.
    bool eof();
    // The size of the file in bytes.
    unsigned get_real_size();
    // Forces buffered data to disk, then reads the three times of the file.
    void get_time(FILETIME& creation, FILETIME& last_access, FILETIME& last_write);

    // The raw handle (invalid when closed).
    os::file_handle get_handle() const noexcept { return handle_; }
    // True while a file is held.
    bool is_open() const noexcept { return handle_ != os::invalid_handle; }
    // True while this object holds the whole-file lock.
    bool is_locked() const noexcept { return locked_; }

private:
    os::file_handle handle_ = os::invalid_handle;
    bool locked_ = false;
};

}  // namespace lib::io
