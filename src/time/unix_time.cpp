#include "gti/time/unix_time.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

#include "gti/platform/cp_literal.h"
#include "gti/platform/system.h"

using namespace lib::literals;

namespace lib {
namespace {

constexpr int month_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

const char* const month_names[12] = {"января"_cp, "февраля"_cp, "марта"_cp,    "апреля"_cp,  "мая"_cp,    "июня"_cp,
                                     "июля"_cp,   "августа"_cp, "сентября"_cp, "октября"_cp, "ноября"_cp, "декабря"_cp};

bool is_leap(std::int64_t year) {
    return year % 4 == 0;
}

int month_length(int month, bool leap) {
    return month == 2 && leap ? 29 : month_days[month - 1];
}

// A decimal number, with "0" in front when it is a single digit.
std::string two_digits(std::int64_t v) {
    std::string s = std::to_string(v);
    if (s.size() == 1) s.insert(s.begin(), '0');
    return s;
}

// The seconds of the calendar fields in the station's count, not cut to 32 bits.
std::int64_t station_seconds(int year, int month, int day, int hour, int minute, int second) noexcept {
    const std::int64_t y = year;
    std::int64_t days = 365 * y - 719050 + (y - 1968) / 4;
    const bool leap = is_leap(y);
    if (leap) days -= 1;
    if (month > 1) {
        // Months past December go round the year again.
        const std::int64_t passed = static_cast<std::int64_t>(month) - 1;
        days += passed / 12 * (leap ? 366 : 365);
        for (int m = 1; m <= passed % 12; ++m)
            days += month_length(m, leap);
    }
    days += day;
    return days * 86400 + static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second;
}

}  // namespace

std::uint32_t time_2_long(int year, int month, int day, int hour, int minute, int second) noexcept {
    // 64-bit sums taken modulo 2^32 give the 32-bit results of the station's arithmetic.
    return static_cast<std::uint32_t>(station_seconds(year, month, day, hour, minute, second));
}

void big_time(std::uint32_t t, int& day, int& month, int& year, int& hour, int& minute, int* second) noexcept {
    if (second != nullptr) *second = static_cast<int>(t % 60);
    const std::uint32_t m = (t / 60) % 60;
    const std::uint32_t h = ((t - m * 60) / 3600) % 24;
    std::int64_t d = (t - m * 60 - h * 3600) / 86400;
    int y = 1970;
    for (;;) {
        const std::int64_t r = d - (is_leap(y) ? 366 : 365);
        if (r < 1) break;
        d = r;
        ++y;
    }
    const bool leap = is_leap(y);
    int mon = 1;
    while (mon < 12) {
        const std::int64_t r = d - month_length(mon, leap);
        if (r < 1) break;
        d = r;
        ++mon;
    }
    day = static_cast<int>(d);
    month = mon;
    year = y;
    hour = static_cast<int>(h);
    minute = static_cast<int>(m);
}

void unix_time::serparate(int& day, int& month, int& year, int& hour, int& minute, int* second) const noexcept {
    big_time(value_, day, month, year, hour, minute, second);
}

void conv_time(std::uint32_t t, int& hour, int& minute, int* second) noexcept {
    const std::uint32_t m = (t / 60) % 60;
    minute = static_cast<int>(m);
    hour = static_cast<int>(((t - m * 60) / 3600) % 24);
    if (second != nullptr) *second = static_cast<int>((t - m * 60) % 60);
}

std::uint32_t get_local_time() {
    const clock_fields c = local_clock();
    return time_2_long(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

TDateTime unix_to_datetime(std::uint32_t t) noexcept {
    int day, month, year, hour, minute, second;
    big_time(t, day, month, year, hour, minute, &second);
    return encode_date(year, month, day) + encode_time(hour, minute, second, 0);
}

std::uint32_t datetime_to_unix(TDateTime value) noexcept {
    date_fields d;
    time_fields t;
    if (!decode_date_time(value, d, t)) return 0;
    return time_2_long(d.year, d.month, d.day, t.hour, t.minute, t.second);
}

AnsiString unix_time::to_string(std::int32_t seconds) {
    return AnsiString(std::to_string(seconds / 3600) + ":" + two_digits((seconds / 60) % 60));
}

AnsiString time_to_string(std::int32_t seconds) {
    return unix_time::to_string(seconds);
}

AnsiString time_to_mis_sec(std::int32_t seconds) {
    if (seconds == -1) return "---";
    return AnsiString(std::to_string(seconds / 60) + ":" + two_digits(seconds % 60));
}

AnsiString get_only_hour_min(std::uint32_t t) {
    if (t == std::numeric_limits<std::uint32_t>::max()) return "---";
    return AnsiString(std::to_string((t / 3600) % 24) + ":" + two_digits((t / 60) % 60));
}

AnsiString unix_time::to_date_string() const {
    int day, month, year, hour, minute;
    serparate(day, month, year, hour, minute);
    return AnsiString(std::to_string(day) + " " + month_names[month - 1] + " " + std::to_string(year) + "г. "_cp +
                      std::to_string(hour) + ":" + two_digits(minute));
}

AnsiString date_to_string(std::uint32_t t) {
    return unix_time(t).to_date_string();
}

std::uint32_t string_to_time(const AnsiString& text) noexcept {
    const std::string_view s = text.view();
    if (s.size() <= 3) return 0;
    auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
    // A run of digits that does not fit a 32-bit integer counts as 0.
    auto number = [](std::string_view digits) -> std::uint32_t {
        std::int32_t v = 0;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        return r.ec == std::errc() ? static_cast<std::uint32_t>(v) : 0;
    };
    std::size_t i = 0;
    while (i < s.size() && !is_digit(s[i]))
        ++i;
    const std::size_t first_start = i;
    while (i < s.size() && is_digit(s[i]))
        ++i;
    if (first_start == s.size() || i == s.size()) return 0;
    const std::size_t first_end = i;
    while (i < s.size() && !is_digit(s[i]))
        ++i;
    if (i == s.size()) return 0;
    const std::size_t second_start = i;
    while (i < s.size() && is_digit(s[i]))
        ++i;
    return number(s.substr(first_start, first_end - first_start)) * 3600u +
           number(s.substr(second_start, i - second_start)) * 60u;
}

std::chrono::local_seconds to_local_seconds(std::uint32_t t) noexcept {
    using namespace std::chrono;
    int day, month, year, hour, minute, second;
    big_time(t, day, month, year, hour, minute, &second);
    // A day past the month's end (day 0, the station's 2100-02-29) counts on from the month's
    // first day, as the conversion of year_month_day to days does.
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    return local_days{date} + hours{hour} + minutes{minute} + seconds{second};
}

std::uint32_t from_local_seconds(std::chrono::local_seconds t) {
    using namespace std::chrono;
    if (t < to_local_seconds(0) || t > to_local_seconds(0xFFFFFFFF))
        throw std::out_of_range("local time outside the range of the station's time values");
    const local_days days = floor<std::chrono::days>(t);
    const year_month_day date{days};
    const hh_mm_ss<seconds> time{t - days};
    return static_cast<std::uint32_t>(
        station_seconds(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                        static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(time.hours().count()),
                        static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count())));
}

std::int64_t to_local_epoch_seconds(std::uint32_t t) noexcept {
    return to_local_seconds(t).time_since_epoch().count();
}

std::uint32_t from_local_epoch_seconds(std::int64_t seconds) {
    return from_local_seconds(std::chrono::local_seconds{std::chrono::seconds{seconds}});
}

std::chrono::sys_seconds to_sys_seconds(std::uint32_t t, std::chrono::seconds utc_offset) noexcept {
    return std::chrono::sys_seconds{to_local_seconds(t).time_since_epoch() - utc_offset};
}

std::uint32_t from_sys_seconds(std::chrono::sys_seconds t, std::chrono::seconds utc_offset) {
    return from_local_seconds(std::chrono::local_seconds{t.time_since_epoch() + utc_offset});
}

AnsiString to_iso8601(std::uint32_t t) {
    return to_iso8601(to_local_seconds(t));
}

AnsiString to_iso8601(std::chrono::local_seconds local) {
    using namespace std::chrono;
    constexpr local_seconds first{local_days{year{0} / January / 1}};
    constexpr local_seconds past_last{local_days{year{10000} / January / 1}};
    if (local < first || local >= past_last) return AnsiString();
    const local_days days = floor<std::chrono::days>(local);
    const year_month_day date{days};
    const hh_mm_ss<seconds> time{local - days};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return AnsiString(text);
}

bool from_iso8601(std::string_view t, std::chrono::local_seconds& result) noexcept {
    using namespace std::chrono;
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != ' ') || t[13] != ':' || t[16] != ':')
        return false;
    int fields[6];
    const std::size_t at[6] = {0, 5, 8, 11, 14, 17};
    const std::size_t width[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        const char* first = t.data() + at[i];
        if (*first < '0' || *first > '9') return false;  // no sign
        const auto r = std::from_chars(first, first + width[i], fields[i]);
        if (r.ec != std::errc{} || r.ptr != first + width[i]) return false;
    }
    if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31 || fields[3] > 23 || fields[4] > 59 ||
        fields[5] > 60)
        return false;
    // A day past the month's end counts on from the month's first day.
    const year_month_day date{year{fields[0]}, month{static_cast<unsigned>(fields[1])},
                              day{static_cast<unsigned>(fields[2])}};
    result = local_days{date} + hours{fields[3]} + minutes{fields[4]} + seconds{fields[5]};
    return true;
}

}  // namespace lib
