#include "gti/util/string_list.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "expect.h"
#include "faults.h"
#include "support.h"

using namespace lib::literals;

namespace {

using gti_test::items;

TStringList list_of(std::initializer_list<const char*> texts) {
    TStringList l;
    for (const char* t : texts)
        l.Add(t);
    return l;
}

TEST(WholeText, EveryItemEndsWithCrLf) {
    TStringList l = list_of({"a", "", "б"_cp});
    EXPECT_EQ(l.Text(), "a\r\n\r\nб\r\n"_cp);
    EXPECT_EQ(TStringList().Text(), "");
}

TEST(WholeText, AssignmentSplitsAtEveryKindOfLineBreak) {
    struct row {
        const char* text;
        std::vector<AnsiString> items;
    };
    for (const row& r : {
             row{"a\r\nb\r\n", {"a", "b"}},
             row{"a\r\nb", {"a", "b"}},
             row{"a\nb\rc", {"a", "b", "c"}},
             row{"a\r\n\r\nb", {"a", "", "b"}},
             row{"\r\n", {""}},
             row{"a\n\r", {"a", ""}},  // LF then a lone CR: two line breaks
             row{"", {}},
         }) {
        SCOPED_TRACE(r.text);
        TStringList l;
        l.Add("old");
        l.SetText(r.text);
        EXPECT_EQ(items(l), r.items);
    }
    TStringList l;
    l.SetText("a\r\nb\r\n");
    EXPECT_EQ(l.Text(), "a\r\nb\r\n");
}

TEST(CommaText, QuotesOnlyWhereNeededAndRoundTrips) {
    TStringList l = list_of({"plain", "two words", "a,b", "say \"hi\"", "", "Южная"_cp});
    EXPECT_EQ(l.CommaText(), "plain,\"two words\",\"a,b\",\"say \"\"hi\"\"\",\"\",Южная"_cp);
    TStringList back;
    back.SetCommaText(l.CommaText());
    EXPECT_EQ(items(back), items(l));
}

TEST(CommaText, ReadsTheFormsOtherProgramsWrite) {
    struct row {
        const char* text;
        std::vector<AnsiString> items;
    };
    for (const row& r : {
             row{"a,,b", {"a", "", "b"}},
             row{"a,", {"a", ""}},
             row{"a b", {"a", "b"}},  // an unquoted blank separates items
             row{"  a ,  b  ", {"a", "b"}},
             row{"\"x y\",z", {"x y", "z"}},
             row{"\"unterminated, rest", {"unterminated, rest"}},
             row{"\"\"", {""}},
             row{"", {}},
         }) {
        SCOPED_TRACE(r.text);
        TStringList l;
        l.SetCommaText(r.text);
        EXPECT_EQ(items(l), r.items);
    }
}

TEST(NameValue, NamesMatchWithoutCaseAndEmptyValuesDelete) {
    TStringList l;
    l.SetText("глубина=5\r\nвес=12\r\nбез знака\r\n"_cp);
    l.SetValue("Глубина"_cp, "7");
    EXPECT_EQ(l.Text(), "глубина=7\r\nвес=12\r\nбез знака\r\n"_cp);
    EXPECT_EQ(l.Values("ВЕС"_cp), "12");
    EXPECT_EQ(l.Values("нет"_cp), "");
    EXPECT_EQ(l.Names(0), "глубина"_cp);
    EXPECT_EQ(l.Names(2), "");
    l.SetValue("вес"_cp, "");
    EXPECT_EQ(l.Text(), "глубина=7\r\nбез знака\r\n"_cp);
    l.SetValue("Ёмкость"_cp, "a=b");
    EXPECT_EQ(l.Values("ёмкость"_cp), "a=b");
    EXPECT_EQ(l.IndexOfName("ЁМКОСТЬ"_cp), 2);
    l.SetValue("нет"_cp, "");  // deleting a missing name changes nothing
    EXPECT_EQ(l.Count(), 3);
}

TEST(Items, LookUpInsertDeleteAndBounds) {
    TStringList l = list_of({"Alpha", "Бета"_cp});
    EXPECT_EQ(l.IndexOf("бЕТА"_cp), 1);
    EXPECT_EQ(l.IndexOf("gamma"), -1);
    l.Insert(0, "first");
    l.Insert(3, "last");
    l.Delete(1);
    EXPECT_EQ(items(l), (std::vector<AnsiString>{"first", "Бета"_cp, "last"}));
    EXPECT_THROW(l.Get(3), std::out_of_range);
    EXPECT_THROW(l.Insert(5, "x"), std::out_of_range);
    EXPECT_THROW(l.Delete(-1), std::out_of_range);
}

TEST(Items, SortIgnoresCaseAndPutsYoAfterYe) {
    TStringList l = list_of({"жук"_cp, "Ёж"_cp, "ель"_cp, "Банка"_cp, "12.tim", "a", "B"});
    l.Sort();
    EXPECT_EQ(items(l), (std::vector<AnsiString>{"12.tim", "a", "B", "Банка"_cp, "ель"_cp, "Ёж"_cp, "жук"_cp}));
}

TEST(Files, SaveAndLoadKeepTheLines) {
    gti_test::temp_dir dir;
    const AnsiString f = dir.file("рейс.txt"_cp);
    TStringList l = list_of({"Скважина=Южная-7"_cp, "", "Рейс=12"_cp});
    l.SaveToFile(f);
    EXPECT_EQ(gti_test::read_bytes(f), "Скважина=Южная-7\r\n\r\nРейс=12\r\n"_cp);
    TStringList back;
    back.LoadFromFile(f);
    EXPECT_EQ(items(back), items(l));
}

TEST(Files, LoadingAMissingFileSaysSo) {
    gti_test::temp_dir dir;
    TStringList l;
    try {
        l.LoadFromFile(dir.file("missing.txt"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(AnsiString(e.what()), "Файл не найден!"_cp);
    }
}

}  // namespace

namespace {

TEST(Files, AKilledOrFailingSaveLeavesTheOldFileOrTheNewOne) {
    gti_test::temp_dir dir;
    const AnsiString f = dir.file("рейс.txt"_cp);
    gti_test::write_bytes(f, "old\r\n");
    const auto save = [&] { return list_of({"Скважина=Южная-7"_cp, "Рейс=12"_cp}).SaveToFile(f), true; };
    EXPECT_GE(gti_test::expect_whole_at_every_call(f, save), 3);
}

}  // namespace

namespace {

TEST(Files, ATextPastItsLimitIsRefusedAndTheItemsKept) {
    gti_test::temp_dir dir;
    const AnsiString f = dir.file("race.txt");
    gti_test::write_bytes(f, std::string(70000, 'x') + "\r\n");
    TStringList l = list_of({"kept"});
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { l.LoadFromFile(f, 70001); },
                                                          "Файл слишком велик для текста!"_cp));
    EXPECT_EQ(items(l), std::vector<AnsiString>{"kept"});
    l.LoadFromFile(f, 70002);
    EXPECT_EQ(l.Count(), 1);
}

}  // namespace
