#include "gti/platform/date_time.h"

#include <cmath>
#include <cstdint>

#include "gti/platform/system.h"

namespace lib {
namespace {

constexpr double ms_per_day = 86400000.0;
// 0001-01-01 and the day after 9999-12-31, as date-time values.
constexpr double first_day = -693593.0;
constexpr double past_last_day = 2958466.0;
// Days from 1970-01-01 back to 1899-12-30.
constexpr std::int64_t epoch_offset = 25569;

// Days since 1970-01-01 of a Gregorian date (month 1..12), proleptic before 1582.
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

date_fields civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    return date_fields{static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

}  // namespace

double encode_date(int year, int month, int day) noexcept {
    // Months outside 1..12 carry into the year, days outside the month into the next or last.
    std::int64_t y = year;
    std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
    y += m0 >= 0 ? m0 / 12 : (m0 - 11) / 12;
    m0 -= (m0 >= 0 ? m0 / 12 : (m0 - 11) / 12) * 12;
    const std::int64_t days =
        days_from_civil(y, static_cast<unsigned>(m0 + 1), 1) + (static_cast<std::int64_t>(day) - 1);
    return static_cast<double>(days + epoch_offset);
}

double encode_time(int hour, int minute, int second, int millisecond) noexcept {
    const double ms = ((static_cast<double>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    return ms / ms_per_day;
}

bool decode_date_time(TDateTime value, date_fields& date, time_fields& time) noexcept {
    date = date_fields{};
    time = time_fields{};
    const double v = value;
    if (!std::isfinite(v) || v < first_day || v >= past_last_day) return false;
    double whole = std::trunc(v);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(v - whole) * ms_per_day));
    if (ms >= static_cast<std::int64_t>(ms_per_day)) {
        ms -= static_cast<std::int64_t>(ms_per_day);
        whole += 1;
    }
    date = civil_from_days(static_cast<std::int64_t>(whole) - epoch_offset);
    time.hour = static_cast<int>(ms / 3600000);
    time.minute = static_cast<int>(ms / 60000 % 60);
    time.second = static_cast<int>(ms / 1000 % 60);
    time.millisecond = static_cast<int>(ms % 1000);
    return true;
}

TDateTime now() {
    const clock_fields c = local_clock();
    return encode_date(c.year, c.month, c.day) + encode_time(c.hour, c.minute, c.second, c.millisecond);
}

}  // namespace lib
