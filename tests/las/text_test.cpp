#include "gti/las/text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "support.h"

using namespace lib::literals;

namespace {

std::uint64_t bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

// The C library's own reading of a token, the process being in the "C" locale.
std::uint64_t atof_bits(const std::string& token) {
    return bits(std::atof(token.c_str()));
}

TEST(StrToDouble, GivesAtofsDoubleBitForBit) {
    // clang-format off
    for (const char* token : {
             // plain numbers, as data files hold them
             "1500.0", "-9999.00000", "12.34560", "0", "-0", "-0.0", "007", ".5", "-.5", "5.", "1e3", "1E-3", "2.675",
             "0.1", "123456789012345678901234567890", "0.30000000000000004441",
             // prefixes: the longest number counts; a comma is no decimal separator here
             "1,5", "12abc", "1e", "1e+", "1.5e-", "1e+-5", "1..5", "1.2.3", "3-4", "1e5e5", "1.5d3",
             // nothing to read
             "", ".", "-", "+", "-.", ".e1", "e5", "abc", "+-5", "-+5", "--5", "- 5",
             // white space and signs before the number
             " 7", "\t7", "\v7", "\f7", "\r7", "\n7", "+7", "+.5", "  -3.25",
             // hexadecimal
             "0x1p3", "0X1P3", "-0x10", "0x.8", "0x1.8p1", "0x", "-0x", "0xp3", "0x+1", "0x-1", "0x1p", "0xg",
             "0xnan", "-0Xinf", "0x-inf", "0x1p+-5", "0x1p--5", "0x1.8.8p1", "0x1p4294967296", "0x1p-4294967296",
             "0x1p-1074", "0x1p-1075", "0x1.0000001p-1075", "0x1p1023", "0x1p1024", "0x1p99999", "0x1p-99999",
             "0x0.0001p1030", "0x100000p1020",
             // infinities and NaNs, any case; glibc keeps the number of "nan(n)" in the NaN
             "inf", "-INF", "Infinity", "infinit", "in", "nan", "-NaN", "nanx", "nan(", "nan()", "nan(123)",
             "nan(0x10)", "nan(077)", "nan(08)", "nan(0x)", "nan(12ab)", "nan(a_b)", "-nan(5)",
             "nan(18446744073709551616)", "nan(0x8000000000000)", "nan(1 2)",
             // beyond the range of a double, and at its edges
             "1e400", "-1e400", "1e-400", "-1e-400", "1e99999999999999999999", "1e-99999999999999999999",
             "1.7976931348623157e308", "1.7976931348623159e308", "2.4703282292062328e-324",
             "2.4703282292062327e-324", "4e-320", "0.0000000001e-315", "0.0000000001e-320", "100000e-329",
             "0.000000000000000000001e330", "000000000000000000000000000001e308",
         }) {
        // clang-format on
        SCOPED_TRACE(token);
        EXPECT_EQ(bits(lib::str_to_double(std::string_view(token))), atof_bits(token));
    }
}

TEST(StrToDouble, RandomTokensReadAsAtofReadsThem) {
    std::mt19937 random(20261206);
    const auto pick = [&](std::initializer_list<const char*> parts) {
        return *(parts.begin() + random() % parts.size());
    };
    const auto digits = [&](const char* set, int most) {
        std::string d(random() % (most + 1), ' ');
        for (char& c : d)
            c = set[random() % std::strlen(set)];
        return d;
    };
    for (int i = 0; i < 200000; ++i) {
        std::string token;
        if (i % 2 == 0) {
            // Bytes that numbers are made of and bytes that break them off, in any order.
            token = digits("0123456789000.....eE+-xXpPinfatyINFATY()_ ,\t\v", 12);
        } else {
            // Numbers with every part present or missing: sign, prefix, digits, point, exponent.
            const bool hex = random() % 3 == 0;
            const char* set = hex ? "0123456789abcdefABCDEF0000" : "01234567890000";
            token = std::string(pick({"", "", "+", "-", " ", "\t-", "+-"})) + (hex ? pick({"0x", "0X", "0x0"}) : "") +
                    digits(set, 25) + pick({"", ".", ".", ".."}) + digits(set, 25) +
                    (hex ? pick({"", "p", "P", "e"}) : pick({"", "e", "E", "p"})) +
                    pick({"", "", "+", "-", "+-", "--"}) + digits("0123456789", 12) + pick({"", "x", ".5", "e1"});
        }
        if (bits(lib::str_to_double(std::string_view(token))) != atof_bits(token)) {
            ADD_FAILURE() << "token \"" << token << "\"";
            break;
        }
    }
}

TEST(StrToDouble, EveryOverloadStopsWhereAtofDoes) {
    const std::string with_zero(
        "4\0"
        "2",
        3);
    EXPECT_EQ(lib::str_to_double(std::string_view(with_zero)), 4.0);
    EXPECT_EQ(lib::str_to_double(AnsiString(with_zero)), 4.0);
    EXPECT_EQ(lib::str_to_double("-2.5e1 m"), -25.0);
    EXPECT_EQ(lib::str_to_double(static_cast<const char*>(nullptr)), 0.0);
    EXPECT_EQ(lib::str_to_double(std::string_view("12.5", 2)), 12.0);  // a view ends where it ends
}

TEST(ConvertText, CaseFollowsCodePage1251) {
    AnsiString out = "stale";
    lib::convert_to_upper("Вес_на_крюке, ёмкость Ї dept"_cp, out);
    EXPECT_EQ(out, "ВЕС_НА_КРЮКЕ, ЁМКОСТЬ Ї DEPT"_cp);
    lib::convert_to_lower(out, out);  // in place
    EXPECT_EQ(out, "вес_на_крюке, ёмкость ї dept"_cp);
    lib::convert_to_lower("", out);
    EXPECT_EQ(out, "");
}

TEST(ConvertText, DosCodePageBecomes1251) {
    const AnsiString cyrillic = "Глубина забоя, Ёё №"_cp;
    AnsiString dos = cyrillic;
    for (char& c : dos)
        c = lib::cp1251::to_866(c);
    ASSERT_NE(dos, cyrillic);
    AnsiString win;
    lib::convert_to_win(dos, win);
    EXPECT_EQ(win, cyrillic);
    lib::convert_to_win(dos, dos);  // in place
    EXPECT_EQ(dos, cyrillic);
}

}  // namespace
