// The user's own folder for locks and mailslots (see file_detail.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/posix/file_detail.h"

namespace lib::os::detail {
namespace {

constexpr int fallback_folders = 16;

// True when the open folder belongs to the user and is closed to everyone else.
bool private_folder(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

}  // namespace

int open_user_folder(std::string& path) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/') {
        const int fd = open(runtime, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 && private_folder(fd)) {
            path = runtime;
            return fd;
        }
        if (fd >= 0) close(fd);
    }
    const char* temp = std::getenv("TMPDIR");
    const std::string base =
        std::string(temp != nullptr && *temp == '/' ? temp : "/tmp") + "/gtikit-" + std::to_string(geteuid());
    for (int k = 0; k < fallback_folders; ++k) {
        path = k == 0 ? base : base + "-" + std::to_string(k);
        mkdir(path.c_str(), 0700);
        // Never through a link: it could lead into another user's folder.
        const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 && private_folder(fd)) return fd;
        if (fd >= 0) close(fd);
    }
    throw std::runtime_error("no folder of the user's own under " + base);
}

}  // namespace lib::os::detail
