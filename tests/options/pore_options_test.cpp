#include "gti/options/pore_options.h"

#include <gtest/gtest.h>

#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/util/ini_file.h"
#include "gti/util/string_list.h"
#include "support.h"

using namespace lib::literals;

namespace {

TEST(PoreOptions, AFileWithoutTheSectionGivesTheDefaults) {
    gti_test::temp_dir dir;
    gti_test::write_bytes(dir.file("pore.ini"), "[другое]\r\nx=1\r\n"_cp);
    BasicPoreOptions p;
    EXPECT_EQ(p.country, "");  // the constructor applies no defaults
    p.well_number = "old";
    p.load_from_ini(dir.file("pore.ini"));
    EXPECT_EQ(p.country, "Россия"_cp);
    EXPECT_EQ(p.survey_method, "ГТИ"_cp);
    EXPECT_EQ(p.well_number, "");
    EXPECT_EQ(p.design_depth, 0.0);
}

TEST(PoreOptions, OneSectionInTheListedOrder) {
    gti_test::temp_dir dir;
    BasicPoreOptions p;
    p.set_defaults();
    p.well_number = "123";
    p.design_depth = 2500.04;
    p.conductor_diameter = 323.9;
    p.save_to_ini(dir.file("pore.ini"));
    const std::string text = gti_test::read_bytes(dir.file("pore.ini"));
    EXPECT_EQ(text.find("[скважина]\r\nстрана=\"Россия\"\r\nместорождение=\"\"\r\n"_cp), 0u);
    EXPECT_NE(text.find("альтитуда_ротора=0.0\r\nпроектная_глубина=2500.0\r\nдиаметр_кондуктора=324\r\n"_cp),
              std::string::npos);
    TIniFile ini(dir.file("pore.ini"));
    TStringList keys;
    ini.ReadSection("скважина"_cp, &keys);
    EXPECT_EQ(keys.Count(), 25);
}

TEST(PoreOptions, NegativeSizesBecomeZero) {
    BasicPoreOptions p;
    p.design_depth = -5;
    p.conductor_shoe = 12;
    p.rotary_altitude = -0.1;
    p.spare_depth = -1;
    p.check_values();
    EXPECT_EQ(p.design_depth, 0.0);
    EXPECT_EQ(p.conductor_shoe, 12.0);
    EXPECT_EQ(p.rotary_altitude, 0.0);
    EXPECT_EQ(p.spare_depth, 0.0);
}

TEST(PoreOptions, TheWellFolderSitsBesideTheProgram) {
    BasicPoreOptions p;
    EXPECT_EQ(p.get_pore_directory(), "");
    p.well_number = "123";
    const AnsiString dir = lib::os::executable_directory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(dir.back() == '/' || dir.back() == '\\') << dir.back();
    EXPECT_EQ(p.get_pore_directory(), dir + "123");
}

}  // namespace
