// atomic_file: a whole file written anew without ever losing the old one.
//
// Every writer of a whole file (data files, parameter tables, lists, exports) streams into an
// atomic_file and calls commit() at the end. The bytes go to a temporary file beside the target;
// commit() flushes it to disk and puts it in the target's place in one rename, holding the
// station's whole-file lock of the old file, then flushes the folder: one flush of the file and
// one of the folder per save. Until commit() returns, readers see the old file; a failure or a
// crash at any point leaves the old file or the complete new one. Destroying an atomic_file that
// was not committed (an exception on the way) removes the temporary file and keeps the old one.
//
//   lib::io::atomic_file out(name);
//   write_binary(out, ...);            // buffered; a failure throws and the old file stays
//   out.commit();                      // now the new file is in place
//
// Failures are std::runtime_error with the texts of lib::os::file_replacement ("Файл не найден!"
// for a missing folder, "Невозможно записать в файл!", "Невозможно заблокировать файл!", and
// lib::os::not_regular_file_message() for a target that is no regular file).
#pragma once

#include <cstring>
#include <memory>
#include <optional>

#include "gti/io/streams.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/system.h"

namespace lib::io {

// A buffered output stream into the replacement of a whole file.
class atomic_file final : public BinaryOutputStream {
public:
    // An object that writes no file yet.
    atomic_file();
    // Starts writing the new contents of `name`.
    explicit atomic_file(const AnsiString& name);
    // Aborts unless committed: the old file stays.
    ~atomic_file();
    atomic_file(const atomic_file&) = delete;
    atomic_file& operator=(const atomic_file&) = delete;

    // Starts writing the new contents of `name`, aborting any replacement begun before.
    void open(const AnsiString& name);

    // Adds the bytes to the buffer, writing it out when full.
    void write(const char* data, unsigned count) override {
        if (count <= capacity - size_) {
            std::memcpy(buffer_.get() + size_, data, count);
            size_ += count;
            return;
        }
        write_large(data, count);
    }

    // Takes the whole-file lock of the current target and keeps it until commit() or abort(), for
    // a writer that reads the old contents before it writes the new ones; no appender adds to the
    // old file meanwhile. Returns the old file's handle, locked, or os::invalid_handle when there
    // is no target yet. Called once.
    os::file_handle lock_target();
    // Writes the buffered bytes and puts the new file in the target's place. Returns false only
    // after lock_target() found no target and one has appeared since: nothing is replaced then.
    bool commit();
    // Drops what was written; the target stays as it was. A second call does nothing.
    void abort() noexcept;

    // True between open() and commit() or abort().
    bool is_open() const noexcept { return replacement_.has_value() && !committed_; }
    // The bytes written so far.
    unsigned get_real_size() const noexcept { return static_cast<unsigned>(written_ + size_); }
    // The times of the new file; after commit(), those of the target.
    void get_time(FILETIME& creation, FILETIME& last_access, FILETIME& last_write);

private:
    static constexpr std::size_t capacity = 0x20000;

    void write_large(const char* data, unsigned count);
    void flush();

    std::optional<os::file_replacement> replacement_;
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0;
    std::uint64_t written_ = 0;
    bool committed_ = false;
};

}  // namespace lib::io
