#include "gti/ui/properties.h"

#include <gtest/gtest.h>

#include "expect.h"
#include "gti/platform/cp_literal.h"

using namespace lib;
using namespace lib::literals;

namespace {

TEST(Properties, EditsReportChangesAndCallTheCallback) {
    int count = 3;
    float level = 1.0f;
    AnsiString title = "a";
    TColor color = TColor(0);
    Properties props;
    props.add_int(count, "Count", 7);
    props.add_float(level, "Уровень"_cp, 3);
    props.add_string(title, "title");
    props.add_color(color, "color");
    int calls = 0;
    for (int i = 0; i < props.size(); ++i)
        props.at(i).on_change = [&] { ++calls; };

    struct {
        const char* name;
        const char* text;
        bool changed;
        const char* shown;
    } const rows[] = {
        {"count", "12", true, "12"},
        {"COUNT", "12", false, "12"},
        {"count", "twelve", true, "7"},  // not a number: the default
        {"count", "7", false, "7"},
        {"уровень"_cp, "1.0004", false, "1.000"},
        {"УРОВЕНЬ"_cp, "1.0006", true, "1.001"},
        {"уровень"_cp, "1,5", true, "1.500"},
        {"уровень"_cp, "nan", false, "1.500"},  // no number to store
        {"title", "b", true, "b"},
        {"title", "b", false, "b"},
        {"color", "clRed", true, "clRed"},
        {"color", "$FF0000", true, "clBlue"},
        {"color", "no colour", false, "clBlue"},
    };
    int expected_calls = 0;
    for (const auto& row : rows) {
        Property& p = props[row.name];
        EXPECT_EQ(p.set(row.text), row.changed) << row.name << " " << row.text;
        EXPECT_EQ(p.get_value(), row.shown) << row.name << " " << row.text;
        expected_calls += row.changed;
    }
    EXPECT_EQ(calls, expected_calls);
    EXPECT_EQ(count, 7);
    EXPECT_FLOAT_EQ(level, 1.5f);
}

TEST(Properties, KindsAndUnknownNames) {
    int i = 0;
    float f = 0;
    AnsiString s;
    TColor c = TColor(0);
    Properties props;
    props.add_int(i, "i", 0);
    props.add_float(f, "f", 1);
    props.add_string(s, "s");
    props.add_color(c, "c");
    props.add_file_name(s, "file");
    props.add_str_dialog(s, "dialog");
    for (int k = 0; k < props.size(); ++k)
        EXPECT_EQ(props.at(k).get_type(), k);
    props["file"].set("x.txt");
    EXPECT_EQ(props["dialog"].get_value(), "x.txt");
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { props["missing"]; }, "Wrong property"));
    props.clear();
    EXPECT_THROW(props["i"], std::runtime_error);
}

}  // namespace
