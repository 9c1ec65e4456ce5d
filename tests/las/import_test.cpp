#include "gti/las/import.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gti/io/streams.h"
#include "gti/las/export.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "support.h"

using namespace lib::literals;

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();

// A log made by the exporter and read back by the reader.
void exported(FileStorage& s, lib::las::export_options options, lib::las::file& doc) {
    lib::las::file made;
    lib::las::export_storage(s, options, made);
    lib::io::BinaryMemoryOutputStream out;
    made.save(out);
    doc.load_text(gti_test::bytes_of(out));
}

std::vector<float> column(const FileStorage& s, int p) {
    std::vector<float> v;
    for (int i = 0; i < s.get_record_count(); ++i)
        v.push_back(p < 0 ? s.get_record(i)->depth : s.get_record(i)->values[static_cast<std::size_t>(p)]);
    return v;
}

// Equal, NaN equal to NaN.
bool same(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])))) return false;
    return true;
}

TEST(LasImport, AnExportedTimeLogComesBackAsItsStore) {
    FileStorage s;
    s.add_parametr({"Вес на крюке"_cp, "W", "т"_cp, "вес_на_крюке"_cp});
    s.add_parametr({"Ходы"_cp, "N", "ход/мин"_cp, "ВЕС_НА_КРЮКЕ2"_cp});
    const std::uint32_t start = lib::time_2_long(2024, 3, 5, 7, 0, 0);
    const std::vector<std::vector<float>> values = {{1.5f, 2}, {nan, 3.25f}, {4, nan}};
    for (std::size_t i = 0; i < values.size(); ++i) {
        FileStorageItem item;
        item.time = start + static_cast<std::uint32_t>(i) * 10;
        item.depth = 1500.1f + static_cast<float>(i);
        item.values.assign(values[i].begin(), values[i].end());
        s.add_record(item);
    }
    s.get_text_values().well = "Южная-7"_cp;
    s.get_text_values().area = "Поле"_cp;
    s.get_text_values().race_number = 12;

    for (const bool iso : {false, true}) {
        lib::las::export_options options;
        options.index = lib::las::export_index::time;
        options.iso_time = iso;
        lib::las::file doc;
        exported(s, options, doc);
        FileStorage back;
        const auto result = lib::las::import_storage(doc, back);
        EXPECT_EQ(result.records, 3);
        EXPECT_EQ(result.skipped, 0);
        ASSERT_EQ(back.get_param_count(), 2);
        for (int p = 0; p < 2; ++p) {
            EXPECT_EQ(back.get_param(p)->global_name, s.get_param(p)->global_name);
            EXPECT_EQ(back.get_param(p)->name, s.get_param(p)->name);
            EXPECT_EQ(back.get_param(p)->unit, s.get_param(p)->unit);
            EXPECT_TRUE(same(column(back, p), column(s, p))) << p;
        }
        EXPECT_EQ(back.get_param(0)->scale_min, 1.5f);
        EXPECT_EQ(back.get_param(0)->scale_max, 4.0f);
        EXPECT_TRUE(same(column(back, -1), column(s, -1)));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(back.get_record(i)->time, s.get_record(i)->time);
        EXPECT_EQ(back.get_text_values().well, "Южная-7"_cp);
        EXPECT_EQ(back.get_text_values().area, "Поле"_cp);
        EXPECT_EQ(back.get_text_values().race_number, 12);
    }
}

// Logs written elsewhere: what the index, NULLs and mnemonics become.
TEST(LasImport, IndexesUnitsAndNulls) {
    const std::string head = "~V\nVERS. 2.0 :\nWRAP. NO :\n~W\nNULL. -999.25 :\n";
    struct row {
        const char* name;
        std::string text;
        int skipped;
        std::vector<std::uint32_t> times;  // station time values
        std::vector<float> depths;
        std::vector<AnsiString> keys;
        std::vector<float> first;
    };
    // clang-format off
    const row rows[] = {
        {"depth in feet, DATE for the time",
         head + "DATE. 2024-03-05T07:00:00 :\n~C\nDEPT.FT :\nGR.GAPI : Gamma ray\ngr.GAPI :\n"
                "~A\n10 1 2\n20 -999.25 4\n",
         0, {1709708400, 1709708400}, {3.048f, 6.096f}, {"GR", "gr_2"}, {1, nan}},
        {"time in ms, a NULL time left out",
         head + "~C\nETIM.MS :\nDEPT.M :\nROP.M/H :\n~A\n1000 5 7\n-999.25 6 8\n2500 nan x\n",
         1, {86401, 86403}, {5, nan}, {"ROP"}, {7, nan}},
        {"a depth log with a time curve", head + "~C\nDEPT.M :\nTIME.S :\nWOB.T :\n~A\n100 60 1\n",
         0, {86460}, {100}, {"WOB"}, {1}},
        {"time log without DEPT", head + "~C\nTIME.S :\nWOB.T :\n~A\n60 1\n", 0, {86460}, {nan}, {"WOB"}, {1}},
        {"2100-03-01 after the station's 2100-02-29, a time past the last",
         head + "~C\nTIME.S :\nWOB.T :\n~A\n4107542400 1\n4294967296 2\n",
         1, {4107715200}, {nan}, {"WOB"}, {1}},
    };
    // clang-format on
    for (const row& r : rows) {
        lib::las::file doc;
        doc.load_text(r.text);
        FileStorage s;
        const auto result = lib::las::import_storage(doc, s);
        EXPECT_EQ(result.skipped, r.skipped) << r.name;
        ASSERT_EQ(result.records, static_cast<int>(r.times.size())) << r.name;
        for (std::size_t i = 0; i < r.times.size(); ++i)
            EXPECT_EQ(s.get_record(static_cast<int>(i))->time, r.times[i]) << r.name;
        EXPECT_TRUE(same(column(s, -1), r.depths)) << r.name;
        ASSERT_EQ(s.get_param_count(), static_cast<int>(r.keys.size())) << r.name;
        for (std::size_t p = 0; p < r.keys.size(); ++p)
            EXPECT_EQ(s.get_param(static_cast<int>(p))->global_name, r.keys[p]) << r.name;
        EXPECT_TRUE(same(column(s, 0), r.first)) << r.name;
    }
}

TEST(LasImport, NoLogIsAnError) {
    for (const char* text : {"no tilde here\n", "~V\nVERS. 2.0 :\n~A\n1 2\n"}) {
        lib::las::file doc;
        doc.load_text(text);
        FileStorage s;
        EXPECT_THROW(lib::las::import_storage(doc, s), std::runtime_error) << text;
    }
    std::string wide = "~C\nDEPT.M :\n";
    for (int c = 0; c <= FileStorage::max_params; ++c)
        wide += "C" + std::to_string(c) + ". :\n";
    lib::las::file doc;
    doc.load_text(wide + "~A\n");
    FileStorage s;
    EXPECT_THROW(lib::las::import_storage(doc, s), std::runtime_error);
}

}  // namespace
