// The system calls of the POSIX file layer, reached through a table so that tests can make any
// of them fail (a short write, a read error, a refused open, a full disk at the rename) and run
// every error path.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace lib::os::detail {

// Pointers to the system calls the file layer makes; they point at the real calls unless a
// test has replaced them.
struct syscall_table {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, std::size_t count);
    ssize_t (*write)(int fd, const void* data, std::size_t count);
    // Forces a file's data, or a folder's entries, to disk.
    int (*fsync)(int fd);
    void* (*mmap)(void* address, std::size_t length, int protection, int flags, int fd, off_t offset);
    // renameat2(2) in the working folder: `flags` 0 or RENAME_NOREPLACE.
    int (*rename)(const char* from, const char* to, unsigned flags);
    int (*unlink)(const char* path);
};

// The table in use.
syscall_table& syscalls() noexcept;

// The table of the real system calls.
const syscall_table& real_syscalls() noexcept;

}  // namespace lib::os::detail
