// Wake-ups through eventfd(2) and waits through poll(2).
#include "gti/platform/wakeup.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace lib::os {

wakeup::wakeup() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) throw std::runtime_error("wakeup: the system gives no event descriptor");
}

wakeup::~wakeup() {
    close(fd_);
}

void wakeup::signal() noexcept {
    const std::uint64_t one = 1;
    // A full counter (EAGAIN) is still readable, which is all a signal has to achieve.
    while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool wakeup::drain() noexcept {
    std::uint64_t count = 0;
    for (;;) {
        if (read(fd_, &count, sizeof count) == sizeof count) return true;
        if (errno != EINTR) return false;
    }
}

bool wait_readable(std::span<const int> fds, int timeout_ms) noexcept {
    try {
        std::vector<pollfd> p;
        p.reserve(fds.size());
        for (const int fd : fds)
            p.push_back(pollfd{fd, POLLIN, 0});
        return poll(p.data(), p.size(), timeout_ms) > 0;
    } catch (...) {
        return false;
    }
}

}  // namespace lib::os
