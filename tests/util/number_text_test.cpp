#include "gti/util/number_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "support.h"

namespace {

TEST(StrToFloat, ReadsTheLongestPrefixTheCLibraryReadsWithEitherSeparator) {
    const std::pair<std::string, double> table[] = {
        {"3,25", 3.25},  // comma and point are both decimal separators
        {"3.25", 3.25},
        {"-0,5e1", -5.0},
        {"0x10", 16.0},  // what the C library reads
        {" \t-inf", -std::numeric_limits<double>::infinity()},
        {"1e-400", 0.0},
        {"12abc", 12.0},  // the longest valid prefix
        {"  +7.5 m", 7.5},
        {"1e", 1.0},
        {".5", 0.5},
        {"1,2,3", 1.2},
        {"abc", 0.0},  // nothing to read
        {"", 0.0},
        {"- 5", 0.0},
        {"1e999", 0.0},  // out of the range of a double
        {std::string("4\0002", 3), 4.0},
    };
    for (const auto& [text, value] : table) {
        SCOPED_TRACE(text);
        EXPECT_EQ(lib::str_to_float(AnsiString(text)), value);
    }
    EXPECT_EQ(lib::str_to_float("3,25"), 3.25);
    EXPECT_EQ(lib::str_to_float(static_cast<const char*>(nullptr)), 0.0);
}

TEST(FloatToStr, PrecisionRoundingWidthAndNonFiniteValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int decimals;
        int width;
        const char* text;
    } table[] = {
        // Automatic precision follows the magnitude.
        {0, -1, 0, "0"},
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
        {1e20, -1, 0, "100000000000000000000"},
        // Halfway values round away from zero.
        {0.125, 2, 0, "0.13"},
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
        // The decimal texts are halfway; their nearest doubles lie below it.
        {1.005, 2, 0, "1.00"},
        {2.675, 2, 0, "2.67"},
        {12.35, -1, 0, "12.3"},
        {0.285, 2, 0, "0.28"},
        {1.0000000000000002, 0, 0, "1"},
        // Fixed decimals keep their zeros.
        {3.14159, 2, 8, "    3.14"},
        {12.0, 3, 0, "12.000"},
        {12.6, 0, 0, "13"},
        {-0.001, 2, 0, "0.00"},
        {5, -3, 0, "5"},
        {1.5, 2, 2, "1.50"},  // a width below the length pads nothing
        {nan, -1, 0, "NAN"},
        {inf, 2, 0, "INF"},
        {-inf, -1, 5, " -INF"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(lib::float_to_str(row.value, row.decimals, row.width), row.text);
    }
}

TEST(FloatToStr, HugeValuesAndPrecisionsStayWhole) {
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
