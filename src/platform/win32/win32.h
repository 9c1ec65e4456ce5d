// The Windows headers for the Win32 file layer, and what its files share.
//
// The library's FILETIME (gti/platform/system.h) and the one of <windows.h> are two types of one
// layout: the Windows headers are read with theirs renamed WIN32_FILETIME, and to_filetime /
// to_win32 convert. Every file of this backend includes this header instead of <windows.h>.
//
// Handles. The layer's handle types are int on every system. A file handle is a descriptor of
// the C runtime that owns the Win32 HANDLE (_open_osfhandle), so closing it closes the HANDLE.
// Sockets, mailslots and wake-up events travel as the HANDLE value itself: Windows keeps kernel
// handle values within 32 bits so that 32- and 64-bit programs can share them. A registry tells a
// mailslot or an event from a socket where one call takes all three (close_socket,
// wait_readable).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#define FILETIME WIN32_FILETIME
#define _FILETIME _WIN32_FILETIME
#define PFILETIME WIN32_PFILETIME
#define LPFILETIME WIN32_LPFILETIME
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <shellapi.h>
// clang-format on
#undef FILETIME
#undef _FILETIME
#undef PFILETIME
#undef LPFILETIME

#include <cstdint>
#include <string>
#include <string_view>

#include "gti/platform/os.h"

namespace lib::os::detail {

// The one byte whose exclusive lock is the station's whole-file lock of a handle. It lies past
// the range [0, 0x07FFFFFF00000000) that the station's data can reach: Windows locks are
// mandatory, and a lock there would stop other handles from reading the data.
inline constexpr std::uint64_t lock_offset = 0x07FFFFFF00000000ULL;

// UTF-8 to UTF-16 and back (bytes that are no UTF-8 become U+FFFD).
std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);

// The Win32 HANDLE of a file descriptor (INVALID_HANDLE_VALUE for none).
HANDLE handle_of(file_handle h) noexcept;
// A descriptor that owns the HANDLE, or invalid_handle (the HANDLE is closed then).
file_handle adopt(HANDLE h) noexcept;

// Takes (without waiting) or gives up this handle's lock on `offset`.
bool lock_byte(HANDLE h, std::uint64_t offset) noexcept;
void unlock_byte(HANDLE h, std::uint64_t offset) noexcept;

// The library's file time from the system's and back.
FILETIME to_filetime(const WIN32_FILETIME& t) noexcept;
WIN32_FILETIME to_win32(const FILETIME& t) noexcept;

// True when both handles name one file.
bool same_file(HANDLE a, HANDLE b) noexcept;
// Opens the file or folder `path` names, for looking at it only; INVALID_HANDLE_VALUE when none.
HANDLE open_for_info(const std::wstring& path) noexcept;

// The kinds of handles that travel as socket_handle or as a wake-up's descriptor.
enum class handle_kind { socket, mailslot_reader, mailslot_writer, event };
// Records the kind of a handle value; forget_kind removes it again.
void note_kind(int value, handle_kind kind);
void forget_kind(int value) noexcept;
// The recorded kind; socket for a value never recorded.
handle_kind kind_of(int value) noexcept;

// A handle value as the int the layer hands out, and back.
inline int to_int(HANDLE h) noexcept {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(h));
}
inline HANDLE to_handle(int value) noexcept {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value));
}

// Starts Winsock once for the process.
void start_winsock() noexcept;

}  // namespace lib::os::detail
