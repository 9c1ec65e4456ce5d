#include "gti/las/export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

#include "gti/io/streams.h"
#include "gti/las/import.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "support.h"

using namespace lib::literals;
using lib::las::export_index;
using lib::las::export_options;

namespace {

const std::uint32_t start = lib::time_2_long(2024, 3, 5, 7, 0, 0);
const double null = -9999;

// Records taken while the bit went down, came back up and went down again.
void fill(FileStorage& s) {
    s.add_parametr({"Вес на крюке"_cp, "W", "т"_cp, "вес_на_крюке"_cp});
    s.add_parametr({"Ходы"_cp, "N", "ход/мин"_cp, "ВЕС_НА_КРЮКЕ2"_cp});
    s.add_parametr({"Другой вес"_cp, "W", "т"_cp, "вес-на-крюке"_cp});  // the same letters after transliteration
    struct row {
        std::uint32_t time;
        float depth;
        std::vector<float> values;
    };
    for (const row& r : {row{0, 10.0f, {1, 2, 3}}, row{1, 12.0f, {4, 5, 6}}, row{2, 11.0f, {7}},
                         row{3, 13.0f, {8, std::numeric_limits<float>::quiet_NaN(), 9}}, row{4, 14.0f, {10, 11, 12}}}) {
        FileStorageItem item;
        item.time = start + r.time;
        item.depth = r.depth;
        item.values.assign(r.values.begin(), r.values.end());
        s.add_record(item);
    }
    s.get_text_values().well = "Южная-7"_cp;
    s.get_text_values().area = "Поле: 5 марта 2024г. 7:00"_cp;
}

std::vector<double> column(const lib::las::file& doc, int c) {
    std::vector<double> v;
    for (int row = 0; row < doc.values.size(); ++row)
        v.push_back(doc.values.at(c, row));
    return v;
}

AnsiString well_value(lib::las::file& doc, const char* name) {
    return doc.get_well_block()->add(name).value;
}

std::string saved(lib::las::file& doc) {
    lib::io::BinaryMemoryOutputStream out;
    doc.save(out);
    return gti_test::bytes_of(out);
}

TEST(LasExport, ADepthLogHasARowPerStepOfNewHoleAndNoneWithoutIt) {
    FileStorage s;
    fill(s);
    lib::las::file doc;
    EXPECT_EQ(lib::las::export_storage(s, {}, doc), 40);  // 10.1 to 14.0 m
    const auto curves = doc.get_curve_block();
    ASSERT_EQ(curves->size(), 4);
    EXPECT_EQ(curves->item_by_index(1).mnemonic, "VES_NA_KRYUKE");
    EXPECT_EQ(curves->item_by_index(3).mnemonic, "VESNAKRYUKE");
    EXPECT_EQ(well_value(doc, "STRT"), "10.1");
    EXPECT_EQ(well_value(doc, "STOP"), "14.0");
    EXPECT_EQ(well_value(doc, "STEP"), "0.1");
    EXPECT_EQ(doc.values.at(0, 18), 11.9);
    EXPECT_EQ(doc.values.at(0, 19), 12.0);
    // 12 m and 13 m were drilled by one record each; 11 m was drilled before, on the way down.
    const std::vector<std::pair<int, std::vector<double>>> rows = {
        {0, {10.1, null, null, null}}, {19, {12, 4, 5, 6}}, {29, {13, 8, null, 9}}, {39, {14, 10, 11, 12}}};
    for (const auto& [row, expected] : rows)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(doc.values.at(c, row), expected[static_cast<std::size_t>(c)]) << row << " " << c;
    // Without new hole the depth log is empty.
    for (int i = 0; i < s.get_record_count(); ++i)
        s.get_record_ptr(i)->depth = 10.0f;
    EXPECT_EQ(lib::las::export_storage(s, {}, doc), 0);
}

TEST(LasExport, RecordsOfOneStepAreAggregated) {
    FileStorage s;
    s.add_parametr({"Вес"_cp, "W", "т"_cp, "вес"_cp});
    const float depths[] = {100.0f, 100.02f, 100.05f, 100.1f, 100.3f};
    const float values[] = {9, 1, 3, 2, 5};
    for (int i = 0; i < 5; ++i) {
        FileStorageItem item;
        item.time = start + static_cast<std::uint32_t>(i);
        item.depth = depths[i];
        item.values = {values[i]};
        s.add_record(item);
    }
    const std::pair<lib::las::aggregation, double> cases[] = {{lib::las::aggregation::mean, 2},
                                                              {lib::las::aggregation::last, 2},
                                                              {lib::las::aggregation::min, 1},
                                                              {lib::las::aggregation::max, 3}};
    for (const auto& [agg, first] : cases) {
        export_options options;
        options.agg = agg;
        options.step = 0.1;
        lib::las::file doc;
        ASSERT_EQ(lib::las::export_storage(s, options, doc), 3);
        EXPECT_EQ(column(doc, 0), (std::vector<double>{100.1, 100.2, 100.3}));
        EXPECT_EQ(column(doc, 1), (std::vector<double>{first, null, 5}));
    }
    export_options coarse;
    coarse.step = 0.25;
    lib::las::file doc;
    ASSERT_EQ(lib::las::export_storage(s, coarse, doc), 2);
    EXPECT_EQ(column(doc, 0), (std::vector<double>{100.25, 100.5}));
    coarse.step = -1;
    EXPECT_THROW(lib::las::export_storage(s, coarse, doc), std::runtime_error);
}

TEST(LasExport, ByTimeAndByRecord) {
    FileStorage s;
    fill(s);
    export_options options;
    options.index = export_index::records;
    lib::las::file doc;
    lib::las::export_storage(s, options, doc);
    EXPECT_EQ(column(doc, 0), (std::vector<double>{10, 11, 12, 13, 14}));
    EXPECT_EQ(column(doc, 2), (std::vector<double>{2, null, 5, null, 11}));
    options.valid_only = true;
    s.get_record_ptr(2)->valid = false;
    const FileStorage& unchanged = s;
    lib::las::export_storage(unchanged, options, doc);
    EXPECT_EQ(column(doc, 0), (std::vector<double>{10, 11, 13, 14}));  // the pass at 12 m was undone
    EXPECT_TRUE(s.get_record(1)->valid);                               // the marks of the export are its own
    EXPECT_FALSE(s.get_record(2)->valid);

    options = {};
    options.index = export_index::time;
    options.params = {"VES_NA_KRYUKE", "вес-на-крюке"_cp};
    lib::las::export_storage(s, options, doc);
    EXPECT_EQ(doc.get_curve_block()->item_by_index(0).mnemonic, "TIME");
    EXPECT_EQ(doc.get_param_count(), 4);
    const double epoch = 1709622000;  // 2024-03-05 07:00:00
    EXPECT_EQ(column(doc, 0), (std::vector<double>{epoch, epoch + 1, epoch + 2, epoch + 3, epoch + 4}));
    EXPECT_EQ(column(doc, 1), (std::vector<double>{10, 12, 11, 13, 14}));
    EXPECT_EQ(well_value(doc, "STEP"), "1.0");
    options.iso_time = true;
    lib::las::export_storage(s, options, doc);
    const std::string text = saved(doc);
    EXPECT_NE(text.find("\n2024-03-05T07:00:04 "), std::string::npos);
    lib::las::file back;
    back.load_text(text);
    EXPECT_EQ(back.values.at(0, 4), epoch + 4);
    // A time past the year 9999 goes out as the number, which reads back.
    for (const double beyond : {1e300, 253402300800.0}) {
        doc.values.at(0, 4) = beyond;
        back.load_text(saved(doc));
        EXPECT_EQ(back.values.at(0, 4), beyond);
    }
    options.params = {"нет"_cp};
    EXPECT_THROW(lib::las::export_storage(s, options, doc), std::runtime_error);
}

TEST(LasExport, ReadsBackWithEveryNumberAndHeaderValue) {
    FileStorage s;
    fill(s);
    std::mt19937 random(5);
    for (int i = 0; i < s.get_record_count(); ++i) {
        FileStorageItem* r = s.get_record_ptr(i);
        r->depth = 1500.1f + static_cast<float>(i) * 0.1f;
        for (float& v : r->values)
            if (!std::isnan(v))
                v = std::ldexp(static_cast<float>(random() % 16777216), static_cast<int>(random() % 60) - 40);
    }
    export_options options;
    options.index = export_index::records;
    lib::las::file doc;
    lib::las::export_storage(s, options, doc);
    EXPECT_EQ(well_value(doc, "DATE"), "2024-03-05T07:00:00");
    lib::las::file back;
    back.load_text(saved(doc));
    EXPECT_EQ(back.diagnostics.total(), 0u);
    ASSERT_EQ(back.values.size(), 5);
    for (int i = 0; i < 5; ++i) {
        const FileStorageItem& r = *s.get_record(i);
        EXPECT_EQ(static_cast<float>(back.values.at(0, i)), r.depth);
        for (std::size_t p = 0; p < r.values.size(); ++p) {
            if (std::isnan(r.values[p])) continue;
            EXPECT_EQ(static_cast<float>(back.values.at(1 + static_cast<int>(p), i)), r.values[p]);
        }
    }
    EXPECT_EQ(back.values.at(0, 0), 1500.1);
    for (const char* name : {"WELL", "FLD", "DATE", "STRT", "STOP", "NULL"})
        EXPECT_EQ(well_value(back, name), well_value(doc, name)) << name;
    EXPECT_EQ(back.get_curve_block()->item_by_index(1).description, "Вес на крюке (вес_на_крюке)"_cp);
}

// Times go out as the time module converts them, the station's 2100-03-01 included, and come back.
TEST(LasExport, TimesAfterTheStationsLeapDayOf2100KeepTheirDate) {
    FileStorage s;
    s.add_parametr({"Вес"_cp, "W", "т"_cp, "вес"_cp});
    for (const std::uint32_t t : {lib::time_2_long(2100, 2, 28, 12, 0, 0), lib::time_2_long(2100, 3, 1, 12, 0, 0)}) {
        FileStorageItem item;
        item.time = t;
        item.values = {1};
        s.add_record(item);
    }
    export_options options;
    options.index = export_index::time;
    options.iso_time = true;
    lib::las::file doc;
    lib::las::export_storage(s, options, doc);
    const std::string text = saved(doc);
    EXPECT_NE(text.find("\n2100-03-01T12:00:00 "), std::string::npos) << text;
    lib::las::file back;
    back.load_text(text);
    FileStorage again;
    lib::las::import_storage(back, again);
    ASSERT_EQ(again.get_record_count(), 2);
    EXPECT_EQ(again.get_record(1)->time, s.get_record(1)->time);
}

// A log written into and read from folders whose names code page 1251 cannot hold.
TEST(LasExport, SavesAndLoadsInFoldersOfAnyName) {
    FileStorage s;
    fill(s);
    lib::las::file doc;
    lib::las::export_storage(s, {}, doc);
    const gti_test::temp_dir root;
    for (const char8_t* folder_name : {u8"Sleipner \u00D8st", u8"\u4E95"}) {
        const std::filesystem::path folder = std::filesystem::path(root.path().str()) / folder_name;
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        doc.save(folder / "12.las");
        lib::las::file back;
        back.load(folder / "12.las");
        EXPECT_EQ(back.values.size(), 40);
        EXPECT_EQ(well_value(back, "WELL"), "Южная-7"_cp);
        try {
            back.load(folder / "none.las");
            ADD_FAILURE() << "a missing file was read";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("<U+"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
