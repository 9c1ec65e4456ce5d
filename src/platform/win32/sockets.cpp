// Winsock TCP sockets for the connections between station programs.
#include "gti/platform/os.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

bool make_address(const char* address, unsigned short port, sockaddr_in& a) {
    a = sockaddr_in{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    return address != nullptr && inet_pton(AF_INET, address, &a.sin_addr) == 1;
}

// Waits for `events` on the socket; false on time-out or error.
bool wait_for(SOCKET s, short events, int timeout_ms) {
    WSAPOLLFD p{s, events, 0};
    return WSAPoll(&p, 1, timeout_ms) > 0;
}

SOCKET to_socket(socket_handle s) {
    return static_cast<SOCKET>(static_cast<unsigned>(s));
}

socket_handle from_socket(SOCKET s) {
    return s == INVALID_SOCKET ? invalid_socket : static_cast<socket_handle>(s);
}

SOCKET new_socket(int type) {
    detail::start_winsock();
    return WSASocketW(AF_INET, type, type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP, nullptr, 0,
                      WSA_FLAG_NO_HANDLE_INHERIT);
}

}  // namespace

socket_handle tcp_listen(const char* address, unsigned short port, unsigned short& bound_port) noexcept {
    sockaddr_in a;
    if (!make_address(address, port, a)) return invalid_socket;
    const SOCKET s = new_socket(SOCK_STREAM);
    if (s == INVALID_SOCKET) return invalid_socket;
    // Only this socket may take the port, as a listener on POSIX would.
    const BOOL yes = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
    int len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closesocket(s);
        return invalid_socket;
    }
    bound_port = ntohs(a.sin_port);
    return from_socket(s);
}

socket_handle tcp_accept(socket_handle listener, int timeout_ms) noexcept {
    if (!wait_for(to_socket(listener), POLLRDNORM, timeout_ms)) return invalid_socket;
    return from_socket(accept(to_socket(listener), nullptr, nullptr));
}

socket_handle tcp_connect(const char* address, unsigned short port, int timeout_ms) noexcept {
    sockaddr_in a;
    if (!make_address(address, port, a)) return invalid_socket;
    const SOCKET s = new_socket(SOCK_STREAM);
    if (s == INVALID_SOCKET) return invalid_socket;
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        int error = 0;
        int len = sizeof error;
        if (WSAGetLastError() != WSAEWOULDBLOCK || !wait_for(s, POLLWRNORM, timeout_ms) ||
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0 || error != 0) {
            closesocket(s);
            return invalid_socket;
        }
    }
    // Back to blocking: reads and writes wait, time-outs come from socket_wait_readable.
    u_long off = 0;
    ioctlsocket(s, FIONBIO, &off);
    const BOOL yes = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
    return from_socket(s);
}

std::int64_t socket_send(socket_handle s, const void* data, std::size_t count) noexcept {
    const int n = send(to_socket(s), static_cast<const char*>(data),
                       count > 0x40000000u ? 0x40000000 : static_cast<int>(count), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

std::int64_t socket_receive(socket_handle s, void* buffer, std::size_t count) noexcept {
    const int n =
        recv(to_socket(s), static_cast<char*>(buffer), count > 0x40000000u ? 0x40000000 : static_cast<int>(count), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

bool socket_wait_readable(socket_handle s, int timeout_ms) noexcept {
    return wait_for(to_socket(s), POLLRDNORM, timeout_ms);
}

void close_socket(socket_handle s) noexcept {
    if (s == invalid_socket) return;
    switch (detail::kind_of(s)) {
        case detail::handle_kind::socket:
            closesocket(to_socket(s));
            return;
        case detail::handle_kind::mailslot_reader:
        case detail::handle_kind::mailslot_writer:
        case detail::handle_kind::event:
            detail::forget_kind(s);
            CloseHandle(detail::to_handle(s));
            return;
    }
}

}  // namespace lib::os
