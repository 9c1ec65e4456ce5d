#include "gti/platform/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(DateTime, DatesCountDaysFrom1899_12_30) {
    EXPECT_EQ(lib::encode_date(1899, 12, 30), 0.0);
    EXPECT_EQ(lib::encode_date(1970, 1, 1), 25569.0);
    EXPECT_EQ(lib::encode_date(2004, 3, 5), 38051.0);
    EXPECT_EQ(lib::encode_date(1, 1, 1), -693593.0);
    EXPECT_EQ(lib::encode_date(9999, 12, 31), 2958465.0);
}

TEST(DateTime, GregorianLeapYears) {
    EXPECT_EQ(lib::encode_date(2000, 3, 1) - lib::encode_date(2000, 2, 28), 2.0);
    EXPECT_EQ(lib::encode_date(1900, 3, 1) - lib::encode_date(1900, 2, 28), 1.0);
    EXPECT_EQ(lib::encode_date(2100, 3, 1) - lib::encode_date(2100, 2, 28), 1.0);
}

TEST(DateTime, FieldsOutsideTheirRangeRunOn) {
    EXPECT_EQ(lib::encode_date(1970, 1, 0), lib::encode_date(1969, 12, 31));
    EXPECT_EQ(lib::encode_date(2100, 2, 29), lib::encode_date(2100, 3, 1));
    EXPECT_EQ(lib::encode_date(1970, 13, 1), lib::encode_date(1971, 1, 1));
    EXPECT_EQ(lib::encode_date(1970, 0, 1), lib::encode_date(1969, 12, 1));
}

TEST(DateTime, DecodesCalendarAndClock) {
    lib::date_fields d;
    lib::time_fields t;
    ASSERT_TRUE(lib::decode_date_time(lib::encode_date(2004, 3, 5) + lib::encode_time(7, 9, 30, 250), d, t));
    EXPECT_EQ(d.year, 2004);
    EXPECT_EQ(d.month, 3);
    EXPECT_EQ(d.day, 5);
    EXPECT_EQ(t.hour, 7);
    EXPECT_EQ(t.minute, 9);
    EXPECT_EQ(t.second, 30);
    EXPECT_EQ(t.millisecond, 250);
}

TEST(DateTime, TimeRoundingUpToMidnightMovesToTheNextDay) {
    lib::date_fields d;
    lib::time_fields t;
    ASSERT_TRUE(lib::decode_date_time(lib::encode_date(2004, 12, 31) + 0.9999999999, d, t));
    EXPECT_EQ(d.year, 2005);
    EXPECT_EQ(d.month, 1);
    EXPECT_EQ(d.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.millisecond, 0);
}

TEST(DateTime, ValuesBefore1899KeepTheTimeAsAPositiveFraction) {
    lib::date_fields d;
    lib::time_fields t;
    ASSERT_TRUE(lib::decode_date_time(-1.25, d, t));
    EXPECT_EQ(d.year, 1899);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(t.hour, 6);
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
