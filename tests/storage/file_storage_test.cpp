#include "gti/storage/file_storage.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expect.h"
#include "support.h"

using namespace lib::literals;

using gti_test::throws_with;

namespace {

FileStorageItem record(std::uint32_t time, float depth = 0, std::vector<float> values = {}) {
    FileStorageItem r;
    r.time = time;
    r.depth = depth;
    r.values.assign(values.begin(), values.end());
    return r;
}

std::vector<std::uint32_t> times(const FileStorage& s) {
    std::vector<std::uint32_t> t;
    for (int i = 0; i < s.get_record_count(); ++i)
        t.push_back(s.get_record(i)->time);
    return t;
}

std::vector<bool> valid_flags(const FileStorage& s) {
    std::vector<bool> v;
    for (int i = 0; i < s.get_record_count(); ++i)
        v.push_back(s.get_record(i)->valid);
    return v;
}

TEST(Parameters, KeysMergeWithoutRegardToCase) {
    FileStorage s;
    EXPECT_EQ(s.add_parametr({"Вес на крюке"_cp, "W", "т"_cp, "вес_на_крюке"_cp}), 0);
    EXPECT_EQ(s.add_parametr({"Hook", "H", "t", "ВЕС_НА_КРЮКЕ"_cp}), 0);
    EXPECT_EQ(s.add_parametr({"Ходы"_cp, "N", "ход/мин"_cp, "Ходы_Насоса"_cp}), 1);
    EXPECT_EQ(s.get_param_count(), 2);
    EXPECT_EQ(s.get_param(0)->name, "Вес на крюке"_cp);  // the first descriptor stays
    EXPECT_EQ(s.get_param_index("вес_на_крюке"_cp), 0);
    EXPECT_EQ(s.get_param_index("ВЕС_НА_КРЮКЕ"_cp), -1);  // exact look-up
    EXPECT_EQ(s.get_param(2), nullptr);
    EXPECT_EQ(s.get_param(-1), nullptr);
    s.clear();
    EXPECT_EQ(s.get_param_index("вес_на_крюке"_cp), -1);
    EXPECT_EQ(s.add_parametr({"", "", "", "вес_на_крюке"_cp}), 0);
}

TEST(Parameters, AtMost128) {
    FileStorage s;
    for (int i = 0; i < 128; ++i)
        s.add_parametr({"", "", "", AnsiString("p" + std::to_string(i))});
    const auto add = [&](const char* key) { s.add_parametr({"", "", "", key}); };
    for (const char* key : {"new", "p0"})
        EXPECT_TRUE(throws_with<FileStorageException>([&] { add(key); }, "слишком много параметров"_cp)) << key;
    EXPECT_EQ(s.get_param_count(), 128);
}

TEST(Records, AreSharedAndKeptAsGiven) {
    FileStorage s;
    for (int i = 0; i < 5; ++i)
        s.add_parametr({"", "", "", AnsiString("k" + std::to_string(i))});
    s.add_record(record(5, 1, {1, 2, 3}));
    EXPECT_EQ(s.get_record(0)->values.size(), 3u);  // not sized to the parameters
    std::shared_ptr<FileStorageItem> kept = s.get_record_shared(0);
    kept->depth = 42;
    EXPECT_EQ(s.get_record(0)->depth, 42.0f);
    s.clear();
    EXPECT_EQ(kept->depth, 42.0f);  // the caller's record outlives the store's list
    EXPECT_EQ(s.get_record(0), nullptr);
    EXPECT_EQ(s.get_record_ptr(-1), nullptr);
    EXPECT_EQ(s.get_record_shared(0), nullptr);
}

TEST(Records, SortByTime) {
    FileStorage s;
    for (std::uint32_t t : {5u, 3u, 3u, 1u, 0xFFFFFFFFu})
        s.add_record(record(t));
    s.sort_by_time();
    EXPECT_EQ(times(s), (std::vector<std::uint32_t>{1, 3, 3, 5, 0xFFFFFFFFu}));
}

TEST(DepthProcessing, KeepsTheLastPassThroughEachDepth) {
    struct row {
        std::vector<float> depths;
        std::vector<bool> valid;
    };
    for (const row& r : {
             row{{10, 12, 11, 13}, {true, false, true, true}}, row{{5, 0, 6, 7}, {true, false, true, true}},
             row{{0, 1, 2, 3}, {true, true, true, true}},  // the first record is judged by depth alone
             row{{3, 2, 1, 5, 4}, {false, false, true, false, true}},
             row{{9, 1, 2}, {true, true, true}},  // three records: untouched
         }) {
        FileStorage s;
        for (float d : r.depths)
            s.add_record(record(0, d));
        s.get_record_ptr(s.get_record_count() - 1)->valid = true;
        s.correct_depths();
        EXPECT_EQ(valid_flags(s), r.valid);
    }
}

TEST(TimeProcessing, MostFrequentStepSmallestOnTies) {
    struct row {
        std::vector<std::uint32_t> times;
        int step;
    };
    for (const row& r : {row{{0, 10, 20, 25, 35}, 10}, row{{0, 5, 15, 20, 30}, 5}, row{{7}, 0}, row{{}, 0},
                         row{{30, 20, 10, 15}, -10}}) {
        FileStorage s;
        for (std::uint32_t t : r.times)
            s.add_record(record(t));
        EXPECT_EQ(s.calc_time_step(), r.step);
    }
}

TEST(Store, OwnsTheStationLock) {
    FileStorage a, b;
    EXPECT_EQ(a.get_lock().kind(), lib::lock_object::mutex_kind);
    lib::Locker hold(&a.get_lock());   // the store itself never takes it
    lib::Locker again(&b.get_lock());  // one lock per name in a program: the same thread may
}

}  // namespace
