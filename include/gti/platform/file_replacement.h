// Crash-safe replacement of a whole file: the one way the library writes a file anew.
//
// The new contents go to a temporary file in the target's folder, which is flushed to disk and
// then renamed over the target while the writer holds the station's whole-file lock of the old
// file; the folder is flushed last. A failure or a crash at any point leaves the old file or the
// complete new one, never a mixture:
//
//   step                       a failure or crash here leaves
//   create the temporary file  the old file
//   write, flush it            the old file (a temporary file only after a crash)
//   lock the old file          the old file
//   rename over it             the old file or the new one, whole
//   flush the folder           the new file (reported: it may not survive a power cut)
//
// A failure removes the temporary file. A crash leaves it behind under the name
// ".NAME.gti-newK" (K a small number); the next writer of the same target removes it. A writer
// holds a lock on its temporary file, so it never takes another's for a stale one.
//
// The target follows symbolic links (the linked file is replaced, the link stays). A target that
// exists and is no regular file (a folder, a FIFO, a device) is refused before anything is
// written. A new file gets the permissions 0666 less the umask; a replaced one keeps its own.
#pragma once

#include <memory>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib::os {

// The text of the error raised when a path names something other than a regular file.
const char* not_regular_file_message() noexcept;

// True when `path` still names the file open as `h`. An appender checks it after taking the
// whole-file lock: false means a writer has replaced the file since it was opened, and the
// appender must reopen it, or its blocks would go to the replaced file.
bool names_file(const AnsiString& path, file_handle h) noexcept;
bool names_file(const file_path& path, file_handle h) noexcept;

// One replacement of a whole file, from the temporary file to the rename. Not for sharing
// between threads.
//
// Failures throw std::runtime_error with the station's texts (code page 1251):
//   the folder of the target does not exist                "Файл не найден!"
//   the target is a folder, a FIFO or a device               not_regular_file_message()
//   the temporary file cannot be made, written or flushed,
//   the rename or the folder's flush fails                   "Невозможно записать в файл!"
//   the old file stays locked by another for about 2 s       "Невозможно заблокировать файл!"
class file_replacement {
public:
    // Starts replacing `target`: removes temporary files of killed writers and creates this
    // writer's own. Nothing visible changes until commit().
    explicit file_replacement(const AnsiString& target);
    explicit file_replacement(const file_path& target);
    // Aborts unless committed.
    ~file_replacement();
    file_replacement(const file_replacement&) = delete;
    file_replacement& operator=(const file_replacement&) = delete;

    // The temporary file, open for reading and writing; after commit() it is the target.
    file_handle handle() const noexcept;

    // Takes the whole-file lock of the current target (waiting about 2 s for another holder),
    // for a writer that reads the old contents before it writes the new ones. Returns the old
    // file's handle, locked, or invalid_handle when there is no target yet. Called once.
    file_handle lock_target();

    // Puts the temporary file in the target's place: flushes it, takes the target's lock (if
    // lock_target() did not), renames, flushes the folder and gives the lock up. Returns false
    // only after lock_target() found no target and one has appeared since: nothing is replaced
    // then and the replacement is aborted, so that the caller can start again from the new file.
    bool commit();

    // Removes the temporary file and gives up the lock; the target is left as it was. Does
    // nothing after commit() or a first abort().
    void abort() noexcept;

    // Hands the handle of the committed file to the caller, who closes it.
    file_handle release_handle() noexcept;

private:
    struct state;
    std::unique_ptr<state> s_;
};

}  // namespace lib::os
