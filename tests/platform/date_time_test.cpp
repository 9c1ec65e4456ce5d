#include "gti/platform/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(DateTime, DatesCountDaysFrom1899_12_30WithGregorianLeapYearsAndFieldsRunningOn) {
    struct row {
        double date, expected;
    };
    for (const row& r : {
             row{lib::encode_date(1899, 12, 30), 0.0},
             {lib::encode_date(1970, 1, 1), 25569.0},
             {lib::encode_date(2004, 3, 5), 38051.0},
             {lib::encode_date(1, 1, 1), -693593.0},
             {lib::encode_date(9999, 12, 31), 2958465.0},
             {lib::encode_date(2000, 3, 1) - lib::encode_date(2000, 2, 28), 2.0},
             {lib::encode_date(1900, 3, 1) - lib::encode_date(1900, 2, 28), 1.0},
             {lib::encode_date(2100, 3, 1) - lib::encode_date(2100, 2, 28), 1.0},
             {lib::encode_date(1970, 1, 0), lib::encode_date(1969, 12, 31)},
             {lib::encode_date(2100, 2, 29), lib::encode_date(2100, 3, 1)},
             {lib::encode_date(1970, 13, 1), lib::encode_date(1971, 1, 1)},
             {lib::encode_date(1970, 0, 1), lib::encode_date(1969, 12, 1)},
         }) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(r.date, r.expected);
    }
}

TEST(DateTime, DecodesCalendarAndClock) {
    struct row {
        const char* what;
        double value;
        int year, month, day, hour, minute, second, millisecond;
    };
    for (const row& r : {
             row{"a plain date and time", lib::encode_date(2004, 3, 5) + lib::encode_time(7, 9, 30, 250), 2004, 3, 5, 7,
                 9, 30, 250},
             {"rounding up to midnight moves to the next day", lib::encode_date(2004, 12, 31) + 0.9999999999, 2005, 1,
              1, 0, 0, 0, 0},
             {"before 1899 the time is a positive fraction", -1.25, 1899, 12, 29, 6, 0, 0, 0},
         }) {
        SCOPED_TRACE(r.what);
        lib::date_fields d;
        lib::time_fields t;
        ASSERT_TRUE(lib::decode_date_time(r.value, d, t));
        EXPECT_EQ((std::vector<int>{d.year, d.month, d.day, t.hour, t.minute, t.second, t.millisecond}),
                  (std::vector<int>{r.year, r.month, r.day, r.hour, r.minute, r.second, r.millisecond}));
    }
}

TEST(DateTime, ValuesOutsideThePlatformRangeAreRefused) {
    lib::date_fields d;
    lib::time_fields t;
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e300, 1e300,
                     2958466.0, -693594.0}) {
        SCOPED_TRACE(v);
        EXPECT_FALSE(lib::decode_date_time(v, d, t));
        EXPECT_EQ(d.year, 0);
    }
}

}  // namespace
