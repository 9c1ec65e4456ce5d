#include "gti/las/export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "gti/io/streams.h"
#include "gti/platform/cp_literal.h"
#include "support.h"

using namespace lib::literals;

namespace {

using lib::las::export_options;

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
    for (const row& r :
         {row{100, 10.0f, {1, 2, 3}}, row{101, 12.0f, {4, 5, 6}}, row{102, 11.0f, {7}},
          row{103, 13.0f, {8, std::numeric_limits<float>::quiet_NaN(), 9}}, row{104, 14.0f, {10, 11, 12}}}) {
        FileStorageItem item;
        item.time = r.time;
        item.depth = r.depth;
        item.values.assign(r.values.begin(), r.values.end());
        s.add_record(item);
    }
    s.get_text_values().well = "Южная-7"_cp;
}

std::vector<double> column(const lib::las::file& doc, int c) {
    std::vector<double> v;
    for (int row = 0; row < doc.values.size(); ++row)
        v.push_back(doc.values.at(c, row));
    return v;
}

TEST(LasExport, CurvesRowsInDepthOrderAndNullForMissingValues) {
    FileStorage s;
    fill(s);
    lib::las::file doc;
    lib::las::export_storage(s, {}, doc);
    const auto curves = doc.get_curve_block();
    ASSERT_EQ(curves->size(), 4);
    EXPECT_EQ(curves->item_by_index(0).mnemonic, "DEPT");
    EXPECT_EQ(curves->item_by_index(1).mnemonic, "VES_NA_KRYUKE");
    EXPECT_EQ(curves->item_by_index(2).mnemonic, "VES_NA_KRYUKE2");
    EXPECT_EQ(curves->item_by_index(3).mnemonic, "VESNAKRYUKE");
    EXPECT_EQ(curves->item_by_index(1).description, "Вес на крюке (вес_на_крюке)"_cp);
    EXPECT_EQ(column(doc, 0), (std::vector<double>{10, 11, 12, 13, 14}));
    EXPECT_EQ(column(doc, 1), (std::vector<double>{1, 7, 4, 8, 10}));
    EXPECT_EQ(column(doc, 2), (std::vector<double>{2, -9999, 5, -9999, 11}));
    EXPECT_EQ(column(doc, 3), (std::vector<double>{3, -9999, 6, 9, 12}));
    EXPECT_EQ(doc.get_well_block()->add("WELL").value, "Южная-7"_cp);
    EXPECT_EQ(doc.get_well_block()->add("STEP").value, "1.0000");
}

TEST(LasExport, ValidOnlyAndByTime) {
    FileStorage s;
    fill(s);
    lib::las::file doc;
    lib::las::export_storage(s, {true, false}, doc);
    EXPECT_EQ(column(doc, 0), (std::vector<double>{10, 11, 13, 14}));  // the pass at 12 m was undone
    lib::las::export_storage(s, {false, true}, doc);
    EXPECT_EQ(doc.get_curve_block()->item_by_index(0).mnemonic, "TIME");
    EXPECT_EQ(column(doc, 0), (std::vector<double>{100, 101, 102, 103, 104}));
    EXPECT_EQ(column(doc, 1), (std::vector<double>{10, 12, 11, 13, 14}));
}

TEST(LasExport, ReadsBackAtTheWrittenPrecision) {
    FileStorage s;
    fill(s);
    s.get_record_ptr(0)->values[0] = 81.930744f;
    lib::las::file doc;
    lib::las::export_storage(s, {}, doc);
    lib::io::BinaryMemoryOutputStream out;
    doc.save(out);
    lib::las::file back;
    back.coding = lib::las::detailed::ansi_text;
    back.load_text(std::string_view(out.get_buffer(), out.get_size()));
    ASSERT_EQ(back.values.size(), 5);
    EXPECT_EQ(back.get_curve_block()->size(), 4);
    EXPECT_EQ(back.values.at(1, 0), 81.93074);
    EXPECT_EQ(back.values.at(2, 1), -9999.0);
    EXPECT_EQ(back.get_curve_block()->item_by_index(1).description, "Вес на крюке (вес_на_крюке)"_cp);
}

}  // namespace
