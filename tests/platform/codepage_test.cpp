#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "expect.h"
#include "gti/platform/ansi_string.h"

using namespace lib::literals;

namespace cp = lib::cp1251;

namespace {

std::string byte(int b) {
    return std::string(1, static_cast<char>(b));
}

TEST(LetterCase, EveryCyrillicLetterOfTheCodePageHasItsPair) {
    // Upper and lower forms as the code page places them.
    const std::string upper = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЂЃЉЊЌЋЏЎЈҐЄЇІЅ"_cp;
    const std::string lower = "абвгдеёжзийклмнопрстуфхцчшщъыьэюяђѓљњќћџўјґєїіѕ"_cp;
    ASSERT_EQ(upper.size(), lower.size());
    for (std::size_t i = 0; i < upper.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cp::to_lower(upper[i]), lower[i]);
        EXPECT_EQ(cp::to_upper(lower[i]), upper[i]);
        EXPECT_EQ(cp::to_upper(upper[i]), upper[i]);
        EXPECT_EQ(cp::to_lower(lower[i]), lower[i]);
    }
    EXPECT_EQ(cp::to_upper("вес_на_крюке Ёмкость"_cp), "ВЕС_НА_КРЮКЕ ЁМКОСТЬ"_cp);
}

TEST(LetterCase, BytesWithoutCaseStayAsTheyAreAndNamesCompareInAlphabetOrderWithYoAfterYe) {
    // Digits, signs, the micro sign, the undefined byte, the no-break space, quotes and dashes.
    for (int b : {int{'0'}, int{'_'}, int{'='}, 0x00, 0x98, 0xA0, 0xB5, 0xB9, 0x85, 0x96, 0xAB, 0xBB, 0xB0}) {
        SCOPED_TRACE(b);
        EXPECT_EQ(cp::to_upper(static_cast<char>(b)), static_cast<char>(b));
        EXPECT_EQ(cp::to_lower(static_cast<char>(b)), static_cast<char>(b));
    }
    struct row {
        const char* a;
        const char* b;
        int sign;
    };
    for (const row& r :
         {row{"Глубина"_cp, "гЛУБИНА"_cp, 0}, row{"ЁМКОСТЬ"_cp, "ёмкость"_cp, 0}, row{"Абв"_cp, "аБВ"_cp, 0},
          row{"емкость"_cp, "ёмкость"_cp, -1}, row{"е"_cp, "ё"_cp, -1}, row{"Ё"_cp, "ж"_cp, -1},
          row{"ЕЖ"_cp, "ёа"_cp, -1}, row{"abc", "abcd", -1}, row{"ab", "ABC", -1}, row{"я"_cp, "Z", 1}}) {
        SCOPED_TRACE(lib::cp1251::to_utf8(r.a));
        const int c = cp::compare_nocase(r.a, r.b);
        EXPECT_EQ((c > 0) - (c < 0), r.sign);
        EXPECT_EQ(cp::equal_nocase(r.a, r.b), r.sign == 0);
    }
}

TEST(Dos866, LettersGoToTheirPlacesAndEveryByteComesBack) {
    struct row {
        const char* win;
        int dos;
    };
    for (const row& r :
         {row{"А"_cp, 0x80}, row{"Я"_cp, 0x9F}, row{"а"_cp, 0xA0}, row{"п"_cp, 0xAF}, row{"р"_cp, 0xE0},
          row{"я"_cp, 0xEF}, row{"Ё"_cp, 0xF0}, row{"ё"_cp, 0xF1}, row{"№"_cp, 0xFC}, row{"°"_cp, 0xF8}}) {
        SCOPED_TRACE(r.dos);
        EXPECT_EQ(static_cast<unsigned char>(cp::to_866(r.win[0])), r.dos);
        EXPECT_EQ(cp::from_866(static_cast<char>(r.dos)), r.win[0]);
    }
    for (int b = 0; b < 256; ++b) {  // every byte comes back unchanged
        SCOPED_TRACE(b);
        EXPECT_EQ(static_cast<unsigned char>(cp::from_866(cp::to_866(static_cast<char>(b)))), b);
        EXPECT_EQ(static_cast<unsigned char>(cp::to_866(cp::from_866(static_cast<char>(b)))), b);
    }
}

