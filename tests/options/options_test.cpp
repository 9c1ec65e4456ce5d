#include "gti/options/options.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "expect.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/ini_file.h"
#include "gti/util/text.h"
#include "support.h"

using namespace lib::literals;

using namespace lib;
using gti_test::throws_with;

namespace {

enum class drill_method { rotary, turbine, combined };

// One option of every kind, in two sectors.
struct every_kind : options_base {
    int count = 0;
    unsigned start = 0;
    double depth = 0;
    double load_kg = 0;  // shown in tonnes
    drill_method method = drill_method::rotary;
    bool on = false;
    bool pump = false;
    AnsiString note;
    AnsiString unnamed = "untouched";

    void enum_values(options_list& list) override {
        list.sector("рейс"_cp, "Рейс"_cp);
        list.add(count, 5, "count", "Count", "");
        list.add(start, 0xFFFFFFFFu, "нач_время"_cp, "", "UNIX_TIME");
        list.add(depth, 10.25, "глубина"_cp, "Глубина"_cp, "м"_cp, 2, 1.0);
        list.add(load_kg, 2.5, "нагрузка"_cp, "Нагрузка"_cp, "т"_cp, 1, 1000.0);
        list.add(method, drill_method::turbine, "способ"_cp, "Способ"_cp, "Роторное|Турбинное|Смешанное"_cp);
        list.sector("насосы"_cp, "Насосы"_cp);
        list.add(on, true, "включен"_cp, "Включен"_cp);
        list.add(pump, false, "насос"_cp, "Насос"_cp, "Выкл|Вкл"_cp);
        list.add(note, "  с пробелами"_cp, "примечание"_cp, "Примечание"_cp);
        list.add(unnamed, "default", "", "Без ключа"_cp);
    }
};

class OptionsTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("options.ini");
};

TEST_F(OptionsTest, DefaultsAndTheStoredLayout) {
    every_kind o;
    o.set_defaults();
    EXPECT_EQ(o.count, 5);
    EXPECT_EQ(o.start, 0xFFFFFFFFu);
    EXPECT_EQ(o.load_kg, 2500.0);
    EXPECT_EQ(o.method, drill_method::turbine);
    EXPECT_EQ(o.unnamed, "default");  // defaults reach every descriptor
    o.note = "две\r\nстроки \\ и таб\t"_cp;
    o.save_to_ini(name);
    EXPECT_EQ(gti_test::read_bytes(name),
              "[рейс]\r\ncount=5\r\nнач_время=-1\r\nглубина=10.25\r\nнагрузка=2.5\r\nспособ=1 (Турбинное)\r\n"_cp
              "[насосы]\r\nвключен=1\r\nнасос=0\r\nпримечание=\"две\\nстроки \\\\ и таб\"\r\n"_cp);
}

TEST_F(OptionsTest, EveryKindSurvivesSaveAndLoad) {
    every_kind o;
    o.count = -42;
    o.start = 86400u * 12000;
    o.depth = 1234.56;
    o.load_kg = 12300;
    o.method = drill_method::combined;
    o.on = false;
    o.pump = true;
    o.note = " начало, \"кавычки\" и \\n конец "_cp;
    o.save_to_ini(name);
    every_kind back;
    back.load_from_ini(name);
    EXPECT_EQ(back.count, -42);
    EXPECT_EQ(back.start, 86400u * 12000);
    EXPECT_EQ(back.depth, 1234.56);
    EXPECT_EQ(back.load_kg, 12300.0);
    EXPECT_EQ(back.method, drill_method::combined);
    EXPECT_FALSE(back.on);
    EXPECT_TRUE(back.pump);
    EXPECT_EQ(back.note, o.note);
    EXPECT_EQ(back.unnamed, "untouched");  // no key: neither written nor read
}

