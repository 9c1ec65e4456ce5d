// Crash-safe replacement of a whole file (see file_replacement.h).
//
// Temporary files take slots ".NAME.gti-new0" to ".NAME.gti-new7" beside the target. A writer
// owns a slot while it holds a flock on the slot's file and the slot's name still names that
// file; a slot file that nobody holds is a leftover of a killed writer: the next writer either
// takes it over (truncating it) or removes it.
#include "gti/platform/file_replacement.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "gti/platform/cp_literal.h"
#include "platform/posix/syscalls.h"
#include "platform/shared.h"

using namespace lib::literals;

namespace lib::os {
namespace {

std::string slot_path(const std::string& dir, const std::string& base, int slot) {
    return dir + "/." + base + ".gti-new" + std::to_string(slot);
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the path still names the open file.
bool names(const std::string& path, int fd) {
    struct stat by_fd {
    }, by_name{};
    return fstat(fd, &by_fd) == 0 && lstat(path.c_str(), &by_name) == 0 && same_file(by_fd, by_name);
}

int open_retrying(const std::string& path, int flags, mode_t mode) {
    int fd;
    do {
        fd = detail::syscalls().open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Opens a slot's file and takes its lock; -1 when the slot is missing, busy or not a plain file.
int claim_slot(const std::string& path, bool create) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int fd = open_retrying(path, O_RDWR | (create ? O_CREAT : 0), 0600);
        if (fd < 0) return -1;
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return -1;
        }
        if (names(path, fd)) return fd;
        // Its writer renamed it away, or replaced it, between our open and our lock.
        close(fd);
    }
    return -1;
}

// The umask of the process, read without changing it.
mode_t current_umask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 022;
}

// The file the path names after symbolic links, so that the rename replaces the file itself.
std::string resolved(const std::string& native) {
    char* real = realpath(native.c_str(), nullptr);
    if (real == nullptr) return native;
    std::string r(real);
    std::free(real);
    return r;
}

}  // namespace

bool names_file(const file_path& path, file_handle h) noexcept {
    struct stat by_fd {
    }, by_name{};
    return fstat(h, &by_fd) == 0 && stat(path.native().c_str(), &by_name) == 0 && same_file(by_fd, by_name);
}

const char* not_regular_file_message() noexcept {
    return "Это не файл: папка, канал или устройство!"_cp;
}

struct file_replacement::state {
    std::string target;
    std::string dir;
    std::string temp;
    int temp_fd = -1;
    int target_fd = -1;
    bool looked = false;  // lock_target() ran
    bool committed = false;
    bool existed = false;  // the target existed at the start
    mode_t mode = 0;       // its permissions

    void close_target() noexcept {
        if (target_fd >= 0) close(target_fd);
        target_fd = -1;
    }
};

file_replacement::file_replacement(const AnsiString& target) : file_replacement(file_path(target)) {}

file_replacement::file_replacement(const file_path& target) : s_(std::make_unique<state>()) {
    state& s = *s_;
    s.target = resolved(target.native());
    const std::size_t slash = s.target.rfind('/');
    s.dir = slash == std::string::npos ? "." : slash == 0 ? "/" : s.target.substr(0, slash);
    const std::string base = slash == std::string::npos ? s.target : s.target.substr(slash + 1);

    struct stat st {};
    if (stat(s.target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) throw std::runtime_error(not_regular_file_message());
        s.existed = true;
        s.mode = st.st_mode & 07777;
    }
    struct stat dir_st {};
    if (stat(s.dir.c_str(), &dir_st) != 0 || !S_ISDIR(dir_st.st_mode)) throw std::runtime_error(detail::msg_not_found);

    for (int slot = 0; slot < detail::replacement_slots; ++slot) {
        const std::string path = slot_path(s.dir, base, slot);
        if (s.temp_fd < 0) {
            s.temp_fd = claim_slot(path, true);
            if (s.temp_fd >= 0) {
                s.temp = path;
                // A leftover of a killed writer is taken over from its first byte.
                if (ftruncate(s.temp_fd, 0) != 0) {
                    abort();
                    throw std::runtime_error(detail::msg_write);
                }
            } else if (errno == ENOSPC || errno == EROFS || errno == EDQUOT) {
                throw std::runtime_error(detail::msg_write);
            }
            continue;
        }
        // Leftovers past our own slot are removed.
        const int stale = claim_slot(path, false);
        if (stale >= 0) {
            detail::syscalls().unlink(path.c_str());
            close(stale);
        }
    }
    if (s.temp_fd < 0) throw std::runtime_error(detail::msg_write);
}

