#include "gti/time/unix_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "gti/platform/cp_literal.h"
#include "gti/platform/date_time.h"
#include "support.h"

using namespace lib::literals;

namespace {

struct fields {
    int day, month, year, hour, minute, second;
    friend bool operator==(const fields&, const fields&) = default;
};

fields decode(std::uint32_t t) {
    fields f{};
    lib::unix_time(t).serparate(f.day, f.month, f.year, f.hour, f.minute, &f.second);
    return f;
}

std::uint32_t encode(const fields& f) {
    return lib::time_2_long(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

TEST(Calendar, EpochIsOneDayIn) {
    EXPECT_EQ(lib::time_2_long(1970, 1, 1, 0, 0, 0), 86400u);
    EXPECT_EQ(lib::time_2_long(1970, 12, 31, 0, 0, 0), 31536000u);
    EXPECT_EQ(lib::time_2_long(1971, 1, 1, 0, 0, 0), 31622400u);
    EXPECT_EQ(decode(31536000), (fields{31, 12, 1970, 0, 0, 0}));
    EXPECT_EQ(decode(31622400), (fields{1, 1, 1971, 0, 0, 0}));
}

TEST(Calendar, TheFirstDayDecodesAsDayZero) {
    for (std::uint32_t t : {0u, 1u, 3599u, 45296u, 86399u}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(decode(t), (fields{0, 1, 1970, static_cast<int>(t / 3600), static_cast<int>(t / 60 % 60),
                                     static_cast<int>(t % 60)}));
    }
}

TEST(Calendar, EveryFourthYearIsALeapYearCenturiesIncluded) {
    EXPECT_EQ(lib::time_2_long(1972, 3, 1, 0, 0, 0) - lib::time_2_long(1972, 2, 28, 0, 0, 0), 2u * 86400);
    EXPECT_EQ(lib::time_2_long(1973, 3, 1, 0, 0, 0) - lib::time_2_long(1973, 2, 28, 0, 0, 0), 86400u);
    EXPECT_EQ(decode(lib::time_2_long(2000, 2, 29, 12, 0, 0)), (fields{29, 2, 2000, 12, 0, 0}));
    EXPECT_EQ(decode(lib::time_2_long(2100, 2, 29, 0, 0, 0)), (fields{29, 2, 2100, 0, 0, 0}));
    EXPECT_EQ(lib::time_2_long(2101, 1, 1, 0, 0, 0) - lib::time_2_long(2100, 1, 1, 0, 0, 0), 366u * 86400);
    // The last day of a leap year stays in that year.
    EXPECT_EQ(decode(lib::time_2_long(1972, 12, 31, 23, 59, 59)), (fields{31, 12, 1972, 23, 59, 59}));
}

TEST(Calendar, FieldsOutOfRangeTakePartInTheSum) {
    EXPECT_EQ(lib::time_2_long(2004, 3, 5, 7, 9, 75), lib::time_2_long(2004, 3, 5, 7, 10, 15));
    EXPECT_EQ(lib::time_2_long(2004, 3, 5, 25, 0, 0), lib::time_2_long(2004, 3, 6, 1, 0, 0));
    EXPECT_EQ(lib::time_2_long(2004, 13, 1, 0, 0, 0), lib::time_2_long(2004, 1, 1, 0, 0, 0) + 366u * 86400);
    EXPECT_EQ(lib::time_2_long(2004, 2000000000, 1, 0, 0, 0), lib::time_2_long(2004, 2000000000, 1, 0, 0, 0));
}

TEST(Calendar, EncodingAndDecodingAreInverseOverTheWholeRange) {
    // Every 9973 seconds from the epoch to the end of the 32-bit range, and the last values.
    for (std::uint64_t t = 86400; t <= 0xFFFFFFFFu; t += 9973) {
        const fields f = decode(static_cast<std::uint32_t>(t));
        ASSERT_EQ(encode(f), t) << f.year << "-" << f.month << "-" << f.day;
        ASSERT_GE(f.day, 1);
        ASSERT_LE(f.day, 31);
    }
    EXPECT_EQ(encode(decode(0xFFFFFFFFu)), 0xFFFFFFFFu);
    EXPECT_EQ(decode(0xFFFFFFFFu), (fields{5, 2, 2106, 6, 28, 15}));
}

TEST(Calendar, BigTimeAndConvTimeDecodeTheGivenValue) {
    const std::uint32_t t = lib::time_2_long(2004, 3, 5, 7, 9, 30);
    int d, m, y, h, mi, s;
    lib::big_time(t, d, m, y, h, mi, &s);
    EXPECT_EQ((fields{d, m, y, h, mi, s}), (fields{5, 3, 2004, 7, 9, 30}));
    lib::big_time(t, d, m, y, h, mi);  // the second is optional
    lib::conv_time(t, h, mi, &s);
    EXPECT_EQ(h, 7);
    EXPECT_EQ(mi, 9);
    EXPECT_EQ(s, 30);
}

TEST(DateTimeConversion, MatchesThePlatformCalendar) {
    EXPECT_EQ(static_cast<double>(lib::unix_to_datetime(86400)), 25569.0);
    EXPECT_DOUBLE_EQ(lib::unix_to_datetime(lib::time_2_long(2004, 3, 5, 6, 0, 0)), 38051.25);
    EXPECT_EQ(lib::datetime_to_unix(38051.25), lib::time_2_long(2004, 3, 5, 6, 0, 0));
    EXPECT_EQ(lib::datetime_to_unix(38051.25 + 0.4 / 86400), lib::time_2_long(2004, 3, 5, 6, 0, 0));
    EXPECT_EQ(static_cast<double>(lib::unix_to_datetime(0)), 25568.0);  // day 0 is the day before
    EXPECT_EQ(lib::datetime_to_unix(1e300), 0u);
}

TEST(DateTimeConversion, RoundTripsEverywhereButTheStationsExtraDayOf2100) {
    const std::uint32_t extra_day = lib::time_2_long(2100, 2, 29, 0, 0, 0);
    for (std::uint64_t t = 86400; t <= 0xFFFFFFFFu; t += 7919) {
        if (t >= extra_day && t < extra_day + 86400u) continue;
        ASSERT_EQ(lib::datetime_to_unix(lib::unix_to_datetime(static_cast<std::uint32_t>(t))), t);
    }
    for (std::uint32_t t : {86400u, extra_day - 1, extra_day + 86400u, 0xFFFFFFFFu})
        EXPECT_EQ(lib::datetime_to_unix(lib::unix_to_datetime(t)), t);
}

TEST(Texts, HoursAndMinutes) {
    EXPECT_EQ(lib::unix_time::to_string(59), "0:00");
    EXPECT_EQ(lib::unix_time::to_string(3600), "1:00");
    EXPECT_EQ(lib::unix_time::to_string(90000), "25:00");
    EXPECT_EQ(lib::time_to_string(3725), "1:02");
    EXPECT_EQ(lib::time_to_mis_sec(-1), "---");
    EXPECT_EQ(lib::time_to_mis_sec(65), "1:05");
    EXPECT_EQ(lib::time_to_mis_sec(150), "2:30");
    EXPECT_EQ(lib::time_to_mis_sec(3725), "62:05");
    EXPECT_EQ(lib::get_only_hour_min(0xFFFFFFFFu), "---");
    EXPECT_EQ(lib::get_only_hour_min(90000), "1:00");
    EXPECT_EQ(lib::get_only_hour_min(lib::time_2_long(2004, 3, 5, 7, 5, 59)), "7:05");
}

TEST(Texts, DatesInTheGenitive) {
    EXPECT_EQ(lib::date_to_string(lib::time_2_long(2004, 3, 5, 7, 9, 0)), "5 марта 2004г. 7:09"_cp);
    EXPECT_EQ(lib::unix_time(lib::time_2_long(1999, 12, 31, 23, 59, 59)).to_date_string(),
              "31 декабря 1999г. 23:59"_cp);
    const char* months[] = {"января"_cp, "февраля"_cp, "марта"_cp,    "апреля"_cp,  "мая"_cp,    "июня"_cp,
                            "июля"_cp,   "августа"_cp, "сентября"_cp, "октября"_cp, "ноября"_cp, "декабря"_cp};
    for (int m = 1; m <= 12; ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(lib::date_to_string(lib::time_2_long(2020, m, 1, 0, 0, 0)),
                  AnsiString("1 ") + months[m - 1] + " 2020г. 0:00"_cp);
    }
}

TEST(Texts, ReadingATimeOfDay) {
    EXPECT_EQ(lib::string_to_time("12:30"), 45000u);
    EXPECT_EQ(lib::string_to_time("7:05"), 25500u);
    EXPECT_EQ(lib::string_to_time("1:5"), 0u);
    EXPECT_EQ(lib::string_to_time("1230"), 0u);
    EXPECT_EQ(lib::string_to_time("12:30:45"), 45000u);
    EXPECT_EQ(lib::string_to_time("в 12 ч 30 мин"_cp), 45000u);
    EXPECT_EQ(lib::string_to_time("12:"), 0u);
    EXPECT_EQ(lib::string_to_time("ab:cd"), 0u);
    EXPECT_EQ(lib::string_to_time("99999999999:30"), 1800u);  // an hour that does not fit counts as 0
}

}  // namespace

namespace chrono_times {

using namespace std::chrono;

TEST(Chrono, TimeValuesAreLocalTimeAndEpochSecondsWithoutTheStationsDay) {
    const struct {
        std::uint32_t value;
        const char* iso;
        std::int64_t epoch_seconds;
    } table[] = {
        {0, "1969-12-31T00:00:00", -86400},  // "day 0"
        {86400, "1970-01-01T00:00:00", 0},   // the epoch
        {lib::time_2_long(2004, 3, 5, 7, 9, 0), "2004-03-05T07:09:00", 1078470540},
        {lib::time_2_long(2000, 2, 29, 12, 0, 0), "2000-02-29T12:00:00", 951825600},  // a leap day
        {lib::time_2_long(2100, 2, 28, 23, 59, 59), "2100-02-28T23:59:59", 4107542399},
        {lib::time_2_long(2100, 3, 1, 0, 0, 0), "2100-03-01T00:00:00", 4107542400},
        {0xFFFFFFFF, "2106-02-05T06:28:15", 4294794495},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.iso);
        EXPECT_EQ(lib::to_iso8601(row.value), row.iso);
        EXPECT_EQ(lib::to_local_epoch_seconds(row.value), row.epoch_seconds);
        EXPECT_EQ(lib::from_local_epoch_seconds(row.epoch_seconds), row.value);
        EXPECT_EQ(lib::to_local_seconds(row.value).time_since_epoch().count(), row.epoch_seconds);
    }
    EXPECT_EQ(lib::to_local_seconds(86400), local_days{1970y / January / 1});
}

TEST(Chrono, TheStationsLeapDayOf2100IsTheFirstOfMarch) {
    const std::uint32_t leap_day = lib::time_2_long(2100, 2, 29, 6, 30, 0);
    ASSERT_EQ(leap_day, 4107628800u + 6 * 3600 + 30 * 60);
    EXPECT_EQ(lib::to_iso8601(leap_day), "2100-03-01T06:30:00");
    // Back from local time it is the station's 2100-03-01, a day on.
    EXPECT_EQ(lib::from_local_seconds(lib::to_local_seconds(leap_day)), leap_day + 86400);
    EXPECT_EQ(lib::from_local_seconds(local_days{2100y / March / 1} + 6h + 30min),
              lib::time_2_long(2100, 3, 1, 6, 30, 0));
}

TEST(Chrono, UtcNeedsTheStationsOffset) {
    const std::uint32_t value = lib::time_2_long(2004, 3, 5, 7, 9, 0);
    const sys_seconds utc = lib::to_sys_seconds(value, 3h);
    EXPECT_EQ(utc, sys_days{2004y / March / 5} + 4h + 9min);
    EXPECT_EQ(lib::from_sys_seconds(utc, 3h), value);
    EXPECT_EQ(lib::from_sys_seconds(sys_days{1970y / January / 1} - 3h, 3h), 86400u);
}

TEST(Chrono, LocalTimesWithoutATimeValueAreRefused) {
    EXPECT_THROW(lib::from_local_seconds(local_days{1969y / December / 31} - 1s), std::out_of_range);
    EXPECT_THROW(lib::from_local_epoch_seconds(4294794496), std::out_of_range);
    EXPECT_THROW(lib::from_local_seconds(local_days{30000y / January / 1}), std::out_of_range);
    EXPECT_THROW(lib::from_sys_seconds(sys_days{1969y / December / 31}, -1h), std::out_of_range);
}

TEST(Chrono, IsoTextsOfLocalTime) {
    const struct {
        const char* text;
        std::int64_t seconds;
        const char* written;  // null: the text itself
    } table[] = {
        {"1970-01-01T00:00:00", 0, nullptr},
        {"2024-02-29 12:00:00", 1709208000, "2024-02-29T12:00:00"},
        {"2100-02-29T00:00:00", 4107542400, "2100-03-01T00:00:00"},  // a day the calendar lacks
        {"2024-01-01T23:59:60", 1704153600, "2024-01-02T00:00:00"},  // a leap second
        {"0000-01-01T00:00:00", -62167219200, nullptr},
        {"9999-12-31T23:59:59", 253402300799, nullptr},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.text);
        local_seconds t;
        ASSERT_TRUE(lib::from_iso8601(row.text, t));
        EXPECT_EQ(t.time_since_epoch().count(), row.seconds);
        EXPECT_EQ(lib::to_iso8601(t), row.written ? row.written : row.text);
    }
    for (const char* bad : {"2024-02-29T24:00:00", "2024-13-01T00:00:00", "2024-01-01T-1:00:00", "-024-01-01T00:00:00",
                            "2024-01-01", "2024-01-01T00:00:00Z", "2024/01/01T00:00:00"}) {
        local_seconds t;
        EXPECT_FALSE(lib::from_iso8601(bad, t)) << bad;
    }
    for (std::int64_t outside : {-62167219201LL, 253402300800LL})
        EXPECT_EQ(lib::to_iso8601(local_seconds{seconds{outside}}), "") << outside;
}

}  // namespace chrono_times
