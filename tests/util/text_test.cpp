#include "gti/util/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/number_text.h"
#include "gti/util/string_list.h"
#include "support.h"

using namespace lib::literals;

namespace {

using strings = std::vector<std::string>;

using gti_test::items;

TEST(SeparateWords1, QuotedWordsKeepTheirSpaces) {
    struct row {
        const char* text;
        strings words;
    };
    for (const row& r : {
             row{"  a \"b c\"  d", {"a", "b c", "d"}},
             row{"a \"b c", {"a", "b c"}},  // an unterminated quote takes the rest
             row{"\"\" x", {"", "x"}},
             row{"a\"b c", {"a\"b", "c"}},  // a quote inside a word is part of it
             row{"\"x\"y", {"x", "y"}},
             row{"tab\there", {"tab\there"}},  // only byte 0x20 separates
             row{"   ", {}},
             row{"", {}},
         }) {
        SCOPED_TRACE(r.text);
        strings words{"old"};
        lib::separate_words1(r.text, words, false);
        EXPECT_EQ(words, r.words);
    }
    // Reuse overwrites by position and keeps the rest.
    strings words{"1", "2", "3", "4"};
    lib::separate_words1("x y", words, true);
    EXPECT_EQ(words, (strings{"x", "y", "3", "4"}));
    lib::separate_words1("p q r s t", words, true);
    EXPECT_EQ(words, (strings{"p", "q", "r", "s", "t"}));
}

TEST(OneLineEscapes, GoldenForms) {
    struct row {
        const char* normal;
        const char* file;
    };
    for (const row& r : {
             row{"", ""},
             row{"line 1\nline 2", "line 1\\nline 2"},
             row{"C:\\data\\new", "C:\\\\data\\\\new"},
             row{"\\n is not a line feed", "\\\\n is not a line feed"},
             row{"ends with \\", "ends with \\\\"},
             row{"\n\n", "\\n\\n"},
         }) {
        SCOPED_TRACE(r.normal);
        std::string s = r.normal;
        lib::normal_text_to_file(s);
        EXPECT_EQ(s, r.file);
        lib::file_text_to_normal(s);
        EXPECT_EQ(s, r.normal);
        EXPECT_EQ(lib::normal_text_to_file(AnsiString(r.normal)), r.file);
        EXPECT_EQ(lib::file_text_to_normal(AnsiString(r.file)), r.normal);
    }
    // Control bytes cannot stay on the line.
    EXPECT_EQ(lib::normal_text_to_file(AnsiString("Южная\r\n\tкуст"_cp)), "Южная\\nкуст"_cp);
}

TEST(OneLineEscapes, UnknownAndTrailingBackslashesStay) {
    for (const char* text : {"\\", "abc\\", "\\x", "a\\tb", "\\\\\\"}) {
        SCOPED_TRACE(text);
        const std::string expected = std::string(text) == "\\\\\\" ? "\\\\" : text;
        std::string s = text;
        lib::file_text_to_normal(s);
        EXPECT_EQ(s, expected);
    }
}

TEST(StdStringHelpers, AsciiCaseAndSpacesOnly) {
    std::string out;
    lib::to_upper("abc xyz Жж 09"_cp, out);
    EXPECT_EQ(out, "ABC XYZ Жж 09"_cp);
    lib::to_lower(out, out);
    EXPECT_EQ(out, "abc xyz Жж 09"_cp);
    struct row {
        const char* in;
        const char* out;
    };
    for (const row& r : {row{"  a b  ", "a b"}, row{"     ", ""}, row{"", ""}, row{" \tx\t ", "\tx\t"}}) {
        SCOPED_TRACE(r.in);
        std::string s = r.in;
        lib::trim(s, s);
        EXPECT_EQ(s, r.out);
    }
}

TEST(Koi8r, LettersAndSigns) {
    std::string s = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяЁё"_cp;
    lib::win_to_coi8r(s);
    EXPECT_EQ(s,
              "\xE1\xE2\xF7\xE7\xE4\xE5\xF6\xFA\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0\xF2\xF3\xF4\xF5\xE6\xE8\xE3\xFE\xFB"
              "\xFD\xFF\xF9\xF8\xFC\xE0\xF1\xC1\xC2\xD7\xC7\xC4\xC5\xD6\xDA\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0\xD2\xD3"
              "\xD4\xD5\xC6\xC8\xC3\xDE\xDB\xDD\xDF\xD9\xD8\xDC\xC0\xD1\xB3\xA3");

    struct row {
        unsigned char win;
        unsigned char koi;
    };
    for (const row& r : {row{'A', 'A'}, row{0x00, 0x00}, row{0x7F, 0x7F}, row{0x80, '.'}, row{0x85, '.'},
                         row{0x9F, '.'}, row{0xA0, 0x9A}, row{0xA5, 0xBD}, row{0xB9, 0x98}, row{0xBF, 0xA7},
                         row{0xA3, '.'}, row{0xB0, '.'}, row{0xBE, '.'}}) {
        SCOPED_TRACE(static_cast<int>(r.win));
        std::string one(1, static_cast<char>(r.win));
        lib::win_to_coi8r(one);
        EXPECT_EQ(static_cast<unsigned char>(one[0]), r.koi);
    }
}

TEST(DosCodePage, GoldenBytesAndBack) {
    AnsiString dos;
    lib::win_to_dos("Южная-7 Ёё№"_cp, dos);
    EXPECT_EQ(dos, "\x9E\xA6\xAD\xA0\xEF-7 \xF0\xF1\xFC");
    AnsiString win;
    lib::dos_to_win(dos, win);
    EXPECT_EQ(win, "Южная-7 Ёё№"_cp);
    lib::dos_to_win(dos, dos);  // in place
    EXPECT_EQ(dos, win);
}

TEST(ParseToWords, SeparatorsAndQuotedWords) {
    struct row {
        const char* text;
        char separator;
        std::vector<AnsiString> words;
    };
    for (const row& r : {
             row{"a,,b", ',', {"a", "", "b"}},
             row{"a,b,", ',', {"a", "b"}},
             row{",", ',', {""}},
             row{"вес;глубина"_cp, ';', {"вес"_cp, "глубина"_cp}},
             row{" a , b ", ',', {" a ", " b "}},
             row{"", ',', {}},
             row{" \"x y\" z ", ' ', {"x y", "z"}},
             row{"a   b\t", ' ', {"a", "b"}},
             row{"\"unterminated word", ' ', {"unterminated word"}},
             row{"\"\" x", ' ', {"", "x"}},
             row{" \t ", ' ', {}},
             row{"", ' ', {}},
         }) {
        SCOPED_TRACE(r.text);
        TStringList list;
        list.Add("old");
        lib::parse_to_words(r.text, &list, r.separator);
        EXPECT_EQ(items(list), r.words);
    }
    lib::parse_to_words("a b", nullptr, ' ');
}

TEST(GetWord, CachesTheLastTextWhateverTheSeparator) {
    const AnsiString text = "get_word a,b c,d";
    EXPECT_EQ(lib::get_word(text, 1, ','), "b c");
    EXPECT_EQ(lib::get_word(text, 1, ' '), "b c");  // same text: the comma split stands
    EXPECT_EQ(lib::get_word(text, 3, ' '), "");
    EXPECT_EQ(lib::get_word(text, -1, ','), "");
    EXPECT_EQ(lib::get_word("get_word x y", 2, ' '), "y");
    EXPECT_EQ(lib::get_word(text, 1, ' '), "a,b");  // a new text is split again
}

TEST(ListLookUp, FoldsCyrillicCase) {
    TStringList list;
    lib::fill_strings(&list, nullptr);
    EXPECT_EQ(list.Count(), 0);
    list.Add("stale");
    const char* names[] = {"Вес_на_крюке"_cp, "ГЛУБИНА"_cp, "Ёмкость"_cp, "глубина"_cp, nullptr};
    lib::fill_strings(&list, names);
    EXPECT_EQ(items(list), (std::vector<AnsiString>{"Вес_на_крюке"_cp, "ГЛУБИНА"_cp, "Ёмкость"_cp, "глубина"_cp}));

    EXPECT_EQ(lib::get_string_index(&list, "глубина"_cp), 1);
    EXPECT_EQ(lib::get_string_index(&list, "ВЕС_НА_КРЮКЕ"_cp), 0);
    EXPECT_EQ(lib::get_string_index(&list, "ёмкость"_cp), 2);
    EXPECT_EQ(lib::get_string_index(&list, "емкость"_cp), -1);
    EXPECT_EQ(lib::get_string_index(nullptr, "x"), -1);
    EXPECT_TRUE(lib::contains_string(&list, "Глубина"_cp));
    EXPECT_FALSE(lib::contains_string(&list, "газ"_cp));
}

TEST(ByteStrings, ConvertWithEveryByte) {
    const AnsiString s("a\0б"_cp, 3);
    EXPECT_EQ(lib::str_borl_2_std(s), std::string("a\0б"_cp, 3));
    std::vector<char> v{'x', 'y', 'z', 'w', 'v'};
    lib::string_to_vector(s, v);
    EXPECT_EQ(v, (std::vector<char>{'a', '\0', "б"_cp[0], '\0'}));
    lib::string_to_vector("", v);
    EXPECT_EQ(v, std::vector<char>{'\0'});

    const lib::StrCharCvt from_ansi(AnsiString("скв. 7"_cp));
    const lib::StrCharCvt from_std(std::string("a\0b", 3));
    const lib::StrCharCvt from_null(static_cast<const char*>(nullptr));
    EXPECT_STREQ(from_ansi.c_str(), "скв. 7"_cp);
    EXPECT_EQ(std::memcmp(from_std.c_str(), "a\0b\0", 4), 0);
    EXPECT_STREQ(from_null.c_str(), "");
}

TEST(Passwords, ComeBackAndCodeDifferentlyEachTimeAndTextsNotCodedGiveNone) {
    for (const std::string& plain : {std::string(""), std::string("secret"), std::string("Пароль-7"_cp),
                                     std::string("\0\xFF\x01 x", 5), std::string(300, 'z')}) {
        SCOPED_TRACE(plain);
        const std::string a = lib::code_password(plain);
        const std::string b = lib::code_password(plain);
        EXPECT_NE(a, b);
        EXPECT_EQ(a.find_first_not_of("0123456789 "), std::string::npos) << a;
        EXPECT_EQ(lib::encode_password(a), plain);
        EXPECT_EQ(lib::encode_password(b), plain);
        if (plain.size() > 3) {
            EXPECT_EQ(a.find(plain), std::string::npos);
        }
    }
    // Texts not coded give the empty password.
    for (const char* coded : {"", "0", "256 100", "-1 5", "5 256", "5 -1", "5 12 x", "abc", "5 1.5"}) {
        SCOPED_TRACE(coded);
        EXPECT_EQ(lib::encode_password(coded), "");
    }
    EXPECT_EQ(lib::encode_password("255"), "");
    EXPECT_EQ(lib::encode_password("1 98 100 "), "ab");
}

TEST(StringContainer, ReadsARecordFieldByField) {
    lib::StringContainer c;
    c.set_space_text("1 2,5 x", ' ');
    EXPECT_EQ(c.get_int(-1, 0), 1);
    EXPECT_DOUBLE_EQ(c.get_float(-1), 2.5);
    EXPECT_EQ(c.get_int(-1, 7), 7);
    EXPECT_EQ(c.get_cursor(), 3);
    EXPECT_EQ(c.get_string(-1), "");  // past the end: the cursor moves on regardless
    EXPECT_EQ(c.get_cursor(), 4);
    EXPECT_EQ(c.get_string(2), "x");  // an explicit index leaves the cursor alone
    EXPECT_EQ(c.get_cursor(), 4);
    c.begin_from_start();
    EXPECT_EQ(c.get_string(-1), "1");
    EXPECT_EQ(c.get_string(-2), "");
    EXPECT_EQ(c.get_float(9), 0.0);
    EXPECT_EQ(c.get_int(9, -5), -5);
}

TEST(StringContainer, WholeNumbersAreStrict) {
    struct row {
        const char* text;
        int value;
    };
    for (const row& r : {row{"12", 12}, row{"+7", 7}, row{"-2147483648", -2147483647 - 1}, row{"2147483648", 99},
                         row{"1.5", 99}, row{"", 99}, row{" 5", 99}, row{"+-1", 99}, row{"0x10", 99}}) {
        SCOPED_TRACE(r.text);
        lib::StringContainer c;
        c.add(AnsiString(r.text));
        EXPECT_EQ(c.get_int(0, 99), r.value);
    }
}

TEST(StringContainer, NumbersInThePlatformsGeneralForm) {
    struct row {
        double value;
        const char* text;
    };
    for (const row& r :
         {row{2.5, "2.5"}, row{-0.5, "-0.5"}, row{0, "0"}, row{100, "100"}, row{1e20, "1E20"}, row{1e15, "1E15"},
          row{123456789012345.0, "123456789012345"}, row{0.0001, "0.0001"}, row{0.00005, "5E-5"},
          row{1.0 / 3, "0.333333333333333"}, row{123456789012345678.0, "1.23456789012346E17"}}) {
        SCOPED_TRACE(r.text);
        lib::StringContainer c;
        c.add(r.value);
        c.set_float(1, r.value);
        EXPECT_EQ(c.get_string(0), r.text);
        EXPECT_EQ(c.get_string(1), r.text);
        EXPECT_DOUBLE_EQ(c.get_float(0), std::stod(r.text));
    }
    lib::set_decimal_separator(',');
    lib::StringContainer c;
    c.add(2.5);
    lib::set_decimal_separator('.');
    EXPECT_EQ(c.get_string(0), "2,5");
    EXPECT_DOUBLE_EQ(c.get_float(0), 2.5);
}

TEST(StringContainer, SettersGrowTheListAndTextFormsRoundTrip) {
    lib::StringContainer c;
    c.add("a");
    c.set_string(2, "b c");
    EXPECT_EQ(c.get_space_text(), "a \"\" \"b c\"");
    c.set_int(3, -12);
    EXPECT_EQ(c.get_comma_text(), "a,\"\",\"b c\",-12");
    EXPECT_TRUE(gti_test::throws_with<std::out_of_range>([&] { c.set_string(-1, "x"); },
                                                         "StringContainer::set_string: negative index"));
    EXPECT_EQ(c.count(), 4);

    lib::StringContainer back;
    back.get_string(-1);
    back.set_space_text(c.get_space_text());
    EXPECT_EQ(back.get_cursor(), 0);
    EXPECT_EQ(back.get_comma_text(), c.get_comma_text());
    back.get_string(-1);
    back.set_comma_text("x,\"y z\",,w");
    EXPECT_EQ(back.get_cursor(), 0);
    EXPECT_EQ(back.get_string(-1), "x");
    EXPECT_EQ(back.get_string(-1), "y z");
    back.clear();
    EXPECT_EQ(back.count(), 0);
    EXPECT_EQ(back.get_cursor(), 0);

    // A zero byte outside quotes separates like a blank (it once stopped the parser in place).
    back.set_comma_text(AnsiString("a\0b,\0", 6));
    EXPECT_EQ(back.get_space_text(), "a b");

    lib::StringContainer semicolons;
    semicolons.set_space_text("  1;2;;3  ", ';');
    EXPECT_EQ(semicolons.get_comma_text(), "1,2,\"\",3");
}

}  // namespace
