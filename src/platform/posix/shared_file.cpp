// A small file shared by several programs, replaced as a whole under a lock.
//
// A writer locks the current file and reads it, then writes the changed contents through a
// file_replacement, which renames the new file over the old one. Readers take no lock: a rename
// is atomic, so they see the old file or the new one, never a mixture.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "platform/posix/syscalls.h"
#include "platform/shared.h"

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
    // Not blocking: a FIFO under the name must not hang the reader.
    fd.fd = detail::syscalls().open(s_->native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    std::string text;
    struct stat opened {};
    if (fd.fd < 0 || fstat(fd.fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !read_all(fd.fd, text)) {
        const bool changed = !s_->contents.empty();
        s_->forget();
        return changed;
    }
    const bool changed = text != s_->contents;
    s_->adopt(fd.release(), std::move(text));
    return changed;
}

void shared_file::update(const std::function<bool(std::string& contents)>& edit) {
    // A file that appears while a missing one was being created is read and edited in its turn.
    for (;;) {
        file_replacement next(file_path(std::filesystem::path(s_->native)));
        const int old = next.lock_target();
        std::string current;
        if (old >= 0 && !read_all(old, current)) throw std::runtime_error(detail::msg_read);
        std::string changed = current;
        if (!edit(changed) || changed == current) {
            if (old >= 0) {
                // The copy of the handle shares the lock: give it up first.
                flock(old, LOCK_UN);
                const int kept = dup(old);
                if (kept >= 0) s_->adopt(kept, std::move(current));
            } else {
                s_->forget();
            }
            return;
        }
        if (!write_file(next.handle(), changed.data(), changed.size())) throw std::runtime_error(detail::msg_write);
        if (!next.commit()) continue;
        s_->adopt(next.release_handle(), std::move(changed));
        // The replaced file's lock went with the commit; writers waiting on it find that the path
        // names the new file and lock that one instead.
        return;
    }
}

}  // namespace lib::os
