// Wake-ups through manual-reset events, and waits over events, mailslots and sockets.
//
// Windows offers no one wait over all three: events are waited for by the system, and while
// mailslots or sockets are among the descriptors they are looked at every few milliseconds.
#include "gti/platform/wakeup.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "platform/win32/win32.h"

namespace lib::os {
namespace {

using detail::handle_kind;

// True when the descriptor has something to read now.
bool ready(int fd, handle_kind kind) noexcept {
    switch (kind) {
        case handle_kind::event:
            return WaitForSingleObject(detail::to_handle(fd), 0) == WAIT_OBJECT_0;
        case handle_kind::mailslot_reader: {
            DWORD next = 0, count = 0;
            return GetMailslotInfo(detail::to_handle(fd), nullptr, &next, &count, nullptr) &&
                   next != MAILSLOT_NO_MESSAGE;
        }
        case handle_kind::mailslot_writer:
            return false;
        case handle_kind::socket: {
            WSAPOLLFD p{static_cast<SOCKET>(fd), POLLRDNORM, 0};
            return WSAPoll(&p, 1, 0) > 0;
        }
    }
    return false;
}

}  // namespace

wakeup::wakeup() {
    const HANDLE h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (h == nullptr) throw std::runtime_error("wakeup: the system gives no event");
    fd_ = detail::to_int(h);
    detail::note_kind(fd_, handle_kind::event);
}

wakeup::~wakeup() {
    detail::forget_kind(fd_);
    CloseHandle(detail::to_handle(fd_));
}

void wakeup::signal() noexcept {
    SetEvent(detail::to_handle(fd_));
}

bool wakeup::drain() noexcept {
    if (WaitForSingleObject(detail::to_handle(fd_), 0) != WAIT_OBJECT_0) return false;
    ResetEvent(detail::to_handle(fd_));
    return true;
}

bool wait_readable(std::span<const int> fds, int timeout_ms) noexcept {
    try {
        std::vector<HANDLE> events;
        std::vector<std::pair<int, handle_kind>> polled;
        for (const int fd : fds) {
            const handle_kind kind = detail::kind_of(fd);
            if (kind == handle_kind::event)
                events.push_back(detail::to_handle(fd));
            else
                polled.emplace_back(fd, kind);
        }
        if (!polled.empty()) detail::start_winsock();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            for (const auto& [fd, kind] : polled)
                if (ready(fd, kind)) return true;
            DWORD slice = INFINITE;
            if (timeout_ms >= 0) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                slice = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
            }
            if (!polled.empty()) slice = std::min<DWORD>(slice, 5);
            if (events.empty()) {
                Sleep(slice);
            } else {
                const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(std::min<std::size_t>(events.size(), 64)),
                                                       events.data(), FALSE, slice);
                if (r < WAIT_OBJECT_0 + events.size()) return true;
                if (r == WAIT_FAILED) return false;
            }
            if (timeout_ms >= 0 && std::chrono::steady_clock::now() >= deadline) {
                for (const auto& [fd, kind] : polled)
                    if (ready(fd, kind)) return true;
                return false;
            }
        }
    } catch (...) {
        return false;
    }
}

}  // namespace lib::os
