#include "platform/posix/syscalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <unistd.h>

namespace lib::os::detail {
namespace {

int real_open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int real_rename(const char* from, const char* to, unsigned flags) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

constexpr syscall_table real_table{real_open, ::read, ::write, ::fsync, ::mmap, real_rename, ::unlink};
syscall_table current_table = real_table;

}  // namespace

syscall_table& syscalls() noexcept {
    return current_table;
}
const syscall_table& real_syscalls() noexcept {
    return real_table;
}

}  // namespace lib::os::detail
