#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "gti/util/files.h"
#include "legacy_bytes.h"
#include "support.h"

using namespace lib::literals;

using storage_test::block;
using storage_test::entry;
using storage_test::old_record;

namespace {

std::vector<std::uint32_t> times(const FileStorage& s) {
    std::vector<std::uint32_t> t;
    for (int i = 0; i < s.get_record_count(); ++i)
        t.push_back(s.get_record(i)->time);
    return t;
}

// A registration file of one parameter and records at the given times (value = time / 10).
void write_registration(const AnsiString& name, const std::vector<std::uint32_t>& record_times) {
    FileStorage w;
    w.add_parametr({"Вес"_cp, "W", "т"_cp, "вес"_cp});
    for (std::uint32_t t : record_times) {
        FileStorageItem r;
        r.time = t;
        r.values = {static_cast<float>(t) / 10};
        w.add_record(r);
    }
    w.save_with_new_format(name);
}

TEST(AddFile, ChoosesTheGenerationByExtensionAndMasksLoadInNameOrder) {
    gti_test::temp_dir dir;
    gti_test::write_bytes(dir.file("b.tim"), old_record(20, 1, {}));
    gti_test::write_bytes(dir.file("A.TIM"), old_record(10, 1, {}));
    gti_test::write_bytes(dir.file("inpgti.nbl"), entry("A", "a"));
    std::filesystem::create_directory(dir.path().str() + "/c.tim");  // a folder is no data file
    write_registration(dir.file("d.REALTIM"), {30});
    FileStorage s;
    s.add_files_by_mask((dir.path() + "/*.tim").c_str());
    EXPECT_EQ(times(s), (std::vector<std::uint32_t>{10, 20}));
    EXPECT_EQ(s.new_format, 0);
    FILETIME written;
    ASSERT_TRUE(lib::get_file_times(dir.file("b.tim"), nullptr, &written));
    EXPECT_EQ(s.saved_file_time, written);
    EXPECT_TRUE(s.add_file(dir.file("d.REALTIM"), false));
    EXPECT_EQ(s.new_format, 1);
    EXPECT_EQ(times(s), (std::vector<std::uint32_t>{10, 20, 30}));
    EXPECT_EQ(s.get_param_count(), 2);

    for (const char* bad : {"a.txt", "data.2024/noext"}) {
        SCOPED_TRACE(bad);
        try {
            s.add_file(dir.file(bad), false);
            ADD_FAILURE();
        } catch (const FileStorageException& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Неправильное расширение открываемого файла: "_cp) +
                                                 (std::string(bad).ends_with(".txt") ? ".txt" : ""));
            EXPECT_TRUE(e.is_critical());
        }
    }
}

TEST(SaveAll, TextOnlyReplacesTheRunBlockAndKeepsEveryOtherBlock) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("12.realtim");
    FileStorage w;
    w.add_parametr({"", "", "", "k"});
    w.add_record(FileStorageItem{});
    w.save_with_new_format(name);
    const std::string before = gti_test::read_bytes(name);
    const std::string old_run = block(3, w.get_text_values().get_full_text().str() + std::string(1, '\0'));
    ASSERT_TRUE(before.ends_with(old_run));
    gti_test::write_bytes(name, before + block(7, "12345"));

    FileStorage s;
    s.add_file(name, false);
    s.get_text_values().race_number = 42;
    s.save_all(name, true);
    const std::string run = s.get_text_values().get_full_text().str();
    EXPECT_NE(run.find("номер_рейса=42"_cp), std::string::npos);
    EXPECT_EQ(gti_test::read_bytes(name), before.substr(0, before.size() - old_run.size()) + block(7, "12345") +
                                              block(3, run + std::string(1, '\0')));
    EXPECT_FALSE(gti_test::exists(name + ".tmp"));
}

TEST(ExcludeRecords, RemovesBlocksAndKeepsWhatItCannotWalk) {
    const std::string b1 = block(1, "rec"), b2 = block(2, "par"), b3 = block(3, "run"), b7 = block(7, "x");
    const std::string negative("\x01\x00\x80zz", 5), past_end = std::string("\x01\x64\x00", 3) + "short";
    struct row {
        const char* file;
        std::string bytes;
        std::vector<int> types;
        std::string after;
    };
    for (const row& r : {
             row{"a.realtim", b2 + b1 + b3 + b7 + b1, {3, 1}, b2 + b7},
             row{"a.REALDEP", b2 + std::string("\x01\0\0", 3) + b1, {3}, b2},  // size 0 ends the file
             row{"a.reallag", b2 + b3 + "\x05", {3}, b2},                      // so does a cut header
             row{"a.realtim", b3 + negative + b3, {3}, negative + b3},
             row{"a.realtim", b3 + b2 + past_end, {3}, b2 + past_end},
             row{"a.dat", b3, {3}, b3},
         }) {
        SCOPED_TRACE(r.file + std::string(" ") + std::to_string(r.bytes.size()));
        gti_test::temp_dir dir;
        gti_test::write_bytes(dir.file(r.file), r.bytes);
        std::vector<int> types = r.types;
        FileStorage::exclude_records(dir.file(r.file), types);
        EXPECT_EQ(gti_test::read_bytes(dir.file(r.file)), r.after);
        EXPECT_FALSE(gti_test::exists(dir.file(r.file) + ".tmp"));
        if (r.types.size() == 2) {
            EXPECT_EQ(types, (std::vector<int>{1, 3}));
        }
    }
}

TEST(SmartSaveAll, KeepsTheRecordsThatAnotherProcessAppended) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("12.realtim");
    write_registration(name, {10, 20});
    FileStorage s;
    s.add_file(name, false);
    s.get_record_ptr(1)->values[0] = 99;  // the store's own change
    s.get_text_values().well = "Южная-7"_cp;

    gti_test::child_process other([&](const gti_test::child_process::channel& parent) {
        if (parent.receive() != 'g') return 1;
        FileStorage c;
        c.add_file(name, false);
        c.get_text_values().well = "Чужая"_cp;
        for (std::uint32_t t : {30u, 40u}) {
            FileStorageItem r;
            r.time = t;
            r.values = {static_cast<float>(t)};
            c.add_record(r);
        }
        c.save_all(name, false);
        parent.send('d');
        return 0;
    });
    other.send('g');
    ASSERT_EQ(other.receive(), 'd');
    ASSERT_EQ(other.wait(), 0);

    s.smart_save_all(name);
    EXPECT_EQ(s.time_range_start, 0u);
    FileStorage back;
    back.add_file(name, false);
    EXPECT_EQ(times(back), (std::vector<std::uint32_t>{10, 20, 30, 40}));
    EXPECT_EQ(back.get_record(1)->values[0], 99.0f);
    EXPECT_EQ(back.get_record(3)->values[0], 40.0f);
    EXPECT_EQ(back.get_text_values().well, "Южная-7"_cp);

    FileStorage untouched;  // nobody else wrote it: saved as it is
    untouched.add_file(name, false);
    untouched.clear();
    untouched.smart_save_all(name);
    back.clear();
    back.add_file(name, false);
    EXPECT_EQ(back.get_record_count(), 0);
}

}  // namespace
