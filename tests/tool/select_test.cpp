#include "select.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"

using namespace lib::literals;

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();

TEST(Select, BoundsReadAsTimesOrDepthsAndTheRestIsRefused) {
    const std::uint32_t first = lib::time_2_long(2024, 3, 5, 7, 0, 0);
    const double eight = lib::time_2_long(2024, 3, 5, 8, 0, 0);
    struct row {
        const char* from;
        const char* to;
        bool by_time;
        std::optional<double> low, high;  // none: that end is open
    };
    const row good[] = {
        {"08:00", "08:00:09", true, eight, eight + 9},
        {"2024-03-05T08:00", "2024-03-05 08:00:30", true, eight, eight + 30},
        {"1260", "1261,5", false, 1260, 1261.5},
        {"", "1300.25", false, std::nullopt, 1300.25},
        {"-5", "", false, -5.0, std::nullopt},
        {"23:59:59", "", true, eight + 16 * 3600 - 1, std::nullopt},
    };
    for (const row& r : good) {
        const gti_tool::record_range range = gti_tool::parse_range(r.from, r.to, first);
        SCOPED_TRACE(std::string(r.from) + " .. " + r.to);
        EXPECT_EQ(range.by_time, r.by_time);
        EXPECT_EQ(range.from, r.low);
        EXPECT_EQ(range.to, r.high);
    }
    const std::pair<const char*, const char*> bad[] = {
        {"9:0x", ""},   // trailing text
        {"24:00", ""},  // no such hour
        {"2024-13-05T08:00", ""},
        {"08:00", "1300"},  // a time and a depth
        {"1300", "1200"},   // reversed
        {"twelve", ""},
        {"2024-03-05", ""},  // a day is no time
        {"", "nan"},
    };
    for (const auto& [from, to] : bad)
        EXPECT_THROW(gti_tool::parse_range(from, to, first), std::runtime_error) << from << " .. " << to;
}

TEST(Select, KeepsTheKeysAndTheRecordsOfTheRangeWithTheirOwnValues) {
    FileStorage store;
    for (const char* key : {"hook", "вес"_cp, "gas"})
        store.add_parametr({key, key, "", key});
    const struct {
        std::uint32_t time;
        float depth;
        std::vector<float> values;
    } records[] = {{10, 100, {1, 2, 3}}, {11, nan, {4, 5, 6}}, {12, 101, {7, 8}}, {13, 102, {10, 11, 12}}};
    for (const auto& r : records) {
        FileStorageItem item;
        item.time = r.time;
        item.depth = r.depth;
        item.values.assign(r.values.begin(), r.values.end());
        store.add_record(item);
    }
    store.get_text_values().get_list().Add("скважина=F-9"_cp);

    EXPECT_THROW(gti_tool::check_keys(store, {"GAS", "нет"_cp}, "x"), std::runtime_error);
    gti_tool::check_keys(store, {"GAS", "ВЕС"_cp}, "x");
    gti_tool::record_range depths;
    depths.from = 100.5;
    depths.to = 102;
    // A record without a depth lies in no depth range; a short record's missing value stays missing.
    EXPECT_EQ(gti_tool::select_records(store, {"GAS", "ВЕС"_cp}, depths), 2);
    ASSERT_EQ(store.get_param_count(), 2);
    EXPECT_EQ(store.get_param(0)->global_name, "вес"_cp);
    EXPECT_EQ(store.get_param(1)->global_name, "gas");
    ASSERT_EQ(store.get_record_count(), 2);
    EXPECT_EQ(store.get_record(0)->time, 12u);
    EXPECT_EQ(store.get_record(0)->values[0], 8);
    EXPECT_TRUE(std::isnan(store.get_record(0)->values[1]));
    EXPECT_EQ(store.get_record(1)->values[1], 12);
    EXPECT_EQ(store.get_text_values().get_text("скважина"_cp), "F-9");
}

}  // namespace
