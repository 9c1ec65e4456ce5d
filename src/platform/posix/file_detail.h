// What the files of the POSIX file layer share: the mapping guard and the conversion of the
// system's file times.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "gti/platform/system.h"

namespace lib::os::detail {

// The byte that mappings guard; it lies past the range [0, 0x07FFFFFF00000000) that the
// station's whole-file locks cover, where no file of the station reaches.
inline constexpr off_t guard_offset = 0x07FFFFFF00000000LL;

// Takes (F_RDLCK shared, F_WRLCK exclusive) or gives up (F_UNLCK) this handle's lock on the guard
// byte without waiting; false, with errno set, when another handle's lock stands in the way.
bool set_guard(int fd, short type) noexcept;

// A time of statx as a FILETIME; times before 1601 read as 0.
FILETIME filetime_of(const statx_timestamp& t) noexcept;

// Opens the user's own folder for locks and mailslots, without following a link to it:
// $XDG_RUNTIME_DIR when it belongs to the user and is closed to others, else "gtikit-UID" under
// $TMPDIR or /tmp, created 0700; when a link, someone else's folder or a folder open to others
// stands there, "gtikit-UID-1", "-2", ... (every program of the user passes over the same ones).
// Returns the folder's descriptor and sets `path`; throws std::runtime_error when none can be had.
int open_user_folder(std::string& path);

// Creates a new empty file for writing beside `target` (its name + ".~" + a unique suffix), with
// the permissions of `target` when it exists. Returns the descriptor and sets `temporary`, or -1.
int create_beside(const std::string& target, std::string& temporary) noexcept;

// Forces `fd` to disk, renames `temporary` over `target` and forces the folder entry to disk.
// False when any step fails; the rename has happened only when the flush succeeded.
bool put_in_place(int fd, const std::string& temporary, const std::string& target) noexcept;

}  // namespace lib::os::detail
