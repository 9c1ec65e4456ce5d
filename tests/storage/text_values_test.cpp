#include "gti/storage/text_values.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "gti/util/ini_file.h"
#include "support.h"

using namespace lib::literals;

namespace {

TEST(TextValues, EnclosingQuotes) {
    using T = FileStorageTextValues;
    EXPECT_EQ(T::check_inverted_commas("\""), "\"");
    EXPECT_EQ(T::check_inverted_commas("\"\""), "");
    EXPECT_EQ(T::check_inverted_commas("\"abc"), "\"abc");
    EXPECT_EQ(T::check_inverted_commas("\"a \"b\" c\""), "a \"b\" c");
}

TEST(TextValues, TypedFieldsToLinesAndBack) {
    FileStorageTextValues v;
    v.race_number = 12;
    v.start_time = 0xF0000000u;  // above the signed range: written negative, read back to the same bits
    v.end_time = 86400;
    v.bit_diameter = 215.9;
    v.ph = 1.0 / 3;
    v.well = "";
    v.foreman = "Петров"_cp;
    v.drill_type = RaceInfo::turbine;
    v.get_list().SetText("чужой=ключ\r\n"_cp);
    v.ri_to_data();
    const TStringList& l = v.get_list();
    EXPECT_EQ(l[0], "чужой=ключ"_cp);  // other lines stay
    EXPECT_EQ(l.Values("нач_время"_cp), "-268435456");
    EXPECT_EQ(l.Values("ph"), "0.333333333333333");
    EXPECT_EQ(l.IndexOfName("скважина"_cp), -1);  // an empty text has no line
    EXPECT_EQ(l.Values("способ_бурения"_cp), "1");

    v.ri_from_data();
    EXPECT_EQ(v.race_number, 12);
    EXPECT_EQ(v.start_time, 0xF0000000u);
    EXPECT_EQ(v.end_time, 86400u);
    EXPECT_EQ(v.bit_diameter, 215.9);
    EXPECT_NEAR(v.ph, 1.0 / 3, 1e-15);
    EXPECT_EQ(v.foreman, "Петров"_cp);
    EXPECT_EQ(v.drill_type, RaceInfo::rotary);  // the number is not read back ...
    EXPECT_EQ(v.drill_type_text, "1");          // ... its text field takes the stored number
}

TEST(TextValues, ReadingRules) {
    FileStorageTextValues v;
    v.get_list().SetText("PH=7,5\r\nтипоразмер_з_д=Д2-195\r\nизнос_долота=\r\nнач_глубина=abc\r\nномер_рейса=x\r\n"_cp);
    v.ri_from_data();
    EXPECT_EQ(v.ph, 7.5);
    EXPECT_EQ(v.motor_size, "Д2-195"_cp);  // the second key serves when the first is absent
    EXPECT_EQ(v.start_depth, 0.0);
    EXPECT_EQ(v.race_number, 0);
    EXPECT_EQ(v.well, "");  // an unset field takes the list's value, even an absent one
}

TEST(TextValues, OnlyUnsetTextFieldsAreFilled) {
    FileStorageTextValues v;
    v.get_list().SetText("скважина=Из файла\r\n"_cp);
    AnsiString set = "Южная-7"_cp, blank = "  ", unset = "::не ЗАДАНО::"_cp;
    v.get_text("скважина"_cp, set);
    v.get_text("скважина"_cp, blank);
    v.get_text("скважина"_cp, unset);
    EXPECT_EQ(set, "Южная-7"_cp);
    EXPECT_EQ(blank, "Из файла"_cp);
    EXPECT_EQ(unset, "Из файла"_cp);
    AnsiString name, value;
    v.get_text_by_index(0, name, value);
    EXPECT_EQ(name, "скважина"_cp);
    EXPECT_EQ(value, "Из файла"_cp);
    EXPECT_THROW(v.get_text_by_index(1, name, value), std::out_of_range);
}

TEST(TextValues, TheRunFileOfAnOldDataFile) {
    gti_test::temp_dir dir;
    FileStorage store;
    FileStorageTextValues& v = store.get_text_values();
    store.file_name = dir.file("well.7/0012.tim");
    gti_test::beep_recorder beeps;
    v.get_list().SetText("было=1\r\n"_cp);
    v.ri_from_data_old();  // no run file: a beep and the list as it was
    EXPECT_EQ(beeps.beeps, (gti_test::beep_recorder::list{{1000, 20}}));
    EXPECT_EQ(v.get_list().Text(), "было=1\r\n"_cp);

    std::filesystem::create_directory(dir.path().str() + "/well.7");
    gti_test::write_bytes(dir.file("well.7/0012.rac"), "[настройки_рейса]\r\nномер_рейса=12\r\n"_cp);
    v.ri_from_data_old();
    EXPECT_EQ(beeps.beeps.size(), 1u);
    EXPECT_EQ(v.get_list().Text(), "[настройки_рейса]\r\nномер_рейса=12\r\n"_cp);
    EXPECT_EQ(v.race_number, 12);
}

}  // namespace
