#include "gti/options/ini_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/ini_file.h"
#include "gti/util/string_list.h"
#include "support.h"

using namespace lib::literals;

using namespace lib;
using gti_test::throws_with;

namespace {

// One element of every kind.
struct archive : ini_options {
    int number = 0;
    unsigned bits = 0;
    bool flag = false;
    float ratio = 0;
    double depth = 0;
    AnsiString well;
    TStringList history;
    TDateTime when;
    TColor colour = TColor(0);
    char raw[3] = {0, 0, 0};

    void get_elements_list(ini_options_elements& e) override {
        e.add(number, "архив"_cp, "номер"_cp);
        e.add(bits, "архив"_cp, "биты"_cp);
        e.add(flag, "архив"_cp, "флаг"_cp);
        e.add(ratio, "архив"_cp, "доля"_cp);
        e.add(depth, "архив"_cp, "глубина"_cp);
        e.add(well, "архив"_cp, "скважина"_cp);
        e.add(&history, "история"_cp, "список"_cp);
        e.add(when, "архив"_cp, "когда"_cp);
        e.add(colour, "вид"_cp, "цвет"_cp);
        e.add_pod(raw, 3, "вид"_cp, "байты"_cp);
    }
};

class IniOptionsTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("archive.ini");
};

TEST_F(IniOptionsTest, EveryElementSurvivesSaveAndLoad) {
    archive a;
    a.number = -7;
    a.bits = 0xFFFFFFF0u;
    a.flag = true;
    a.ratio = 0.1f;
    a.depth = 1234.5678901234;
    a.well = "  Южная-7 "_cp;
    a.history.SetCommaText("one,\"two words\",три"_cp);
    a.when = 38051.123456789;
    a.colour = TColor(0x00FF8000);
    std::memcpy(a.raw, "\x01\xAB\xFF", 3);
    a.save(name);
    EXPECT_EQ(a.file_name, name);

    archive b;
    b.load(name);
    EXPECT_EQ(b.number, -7);
    EXPECT_EQ(b.bits, 0xFFFFFFF0u);
    EXPECT_TRUE(b.flag);
    EXPECT_EQ(b.ratio, 0.1f);
    EXPECT_EQ(b.depth, 1234.5678901234);
    EXPECT_EQ(b.well, "  Южная-7 "_cp);
    EXPECT_EQ(b.history.Text(), "one\r\ntwo words\r\nтри\r\n"_cp);
    EXPECT_EQ(std::memcmp(&b.when, &a.when, 8), 0);  // bit for bit
    EXPECT_EQ(b.colour, TColor(0x00FF8000));
    EXPECT_EQ(std::string(b.raw, 3), "\x01\xAB\xFF");

    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("вид"_cp, "байты"_cp, ""), "01ABFF");
    EXPECT_EQ(ini.ReadString("архив"_cp, "когда"_cp, "").size(), 16u);
    EXPECT_EQ(ini.ReadString("архив"_cp, "биты"_cp, ""), "-16");
}

TEST_F(IniOptionsTest, MissingKeysAndRawBytesOfTheWrongLengthLeaveVariablesUnchanged) {
    gti_test::write_bytes(name, "[архив]\r\nномер=5\r\n"_cp);
    archive a;
    a.depth = 3.5;
    a.well = "как было"_cp;
    a.history.Add("старое"_cp);
    std::memcpy(a.raw, "xyz", 3);
    a.load(name);
    EXPECT_EQ(a.number, 5);
    EXPECT_EQ(a.depth, 3.5);
    EXPECT_EQ(a.well, "как было"_cp);
    EXPECT_EQ(a.history.Text(), "старое\r\n"_cp);
    EXPECT_EQ(std::string(a.raw, 3), "xyz");
    gti_test::write_bytes(name, "[вид]\r\nбайты=0A0B\r\n"_cp);
    a.load(name);
    EXPECT_EQ(std::string(a.raw, 3), "xyz");
    gti_test::write_bytes(name, "[вид]\r\nбайты=0A0bZZ1\r\n"_cp);  // 7 digits count as 3 bytes
    a.load(name);
    EXPECT_EQ(std::string(a.raw, 3), std::string("\x0A\x0B\x00", 3));
}

TEST_F(IniOptionsTest, ATextWithALineBreakIsNotWrittenAndTheOthersAre) {
    archive a;
    a.number = 1;
    a.save(name);
    const std::string before = gti_test::read_bytes(name);
    a.well = "две\nстроки"_cp;
    a.number = 2;
    a.save(name);
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadInteger("архив"_cp, "номер"_cp, 0), 2);
    EXPECT_EQ(ini.ReadString("архив"_cp, "скважина"_cp, "x"), "");  // the earlier value stays
    EXPECT_EQ(gti_test::read_bytes(name).find("строки"_cp), std::string::npos);
}

TEST_F(IniOptionsTest, BlankFileNamesDoNothing) {
    archive a;
    a.save(AnsiString("   "));
    a.load(AnsiString(""));
    EXPECT_EQ(a.file_name, "");
}

// A list of depth marks kept in one section.
struct marks : IniSerialData {
    struct mark : IniSerialItem {
        mark(const char* t = "") : text(t) {}
        AnsiString text;
        void to_string(AnsiString& t) override { t = text; }
        void from_string(const AnsiString& t) override { text = t; }
    };
    std::vector<mark> items;
    int loads = 0;

    marks() : IniSerialData("отметки"_cp) {}
    int size() override { return static_cast<int>(items.size()); }
    IniSerialItem* item(int i) override { return &items[static_cast<std::size_t>(i)]; }
    void resize(int n) override { items.resize(static_cast<std::size_t>(n)); }
    void after_load(TIniFile*) override { ++loads; }
};

TEST_F(IniOptionsTest, AListReplacesItsWholeSection) {
    marks five;
    for (const char* t : {"a", "b c", "д"_cp, "e", "f"})
        five.items.emplace_back(t);
    five.save(name);
    using mark = marks::mark;
    marks two;
    two.items = {mark("x"), mark(" y ")};
    two.save(name);
    EXPECT_EQ(gti_test::read_bytes(name), "[отметки]\r\nsize=2\r\nitem1=\"x\"\r\nitem2=\" y \"\r\n"_cp);
    marks back;
    back.load(name);
    ASSERT_EQ(back.items.size(), 2u);
    EXPECT_EQ(back.items[1].text, " y ");
    EXPECT_EQ(back.loads, 1);
}

TEST_F(IniOptionsTest, AListWithoutItsSectionStaysAsItWasAndAnImpossibleItemCountIsRefused) {
    gti_test::write_bytes(name, "[другое]\r\nsize=3\r\n"_cp);
    marks m;
    m.items = {marks::mark("keep")};
    m.load(name);
    EXPECT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.loads, 0);
    for (const char* size : {"2000000000", "-5", "3"}) {
        SCOPED_TRACE(size);
        gti_test::write_bytes(name, std::string("[отметки]\r\nsize="_cp) + size + "\r\nitem1=\"a\"\r\n");
        marks refused;
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { refused.load(name); },
                                                    "IniSerialData::load: item count out of range"));
        EXPECT_TRUE(refused.items.empty());
    }
}

}  // namespace
