// Wake-ups between threads through descriptors that an event loop can poll.
//
// A `wakeup` is a counter in the kernel (an eventfd; on Windows a manual-reset event whose handle
// is the descriptor): any thread signals it without waiting, and the thread that owns it learns
// of the signal by polling its descriptor, with its own event loop or with wait_readable. The
// station posts a window message for the same purpose.
#pragma once

#include <span>

namespace lib::os {

// A descriptor that becomes readable when signalled and stays so until drained.
class wakeup {
public:
    // Throws std::runtime_error when the system gives no descriptor.
    wakeup();
    ~wakeup();
    wakeup(const wakeup&) = delete;
    wakeup& operator=(const wakeup&) = delete;

    // Makes the descriptor readable; never waits, may be called from any thread.
    void signal() noexcept;
    // Makes it unreadable again; true when it had been signalled.
    bool drain() noexcept;
    // The descriptor to poll for reading.
    int fd() const noexcept { return fd_; }

private:
    int fd_;
};

// Waits up to `timeout_ms` (-1: without limit) until one of the descriptors is readable; false
// on time-out or error. On Windows the descriptors may be wake-ups, local slots and sockets. A signal that interrupts
// the wait ends it too.
bool wait_readable(std::span<const int> fds, int timeout_ms) noexcept;

}  // namespace lib::os
