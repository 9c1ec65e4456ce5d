// A new file written beside its target and renamed over it: the crash-safe replacement of a
// whole file.
//
// The temporary file lives in the target's folder, so the rename never crosses file systems and
// is atomic: a reader of the target's name sees the old file or the new one. The data is forced
// to disk before the rename and the folder after it, so after a crash the name holds the old
// file or the complete new one, never a file whose blocks did not reach the disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "gti/platform/os.h"
#include "platform/posix/file_detail.h"
#include "platform/posix/syscalls.h"

namespace lib::os {
namespace detail {

int create_beside(const std::string& target, std::string& temporary) noexcept {
    static std::atomic<unsigned> counter{0};
    try {
        struct stat st {};
        const bool exists = stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(++counter);
            const int fd = syscalls().open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                if (exists && fchmod(fd, st.st_mode & 07777) != 0) {
                    close(fd);
                    unlink(temporary.c_str());
                    return -1;
                }
                return fd;
            }
            if (errno != EEXIST) return -1;
        }
    } catch (...) {
    }
    return -1;
}

bool put_in_place(int fd, const std::string& temporary, const std::string& target) noexcept {
    if (!flush_file(fd) || rename(temporary.c_str(), target.c_str()) != 0) return false;
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    const bool synced = flush_file(dir);
    close(dir);
    return synced;
}

}  // namespace detail

replacement_file::~replacement_file() {
    discard();
}

bool replacement_file::create(const AnsiString& target) noexcept {
    discard();
    try {
        target_ = native_path(target);
    } catch (...) {
        return false;
    }
    handle_ = detail::create_beside(target_, temporary_);
    if (handle_ < 0) temporary_.clear();
    return handle_ >= 0;
}

bool replacement_file::commit() noexcept {
    if (handle_ < 0 || temporary_.empty()) return false;
    const bool ok = detail::put_in_place(handle_, temporary_, target_);
    if (!ok) {
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void replacement_file::discard() noexcept {
    if (handle_ >= 0) close_file(handle_);
    handle_ = invalid_handle;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
}

file_handle replacement_file::release() noexcept {
    temporary_.clear();
    return std::exchange(handle_, invalid_handle);
}

}  // namespace lib::os
