#include "join.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "csv.h"
#include "gti/platform/cp_literal.h"
#include "inputs.h"
#include "support.h"

using namespace lib::literals;

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();

struct rec {
    std::uint32_t time;
    float depth;
    std::vector<float> values;
};

void fill(FileStorage& store, const std::vector<const char*>& keys, const std::vector<rec>& records) {
    for (const char* key : keys)
        store.add_parametr({key, key, "", key});
    for (const rec& r : records) {
        FileStorageItem item;
        item.time = r.time;
        item.depth = r.depth;
        item.values.assign(r.values.begin(), r.values.end());
        store.add_record(item);
    }
}

bool same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

TEST(Join, RecordsOfOneTimeBecomeOneAndMissingValuesStayMissing) {
    FileStorage general, gas, joined;
    fill(general, {"hook", "flow", "TOTGAS"},
         {{10, 100, {64, 31, nan}}, {13, 100, {65, 31, 0.5f}}, {10, 100, {66, nan, 0.1f}}, {16, nan, {67, 32, nan}}});
    fill(gas, {"totgas", "co2"}, {{16, 101, {0.3f, 2}}, {10, 101, {0.2f, 1}}, {25, 102, {0.4f, nan}}});
    general.get_text_values().get_list().Add("скважина=F-9"_cp);
    gas.get_text_values().get_list().Add("скважина=F-7"_cp);
    gas.get_text_values().get_list().Add("куст=1"_cp);
    gti_tool::join_by_time(joined, general);
    gti_tool::join_by_time(joined, gas);

    ASSERT_EQ(joined.get_param_count(), 4);  // TOTGAS and totgas are one key
    const std::vector<rec> expected = {
        {10, 100, {64, 31, 0.1f, 1}},    // the first non-missing value of each
        {13, 100, {65, 31, 0.5f, nan}},  // no gas at 13 s
        {16, 101, {67, 32, 0.3f, 2}},    // a missing depth filled
        {25, 102, {nan, nan, 0.4f, nan}},
    };
    ASSERT_EQ(joined.get_record_count(), static_cast<int>(expected.size()));
    for (std::size_t r = 0; r < expected.size(); ++r) {
        const FileStorageItem& got = *joined.get_record(static_cast<int>(r));
        SCOPED_TRACE(got.time);
        EXPECT_EQ(got.time, expected[r].time);
        EXPECT_TRUE(same(got.depth, expected[r].depth));
        ASSERT_EQ(got.values.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(same(got.values[i], expected[r].values[i])) << i << ": " << got.values[i];
    }
    EXPECT_EQ(joined.get_text_values().get_list().Values("скважина"_cp), "F-9"_cp);
    EXPECT_EQ(joined.get_text_values().get_list().Values("куст"_cp), "1"_cp);
}

TEST(Join, TooManyKeysChangeNothing) {
    FileStorage wide, other, joined;
    std::vector<std::string> names;
    for (int i = 0; i < 127; ++i)
        names.push_back("p" + std::to_string(i));
    for (const std::string& n : names)
        wide.add_parametr({n.c_str(), n.c_str(), "", n.c_str()});
    fill(other, {"p1", "x", "y"}, {{5, 0, {1, 2, 3}}});
    gti_tool::join_by_time(joined, wide);
    EXPECT_THROW(gti_tool::join_by_time(joined, other), FileStorageException);
    EXPECT_EQ(joined.get_param_count(), 127);
    EXPECT_EQ(joined.get_record_count(), 0);
}

TEST(Join, SpansTellOverlaps) {
    FileStorage store;
    fill(store, {"a"}, {{30, 0, {1}}, {10, 0, {1}}, {20, 0, {1}}});
    EXPECT_FALSE(gti_tool::span_of(store, 3));
    const gti_tool::time_span all = *gti_tool::span_of(store);
    EXPECT_EQ(all.first, 10u);
    EXPECT_EQ(all.last, 30u);
    const std::pair<gti_tool::time_span, bool> rows[] = {
        {{0, 9}, false}, {{0, 10}, true}, {{15, 16}, true}, {{30, 40}, true}, {{31, 40}, false}};
    for (const auto& [span, overlaps] : rows)
        EXPECT_EQ(all.overlaps(span), overlaps) << span.first << ".." << span.last;
}

TEST(Join, AppendedRecordsKeepTheirOrderAndWidenToEveryParameter) {
    FileStorage a, b;
    fill(a, {"x", "y"}, {{5, 1, {1, 2}}});
    fill(b, {"Y", "z"}, {{3, 2, {3, 4}}});
    b.get_text_values().get_list().Add("скважина=F-9"_cp);
    gti_tool::append_records(a, b);
    ASSERT_EQ(a.get_param_count(), 3);
    ASSERT_EQ(a.get_record_count(), 2);
    const std::vector<float> first = {1, 2, nan}, second = {nan, 3, 4};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(same(a.get_record(0)->values[i], first[i]));
        EXPECT_TRUE(same(a.get_record(1)->values[i], second[i]));
    }
    EXPECT_EQ(a.get_record(1)->time, 3u);
    EXPECT_EQ(a.get_text_values().well, "F-9"_cp);
}

