// A small file shared by several programs, replaced as a whole under a lock.
//
// A writer locks the current file (flock), checks that the path still names the file it locked
// (an earlier writer may have replaced it meanwhile), reads it, writes the changed contents to a
// new file beside it and renames that over the old one. Readers take no lock: a rename is atomic,
// so they see the old file or the new one, never a mixture.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "platform/posix/file_detail.h"
#include "platform/posix/syscalls.h"

using namespace lib::literals;

namespace lib::os {
namespace {

// A file larger than this is not a settings file: it is never read whole into memory, and
// update() refuses to replace it.
constexpr off_t max_shared_file = 8LL << 20;

struct version {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    std::int64_t mtime_ns = 0;
    std::int64_t ctime_ns = 0;
    friend bool operator==(const version&, const version&) = default;
};

version version_of(const struct stat& st) {
    return version{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                   st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

// Reads the whole file from offset 0; false on a read error or a file too large.
bool read_all(int fd, std::string& out) {
    out.clear();
    char buffer[16384];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        offset += n;
        if (offset > max_shared_file) return false;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

// Closes a descriptor when it goes out of scope.
struct fd_guard {
    int fd = -1;
    ~fd_guard() {
        if (fd >= 0) close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

// The file the path names after symbolic links, so that a rename replaces the file itself.
std::string resolved(const std::string& native) {
    char* real = realpath(native.c_str(), nullptr);
    if (real == nullptr) return native;
    std::string r(real);
    std::free(real);
    return r;
}

const char* const msg_lock = "Невозможно заблокировать файл!"_cp;
const char* const msg_write = "Невозможно записать в файл!"_cp;
const char* const msg_read = "Невозможно прочитать из файла!"_cp;

// Writes `contents` to a new file beside `target` and puts it in the target's place. Returns the
// descriptor of the new file.
int replace_file(const std::string& target, const std::string& contents) {
    fd_guard tmp;
    std::string tmp_name;
    tmp.fd = detail::create_beside(target, tmp_name);
    if (tmp.fd < 0) throw std::runtime_error(msg_write);
    if (!write_file(tmp.fd, contents.data(), contents.size()) || !detail::put_in_place(tmp.fd, tmp_name, target)) {
        unlink(tmp_name.c_str());
        throw std::runtime_error(msg_write);
    }
    return tmp.release();
}

}  // namespace

struct shared_file::state {
    AnsiString path;
    std::string native;
    // The descriptor of the version in `contents`: keeping it open keeps its inode from being
    // reused by a later file, which would make the version look unchanged.
    int fd = -1;
    version seen;
    std::string contents;

    void forget() {
        if (fd >= 0) close(fd);
        fd = -1;
        seen = version{};
        contents.clear();
    }

    void adopt(int new_fd, std::string new_contents) {
        struct stat st {};
        fstat(new_fd, &st);
        if (fd >= 0) close(fd);
        fd = new_fd;
        seen = version_of(st);
        contents = std::move(new_contents);
    }
};

shared_file::shared_file(const AnsiString& path) : shared_file(file_path(path)) {}

shared_file::shared_file(const file_path& path) : s_(std::make_unique<state>()) {
    s_->path = path.display();
    s_->native = path.native();
}

shared_file::~shared_file() {
    s_->forget();
}

const AnsiString& shared_file::path() const noexcept {
    return s_->path;
}
const std::string& shared_file::contents() const noexcept {
    return s_->contents;
}

bool shared_file::refresh() {
    struct stat st {};
    if (stat(s_->native.c_str(), &st) == 0 && s_->fd >= 0 && version_of(st) == s_->seen) return false;
    fd_guard fd;
    fd.fd = detail::syscalls().open(s_->native.c_str(), O_RDONLY | O_CLOEXEC, 0);
    std::string text;
    struct stat opened {};
    if (fd.fd < 0 || fstat(fd.fd, &opened) != 0 || S_ISDIR(opened.st_mode) || !read_all(fd.fd, text)) {
        const bool changed = !s_->contents.empty();
        s_->forget();
        return changed;
    }
    const bool changed = text != s_->contents;
    s_->adopt(fd.release(), std::move(text));
    return changed;
}

void shared_file::update(const std::function<bool(std::string& contents)>& edit) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(2);
    const std::string target = resolved(s_->native);
    fd_guard locked;
    bool created = false;
    struct stat st {};
    for (int pause_us = 500;;) {
        created = false;
        locked.fd = detail::syscalls().open(target.c_str(), O_RDWR | O_CLOEXEC, 0);
        if (locked.fd < 0 && errno == ENOENT) {
            locked.fd = detail::syscalls().open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            created = locked.fd >= 0;
            if (locked.fd < 0 && errno == EEXIST) continue;
        }
        if (locked.fd < 0) throw std::runtime_error(msg_write);
        if (flock(locked.fd, LOCK_EX | LOCK_NB) == 0) {
            // The lock counts only if the path still names the file that was locked.
            struct stat now {};
            if (fstat(locked.fd, &st) == 0 && stat(target.c_str(), &now) == 0 && st.st_dev == now.st_dev &&
                st.st_ino == now.st_ino)
                break;
        } else if (errno != EWOULDBLOCK && errno != EINTR) {
            throw std::runtime_error(msg_lock);
        }
        close(locked.release());
        if (clock::now() >= deadline) throw std::runtime_error(msg_lock);
        usleep(static_cast<useconds_t>(pause_us));
        pause_us = pause_us < 20000 ? pause_us * 2 : pause_us;
    }

    std::string current;
    if (!read_all(locked.fd, current)) throw std::runtime_error(msg_read);
    std::string changed = current;
    if (!edit(changed) || changed == current) {
        if (created) unlink(target.c_str());
        flock(locked.fd, LOCK_UN);
        if (created) {
            s_->forget();
        } else {
            s_->adopt(locked.release(), std::move(current));
        }
        return;
    }
    const int fresh = replace_file(target, changed);
    s_->adopt(fresh, std::move(changed));
    // Closing the replaced file gives up the lock; writers waiting on it then find that the path
    // names the new file and lock that one instead.
}

}  // namespace lib::os
