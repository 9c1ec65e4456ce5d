#include "gti/ui/strip_chart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "support.h"

using namespace lib::literals;
using lib::ui::strip_chart;
using lib::ui::strip_chart_options;

namespace {

// A run of `count` records a minute apart, deepening 0.5 m a record except every tenth, which
// stays at the depth before it (a connection).
void make_run(FileStorage& store, int count) {
    store.add_parametr(FileStorageParam("Вес на крюке"_cp, "Вес"_cp, "т"_cp, "вес_на_крюке"_cp, 0, 200));
    store.add_parametr(FileStorageParam("Нагрузка"_cp, "Нагр"_cp, "т"_cp, "нагрузка"_cp, 0, 30));
    store.add_parametr(FileStorageParam("Давление"_cp, "Давл"_cp, "атм"_cp, "давление_на_входе"_cp, 0, 250));
    const std::uint32_t start = lib::time_2_long(2024, 3, 5, 7, 0, 0);
    float depth = 1000;
    for (int i = 0; i < count; ++i) {
        FileStorageItem item;
        item.time = start + static_cast<std::uint32_t>(i) * 60;
        if (i % 10 != 5) depth += 0.5f;
        item.depth = depth;
        item.values = {100.0f + static_cast<float>(i % 7), 12.0f, 150.0f};
        store.add_record(item);
    }
    store.get_text_values().well = "Южная-7"_cp;
    store.get_text_values().race_number = 12;
}

// What an SVG shows, read back from its text: each curve group's polylines (their point
// counts), the track groups and the texts.
struct svg_structure {
    std::vector<std::string> tracks;
    std::vector<std::pair<std::string, std::vector<int>>> curves;
    std::vector<std::string> texts;
};

// The values of every `<tag attribute="...">` in `doc`, in order (no regex: a backtracking
// match of a long polyline would recurse once per character).
std::vector<std::pair<std::size_t, std::string>> attributes(const std::string& doc, const std::string& opening) {
    std::vector<std::pair<std::size_t, std::string>> out;
    for (std::size_t at = doc.find(opening); at != std::string::npos; at = doc.find(opening, at + 1)) {
        const std::size_t begin = at + opening.size(), end = doc.find('"', begin);
        out.emplace_back(at, doc.substr(begin, end - begin));
    }
    return out;
}

svg_structure read_svg(const std::string& doc) {
    svg_structure s;
    for (const auto& [at, id] : attributes(doc, "<g id=\"")) {
        if (id.starts_with("track-")) s.tracks.push_back(id);
        if (!id.starts_with("curve-")) continue;
        const std::string body = doc.substr(at, doc.find("</g>", at) - at);
        std::vector<int> counts;
        for (const auto& [p, points] : attributes(body, "<polyline points=\""))
            counts.push_back(static_cast<int>(std::count(points.begin(), points.end(), ' ')) + 1);
        s.curves.emplace_back(id, counts);
    }
    for (std::size_t at = doc.find("<text "); at != std::string::npos; at = doc.find("<text ", at + 1)) {
        const std::size_t begin = doc.find('>', at) + 1;
        s.texts.push_back(doc.substr(begin, doc.find("</text>", begin) - begin));
    }
    return s;
}

// True when a text of the SVG holds `part` (station text).
bool has_text(const svg_structure& s, const char* station_text) {
    const std::string part = lib::cp1251::to_utf8(station_text);
    return std::any_of(s.texts.begin(), s.texts.end(), [&](const std::string& t) { return t.find(part) != t.npos; });
}

TEST(StripChart, SvgOfADepthLogHasItsTracksCurvesAndHeader) {
    FileStorage store;
    make_run(store, 50);
    strip_chart_options options;
    options.tracks = {{"вес_на_крюке"_cp}, {"НАГРУЗКА"_cp, "давление_на_входе"_cp}};
    options.body_height = 400;
    const strip_chart chart(store, options);
    // Every tenth record, from the sixth on, does not deepen the hole.
    EXPECT_EQ(chart.row_count(), 45);
    lib::ui::svg_canvas canvas(chart.width(), chart.height());
    chart.draw(canvas);
    const svg_structure s = read_svg(canvas.document());
    EXPECT_EQ(s.tracks, (std::vector<std::string>{"track-1", "track-2"}));
    ASSERT_EQ(s.curves.size(), 3u);
    for (const auto& [id, counts] : s.curves)
        EXPECT_EQ(counts, std::vector<int>{45}) << id;
    // Header, scales in the parameters' units, depth labels.
    for (const char* text : {"Скважина Южная-7"_cp, "Рейс № 12"_cp, "По глубине: 1000.50 – 1022.50 м"_cp,
                             "Вес на крюке"_cp, "атм"_cp, "1010"})
        EXPECT_TRUE(has_text(s, text)) << lib::cp1251::to_utf8(text);
}

TEST(StripChart, LongTimeSeriesAreDrawnInPiecesWithinTheRange) {
    FileStorage store;
    make_run(store, 5000);
    strip_chart_options options;
    options.tracks = {{"нагрузка"_cp}};
    options.by_time = true;
    options.body_height = 6000;  // a pixel row for every record
    const strip_chart all(store, options);
    lib::ui::svg_canvas canvas(all.width(), all.height());
    all.draw(canvas);
    const svg_structure s = read_svg(canvas.document());
    ASSERT_EQ(s.curves.size(), 1u);
    EXPECT_EQ(s.curves[0].second, (std::vector<int>{2047, 2047, 908}));

    const std::uint32_t start = lib::time_2_long(2024, 3, 5, 7, 0, 0);
    options.has_from = options.has_to = true;
    options.from = start + 600;
    options.to = start + 1200;
    EXPECT_EQ(strip_chart(store, options).row_count(), 11);
}

TEST(StripChart, DepthsBeyondDoublePrecisionOfTheGridStillEnd) {
    FileStorage store;
    store.add_parametr(FileStorageParam("a", "a", "m", "a"));
    FileStorageItem item;
    item.depth = 1e17f;
    item.values = {1};
    store.add_record(item);
    strip_chart_options options;
    options.has_from = options.has_to = true;
    options.from = item.depth;
    options.to = options.from + 64;  // a grid step of 0.1 that adding to 1e17 cannot change
    const strip_chart chart(store, options);
    lib::ui::svg_canvas canvas(chart.width(), chart.height());
    chart.draw(canvas);
    EXPECT_EQ(chart.row_count(), 1);
}

TEST(StripChart, RefusesWhatItCannotDraw) {
    FileStorage store;
    make_run(store, 20);
    const auto fails = [&](strip_chart_options o, const char* message) {
        try {
            strip_chart chart(store, o);
            ADD_FAILURE() << "no error: " << message;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    };
    strip_chart_options o;
    o.tracks = {{"нет_такого"_cp}};
    fails(o, "no parameter with the key");
    o.tracks = {{"нагрузка"_cp}};
    o.has_from = o.has_to = true;
    o.from = 2000, o.to = 1000;
    fails(o, "empty or reversed");
    o.from = 2000, o.to = 3000;
    fails(o, "no records in the range");
    FileStorage empty;
    EXPECT_THROW(strip_chart(empty, strip_chart_options{}), std::runtime_error);
}

TEST(StripChart, PngIsAnImageOfTheChartsSize) {
    FileStorage store;
    make_run(store, 50);
    strip_chart_options options;
    options.body_height = 300;
    const strip_chart chart(store, options);
    lib::ui::png_canvas blank(chart.width(), chart.height());
    lib::ui::png_canvas canvas(chart.width(), chart.height());
    chart.draw(canvas);
    const std::string png = canvas.png_bytes();
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), chart.width());
    EXPECT_EQ(be32(20), chart.height());
    // A drawn chart holds far more than a white page.
    EXPECT_GT(png.size(), 4 * blank.png_bytes().size());

    gti_test::temp_dir dir;
    // A large old file is replaced as a whole; a file that cannot be written names itself.
    gti_test::write_bytes(dir.file("chart.png"), std::string(9 << 20, 'x'));
    canvas.save(dir.file("chart.png"));
    EXPECT_EQ(gti_test::read_bytes(dir.file("chart.png")), png);
    EXPECT_THROW(canvas.save(dir.file("missing/chart.png")), std::runtime_error);
    EXPECT_THROW(lib::ui::png_canvas(0, 10), std::runtime_error);
}

}  // namespace
