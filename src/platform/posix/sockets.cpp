// POSIX TCP sockets for the connections between station programs.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "gti/platform/os.h"

namespace lib::os {
namespace {

bool make_address(const char* address, unsigned short port, sockaddr_in& a) {
    a = sockaddr_in{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    return inet_pton(AF_INET, address, &a.sin_addr) == 1;
}

// Waits for `events` on the socket; false on time-out or error.
bool wait_for(socket_handle s, short events, int timeout_ms) {
    pollfd p{s, events, 0};
    for (;;) {
        const int r = poll(&p, 1, timeout_ms);
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

}  // namespace

socket_handle tcp_listen(const char* address, unsigned short port, unsigned short& bound_port) noexcept {
    sockaddr_in a;
    if (!make_address(address, port, a)) return invalid_socket;
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return invalid_socket;
    const int yes = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    socklen_t len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(s);
        return invalid_socket;
    }
    bound_port = ntohs(a.sin_port);
    return s;
}

socket_handle tcp_accept(socket_handle listener, int timeout_ms) noexcept {
    if (!wait_for(listener, POLLIN, timeout_ms)) return invalid_socket;
    for (;;) {
        const int s = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (s >= 0 || errno != EINTR) return s < 0 ? invalid_socket : s;
    }
}

socket_handle tcp_connect(const char* address, unsigned short port, int timeout_ms) noexcept {
    sockaddr_in a;
    if (!make_address(address, port, a)) return invalid_socket;
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0) return invalid_socket;
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        int error = 0;
        socklen_t len = sizeof error;
        if (errno != EINPROGRESS || !wait_for(s, POLLOUT, timeout_ms) ||
            getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) {
            close(s);
            return invalid_socket;
        }
    }
    // Back to blocking: reads and writes wait, time-outs come from socket_wait_readable.
    fcntl(s, F_SETFL, fcntl(s, F_GETFL) & ~O_NONBLOCK);
    const int yes = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return s;
}

std::int64_t socket_send(socket_handle s, const void* data, std::size_t count) noexcept {
    for (;;) {
        const ssize_t n = send(s, data, count, MSG_NOSIGNAL);
        if (n >= 0 || errno != EINTR) return n;
    }
}

std::int64_t socket_receive(socket_handle s, void* buffer, std::size_t count) noexcept {
    for (;;) {
        const ssize_t n = recv(s, buffer, count, 0);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool socket_wait_readable(socket_handle s, int timeout_ms) noexcept {
    return wait_for(s, POLLIN, timeout_ms);
}

void close_socket(socket_handle s) noexcept {
    if (s != invalid_socket) close(s);
}

}  // namespace lib::os
