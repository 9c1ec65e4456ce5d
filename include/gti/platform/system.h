// Small services of the operating system: the beep, the local clock, sleeping, file times.
#pragma once

#include <cstdint>
#include <functional>

// A file time: 100-ns intervals since 1601-01-01 UTC, as two 32-bit halves, low first.
struct FILETIME {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;

    friend bool operator==(const FILETIME&, const FILETIME&) = default;
};

// A colour as 0x00BBGGRR; a type of its own, as settings store colours apart from numbers.
enum TColor : std::int32_t {};

namespace lib {

// The 64-bit count of a file time.
constexpr std::uint64_t filetime_to_uint64(const FILETIME& t) noexcept {
    return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

// A file time from its 64-bit count.
constexpr FILETIME uint64_to_filetime(std::uint64_t v) noexcept {
    return FILETIME{static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
}

// Receives every beep: frequency in Hz, duration in ms.
using beep_handler = std::function<void(unsigned frequency, unsigned duration_ms)>;

// Sounds a short beep through the installed handler. A few operations of the station use a beep
// as their only sign of a minor failure; the default handler makes no sound.
void beep(unsigned frequency, unsigned duration_ms);

// Installs the handler for beep() and returns the one it replaces; an empty handler restores
// the silent default. Safe to call from any thread.
beep_handler set_beep_handler(beep_handler handler);

// Local wall-clock time, as the platform's clock shows it.
struct clock_fields {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Reads the local wall-clock time.
clock_fields local_clock();

// Suspends the calling thread for the given number of milliseconds.
void sleep_ms(unsigned ms);

}  // namespace lib
