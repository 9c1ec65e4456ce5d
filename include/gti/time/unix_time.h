// The station's time values and the texts in which it shows times.
//
// A time value counts seconds of local wall-clock time in an unsigned 32-bit number; it carries
// no time zone and no daylight saving. Its calendar is the station's own:
//  - the value 86400 is 1970-01-01 00:00:00, so 0 to 86399 decode as "day 0 of January 1970";
//  - every year divisible by 4 is a leap year, 2100 included (there is no century rule).
// Every record time, run time and time range of the stored data uses these rules, so they must
// not change. Conversions to TDateTime use the real calendar of the platform (see
// gti/platform/date_time.h): the two differ only from 2100-02-29 on, where the station counts a
// day that the platform does not have.
//
// All texts are code page 1251; numbers are plain decimals with no leading zeros except where
// noted. All functions are pure apart from get_local_time(), and safe on any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "gti/platform/ansi_string.h"
#include "gti/platform/date_time.h"

namespace lib {

// A time value: seconds of local wall-clock time, 86400 being 1970-01-01 00:00:00.
class unix_time {
public:
    // The time value 0.
    constexpr unix_time() noexcept = default;
    // Holds a time value.
    constexpr unix_time(std::uint32_t value) noexcept : value_(value) {}
    // The time value held.
    constexpr operator std::uint32_t() const noexcept { return value_; }
    constexpr std::uint32_t value() const noexcept { return value_; }

    // Decodes the value into calendar fields; `second` may be null.
    void serparate(int& day, int& month, int& year, int& hour, int& minute, int* second = nullptr) const noexcept;

    // The date and time as the station shows it: "5 марта 2004г. 7:09".
    AnsiString to_date_string() const;

    // A count of seconds as hours:minutes ("25:00" for 90000; the hours are not cut to a day).
    static AnsiString to_string(std::int32_t seconds);

private:
    std::uint32_t value_ = 0;
};

// Encodes calendar fields. Fields are not checked: a second of 75 carries into the next minute.
std::uint32_t time_2_long(int year, int month, int day, int hour, int minute, int second) noexcept;

// Decodes a time value like unix_time::serparate.
void big_time(std::uint32_t t, int& day, int& month, int& year, int& hour, int& minute, int* second = nullptr) noexcept;

// The time of day of a time value; `second` may be null.
void conv_time(std::uint32_t t, int& hour, int& minute, int* second = nullptr) noexcept;

// The current local wall-clock time as a time value.
std::uint32_t get_local_time();

// The time value as a TDateTime. Values below 86400 ("day 0") give 1969-12-31 plus the time.
TDateTime unix_to_datetime(std::uint32_t t) noexcept;

// The TDateTime as a time value, its milliseconds dropped. A value the platform cannot decode
// (not finite, or outside the years 1 to 9999) gives 0.
std::uint32_t datetime_to_unix(TDateTime value) noexcept;

// Hours:minutes of a count of seconds, the same text as unix_time::to_string.
AnsiString time_to_string(std::int32_t seconds);

// Minutes:seconds of a count of seconds ("62:05" for 3725; minutes are not cut to hours);
// "---" for -1.
AnsiString time_to_mis_sec(std::int32_t seconds);

// Hour:minutes of the time of day ("7:05"); "---" for the value with all bits set.
AnsiString get_only_hour_min(std::uint32_t t);

// The date text of a time value, as unix_time::to_date_string.
AnsiString date_to_string(std::uint32_t t);

// Reads a time of day such as "12:30" as seconds since midnight: the first two runs of digits
// are hours and minutes, anything after them is ignored. Gives 0 for a text of 3 characters or
// fewer and for a text without two runs of digits.
std::uint32_t string_to_time(const AnsiString& text) noexcept;

// ---- std::chrono and Unix time ---------------------------------------------------------------
//
// The station's count starts one day before Unix time's: 1970-01-01 00:00:00 is the time value
// 86400 and Unix time 0, so a time value read as Unix time is a day late. The conversions below
// take that day off and go through the calendar fields, so they show the date the station shows:
//
//   time value      station's date and time     local time (std::chrono)   local epoch seconds
//   0               "day 0" of January 1970      1969-12-31 00:00:00        -86400
//   86400           1970-01-01 00:00:00          1970-01-01 00:00:00        0
//   t < 4107628800  up to 2100-02-28 23:59:59    the same                   t - 86400
//   4107628800      2100-02-29 00:00:00          2100-03-01 00:00:00        t - 86400
//   4107715200      2100-03-01 00:00:00          2100-03-01 00:00:00        t - 2 * 86400
//
// The station's 2100-02-29 is a day the real calendar lacks and no clock shows; it comes out as
// the day after (2100-03-01), and local time converts back to the station's 2100-03-01.
//
// The values hold local wall-clock time without a time zone; a moment of UTC (std::chrono::sys_time,
// true Unix time) needs the station's offset from UTC, which the data files do not record.

// The time value of 1970-01-01 00:00:00, where Unix time counts 0.
inline constexpr std::uint32_t station_epoch = 86400;

// A time value as local time, the wall-clock time the station recorded.
std::chrono::local_seconds to_local_seconds(std::uint32_t t) noexcept;

// Local time as a time value. Throws std::out_of_range for a time before 1969-12-31 00:00:00 or
// after the last time value (2106-02-05 06:28:15).
std::uint32_t from_local_seconds(std::chrono::local_seconds t);

// Seconds of local time since 1970-01-01 00:00:00 (Unix epoch seconds on the station's clock):
// t - 86400 up to the station's 2100-02-28.
std::int64_t to_local_epoch_seconds(std::uint32_t t) noexcept;

// Local epoch seconds as a time value; throws std::out_of_range like from_local_seconds.
std::uint32_t from_local_epoch_seconds(std::int64_t seconds);

// A time value as a moment of UTC, for a station whose clock runs `utc_offset` ahead of UTC
// (3 h for Moscow time). Its count since the epoch is true Unix time.
std::chrono::sys_seconds to_sys_seconds(std::uint32_t t, std::chrono::seconds utc_offset) noexcept;

// A moment of UTC as the time value the station's clock shows then; throws std::out_of_range
// like from_local_seconds.
std::uint32_t from_sys_seconds(std::chrono::sys_seconds t, std::chrono::seconds utc_offset);

// The local time of a time value in ISO 8601, without a time zone: "2004-03-05T07:09:00".
AnsiString to_iso8601(std::uint32_t t);

// Local time in ISO 8601 as above; empty for a time outside the years 0000 to 9999, which the
// text's four digits of year cannot hold.
AnsiString to_iso8601(std::chrono::local_seconds t);

// Reads "YYYY-MM-DDThh:mm:ss" (a blank allowed for the T) as local time. Fields are checked
// against their ranges (month 1-12, day 1-31, hour 0-23, minute 0-59, second 0-60); a day past
// the month's end counts on into the next month. False for any other text.
bool from_iso8601(std::string_view text, std::chrono::local_seconds& t) noexcept;

}  // namespace lib
