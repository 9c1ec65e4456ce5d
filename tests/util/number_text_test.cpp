#include "gti/util/number_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "support.h"

namespace {

TEST(StrToFloat, CommaAndPointAreBothDecimalSeparators) {
    EXPECT_EQ(lib::str_to_float(AnsiString("3,25")), 3.25);
    EXPECT_EQ(lib::str_to_float(AnsiString("3.25")), 3.25);
    EXPECT_EQ(lib::str_to_float("3,25"), 3.25);
    EXPECT_EQ(lib::str_to_float("-0,5e1"), -5.0);
}

TEST(StrToFloat, ReadsWhatTheCLibraryReads) {
    EXPECT_EQ(lib::str_to_float(AnsiString("0x10")), 16.0);
    EXPECT_EQ(lib::str_to_float(AnsiString(" \t-inf")), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(lib::str_to_float(AnsiString("1e-400")), 0.0);
}

TEST(StrToFloat, ReadsTheLongestValidPrefix) {
    EXPECT_EQ(lib::str_to_float(AnsiString("12abc")), 12.0);
    EXPECT_EQ(lib::str_to_float(AnsiString("  +7.5 m")), 7.5);
    EXPECT_EQ(lib::str_to_float(AnsiString("1e")), 1.0);
    EXPECT_EQ(lib::str_to_float(AnsiString(".5")), 0.5);
    EXPECT_EQ(lib::str_to_float(AnsiString("1,2,3")), 1.2);
}

TEST(StrToFloat, NothingToReadGivesZero) {
    EXPECT_EQ(lib::str_to_float(AnsiString("abc")), 0.0);
    EXPECT_EQ(lib::str_to_float(AnsiString("")), 0.0);
    EXPECT_EQ(lib::str_to_float(AnsiString("- 5")), 0.0);
    EXPECT_EQ(lib::str_to_float(static_cast<const char*>(nullptr)), 0.0);
    EXPECT_EQ(lib::str_to_float(AnsiString("1e999")), 0.0);  // out of the range of a double
    EXPECT_EQ(lib::str_to_float(AnsiString(std::string("4\0"
                                                       "2",
                                                       3))),
              4.0);
}

struct format_case {
    double value;
    int decimals;
    int width;
    const char* text;
};

TEST(FloatToStr, AutomaticPrecisionFollowsMagnitude) {
    for (const format_case& c : {
             format_case{0, -1, 0, "0"},
             {12.5, -1, 0, "12.5"},
             {12.0, -1, 0, "12"},
             {0.5, -1, 0, "0.5"},
             {0.00012, -1, 0, "0.00012"},
             {10, -1, 0, "10"},          // exactly 10 takes "0.00"
             {10.004, -1, 0, "10"},      // above 10: one decimal
             {9.996, -1, 0, "10"},       // at most 10: two decimals, rounded up
             {1, -1, 0, "1"},            // exactly 1 takes "0.000"
             {0.0001, -1, 0, "0.0001"},  // the finest pattern
             {0.0000123456, -1, 0, "0.0000123"},
             {1e-9, -1, 0, "0"},
             {-1e-9, -1, 0, "0"},  // no minus sign on a zero
             {-3.14159, -1, 0, "-3.14"},
             {1234567.891, -1, 0, "1234567.9"},
             {0.25, -1, 8, "    0.25"},
         }) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(lib::float_to_str(c.value, c.decimals, c.width), c.text);
    }
}

TEST(FloatToStr, HalfwayValuesRoundAwayFromZero) {
    for (const format_case& c : {
             format_case{0.125, 2, 0, "0.13"},
             {0.375, 2, 0, "0.38"},
             {-0.125, 2, 0, "-0.13"},
             {2.5, 0, 0, "3"},
             {-2.5, 0, 0, "-3"},
             {0.5, 0, 0, "1"},
             {9.5, 0, 0, "10"},
             {99.95, 1, 0, "100.0"},  // binary 99.9500000000000028..., above half
             {12.25, -1, 0, "12.3"},  // exactly halfway with one automatic decimal
             {-12.25, -1, 0, "-12.3"},
             {0.0625, 3, 0, "0.063"},
             {0.00015, -1, 0, "0.00015"},
         }) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(lib::float_to_str(c.value, c.decimals, c.width), c.text);
    }
}

TEST(FloatToStr, ValuesJustBelowHalfwayRoundDown) {
    // The decimal texts are halfway; their nearest doubles lie below it.
    for (const format_case& c : {
             format_case{1.005, 2, 0, "1.00"},
             {2.675, 2, 0, "2.67"},
             {12.35, -1, 0, "12.3"},
             {0.285, 2, 0, "0.28"},
             {1.0000000000000002, 0, 0, "1"},
         }) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(lib::float_to_str(c.value, c.decimals, c.width), c.text);
    }
}

TEST(FloatToStr, FixedDecimalsKeepTheirZeros) {
    EXPECT_EQ(lib::float_to_str(3.14159, 2, 8), "    3.14");
    EXPECT_EQ(lib::float_to_str(12.0, 3), "12.000");
    EXPECT_EQ(lib::float_to_str(12.6, 0), "13");
    EXPECT_EQ(lib::float_to_str(-0.001, 2), "0.00");
    EXPECT_EQ(lib::float_to_str(5, -3), "5");
    EXPECT_EQ(lib::float_to_str(1.5, 2, 2), "1.50");  // a width below the length pads nothing
}

TEST(FloatToStr, NonFiniteValues) {
    EXPECT_EQ(lib::float_to_str(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(lib::float_to_str(std::numeric_limits<double>::infinity(), 2), "INF");
    EXPECT_EQ(lib::float_to_str(-std::numeric_limits<double>::infinity(), -1, 5), " -INF");
}

TEST(FloatToStr, HugeValuesAndPrecisionsStayWhole) {
    EXPECT_EQ(lib::float_to_str(1e20, -1), "100000000000000000000");
    EXPECT_EQ(lib::float_to_str(std::numeric_limits<double>::max(), 100).size(), 309u + 1 + 100);
    EXPECT_EQ(lib::float_to_str(0.5, 1000).size(), 102u);
}

TEST(FloatToStr, WritesTheConfiguredDecimalSeparator) {
    lib::set_decimal_separator(',');
    EXPECT_EQ(lib::float_to_str(12.5), "12,5");
    EXPECT_EQ(lib::float_to_str(12.0), "12");
    EXPECT_EQ(lib::float_to_str(3.14159, 2), "3,14");
    EXPECT_EQ(lib::get_log_string(0.5), "0,5");
    lib::set_decimal_separator('.');
    EXPECT_EQ(lib::float_to_str(12.5), "12.5");
}

TEST(LogString, DecimalsFollowTheSignedValue) {
    for (const auto& [value, text] : std::initializer_list<std::pair<double, const char*>>{
             {1, "1"},
             {250, "250"},
             {0.5, "0.5"},
             {0.05, "0.05"},
             {0.001, "0.001"},
             {0.0002, "0.0002"},
             {2e-5, "0.00002"},
             {3e-6, "0.000003"},
             {4e-7, "0.0000004"},
             {5e-8, "0.00000005"},
             {0, "0.00000000"},
             {-0.5, "-0.50000000"},
         }) {
        SCOPED_TRACE(value);
        EXPECT_EQ(lib::get_log_string(value), text);
    }
}

}  // namespace
