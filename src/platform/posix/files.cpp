// POSIX files: shared opening, the whole-file lock, the mapping guard, mappings and file times.
//
// Locks. The whole-file lock is a flock(2) lock: it belongs to the open file description, so two
// handles of one process exclude each other, it works on handles opened for reading only, and it
// goes away when the handle is closed or its process dies. The mapping guard is a separate
// open-file-description record lock on one byte far beyond any data: every mapping holds it
// shared, and a truncation needs it exclusively, so a file is never cut short under a mapping.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "gti/platform/codepage.h"
#include "gti/platform/os.h"
#include "platform/posix/file_detail.h"
#include "platform/posix/syscalls.h"

namespace lib::os {
namespace detail {

bool set_guard(int fd, short type) noexcept {
    struct flock l {};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    l.l_start = guard_offset;
    l.l_len = 1;
    for (;;) {
        if (fcntl(fd, F_OFD_SETLK, &l) == 0) return true;
        if (errno != EINTR) return false;
    }
}

FILETIME filetime_of(const statx_timestamp& t) noexcept {
    // 100-ns intervals from 1601-01-01 to 1970-01-01.
    constexpr std::int64_t unix_epoch = 116444736000000000LL;
    const std::int64_t v = unix_epoch + static_cast<std::int64_t>(t.tv_sec) * 10000000 + t.tv_nsec / 100;
    return uint64_to_filetime(static_cast<std::uint64_t>(v < 0 ? 0 : v));
}

}  // namespace detail

namespace {

using detail::filetime_of;
using detail::set_guard;

// Cuts an open file to length 0 unless another handle holds its lock or maps it; with
// `keep_lock` the whole-file lock stays with the handle afterwards.
open_status truncate_if_free(int fd, bool keep_lock) noexcept {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK ? open_status::busy : open_status::failed;
    open_status status = open_status::ok;
    if (!set_guard(fd, F_WRLCK)) {
        status = (errno == EAGAIN || errno == EACCES) ? open_status::busy : open_status::failed;
    } else {
        if (ftruncate(fd, 0) != 0) status = open_status::failed;
        set_guard(fd, F_UNLCK);
    }
    if (!keep_lock || status != open_status::ok) flock(fd, LOCK_UN);
    return status;
}

}  // namespace

open_result open_shared(const file_path& path, access mode, disposition disp, bool keep_lock) noexcept {
    open_result r;
    int flags = O_CLOEXEC;
    if (mode == access::read_write || (mode == access::read && disp == disposition::create_always))
        flags |= O_RDWR;
    else
        flags |= mode == access::read ? O_RDONLY : O_WRONLY;
    if (disp != disposition::open_existing) flags |= O_CREAT;

    // Not blocking, so that opening a FIFO returns at once; regular files ignore the flag.
    int fd;
    do {
        fd = detail::syscalls().open(path.native().c_str(), flags | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        r.status = (errno == ENOENT || errno == ENOTDIR) ? open_status::not_found
                   : (errno == EISDIR || errno == ENXIO) ? open_status::not_regular
                                                         : open_status::failed;
        return r;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        r.status = S_ISREG(st.st_mode) ? open_status::failed : open_status::not_regular;
        close(fd);
        return r;
    }
    if (disp == disposition::create_always) {
        r.status = truncate_if_free(fd, keep_lock);
        if (r.status != open_status::ok) {
            close(fd);
            return r;
        }
    }
    r.handle = fd;
    r.status = open_status::ok;
    return r;
}

bool close_file(file_handle h) noexcept {
    return h >= 0 && close(h) == 0;
}

std::int64_t read_file(file_handle h, void* buffer, std::size_t count) noexcept {
    for (;;) {
        const ssize_t n = detail::syscalls().read(h, buffer, count);
        if (n >= 0) return n;
        if (errno != EINTR) return -1;
    }
}

bool write_file(file_handle h, const void* data, std::size_t count) noexcept {
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = detail::syscalls().write(h, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

std::int64_t seek_file(file_handle h, std::int64_t offset, seek_origin origin) noexcept {
    const int whence = origin == seek_origin::begin ? SEEK_SET : origin == seek_origin::end ? SEEK_END : SEEK_CUR;
    return lseek(h, offset, whence);
}

std::int64_t file_size(file_handle h) noexcept {
    struct stat st {};
    return fstat(h, &st) == 0 ? st.st_size : -1;
}

bool try_lock_file(file_handle h) noexcept {
    for (;;) {
        if (flock(h, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EINTR) return false;
    }
}

void unlock_file(file_handle h) noexcept {
    flock(h, LOCK_UN);
}

bool flush_file(file_handle h) noexcept {
    for (;;) {
        if (detail::syscalls().fsync(h) == 0) return true;
        if (errno != EINTR) return false;
    }
}

bool get_file_times(file_handle h, file_times& times) noexcept {
    struct statx sx {};
    if (statx(h, "", AT_EMPTY_PATH, STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME, &sx) != 0) return false;
    times.creation = filetime_of((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
    times.last_access = filetime_of(sx.stx_atime);
    times.last_write = filetime_of(sx.stx_mtime);
    return true;
}

void* map_file(file_handle h, std::size_t size, bool writable) noexcept {
    if (size == 0) return nullptr;
    // A truncation holds the guard for a moment only: wait for it briefly.
    bool guarded = false;
    for (int attempt = 0; attempt < 100 && !(guarded = set_guard(h, F_RDLCK)); ++attempt) {
        if (errno != EAGAIN && errno != EACCES) break;
        usleep(1000);
    }
    if (!guarded) return nullptr;
    void* p = detail::syscalls().mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, h, 0);
    if (p == MAP_FAILED) {
        set_guard(h, F_UNLCK);
        return nullptr;
    }
    return p;
}

void unmap_file(file_handle h, void* address, std::size_t size) noexcept {
    if (address == nullptr) return;
    munmap(address, size);
    set_guard(h, F_UNLCK);
}

}  // namespace lib::os