TEST(Utf8, CyrillicAndSignsEncodeAndEveryByteStringComesBack) {
    EXPECT_EQ(cp::to_utf8("Южная-7"_cp), "\xD0\xAE\xD0\xB6\xD0\xBD\xD0\xB0\xD1\x8F-7");
    EXPECT_EQ(cp::to_utf8("Ёё№"_cp), "\xD0\x81\xD1\x91\xE2\x84\x96");
    EXPECT_EQ(cp::to_utf8(byte(0x88)), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(cp::to_utf8(byte(0x98)), "\xC2\x98");      // the undefined byte stands for U+0098
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    std::string back;
    ASSERT_TRUE(cp::from_utf8(cp::to_utf8(all), back));
    EXPECT_EQ(back, all);
}

TEST(Literal, StationTextIsCodePage1251AtCompileTime) {
    EXPECT_EQ(std::string("вес_на_крюке"_cp), "\xE2\xE5\xF1_\xED\xE0_\xEA\xF0\xFE\xEA\xE5");
    EXPECT_EQ(std::string("№ 5 °C ЁёЂ"_cp), "\xB9 5 \260C \xA8\xB8\x80");
    EXPECT_EQ(std::string("а\0б"_cp, 3), std::string("\xE0\0\xE1", 3));  // zero bytes kept
    EXPECT_STREQ("plain"_cp, "plain");
}

TEST(Utf8, TextThatIsNotStationTextIsRefused) {
    std::string out;
    EXPECT_FALSE(cp::from_utf8("\xE4\xB8\xAD", out));  // a character 1251 lacks
    EXPECT_FALSE(cp::from_utf8("\xD0", out));          // cut in the middle
    EXPECT_FALSE(cp::from_utf8("\xC0\xAF", out));      // overlong form of "/"
    EXPECT_FALSE(cp::from_utf8("\xFF", out));          // not UTF-8 at all
    EXPECT_FALSE(cp::from_utf8("\xD0\x41", out));      // bad continuation byte
    EXPECT_TRUE(cp::from_utf8("plain ascii", out));
    EXPECT_EQ(out, "plain ascii");
}

TEST(Utf8, AnsiStringConvertsAtRunTimeAndNamesWhatItCannotHold) {
    EXPECT_EQ(AnsiString::from_utf8("\xD0\xBC/\xD1\x81 \xE2\x84\x96 \xC2\xB0"), "м/с № °"_cp);
    EXPECT_EQ(AnsiString("вес_на_крюке"_cp).to_utf8(),
              "\xD0\xB2\xD0\xB5\xD1\x81_\xD0\xBD\xD0\xB0_\xD0\xBA\xD1\x80"
              "\xD1\x8E\xD0\xBA\xD0\xB5");
    const struct {
        const char* utf8;
        const char* marked;
    } refused[] = {
        {"Sleipner \xC3\x98st", "Sleipner <U+00D8>st"},
        {"m\xC2\xB3/s", "m<U+00B3>/s"},
        {"\xE4\xBA\x95/\xD0\xB0", "<U+4E95>/\xE0"},
        {"a\xFF\xD0", "a<0xFF><0xD0>"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.marked);
        EXPECT_TRUE(gti_test::throws_with<std::invalid_argument>(
            [&] { AnsiString::from_utf8(r.utf8); },
            std::string("code page 1251 cannot hold the marked characters: ") + r.marked));
    }
}

TEST(Utf8, ExceptionTextsComeOutInUtf8) {
    const std::runtime_error station("Файл не найден!"_cp);
    EXPECT_EQ(lib::what_utf8(station),
              "\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB \xD0\xBD\xD0\xB5 \xD0\xBD\xD0\xB0\xD0\xB9\xD0"
              "\xB4\xD0\xB5\xD0\xBD!");
}

}  // namespace