TEST_F(OptionsTest, MissingOrEmptyKeysAndBadTextLoadTheDefault) {
    gti_test::write_bytes(name,
                          "[рейс]\r\ncount=\r\nглубина=abc\r\nспособ=3\r\n[насосы]\r\nнасос=Вкл\r\nвключен=x\r\n"_cp);
    every_kind o;
    o.count = 99;
    o.method = drill_method::combined;
    o.load_from_ini(name);
    EXPECT_EQ(o.count, 5);                       // empty value
    EXPECT_EQ(o.depth, 0.0);                     // a number that does not parse reads as 0
    EXPECT_EQ(o.load_kg, 2500.0);                // missing key
    EXPECT_EQ(o.method, drill_method::turbine);  // a bare index without a name
    EXPECT_FALSE(o.pump);                        // stored texts are "1"/"0": a name is not one
    EXPECT_FALSE(o.on);
    EXPECT_EQ(o.note, "  с пробелами"_cp);
}

TEST_F(OptionsTest, TextForms) {
    every_kind o;
    options_list list;
    o.enum_values(list);
    auto item = [&](const char* key) {
        for (const auto& i : list.items())
            if (i->name == key) return i;
        throw std::logic_error(key);
    };
    item("способ"_cp)->set_serial_string("3 (что угодно)"_cp);
    EXPECT_EQ(static_cast<int>(o.method), 3);
    EXPECT_EQ(item("способ"_cp)->get(), "?????");
    item("способ"_cp)->set("смешанное"_cp);
    EXPECT_EQ(o.method, drill_method::combined);
    item("нагрузка"_cp)->set("2,5");
    EXPECT_EQ(o.load_kg, 2500.0);
    EXPECT_EQ(item("нагрузка"_cp)->get(), "2.5");
    item("насос"_cp)->set("ВКЛ"_cp);
    EXPECT_TRUE(o.pump);
    EXPECT_EQ(item("насос"_cp)->get(), "Вкл"_cp);
    item("насос"_cp)->set("что-то"_cp);
    EXPECT_FALSE(o.pump);  // neither name: the default
    item("включен"_cp)->set("7");
    EXPECT_TRUE(o.on);
    item("count")->set("  ");
    EXPECT_EQ(o.count, 5);
    item("count")->set("12x");
    EXPECT_EQ(o.count, 5);
    EXPECT_EQ(item("count")->get_full_name(), "рейс.count"_cp);
    EXPECT_EQ(item("насос"_cp)->sector_caption, "Насосы"_cp);
    EXPECT_EQ(item("count")->get_type(), 7);
    EXPECT_EQ(item("нач_время"_cp)->get_type(), 8);
    EXPECT_EQ(item("примечание"_cp)->get_type(), 14);
}

TEST_F(OptionsTest, CopyPairsOptionsByPosition) {
    every_kind a, b;
    a.count = 3;
    a.note = "строка\nвторая"_cp;
    a.method = drill_method::combined;
    copy(a, b);
    EXPECT_EQ(b.count, 3);
    EXPECT_EQ(b.note, "строка\nвторая"_cp);
    EXPECT_EQ(b.method, drill_method::combined);
    EXPECT_FALSE(gti_test::exists(name));

    struct shorter : options_base {
        int x = 0;
        void enum_values(options_list& list) override { list.add(x, 0, "x", "X", ""); }
    } s;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { copy(a, s); }, "copy(options_base & src, options_base & dst)"));
    EXPECT_EQ(s.x, 0);
}

TEST(TextEscaping, OneLineThereAndBack) {
    struct row {
        const char* normal;
        const char* file;
    };
    for (const row& r : {row{"a\nb", "a\\nb"}, row{"c:\\data\\n", "c:\\\\data\\\\n"}, row{"", ""}, row{"\\", "\\\\"}}) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(normal_text_to_file(r.normal), r.file);
        EXPECT_EQ(file_text_to_normal(r.file), r.normal);
    }
    EXPECT_EQ(normal_text_to_file("a\r\n\tb"), "a\\nb");
    EXPECT_EQ(file_text_to_normal("c:\\temp"), "c:\\temp");  // a path written by hand keeps its backslash
    EXPECT_EQ(file_text_to_normal("end\\"), "end\\");        // nothing is read past a backslash at the end
}

TEST(OptionNames, SplitAtBarsAfterTrimming) {
    using options_detailed::split_names;
    EXPECT_EQ(split_names("  a| b |c  "), (std::vector<AnsiString>{"a", " b ", "c"}));
    EXPECT_EQ(split_names("a||"), (std::vector<AnsiString>{"a", "", ""}));
    EXPECT_TRUE(split_names("   ").empty());
}

}  // namespace
