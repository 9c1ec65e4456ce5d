// Datagrams: Win32 mailslots for local slots, UDP for the network copy.
//
// A local slot is the mailslot "\\.\mailslot\gtikit\" followed by the slot name in lower case
// (names are the same up to letter case, as the station's are), with every byte other than a
// Latin letter, a digit, ".", "_" and "-" written as "%" and two hex digits. The system lets one
// program at a time create a mailslot name and removes it when its creator ends, so the slot of
// a program that died is free at once. A mailslot keeps its messages whole and in order.
#include "gti/platform/datagram.h"

#include <cstring>
#include <vector>

#include "platform/shared.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

using detail::handle_kind;

SOCKET to_socket(socket_handle s) {
    return static_cast<SOCKET>(static_cast<unsigned>(s));
}

bool inet_address(const char* address, unsigned short port, sockaddr_in& a) {
    a = sockaddr_in{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    return address != nullptr && inet_pton(AF_INET, address, &a.sin_addr) == 1;
}

// A non-blocking UDP socket; INVALID_SOCKET on failure.
SOCKET udp_socket() {
    detail::start_winsock();
    const SOCKET s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return s;
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    return s;
}

socket_handle registered(HANDLE h, handle_kind kind) {
    if (h == INVALID_HANDLE_VALUE) return invalid_socket;
    const int value = detail::to_int(h);
    detail::note_kind(value, kind);
    return value;
}

}  // namespace

std::string local_slot_path(const AnsiString& name) {
    const std::string path = "\\\\.\\mailslot\\gtikit\\" + detail::escaped_slot_name(name);
    if (path.size() >= MAX_PATH) return {};
    return path;
}

socket_handle local_slot_bind(const AnsiString& name) noexcept {
    try {
        const std::string path = local_slot_path(name);
        if (path.empty()) return invalid_socket;
        return registered(CreateMailslotW(detail::wide(path).c_str(), 0, 0, nullptr), handle_kind::mailslot_reader);
    } catch (...) {
        return invalid_socket;
    }
}

void local_slot_release(socket_handle s, const AnsiString&) noexcept {
    close_socket(s);
}

socket_handle local_slot_connect(const AnsiString& name) noexcept {
    try {
        const std::string path = local_slot_path(name);
        if (path.empty()) return invalid_socket;
        return registered(CreateFileW(detail::wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                          handle_kind::mailslot_writer);
    } catch (...) {
        return invalid_socket;
    }
}

socket_handle udp_bind(const char* address, unsigned short port, unsigned short& bound_port) noexcept {
    sockaddr_in a;
    if (!inet_address(address, port, a)) return invalid_socket;
    const SOCKET s = udp_socket();
    if (s == INVALID_SOCKET) return invalid_socket;
    int len = sizeof a;
    if (bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closesocket(s);
        return invalid_socket;
    }
    bound_port = ntohs(a.sin_port);
    return static_cast<socket_handle>(s);
}

socket_handle udp_connect(const char* address, unsigned short port) noexcept {
    sockaddr_in a;
    if (!inet_address(address, port, a)) return invalid_socket;
    const SOCKET s = udp_socket();
    if (s == INVALID_SOCKET) return invalid_socket;
    if (connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return static_cast<socket_handle>(s);
    closesocket(s);
    return invalid_socket;
}

bool datagram_send(socket_handle s, const void* data, std::size_t count, int timeout_ms) noexcept {
    if (s == invalid_socket || count > 0x7FFFFFFF) return false;
    const handle_kind kind = detail::kind_of(s);
    if (kind == handle_kind::mailslot_writer) {
        DWORD n = 0;
        return WriteFile(detail::to_handle(s), data, static_cast<DWORD>(count), &n, nullptr) && n == count;
    }
    if (kind != handle_kind::socket) return false;
    for (;;) {
        const int n = send(to_socket(s), static_cast<const char*>(data), static_cast<int>(count), 0);
        if (n != SOCKET_ERROR) return static_cast<std::size_t>(n) == count;
        if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
        // The system's queue is full: wait once for it to make room.
        WSAPOLLFD p{to_socket(s), POLLWRNORM, 0};
        if (timeout_ms == 0 || WSAPoll(&p, 1, timeout_ms) <= 0) return false;
        timeout_ms = 0;
    }
}

std::int64_t datagram_receive(socket_handle s, void* buffer, std::size_t capacity) noexcept {
    try {
        if (s == invalid_socket) return -1;
        const handle_kind kind = detail::kind_of(s);
        std::vector<char> whole;
        DWORD length = 0;
        if (kind == handle_kind::mailslot_reader) {
            DWORD next = 0, count = 0;
            if (!GetMailslotInfo(detail::to_handle(s), nullptr, &next, &count, nullptr) || next == MAILSLOT_NO_MESSAGE)
                return -1;
            whole.resize(next > 0 ? next : 1);
            if (!ReadFile(detail::to_handle(s), whole.data(), static_cast<DWORD>(whole.size()), &length, nullptr))
                return -1;
        } else if (kind == handle_kind::socket) {
            // For a datagram socket FIONREAD tells the length of the first datagram waiting.
            u_long waiting = 0;
            if (ioctlsocket(to_socket(s), FIONREAD, &waiting) != 0) return -1;
            whole.resize(waiting > 0 ? waiting : 1);
            const int n = recv(to_socket(s), whole.data(), static_cast<int>(whole.size()), 0);
            if (n == SOCKET_ERROR) return -1;
            length = static_cast<DWORD>(n);
        } else {
            return -1;
        }
        std::memcpy(buffer, whole.data(), length < capacity ? length : capacity);
        return length;
    } catch (...) {
        return -1;
    }
}

}  // namespace lib::os
