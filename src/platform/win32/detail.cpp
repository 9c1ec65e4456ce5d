// What the files of the Win32 layer share (see win32.h).
#include <fcntl.h>
#include <io.h>

#include <map>
#include <mutex>

#include "platform/win32/win32.h"

namespace lib::os::detail {

std::wstring wide(std::string_view utf8_text) {
    if (utf8_text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8_text.data(), static_cast<int>(utf8_text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8_text.data(), static_cast<int>(utf8_text.size()), out.data(), n);
    return out;
}

std::string utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

HANDLE handle_of(file_handle h) noexcept {
    if (h < 0) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(_get_osfhandle(h));
}

file_handle adopt(HANDLE h) noexcept {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
    if (fd < 0) CloseHandle(h);
    return fd < 0 ? invalid_handle : fd;
}

namespace {

OVERLAPPED at(std::uint64_t offset) noexcept {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

}  // namespace

bool lock_byte(HANDLE h, std::uint64_t offset) noexcept {
    OVERLAPPED o = at(offset);
    return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o) != 0;
}

void unlock_byte(HANDLE h, std::uint64_t offset) noexcept {
    OVERLAPPED o = at(offset);
    UnlockFileEx(h, 0, 1, 0, &o);
}

FILETIME to_filetime(const WIN32_FILETIME& t) noexcept {
    return FILETIME{t.dwLowDateTime, t.dwHighDateTime};
}

WIN32_FILETIME to_win32(const FILETIME& t) noexcept {
    return WIN32_FILETIME{t.dwLowDateTime, t.dwHighDateTime};
}

bool same_file(HANDLE a, HANDLE b) noexcept {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

HANDLE open_for_info(const std::wstring& path) noexcept {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

namespace {

std::mutex kinds_guard;
std::map<int, handle_kind>& kinds() {
    static std::map<int, handle_kind> k;
    return k;
}

}  // namespace

void note_kind(int value, handle_kind kind) {
    const std::lock_guard hold(kinds_guard);
    kinds()[value] = kind;
}

void forget_kind(int value) noexcept {
    const std::lock_guard hold(kinds_guard);
    kinds().erase(value);
}

handle_kind kind_of(int value) noexcept {
    const std::lock_guard hold(kinds_guard);
    const auto it = kinds().find(value);
    return it == kinds().end() ? handle_kind::socket : it->second;
}

void start_winsock() noexcept {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

}  // namespace lib::os::detail
