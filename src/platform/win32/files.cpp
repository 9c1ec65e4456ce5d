// Win32 files: shared opening, the whole-file lock, mappings and file times.
//
// Every handle shares reading, writing and deletion, so that a writer can rename a new file over
// one that others hold open. The whole-file lock is a LockFileEx lock on detail::lock_offset: it
// belongs to the handle (two handles of one process exclude each other) and the system gives it
// up when the handle closes or its process dies. Mappings need no guard of ours: Windows itself
// refuses to cut a file short under a mapped view (ERROR_USER_MAPPED_FILE).
#include <io.h>

#include "gti/platform/codepage.h"
#include "gti/platform/os.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

using detail::handle_of;
using detail::lock_offset;

// Cuts an open file to length 0 unless another handle holds its lock or maps it; with
// `keep_lock` the whole-file lock stays with the handle afterwards.
open_status truncate_if_free(HANDLE h, bool keep_lock) noexcept {
    if (!detail::lock_byte(h, lock_offset))
        return GetLastError() == ERROR_LOCK_VIOLATION ? open_status::busy : open_status::failed;
    open_status status = open_status::ok;
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(h))
        status = GetLastError() == ERROR_USER_MAPPED_FILE ? open_status::busy : open_status::failed;
    if (!keep_lock || status != open_status::ok) detail::unlock_byte(h, lock_offset);
    return status;
}

}  // namespace

open_result open_shared(const file_path& path, access mode, disposition disp, bool keep_lock) noexcept {
    open_result r;
    try {
        DWORD rights = mode == access::read    ? GENERIC_READ
                       : mode == access::write ? GENERIC_WRITE
                                               : GENERIC_READ | GENERIC_WRITE;
        if (disp == disposition::create_always) rights |= GENERIC_READ | GENERIC_WRITE;
        const std::wstring name = detail::wide(path.native());
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            r.status = open_status::not_regular;
            return r;
        }
        const HANDLE h = CreateFileW(name.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, disp == disposition::open_existing ? OPEN_EXISTING : OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD e = GetLastError();
            r.status = (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME)
                           ? open_status::not_found
                       : e == ERROR_SHARING_VIOLATION ? open_status::busy
                                                      : open_status::failed;
            return r;
        }
        // A pipe, a console or a device ("NUL", "COM1") is no file of data.
        if (GetFileType(h) != FILE_TYPE_DISK) {
            CloseHandle(h);
            r.status = open_status::not_regular;
            return r;
        }
        if (disp == disposition::create_always) {
            r.status = truncate_if_free(h, keep_lock);
            if (r.status != open_status::ok) {
                CloseHandle(h);
                return r;
            }
        }
        r.handle = detail::adopt(h);
        r.status = r.handle == invalid_handle ? open_status::failed : open_status::ok;
    } catch (...) {
        r = open_result{};
    }
    return r;
}

bool close_file(file_handle h) noexcept {
    return h >= 0 && _close(h) == 0;
}

std::int64_t read_file(file_handle h, void* buffer, std::size_t count) noexcept {
    const HANDLE fh = handle_of(h);
    char* p = static_cast<char*>(buffer);
    std::int64_t total = 0;
    // ReadFile takes at most 4 GiB - 1 at a time.
    while (count > 0) {
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        DWORD n = 0;
        if (!ReadFile(fh, p, chunk, &n, nullptr)) return total > 0 ? total : -1;
        if (n == 0) break;
        total += n;
        p += n;
        count -= n;
        if (n < chunk) break;
    }
    return total;
}

bool write_file(file_handle h, const void* data, std::size_t count) noexcept {
    const HANDLE fh = handle_of(h);
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        DWORD n = 0;
        if (!WriteFile(fh, p, chunk, &n, nullptr) || n == 0) return false;
        p += n;
        count -= n;
    }
    return true;
}

std::int64_t seek_file(file_handle h, std::int64_t offset, seek_origin origin) noexcept {
    const DWORD method = origin == seek_origin::begin ? FILE_BEGIN
                         : origin == seek_origin::end ? FILE_END
                                                      : FILE_CURRENT;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(handle_of(h), distance, &position, method)) return -1;
    return position.QuadPart;
}

std::int64_t file_size(file_handle h) noexcept {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handle_of(h), &size) ? size.QuadPart : -1;
}

bool try_lock_file(file_handle h) noexcept {
    return detail::lock_byte(handle_of(h), lock_offset);
}

void unlock_file(file_handle h) noexcept {
    detail::unlock_byte(handle_of(h), lock_offset);
}

bool flush_file(file_handle h) noexcept {
    return FlushFileBuffers(handle_of(h)) != 0;
}

bool get_file_times(file_handle h, file_times& times) noexcept {
    WIN32_FILETIME creation{}, access_time{}, write_time{};
    if (!GetFileTime(handle_of(h), &creation, &access_time, &write_time)) return false;
    times.creation = detail::to_filetime(creation);
    times.last_access = detail::to_filetime(access_time);
    times.last_write = detail::to_filetime(write_time);
    return true;
}

void* map_file(file_handle h, std::size_t size, bool writable) noexcept {
    if (size == 0) return nullptr;
    const std::uint64_t length = size;
    const HANDLE mapping = CreateFileMappingW(handle_of(h), nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                                              static_cast<DWORD>(length >> 32), static_cast<DWORD>(length), nullptr);
    if (mapping == nullptr) return nullptr;
    void* p = MapViewOfFile(mapping, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, size);
    // The view keeps the mapping alive.
    CloseHandle(mapping);
    return p;
}

void unmap_file(file_handle, void* address, std::size_t) noexcept {
    if (address != nullptr) UnmapViewOfFile(address);
}

}  // namespace lib::os
