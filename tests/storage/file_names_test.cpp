#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "gti/storage/registration_file.h"
#include "support.h"

using namespace lib::literals;

namespace {

namespace fs = std::filesystem;

// A store of two parameters, three records and a run number.
void fill(FileStorage& s) {
    s.add_parametr({"Вес"_cp, "W", "т"_cp, "вес_на_крюке"_cp});
    s.add_parametr({"Ходы"_cp, "N", "ход/мин"_cp, "ходы_насоса"_cp});
    for (std::uint32_t t : {100000u, 100015u, 100030u}) {
        FileStorageItem r;
        r.time = t;
        r.depth = static_cast<float>(t - 99000) / 10;
        r.values = {static_cast<float>(t % 1000), 2.5f};
        s.add_record(r);
    }
    s.get_text_values().race_number = 12;
    s.get_text_values().ri_to_data();
}

// The store of fill() with the run number `run`, and a store as new.
void expect_filled(const FileStorage& s, int run = 12) {
    ASSERT_EQ(s.get_record_count(), 3);
    EXPECT_EQ(s.get_param(1)->global_name, "ходы_насоса"_cp);
    EXPECT_EQ(s.get_record(2)->values[0], 30.0f);
    EXPECT_EQ(s.get_text_values().race_number, run);
}

void expect_new(const FileStorage& s) {
    EXPECT_EQ(s.get_record_count() + s.get_param_count() + s.get_text_values().get_list().Count(), 0);
    EXPECT_EQ(s.get_text_values().race_number, RaceInfo().race_number);
    EXPECT_TRUE(s.file_name.empty());
    EXPECT_EQ(s.time_range_start, 0u);
}

TEST(FileStorageMove, TakesTheContentAndLeavesAnEmptyStoreWithItsLock) {
    const gti_test::temp_dir dir;
    FileStorage a;
    fill(a);
    a.file_name = dir.file("12.tim");
    a.time_range_start = 5;

    FileStorage b(std::move(a));
    expect_filled(b);
    EXPECT_EQ(b.time_range_start, 5u);
    expect_new(a);  // NOLINT(bugprone-use-after-move): the moved-from state is part of the contract
    // The run information answers to its new store: the run file is that of b's file name.
    gti_test::write_bytes(dir.file("12.rac"), "[настройки_рейса]\r\nномер_рейса=77\r\n"_cp);
    b.get_text_values().ri_from_data_old();
    EXPECT_EQ(b.get_text_values().race_number, 77);

    FileStorage c;
    c = std::move(b);
    FileStorage& same = c;
    c = std::move(same);  // a store moved onto itself keeps its content
    expect_filled(c, 77);
    expect_new(b);  // NOLINT(bugprone-use-after-move)
    for (FileStorage* s : {&a, &b, &c})
        lib::Locker hold(&s->get_lock());  // every lock works, the moved-from ones' included
}

// Folders whose names code page 1251 cannot hold: every kind of data file is written, read,
// rewritten and found by a mask through the std::filesystem::path overloads.
TEST(FileNames, EveryKindOfDataFileLivesInFoldersOfAnyName) {
    const gti_test::temp_dir root;
    const fs::path base(root.path().str());
    for (const char8_t* folder_name : {u8"Sleipner \u00D8st", u8"\u4E95"}) {
        const fs::path folder = base / folder_name;
        SCOPED_TRACE(folder.string());
        ASSERT_TRUE(fs::create_directory(folder));
        for (const char* extension : {".realtim", ".tim", ".creg"}) {
            SCOPED_TRACE(extension);
            const fs::path file = folder / (std::string("12") + extension);
            FileStorage w;
            fill(w);
            w.save_all(file, false);
            FileStorage r, by_mask;
            EXPECT_TRUE(r.add_file(file, false));
            expect_filled(r);
            by_mask.add_files_by_mask(folder / (std::string("*") + extension));
            expect_filled(by_mask);

            r.get_text_values().race_number = 14;  // the run information alone, in place
            r.get_text_values().ri_to_data();
            r.save_all(file, true);
            r.smart_save_all(file);
            FileStorage again;
            again.add_file(file, false);
            expect_filled(again, 14);
        }
        // The registration file's appender and block remover.
        const fs::path file = folder / "12.realtim";
        FileStorage appender;
        FileStorageTextValues run;
        run.race_number = 15;
        run.ri_to_data();
        appender.append_text_values(file, run);
        FileStorage back;
        back.add_file(file, false);
        expect_filled(back, 15);
        std::vector<int> text_blocks{lib::registration::text_block};
        FileStorage::exclude_records(file, text_blocks);
        FileStorage without_run;
        without_run.add_file(file, false);
        EXPECT_EQ(without_run.get_record_count(), 3);
        EXPECT_EQ(without_run.get_text_values().get_list().Count(), 0);
    }
}

}  // namespace
