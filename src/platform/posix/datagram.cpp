// Datagram sockets: Unix datagram sockets for local slots, UDP for the network copy.
#include "gti/platform/datagram.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/posix/file_detail.h"
#include "platform/shared.h"

namespace lib::os {
namespace {

// The user's own folder, or the empty string when no safe one can be had.
std::string runtime_folder() {
    std::string path;
    try {
        close(detail::open_user_folder(path));
    } catch (const std::runtime_error&) {
        return {};
    }
    return path;
}

bool local_address(const AnsiString& name, sockaddr_un& a) {
    const std::string path = local_slot_path(name);
    a = sockaddr_un{};
    a.sun_family = AF_UNIX;
    if (path.empty()) return false;
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool inet_address(const char* address, unsigned short port, sockaddr_in& a) {
    a = sockaddr_in{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    return address != nullptr && inet_pton(AF_INET, address, &a.sin_addr) == 1;
}

int datagram_socket(int family) {
    return socket(family, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// True when a living socket is bound at the path.
bool someone_listens(const sockaddr_un& a) {
    const int probe = datagram_socket(AF_UNIX);
    if (probe < 0) return true;
    const bool alive = connect(probe, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 || errno != ECONNREFUSED;
    close(probe);
    return alive;
}

}  // namespace

std::string local_slot_path(const AnsiString& name) {
    const std::string dir = runtime_folder();
    if (dir.empty()) return {};
    const std::string path = dir + "/gtikit-slot-" + detail::escaped_slot_name(name);
    if (path.size() >= sizeof(sockaddr_un::sun_path)) return {};
    return path;
}

socket_handle local_slot_bind(const AnsiString& name) noexcept {
    try {
        sockaddr_un a;
        if (!local_address(name, a)) return invalid_socket;
        const int s = datagram_socket(AF_UNIX);
        if (s < 0) return invalid_socket;
        if (bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return s;
        // The file of a program that ended without removing it is taken over.
        if (errno == EADDRINUSE && !someone_listens(a) && unlink(a.sun_path) == 0 &&
            bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0)
            return s;
        close(s);
        return invalid_socket;
    } catch (...) {
        return invalid_socket;
    }
}

void local_slot_release(socket_handle s, const AnsiString& name) noexcept {
    if (s == invalid_socket) return;
    try {
        const std::string path = local_slot_path(name);
        if (!path.empty()) unlink(path.c_str());
    } catch (...) {
    }
    close(s);
}

socket_handle local_slot_connect(const AnsiString& name) noexcept {
    try {
        sockaddr_un a;
        if (!local_address(name, a)) return invalid_socket;
        const int s = datagram_socket(AF_UNIX);
        if (s < 0) return invalid_socket;
        if (connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return s;
        close(s);
        return invalid_socket;
    } catch (...) {
        return invalid_socket;
    }
}

socket_handle udp_bind(const char* address, unsigned short port, unsigned short& bound_port) noexcept {
    sockaddr_in a;
    if (!inet_address(address, port, a)) return invalid_socket;
    const int s = datagram_socket(AF_INET);
    if (s < 0) return invalid_socket;
    socklen_t len = sizeof a;
    if (bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(s);
        return invalid_socket;
    }
    bound_port = ntohs(a.sin_port);
    return s;
}

socket_handle udp_connect(const char* address, unsigned short port) noexcept {
    sockaddr_in a;
    if (!inet_address(address, port, a)) return invalid_socket;
    const int s = datagram_socket(AF_INET);
    if (s < 0) return invalid_socket;
    if (connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return s;
    close(s);
    return invalid_socket;
}

bool datagram_send(socket_handle s, const void* data, std::size_t count, int timeout_ms) noexcept {
    for (;;) {
        const ssize_t n = send(s, data, count, MSG_NOSIGNAL);
        if (n >= 0) return static_cast<std::size_t>(n) == count;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        // The receiver's queue is full: wait once for it to make room.
        pollfd p{s, POLLOUT, 0};
        if (timeout_ms == 0 || poll(&p, 1, timeout_ms) <= 0) return false;
        timeout_ms = 0;
    }
}

std::int64_t datagram_receive(socket_handle s, void* buffer, std::size_t capacity) noexcept {
    for (;;) {
        // MSG_TRUNC: the datagram's whole length even when the buffer takes only part of it.
        const ssize_t n = recv(s, buffer, capacity, MSG_DONTWAIT | MSG_TRUNC);
        if (n >= 0) return n;
        if (errno != EINTR) return -1;
    }
}

}  // namespace lib::os
