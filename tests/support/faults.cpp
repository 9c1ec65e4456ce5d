#include "faults.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "gti/platform/os.h"
#include "platform/posix/syscalls.h"
#include "support.h"

namespace gti_test {
namespace {

using lib::os::detail::real_syscalls;
using lib::os::detail::syscall_table;
using lib::os::detail::syscalls;

constexpr int killed_code = 77;

// The plan in force: which kind fails (or, for a crash, every kind counts), at which call.
struct plan {
    bool crash = false;
    disk_call kind = disk_call::write;
    int n = 0;
    int error = 0;
    int seen = 0;
    bool fired = false;
} active;
syscall_table saved;

// Counts a call; true when it is the one that fails.
bool strikes(disk_call kind) {
    if (!active.crash && kind != active.kind) return false;
    if (++active.seen != active.n) return false;
    active.fired = true;
    if (active.crash) _exit(killed_code);
    errno = active.error;
    return true;
}

ssize_t faulty_write(int fd, const void* data, std::size_t count) {
    return strikes(disk_call::write) ? -1 : real_syscalls().write(fd, data, count);
}
int faulty_fsync(int fd) {
    return strikes(disk_call::fsync) ? -1 : real_syscalls().fsync(fd);
}
int faulty_rename(const char* from, const char* to, unsigned flags) {
    return strikes(disk_call::rename) ? -1 : real_syscalls().rename(from, to, flags);
}
int faulty_unlink(const char* path) {
    return strikes(disk_call::unlink) ? -1 : real_syscalls().unlink(path);
}

void install(const plan& p) {
    active = p;
    saved = syscalls();
    syscalls().write = faulty_write;
    syscalls().fsync = faulty_fsync;
    syscalls().rename = faulty_rename;
    syscalls().unlink = faulty_unlink;
}

}  // namespace

fail_nth_call::fail_nth_call(disk_call kind, int n, int error) {
    install(plan{false, kind, n, error});
}

fail_nth_call::~fail_nth_call() {
    syscalls() = saved;
}

bool fail_nth_call::fired() const {
    return active.fired;
}

int fail_each_call(disk_call kind, int error, const std::function<bool()>& save,
                   const std::function<void(int n)>& check) {
    for (int n = 1;; ++n) {
        bool ok = false, fired = false;
        {
            fail_nth_call fault(kind, n, error);
            try {
                ok = save();
            } catch (const std::exception&) {
                ok = false;
            }
            fired = fault.fired();
        }
        if (!fired) return n - 1;
        EXPECT_FALSE(ok) << "a failed call " << n << " was reported as success";
        check(n);
    }
}

int crash_at_each_call(const std::function<void()>& save, const std::function<void(int n)>& check) {
    for (int n = 1;; ++n) {
        const pid_t pid = fork();
        if (pid < 0) throw std::runtime_error("fork failed");
        if (pid == 0) {
            install(plan{true, disk_call::write, n, 0});
            try {
                save();
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (code == 0) return n - 1;
        if (code != killed_code) {
            ADD_FAILURE() << "the writer failed on its own before call " << n << " (exit " << code << ")";
            return n - 1;
        }
        check(n);
    }
}

int expect_whole_at_every_call(const AnsiString& file, const std::function<bool()>& save) {
    const std::string path = lib::os::native_path(file);
    const AnsiString dir = file.substr(0, file.rfind('/'));
    const bool existed = exists(file);
    const std::string before = read_bytes(file);
    const auto restore = [&] {
        unlink(path.c_str());
        if (existed) write_bytes(file, before);
    };
    EXPECT_TRUE(save());
    const std::string after = read_bytes(file);
    const std::vector<std::string> names_after = folder_names(dir);
    EXPECT_NE(before, after) << "the save must change the file";
    restore();
    const auto whole = [&](const char* how, int n, bool killed) {
        SCOPED_TRACE(::testing::Message() << how << " at call " << n);
        const std::string now = read_bytes(file);
        EXPECT_TRUE(now == after || (existed ? now == before : !exists(file)));
        if (killed) return;
        const std::vector<std::string> names = folder_names(dir);
        EXPECT_TRUE(std::includes(names_after.begin(), names_after.end(), names.begin(), names.end()))
            << "a temporary file stays";
    };
    int tried = crash_at_each_call([&] { save(); },
                                   [&](int n) {
                                       whole("killed", n, true);
                                       EXPECT_TRUE(save());
                                       EXPECT_EQ(folder_names(dir), names_after)
                                           << "a killed writer's temporary file stays";
                                       restore();
                                   });
    for (const int error : {ENOSPC, EIO}) {
        for (const disk_call kind : {disk_call::write, disk_call::fsync, disk_call::rename}) {
            tried += fail_each_call(kind, error, save, [&](int n) {
                whole(error == ENOSPC ? "disk full" : "I/O error", n, false);
                restore();
            });
        }
    }
    return tried;
}

std::vector<std::string> folder_names(const AnsiString& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(lib::os::native_path(dir).c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace gti_test
