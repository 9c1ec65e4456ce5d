#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "legacy_bytes.h"
#include "support.h"

using namespace lib::literals;

using gti_test::throws_with;
using storage_test::entry;
using storage_test::old_record;

namespace {

class OldFiles : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("12.tim");

    void write(const std::string& data, const std::string& list) {
        gti_test::write_bytes(name, data);
        gti_test::write_bytes(dir.file("inpgti.nbl"), list);
    }
};

std::string written(void (FileStorage::*save)(lib::io::BinaryOutputStream&), FileStorage& s) {
    lib::io::BinaryMemoryOutputStream out;
    (s.*save)(out);
    return gti_test::bytes_of(out);
}

TEST_F(OldFiles, GoldenRecordAndListEntries) {
    FileStorage s;
    s.add_parametr({"Вес"_cp, "W", "т"_cp, "вес"_cp, 0, 200});
    s.add_parametr({"", "", "", "ходы"_cp});
    FileStorageItem r;
    r.tag = 7;
    r.time = 0x01020304;
    r.depth = 1.5f;
    r.second_depth = 2.5f;
    r.third_depth = 3.5f;
    r.values = {10.0f, -1.0f};
    s.add_record(r);
    r.valid = false;  // rejected by depth processing: not written
    s.add_record(r);
    EXPECT_EQ(written(&FileStorage::old_save_values, s),
              std::string("\x07\x04\x03\x02\x01\x00\x00\xC0\x3F\x00\x00\x20\x40\x00\x00\x20\x41\x00\x00\x80\xBF", 21) +
                  std::string(124, '\0'));
    const std::string z12(12, '\0'), z5(5, '\0');
    EXPECT_EQ(written(&FileStorage::old_save_params, s),
              std::string("\xC2\xE5\xF1\0W\0\xF2\0\xE2\xE5\xF1\0", 12) + z12 + std::string("\0\0\0\0\0\0\x48\x43", 8) +
                  z5 + std::string("\0\0\0\xF5\xEE\xE4\xFB\0", 8) + z12 + std::string("\0\0\0\0\0\0\xC8\x42", 8) + z5);
}

TEST_F(OldFiles, DamagedFilesKeepWhatCameBeforeAndSaySo) {
    struct row {
        std::string data, list, error, warning;  // list "-": none; error and warning after the folder
        int records;
    };
    const std::string two = old_record(1, 1, {5}) + old_record(2, 2, {6});
    const std::string list = entry("A", "a");
    for (const row& r : {
             row{"", list, "7.dep: the file is empty", "", 0},
             row{std::string(200, 'x'), list, "7.dep: not an old-generation data file", "", 0},
             row{two, "-", "inpgti.nbl: Файл не найден!"_cp, "", 2},
             row{two + std::string(100, '\0'), list, "",
                 "7.dep: damaged at byte 290: a record is cut short; 2 records read before it; 100 bytes not read", 2},
             row{two, list + "B", "",
                 "inpgti.nbl: damaged at byte 34: an entry is cut short; 1 entry read before it; 1 byte not read", 2},
         }) {
        SCOPED_TRACE(r.error + r.warning);
        gti_test::temp_dir d;
        const std::string folder = d.path().str() + "/";
        gti_test::write_bytes(d.file("7.dep"), r.data);
        if (r.list != "-") gti_test::write_bytes(d.file("inpgti.nbl"), r.list);
        FileStorage s;
        if (r.error.empty())
            s.add_old_file(d.file("7.dep"), false);
        else
            EXPECT_TRUE(
                throws_with<std::runtime_error>([&] { s.add_old_file(d.file("7.dep"), false); }, folder + r.error));
        std::vector<AnsiString> warnings;
        s.get_warnings(warnings);
        EXPECT_EQ(warnings,
                  r.warning.empty() ? std::vector<AnsiString>{} : std::vector<AnsiString>{folder + r.warning});
        ASSERT_EQ(s.get_record_count(), r.records);
        if (r.records > 0) {
            EXPECT_EQ(s.get_record(1)->values[0], 6.0f);
        }
    }
    FileStorage s;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { s.add_file(dir.file("нет/7.tim"_cp), false); },
                                                "folder " + dir.file("нет"_cp).str() + " does not exist"));
}

TEST_F(OldFiles, TheRunFileLiesBesideTheDataFileWhateverItsFolderIsCalled) {
    std::filesystem::create_directory(dir.path().str() + "/data.2024");
    const AnsiString data = dir.file("data.2024/12.tim");
    gti_test::write_bytes(data, old_record(1, 1, {}));
    gti_test::write_bytes(dir.file("data.2024/inpgti.nbl"), entry("A", "a"));
    gti_test::write_bytes(dir.file("data.rac"), "мастер=Не тот\r\n"_cp);
    gti_test::write_bytes(dir.file("data.2024/12.rac"),
                          "[начало_рейса]\r\nглубина=1250\r\nвремя=100\r\n[окончание_рейса]\r\nвремя=200\r\n"_cp
                          "[настройки_рейса]\r\nмастер=\"Петров\"\r\n"_cp);
    FileStorage s;
    const FileStorageTextValues& v = s.get_text_values();
    s.get_text_values().get_list().SetText("конеч_глубина=7\r\n"_cp);
    s.load_text_values(data);
    EXPECT_EQ(v.get_text("мастер"_cp), "Петров"_cp);
    EXPECT_EQ(v.get_text("время"_cp), "100");  // the first of two keys
    EXPECT_EQ(v.get_text("нач_глубина"_cp), "1250");
    EXPECT_EQ(v.get_text("нач_время"_cp), "100");
    EXPECT_EQ(v.get_text("конеч_время"_cp), "200");
    EXPECT_EQ(v.get_list().IndexOfName("конеч_глубина"_cp), -1);  // missing from the run file

    EXPECT_FALSE(s.add_old_file(data, true));  // the run file alone
    EXPECT_EQ(s.get_record_count(), 0);
    EXPECT_EQ(v.start_depth, 1250.0);
    EXPECT_EQ(v.end_time, 200u);
}

TEST_F(OldFiles, SaveAllWritesValidRecordsInTheFoldersColumnsAndTheRunFile) {
    name = dir.file("12.dep");
    const std::string list = entry("A", "a") + entry("unused", "") + entry("C", "c");
    write(old_record(1, 1, {1, 2, 3}) + old_record(2, 2, {4, 5, 6}) + old_record(3, 3, {7, 8, 9}), list);
    FileStorage s;
    s.add_file(name, false);
    s.get_record_ptr(1)->valid = false;
    s.get_text_values().race_number = 12;
    s.save_all(name, false);
    EXPECT_EQ(gti_test::read_bytes(name), old_record(1, 1, {1, 0, 3}) + old_record(3, 3, {7, 0, 9}));
    EXPECT_EQ(gti_test::read_bytes(dir.file("inpgti.nbl")), list);  // shared by the folder: kept
    EXPECT_NE(gti_test::read_bytes(dir.file("12.rac")).find("номер_рейса=12"_cp), std::string::npos);

    gti_test::temp_dir other;  // a folder without a list receives one
    s.save_all(other.file("1.tim"), false);
    FileStorage back;
    back.add_file(other.file("1.tim"), false);
    ASSERT_EQ(back.get_param_count(), 2);
    EXPECT_EQ(back.get_record(1)->values[1], 9.0f);
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { s.save_all(other.file("no/2.tim"), false); }, "Файл не найден!"_cp));
}

}  // namespace
