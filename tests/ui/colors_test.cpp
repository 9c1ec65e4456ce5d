#include "gti/ui/colors.h"

#include <gtest/gtest.h>

#include <vector>

#include "recording_canvas.h"

using namespace lib;

// fontconfig keeps its configuration for the life of the process, as cairo's fonts use it; the
// leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
using gti_test::recording_canvas;

namespace {

TEST(Colors, SplitJoinAndSystemColours) {
    int r, g, b;
    color_to_rgb(TColor(0x123456), r, g, b);
    EXPECT_EQ((std::vector{r, g, b}), (std::vector{0x56, 0x34, 0x12}));
    EXPECT_EQ(rgb_to_color(0x56, 0x34, 0x12), TColor(0x123456));
    // The face of buttons resolves through the system table; an unknown index is black.
    color_to_rgb(TColor(0x8000000F), r, g, b);
    EXPECT_EQ((std::vector{r, g, b}), (std::vector{0xF0, 0xF0, 0xF0}));
    color_to_rgb(TColor(0x800000FF), r, g, b);
    EXPECT_EQ((std::vector{r, g, b}), (std::vector{0, 0, 0}));
}

TEST(Colors, InverseAndLighterShades) {
    struct {
        TColor c;
        TColor inverse;
    } const inverse_rows[] = {
        {TColor(0xFFFFFF), TColor(0)},        {TColor(0), TColor(0xFFFFFF)},
        {TColor(0x0000FF), TColor(0xFFFFFF)},  // red: 76.5
        {TColor(0x00FF00), TColor(0)},         // green: 127.5
        {TColor(0x80000005), TColor(0)},       // the window's colour, white
    };
    for (const auto& row : inverse_rows)
        EXPECT_EQ(get_inverse_color(row.c), row.inverse) << std::hex << row.c;

    struct {
        TColor c;
        int delta;
        TColor base;
        TColor result;
    } const light_rows[] = {
        {TColor(0), 0, TColor(0xFFFFFF), TColor(0x2F2F2F)},
        {TColor(0), 250, TColor(0xFFFFFF), TColor(0xFFFFFF)},
        {TColor(0x102030), 5, TColor(0), TColor(0x152535)},
        {TColor(0x102030), -0x20, TColor(0), TColor(0x000010)},  // clamped at 0, not borrowed
        {TColor(0x0000FF), -1000000000, TColor(0xFFFFFF), TColor(0)},
        {TColor(0x404040), 2000000000, TColor(0), TColor(0xFFFFFF)},
    };
    for (const auto& row : light_rows)
        EXPECT_EQ(transform_color_light(row.c, row.delta, row.base), row.result)
            << std::hex << row.c << " " << row.delta;
}

TEST(Colors, GradientBands) {
    struct {
        int width;
        std::size_t bands;
    } const rows[] = {{100, 32}, {10, 10}, {2, 2}, {1, 0}, {0, 0}, {-5, 0}};
    for (const auto& row : rows) {
        recording_canvas canvas;
        canvas.Brush.Style = bsClear;
        draw_gradient(&canvas, TRect{10, 5, 10 + row.width, 25}, TColor(0x000000), TColor(0x0000FF));
        ASSERT_EQ(canvas.fills.size(), row.bands) << row.width;
        if (row.bands == 0) continue;
        EXPECT_EQ(canvas.fills.front().color, TColor(0x000000));
        EXPECT_EQ(canvas.fills.back().color, TColor(0x0000FF));
        // The bands tile the rectangle without gaps.
        int x = 10;
        for (const auto& f : canvas.fills) {
            EXPECT_EQ(f.rect.left, x);
            EXPECT_EQ(f.rect.top, 5);
            EXPECT_EQ(f.rect.bottom, 25);
            x = f.rect.right;
        }
        EXPECT_EQ(x, 10 + row.width);
    }
    // Band 16 of 32 from 0 to 255 in red: 255 * 16 / 31 = 131.
    recording_canvas canvas;
    draw_gradient(&canvas, TRect{0, 0, 64, 1}, TColor(0), TColor(0x0000FF));
    EXPECT_EQ(canvas.fills[16].color, TColor(131));
}

TEST(Colors, PolylinePiecesShareTheirJoints) {
    struct {
        int count;
        std::vector<std::pair<int, int>> pieces;  // first point, count
    } const rows[] = {
        {4092, {{0, 2047}, {2046, 2046}}},
        {2047, {{0, 2047}, {2046, 1}}},
        {2046, {{0, 2046}}},
        {6000, {{0, 2047}, {2046, 2047}, {4092, 1908}}},
        {0, {}},
    };
    for (const auto& row : rows) {
        std::vector<TPoint> points(static_cast<std::size_t>(row.count));
        for (int i = 0; i < row.count; ++i)
            points[static_cast<std::size_t>(i)] = TPoint{i, 0};
        recording_canvas canvas;
        win9x_poly_line(&canvas, points.data(), row.count);
        ASSERT_EQ(canvas.polylines.size(), row.pieces.size()) << row.count;
        for (std::size_t k = 0; k < row.pieces.size(); ++k) {
            EXPECT_EQ(canvas.polylines[k].front().x, row.pieces[k].first) << row.count;
            EXPECT_EQ(static_cast<int>(canvas.polylines[k].size()), row.pieces[k].second) << row.count;
        }
    }
}

TEST(Colors, LineAndTextDimensions) {
    recording_canvas canvas;
    line(&canvas, 1, 2, 3, 4);
    ASSERT_EQ(canvas.polylines.size(), 1u);
    EXPECT_EQ(canvas.polylines[0], (std::vector<TPoint>{{1, 2}, {3, 4}}));
    int w = 0, h = 0;
    EXPECT_EQ(calc_text_dims(&canvas, "abc", w, h), 14);
    EXPECT_EQ(w, 23);
    EXPECT_EQ(h, 14);
    EXPECT_EQ(calc_text_dims(&canvas, "unmeasurable", w, h), 0);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, -1);
}

TEST(Colors, NamesAndNumbers) {
    struct {
        const char* text;
        bool ok;
        TColor c;
        const char* back;
    } const rows[] = {
        {"clRed", true, TColor(0x0000FF), "clRed"},
        {"CLBTNFACE", true, TColor(0x8000000F), "clBtnFace"},
        {"$00123456", true, TColor(0x123456), "1193046"},
        {"255", true, TColor(255), "clRed"},
        {"clPink", false, TColor(7), "7"},
        {"", false, TColor(7), "7"},
    };
    for (const auto& row : rows) {
        TColor c = TColor(7);
        EXPECT_EQ(string_to_color(row.text, c), row.ok) << row.text;
        EXPECT_EQ(c, row.c) << row.text;
        EXPECT_EQ(color_to_string(c), row.back) << row.text;
    }
}

}  // namespace