TEST(Join, LasLogsAreAddedAsRecords) {
    struct row {
        AnsiString file;
        int params, records;
        AnsiString well;
    };
    const AnsiString data(GTI_LAS_DATA);
    const row rows[] = {
        {data + "/las20.las", 7, 1 + 3, "AAAAA_2"},
        {data + "/las12_wrapped.las", 35, 1 + 5, "ANY ET AL XX-XX-XX-XX"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.file.c_str());
        FileStorage store;
        fill(store, {"dt"}, {{0, 1, {1}}});
        EXPECT_EQ(gti_tool::add_las_log(r.file, store), 0);
        EXPECT_EQ(store.get_param_count(), r.params);  // DT is dt
        EXPECT_EQ(store.get_record_count(), r.records);
        EXPECT_EQ(store.get_text_values().well, r.well);
    }
    gti_test::temp_dir dir;
    gti_test::write_bytes(dir.file("not.las"), "just text\n");
    FileStorage store;
    EXPECT_THROW(gti_tool::add_las_log(dir.file("not.las"), store), std::runtime_error);
}

// The general and the gas log of one well: a record per distinct time, the gas channels NaN
// where the gas log has no row.
TEST(Join, VolveGeneralAndGasLogs) {
    const AnsiString dir(GTI_VOLVE_DIR);
    if (!gti_test::exists(dir + "/F9_GasTime.csv.gz")) GTEST_SKIP() << "no Volve logs at " << GTI_VOLVE_DIR;
    gti_tool::csv_read_options options;
    options.null_text = "-9999";
    FileStorage general, gas, joined;
    gti_tool::load_csv_file(dir + "/F9_GenTime.csv.gz", options, general);
    gti_tool::load_csv_file(dir + "/F9_GasTime.csv.gz", options, gas);
    gti_tool::join_by_time(joined, general);
    gti_tool::join_by_time(joined, gas);

    std::set<std::uint32_t> times, gas_times;
    for (int r = 0; r < general.get_record_count(); ++r)
        times.insert(general.get_record(r)->time);
    for (int r = 0; r < gas.get_record_count(); ++r)
        gas_times.insert(gas.get_record(r)->time);
    times.insert(gas_times.begin(), gas_times.end());
    ASSERT_EQ(joined.get_record_count(), static_cast<int>(times.size()));

    const int co2 = joined.get_param_index("CO2");
    ASSERT_GE(co2, 0);
    const int gas_co2 = gas.get_param_index("CO2");
    int with_gas = 0;
    std::uint32_t previous = 0;
    for (int r = 0; r < joined.get_record_count(); ++r) {
        const FileStorageItem& item = *joined.get_record(r);
        ASSERT_TRUE(r == 0 || item.time > previous);
        previous = item.time;
        if (!gas_times.count(item.time)) {
            ASSERT_TRUE(std::isnan(item.values[static_cast<std::size_t>(co2)])) << r;
            continue;
        }
        ++with_gas;
    }
    EXPECT_EQ(with_gas, static_cast<int>(gas_times.size()));
    // Each gas record's value is where its time is.
    for (int r = 0; r < gas.get_record_count(); r += 97) {
        const FileStorageItem& g = *gas.get_record(r);
        const auto at = std::lower_bound(times.begin(), times.end(), g.time);
        const int j = static_cast<int>(std::distance(times.begin(), at));
        EXPECT_TRUE(same(joined.get_record(j)->values[static_cast<std::size_t>(co2)],
                         g.values[static_cast<std::size_t>(gas_co2)]));
    }
}

}  // namespace