file_replacement::~file_replacement() {
    abort();
    if (s_->temp_fd >= 0) close(s_->temp_fd);
}

file_handle file_replacement::handle() const noexcept {
    return s_->temp_fd;
}

file_handle file_replacement::lock_target() {
    using clock = std::chrono::steady_clock;
    state& s = *s_;
    s.looked = true;
    const auto deadline = clock::now() + std::chrono::seconds(2);
    for (int pause_us = 500;;) {
        s.target_fd = open_retrying(s.target, O_RDONLY, 0);
        if (s.target_fd < 0) {
            if (errno == ENOENT) return invalid_handle;
            throw std::runtime_error(errno == ELOOP ? not_regular_file_message() : detail::msg_lock);
        }
        struct stat st {};
        if (fstat(s.target_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            s.close_target();
            throw std::runtime_error(not_regular_file_message());
        }
        if (flock(s.target_fd, LOCK_EX | LOCK_NB) == 0) {
            // The lock counts only if the path still names the file that was locked: an earlier
            // writer may have replaced it meanwhile.
            if (names(s.target, s.target_fd)) {
                s.existed = true;
                s.mode = st.st_mode & 07777;
                return s.target_fd;
            }
        } else if (errno != EWOULDBLOCK && errno != EINTR) {
            s.close_target();
            throw std::runtime_error(detail::msg_lock);
        }
        s.close_target();
        if (clock::now() >= deadline) throw std::runtime_error(detail::msg_lock);
        usleep(static_cast<useconds_t>(pause_us));
        pause_us = pause_us < 20000 ? pause_us * 2 : pause_us;
    }
}

bool file_replacement::commit() {
    state& s = *s_;
    if (s.temp_fd < 0 || s.committed) throw std::runtime_error(detail::msg_write);
    try {
        const mode_t mode = s.existed ? s.mode : 0666 & ~current_umask();
        int synced;
        do {
            synced = detail::syscalls().fsync(s.temp_fd);
        } while (synced != 0 && errno == EINTR);
        if (fchmod(s.temp_fd, mode) != 0 || synced != 0) throw std::runtime_error(detail::msg_write);
        // A caller that looked at the target replaces exactly what it saw.
        const bool caller_looked = s.looked;
        if (!caller_looked) lock_target();
        for (;;) {
            const unsigned flags = s.target_fd >= 0 ? 0u : RENAME_NOREPLACE;
            int r = detail::syscalls().rename(s.temp.c_str(), s.target.c_str(), flags);
            // A file system without RENAME_NOREPLACE: link() refuses an existing name just as well.
            if (r != 0 && flags != 0 && errno == EINVAL) {
                r = link(s.temp.c_str(), s.target.c_str());
                if (r == 0) {
                    detail::syscalls().unlink(s.temp.c_str());
                } else if (errno == EPERM || errno == ENOTSUP) {
                    // Nor hard links (a FAT stick): a plain rename, the best such a disk offers.
                    r = detail::syscalls().rename(s.temp.c_str(), s.target.c_str(), 0);
                }
            }
            if (r == 0) break;
            if (errno != EEXIST || flags == 0) throw std::runtime_error(detail::msg_write);
            // The target appeared after it was looked for.
            if (caller_looked) {
                abort();
                return false;
            }
            if (lock_target() < 0) continue;
        }
        s.committed = true;
        // The slot's lock must not stay on what is now the target.
        flock(s.temp_fd, LOCK_UN);
        const int dir_fd = open(s.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int dir_synced = dir_fd >= 0 ? detail::syscalls().fsync(dir_fd) : -1;
        // Some file systems cannot flush a folder; they keep their entries safe by other means.
        if (dir_synced != 0 && (errno == EINVAL || errno == ENOTSUP)) dir_synced = 0;
        if (dir_fd >= 0) close(dir_fd);
        s.close_target();
        if (dir_synced != 0) throw std::runtime_error(detail::msg_write);
        return true;
    } catch (...) {
        abort();
        throw;
    }
}

void file_replacement::abort() noexcept {
    state& s = *s_;
    if (!s.committed && s.temp_fd >= 0) {
        detail::syscalls().unlink(s.temp.c_str());
        close(s.temp_fd);
        s.temp_fd = -1;
    }
    s.close_target();
}

file_handle file_replacement::release_handle() noexcept {
    if (!s_->committed) return invalid_handle;
    return std::exchange(s_->temp_fd, -1);
}

}  // namespace lib::os
