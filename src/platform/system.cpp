#include "gti/platform/system.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace lib {
namespace {

std::mutex beep_mutex;
beep_handler& installed_beep() {
    static beep_handler handler;
    return handler;
}

}  // namespace

void beep(unsigned frequency, unsigned duration_ms) {
    beep_handler handler;
    {
        std::lock_guard lock(beep_mutex);
        handler = installed_beep();
    }
    if (handler) handler(frequency, duration_ms);
}

beep_handler set_beep_handler(beep_handler handler) {
    std::lock_guard lock(beep_mutex);
    return std::exchange(installed_beep(), std::move(handler));
}

void sleep_ms(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace lib
