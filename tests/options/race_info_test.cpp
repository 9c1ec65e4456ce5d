#include "gti/options/race_info.h"

#include <gtest/gtest.h>

#include <string>

#include "gti/platform/cp_literal.h"
#include "gti/util/ini_file.h"
#include "gti/util/string_list.h"
#include "support.h"

using namespace lib::literals;

namespace {

TEST(RaceInfo, ANewRun) {
    RaceInfo r;
    EXPECT_EQ(r.race_number, 1);
    EXPECT_EQ(r.drill_type, RaceInfo::rotary);
    EXPECT_EQ(r.start_time, 0u);
    EXPECT_EQ(r.end_time, 0u);
    for (const AnsiString* s : {&r.customer, &r.oilfield, &r.well, &r.area, &r.well_category})
        EXPECT_EQ(*s, "::НЕ ЗАДАНО::"_cp);
    EXPECT_EQ(r.time_step, 0);
    EXPECT_EQ(r.mud_type, "");
}

TEST(RaceInfo, DrillingMethodTexts) {
    EXPECT_EQ(RaceInfo::get_drill_type_str(RaceInfo::rotary), "Роторное"_cp);
    EXPECT_EQ(RaceInfo::get_drill_type_str(RaceInfo::other), "Другое"_cp);
    EXPECT_EQ(RaceInfo::get_drill_type_str(static_cast<RaceInfo::DrillType>(6)), "::ОШИБКА::"_cp);
    EXPECT_EQ(RaceInfo::get_drill_type_str(static_cast<RaceInfo::DrillType>(-1)), "::ОШИБКА::"_cp);
}

TEST(RaceInfo, RunFileOfADataFile) {
    for (const auto& [path, race] : std::initializer_list<std::pair<const char*, const char*>>{
             {"D:\\data\\well\\0012.dat", "D:\\data\\well\\0012.rac"},
             {"/data/well/a.b.c", "/data/well/a.rac"},
             {"data.2024/12.tim", "data.2024/12.rac"},
             {"data.2024\\12", ""},
             {"12", ""},
         }) {
        SCOPED_TRACE(path);
        EXPECT_EQ(RaceInfo::get_race_file(path), race);
    }
}

TEST(RaceInfo, SerialPayloadOfANewRun) {
    RaceInfo r;
    lib::serial_buffer b(lib::serialize);
    r.get_serial_list(b, 0);
    const std::string bytes(b.get_bytes().begin(), b.get_bytes().end());
    ASSERT_EQ(bytes.size(), 168u + 5 * 14 + 17);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\0\0\0\0\x01\0\0\0", 8));  // method, run number
    // Archive texts: customer, oilfield, well, area, category are the 8th, 9th, 14th, 16th and
    // 17th of the 22 strings; the others are single zero bytes.
    EXPECT_EQ(bytes.substr(168, 7), std::string(7, '\0'));
    EXPECT_EQ(bytes.substr(175, 14), std::string("::НЕ ЗАДАНО::"_cp) + '\0');

    RaceInfo back;
    back.race_number = 99;
    b.set_state(lib::deserialize);
    back.get_serial_list(b, 0);
    EXPECT_EQ(back.race_number, 1);
    EXPECT_EQ(back.well, "::НЕ ЗАДАНО::"_cp);
}

TEST(RaceInfo, ThreeWaysToTheSameFields) {
    gti_test::temp_dir dir;
    RaceInfo r;
    r.race_number = 7;
    r.drill_type = RaceInfo::turbine;
    r.bit_diameter = 215.9;
    r.start_time = 0xF0000000u;
    r.well = "Южная-7"_cp;
    r.save(dir.file("7.rac"));  // INI elements
    TIniFile ini(dir.file("7.rac"));
    EXPECT_EQ(ini.ReadString("настройки_рейса"_cp, "способ_бурения"_cp, ""), "Турбинное"_cp);
    EXPECT_EQ(ini.ReadInteger("начало_рейса"_cp, "время"_cp, 0), static_cast<int>(0xF0000000u));
    r.save_to_ini(dir.file("opts.ini"));  // descriptors
    TIniFile opts(dir.file("opts.ini"));
    EXPECT_EQ(opts.ReadString("рейс_главн"_cp, "способ_бурения2"_cp, ""), "1 (Турбинное)"_cp);
    EXPECT_EQ(opts.ReadString("рейс_долото"_cp, "диаметр_долота"_cp, ""), "215.9");

    RaceInfo from_elements, from_descriptors;
    from_elements.load(dir.file("7.rac"));
    from_descriptors.load_from_ini(dir.file("opts.ini"));
    for (const RaceInfo* back : {&from_elements, &from_descriptors}) {
        EXPECT_EQ(back->race_number, 7);
        EXPECT_EQ(back->start_time, 0xF0000000u);
        EXPECT_EQ(back->well, "Южная-7"_cp);
        EXPECT_EQ(back->bit_diameter, 215.9);
    }
    EXPECT_EQ(from_elements.drill_type, RaceInfo::rotary);  // elements keep the method's text only
    EXPECT_EQ(from_elements.drill_type_text, "Турбинное"_cp);
    EXPECT_EQ(from_descriptors.drill_type, RaceInfo::turbine);
}

TEST(RaceInfo, FillToStringsAndEditorLists) {
    RaceInfo r;
    TStringList l;
    r.fill_to_strings(&l);
    EXPECT_EQ(l.Values("способ_бурения2"_cp), "0 (Роторное)"_cp);
    EXPECT_EQ(l.Values("способ_бурения"_cp), "Роторное"_cp);
    EXPECT_EQ(l.Values("номер_рейса"_cp), "1");
    EXPECT_EQ(l.Values("скважина"_cp), "::НЕ ЗАДАНО::"_cp);

    lib::grid_options_list first, second;
    r.correct_race_options(RaceInfo::ct_race_end, first, second);
    EXPECT_TRUE(second.contains("РЕЙС_ГЛАВН.Номер_Рейса"_cp));
    EXPECT_TRUE(second.contains("рейс_долото.износ_долота"_cp));
    EXPECT_TRUE(second.contains_sector("рейс_техно"_cp));
    EXPECT_FALSE(first.contains("рейс_главн.номер_рейса"_cp));
    r.correct_race_options(static_cast<RaceInfo::cTypes>(9), first, second);
    EXPECT_FALSE(second.contains_sector("рейс_техно"_cp));
}

}  // namespace
