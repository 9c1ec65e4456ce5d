// POSIX directories: listings with the station's attribute bits, copies, deletions, the DOS form
// of file times, and changing a file's length under the mapping guard.
//
// Entries are described with statx on the directory's descriptor, so a listing makes no path
// joins and sees each entry once even while others rename files around it. A symbolic link is
// described by its target (kind, size, times, write permission) and marked as a link; deletions
// remove the link, never what it points to.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <limits>

#include "gti/platform/os.h"
#include "platform/posix/file_detail.h"
#include "platform/shared.h"

namespace lib::os {
namespace {

constexpr unsigned statx_mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME;

// Fills `e` (all but its name) from the entry `name` relative to `dir_fd`.
bool describe(int dir_fd, const char* name, dir_entry& e) noexcept {
    struct statx own {};
    if (statx(dir_fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, statx_mask, &own) != 0) return false;
    struct statx sx = own;
    std::uint32_t attributes = 0;
    if (S_ISLNK(own.stx_mode)) {
        attributes |= attr_link;
        struct statx target {};
        if (statx(dir_fd, name, AT_NO_AUTOMOUNT, statx_mask, &target) == 0) sx = target;
    }
    attributes |= S_ISDIR(sx.stx_mode) ? attr_directory : attr_archive;
    if ((sx.stx_mode & S_IWUSR) == 0 && !S_ISLNK(sx.stx_mode)) attributes |= attr_read_only;
    if (name[0] == '.') attributes |= attr_hidden;
    e.attributes = attributes;
    e.size = S_ISREG(sx.stx_mode) ? sx.stx_size : 0;
    e.creation = detail::filetime_of((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
    e.last_write = detail::filetime_of(sx.stx_mtime);
    return true;
}

}  // namespace

bool detail::list_entries(const std::string& native_dir, bool every, std::vector<dir_entry>& entries) {
    entries.clear();
    DIR* d = opendir(native_dir.empty() ? "." : native_dir.c_str());
    if (d == nullptr) return false;
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* de = readdir(d);
        if (de == nullptr) {
            ok = errno == 0;
            break;
        }
        const std::string_view name(de->d_name);
        if (name == "." || name == "..") continue;
        dir_entry e;
        const file_path entry_name{std::filesystem::path(name)};
        // A name that 1251 cannot hold is not there for the station; one that vanished meanwhile
        // is not there either.
        if ((!every && !entry_name.is_station_text()) || !describe(dirfd(d), de->d_name, e)) continue;
        e.name = entry_name.display();
        e.native_name = entry_name.native();
        entries.push_back(std::move(e));
    }
    closedir(d);
    return ok;
}

bool entry_info(const file_path& path, dir_entry& entry) {
    if (path.native().empty()) return false;
    if (!describe(AT_FDCWD, path.native().c_str(), entry)) return false;
    std::string name = path.native();
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::size_t slash = name.rfind('/');
    const file_path entry_name{std::filesystem::path(slash == std::string::npos ? name : name.substr(slash + 1))};
    entry.name = entry_name.display();
    entry.native_name = entry_name.native();
    return true;
}

bool copy_file(const file_path& from, const file_path& to) noexcept {
    try {
        struct stat source {};
        if (stat(from.native().c_str(), &source) != 0 || !S_ISREG(source.st_mode)) return false;
        struct stat target {};
        if (stat(to.native().c_str(), &target) == 0) {
            if (target.st_dev == source.st_dev && target.st_ino == source.st_ino) return false;
            if (!S_ISREG(target.st_mode) || (target.st_mode & S_IWUSR) == 0) return false;
        }
        const open_result in = open_shared(from, access::read, disposition::open_existing);
        if (in.status != open_status::ok) return false;
        const open_result out = open_shared(to, access::write, disposition::create_always);
        if (out.status != open_status::ok) {
            close_file(in.handle);
            return false;
        }
        bool ok = detail::copy_contents(in.handle, out.handle);
        if (ok) {
            const struct timespec times[2] = {source.st_atim, source.st_mtim};
            ok = fchmod(out.handle, source.st_mode & 07777) == 0 && futimens(out.handle, times) == 0;
        }
        close_file(in.handle);
        return close_file(out.handle) && ok;
    } catch (...) {
        return false;
    }
}

bool delete_file(const file_path& path) noexcept {
    try {
        const std::string& native = path.native();
        struct stat st {};
        if (lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
        if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return false;
        return unlink(native.c_str()) == 0;
    } catch (...) {
        return false;
    }
}

bool remove_directory(const file_path& path) noexcept {
    try {
        const std::string& native = path.native();
        struct stat st {};
        if (lstat(native.c_str(), &st) != 0) return false;
        if (S_ISLNK(st.st_mode)) {
            // A link to a directory, or one whose directory has gone already.
            struct stat target {};
            if (stat(native.c_str(), &target) == 0 && !S_ISDIR(target.st_mode)) return false;
            return unlink(native.c_str()) == 0;
        }
        return S_ISDIR(st.st_mode) && rmdir(native.c_str()) == 0;
    } catch (...) {
        return false;
    }
}

bool clear_attributes(const file_path& path) noexcept {
    try {
        const std::string& native = path.native();
        struct stat st {};
        if (lstat(native.c_str(), &st) != 0) return false;
        if (S_ISLNK(st.st_mode)) return true;
        return chmod(native.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
    } catch (...) {
        return false;
    }
}

std::uint32_t dos_date_time(const FILETIME& t) noexcept {
    // Seconds between 1601-01-01 and 1970-01-01.
    constexpr std::int64_t unix_epoch = 11644473600LL;
    const std::int64_t seconds = static_cast<std::int64_t>(filetime_to_uint64(t) / 10000000) - unix_epoch;
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return detail::dos_time(seconds < 0 ? 1979 : 2108, 1, 1, 0, 0, 0);
    return detail::dos_time(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                            local.tm_sec);
}

bool set_file_size(file_handle h, std::uint64_t size) noexcept {
    struct stat st {};
    if (size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) || fstat(h, &st) != 0) return false;
    const auto length = static_cast<off_t>(size);
    if (length < st.st_size) {
        // Cutting the file short would pull the pages from under another handle's mapping.
        if (!detail::set_guard(h, F_WRLCK)) return false;
        const bool ok = ftruncate(h, length) == 0;
        detail::set_guard(h, F_UNLCK);
        return ok;
    }
    if (length == st.st_size) return true;
    // Taking the disk space now turns a full disk into a refusal here rather than a fault when
    // the new pages are written through a mapping.
    int r;
    do {
        r = posix_fallocate(h, st.st_size, length - st.st_size);
    } while (r == EINTR);
    if (r == EOPNOTSUPP || r == EINVAL) return ftruncate(h, length) == 0;
    return r == 0;
}

}  // namespace lib::os
