#include "gti/util/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/io/file_streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/tstream.h"
#include "gti/util/ini_file.h"
#include "gti/util/string_list.h"
#include "gti/util/text.h"
#include "platform/posix/syscalls.h"
#include "support.h"

using namespace lib::literals;

namespace os = lib::os;
using gti_test::temp_dir;

namespace {

using gti_test::items;

void make_dir(const AnsiString& path) {
    ASSERT_EQ(mkdir(os::native_path(path).c_str(), 0777), 0);
}

void make_link(const AnsiString& target, const AnsiString& link) {
    ASSERT_EQ(symlink(os::native_path(target).c_str(), os::native_path(link).c_str()), 0);
}

void set_write_time(const AnsiString& path, std::int64_t unix_seconds) {
    const struct timespec times[2] = {{unix_seconds, 0}, {unix_seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, os::native_path(path).c_str(), times, 0), 0);
}

TEST(NameFunctions, RunAndWellFromDataFilePaths) {
    struct row {
        const char* path;
        int race_num;
        const char* pore;
        const char* only_name;
        const char* race;
    };
    for (const row& r : {
             row{"D:\\data\\well\\12.tim", 12, "well", "12", "12"},
             row{"D:\\data\\well\\abc.tim", -1, "well", "abc", "abc"},
             row{"D:\\data\\well\\12", -1, "well", "12", "12"},
             row{"D:\\data\\well7\\12.tim", 12, "well7", "12", "12"},
             row{"D:\\data\\well\\12.tim.bak", 12, "well", "12", "12.tim"},
             row{"D:\\data.v2\\well\\7", -1, "well", "7", "7"},
             row{"/data/Южная-7/3.realtim"_cp, 3, "Южная-7"_cp, "3", "3"},
             row{"D:\\data/mixed\\5.dep", 5, "mixed", "5", "5"},
             row{"well7\\12.tim", 12, "well7", "12", "12"},
             row{"12.tim", 12, "", "12", "12"},
             row{".tim", -1, "", "", ""},
             row{"", -1, "", "", ""},
         }) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(lib::extract_race_num(r.path), r.race_num);
        EXPECT_EQ(lib::pore_from_filename(r.path), r.pore);
        EXPECT_EQ(lib::get_only_name(r.path), r.only_name);
        EXPECT_EQ(lib::only_name(r.path), r.only_name);
        EXPECT_EQ(lib::race_from_filename(r.path), r.race);
    }
}

TEST(NameFunctions, SeparatorsAtTheEnd) {
    struct row {
        const char* path;
        const char* with_separator;
        const char* without_separator;
    };
    for (const row& r : {
             row{"D:\\data", "D:\\data/", "D:\\data"},
             row{"D:\\data\\", "D:\\data\\", "D:\\data"},
             row{"/tmp", "/tmp/", "/tmp"},
             row{"/tmp/", "/tmp/", "/tmp"},
             row{"C:\\", "C:\\", "C:"},
             row{"ab", "ab", "ab"},
             row{"a/", "a/", "a/"},
             row{"", "", ""},
         }) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(lib::check_path_string(r.path), r.with_separator);
        EXPECT_EQ(lib::check_dir_string(r.path), r.without_separator);
    }
}

TEST(NameFunctions, SafeNamesForFilesAndFtp) {
    EXPECT_EQ(lib::check_file_name("a*b?c,d\"e"), "a-b-c.d''e");
    EXPECT_EQ(lib::check_file_name("Скв & 7/1.tim"_cp), "Скв - 7/1.tim"_cp);
    struct row {
        const char* name;
        const char* ftp;
    };
    for (const row& r : {
             row{"Южная-1"_cp, "YUJNAYA1"},
             row{"Майская"_cp, "MASKAYA"},
             row{"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"_cp, "ABVGDEYOJZIKLMNOPRSTUFHTSCHSHCSHYYYEYUYA"},
             row{"ЁЛКА"_cp, "YOLKA"},
             row{"well_7 b", "WELL7B"},
             row{"", ""},
         }) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(lib::correct_ftp_pore_name(r.name), r.ftp);
    }
}

// A well folder:
//   12.tim (5 bytes)  3.TIM (3)  notes.txt  .hidden.tim  link -> a
//   a/1.tim  a/deep/2.tim  b/4.tim  .git/x.tim
class FinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        gti_test::write_bytes(root.file("12.tim"), "12345");
        gti_test::write_bytes(root.file("3.TIM"), "333");
        gti_test::write_bytes(root.file("notes.txt"), "n");
        gti_test::write_bytes(root.file(".hidden.tim"), "h");
        for (const char* d : {"a", "a/deep", "b", ".git"})
            make_dir(root.file(d));
        gti_test::write_bytes(root.file("a/1.tim"), "1");
        gti_test::write_bytes(root.file("a/deep/2.tim"), "22");
        gti_test::write_bytes(root.file("b/4.tim"), "4444");
        gti_test::write_bytes(root.file(".git/x.tim"), "x");
        make_link(root.file("a"), root.file("link"));
    }

    // The hits as path + name, relative to the root.
    std::vector<std::string> hits(const lib::FileFinder& f) const {
        std::vector<std::string> out;
        for (const lib::FindedFile& h : f.files)
            out.push_back((h.path + h.name).str().substr(root.path().size() + 1));
        return out;
    }

    temp_dir root;
};

TEST_F(FinderTest, ARecursiveSearchListsSubdirectoriesBeforeTheirParent) {
    lib::FileFinder f;
    f.find(root.file("*.tim"), 0, true);
    EXPECT_EQ(hits(f), (std::vector<std::string>{"a/deep/2.tim", "a/1.tim", "b/4.tim", "12.tim", "3.TIM"}));
    EXPECT_EQ(f.total_size, 2u + 1 + 4 + 5 + 3);
    EXPECT_EQ(f.files.front().path, root.path() + "/a/deep/");
    EXPECT_EQ(f.files.back().path, root.path() + "/");
    EXPECT_EQ(f.files.back().size, 3);
    EXPECT_EQ(f.files.back().attr, lib::fa_archive);

    f.find(root.file("1*.tim"), 0, false);  // a second search appends
    EXPECT_EQ(f.files.size(), 6u);
    EXPECT_EQ(f.total_size, 20u);
}

TEST_F(FinderTest, HiddenEntriesOnlyWhenAskedFor) {
    lib::FileFinder f;
    f.find(root.file("*.tim"), lib::fa_hidden, true);
    EXPECT_EQ(hits(f), (std::vector<std::string>{".git/x.tim", "a/deep/2.tim", "a/1.tim", "b/4.tim", ".hidden.tim",
                                                 "12.tim", "3.TIM"}));
    EXPECT_EQ(f.files[4].attr, lib::fa_archive | lib::fa_hidden);
}

TEST_F(FinderTest, DirectorySearchesKeepOnlyDirectories) {
    lib::FileFinder f;
    f.find(root.file("*.*"), lib::fa_directory, false);
    EXPECT_EQ(hits(f), (std::vector<std::string>{"a", "b", "link"}));
    EXPECT_EQ(f.files[0].attr, lib::fa_directory);
    EXPECT_EQ(f.files[2].attr, lib::fa_directory | os::attr_link);
    EXPECT_EQ(f.total_size, 0u);

    lib::FileFinder none;
    none.find(root.file("missing/*.*"), 0, true);
    none.find(root.file("*.las"), 0, true);
    EXPECT_TRUE(none.files.empty());
}

TEST_F(FinderTest, MasksFollowThePlatformsRules) {
    struct row {
        const char* mask;
        std::vector<std::string> names;
    };
    for (const row& r : {
             row{"*.*", {"12.tim", "3.TIM", "a", "b", "link", "notes.txt"}},
             row{"*", {"12.tim", "3.TIM", "a", "b", "link", "notes.txt"}},
             row{"?.tim", {"3.TIM"}},
             row{"*.T?M", {"12.tim", "3.TIM"}},
             row{"notes.*", {"notes.txt"}},
             row{"a.*", {"a"}},
             row{"*.", {"a", "b", "link"}},
             row{"3.tim", {"3.TIM"}},
             row{"12.tim", {"12.tim"}},
             row{"*2*", {"12.tim"}},
         }) {
        SCOPED_TRACE(r.mask);
        TStringList names;
        lib::get_file_list(root.file(r.mask), &names, lib::fa_directory, nullptr);
        std::vector<std::string> got;
        for (const AnsiString& n : names)
            got.push_back(n.str());
        EXPECT_EQ(got, r.names);
    }
}

TEST_F(FinderTest, SortsByNameRunAndTime) {
    gti_test::write_bytes(root.file("notes"), "");
    lib::FileFinder f;
    f.find(root.file("*.tim"), 0, true);
    f.find(root.file("notes"), 0, false);
    setenv("TZ", "UTC0", 1);
    tzset();
    const std::int64_t times[] = {1700000000, 1600000000, 1750000000, 1650000000, 1710000000, 1720000000};
    for (std::size_t i = 0; i < f.files.size(); ++i)
        set_write_time(f.files[i].path + f.files[i].name, times[i]);
    lib::FileFinder timed;
    timed.find(root.file("*.tim"), 0, true);
    timed.find(root.file("notes"), 0, false);

    auto names = [](const lib::FileFinder& finder) {
        std::vector<std::string> out;
        for (const lib::FindedFile& h : finder.files)
            out.push_back(h.name.str());
        return out;
    };
    timed.sort_results(lib::ff_by_name);
    EXPECT_EQ(names(timed), (std::vector<std::string>{"1.tim", "12.tim", "2.tim", "3.TIM", "4.tim", "notes"}));
    timed.sort_results(lib::ff_by_race);
    EXPECT_EQ(names(timed), (std::vector<std::string>{"notes", "1.tim", "2.tim", "3.TIM", "4.tim", "12.tim"}));
    timed.sort_results(lib::ff_by_time);
    EXPECT_EQ(names(timed), (std::vector<std::string>{"1.tim", "12.tim", "2.tim", "3.TIM", "notes", "4.tim"}));
    // 2023-11-14 22:13:20 UTC in the packed DOS form.
    EXPECT_EQ(timed.files[2].time, 43 << 25 | 11 << 21 | 14 << 16 | 22 << 11 | 13 << 5 | 10);
}

TEST(FindedFile, OnlyNameCutsTheLastExtension) {
    lib::FindedFile f;
    f.name = "12.tim.bak";
    EXPECT_EQ(f.get_only_name(), "12.tim");
    f.name = "readme";
    EXPECT_EQ(f.get_only_name(), "readme");
}

TEST_F(FinderTest, SizesAndTimesOfTheFirstMatch) {
    EXPECT_EQ(lib::get_file_size(root.file("12.tim")), 5u);
    EXPECT_EQ(lib::get_file_size(root.file("3.tim")), 3u);  // letter case does not matter
    EXPECT_EQ(lib::get_file_size(root.file("b/*.tim")), 4u);
    EXPECT_EQ(lib::get_file_size(root.file("a")), 0u);
    EXPECT_EQ(lib::get_file_size(root.file("missing.tim")), 0xFFFFFFFFu);

    set_write_time(root.file("12.tim"), 1600000000);
    FILETIME created{}, written{};
    ASSERT_TRUE(lib::get_file_times(root.file("12.tim"), &created, &written));
    EXPECT_EQ(lib::filetime_to_uint64(written), (1600000000ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_NE(lib::filetime_to_uint64(created), 0u);
    EXPECT_TRUE(lib::get_file_times(root.file("a"), nullptr, nullptr));
    EXPECT_FALSE(lib::get_file_times(root.file("missing.tim"), &created, &written));
}

TEST_F(FinderTest, DirectoryAndFileLists) {
    TStringList list;
    list.Add("kept");
    lib::get_dir_list(root.path(), &list);
    lib::get_dir_list(root.path() + "/", &list);
    EXPECT_EQ(items(list), (std::vector<AnsiString>{"kept", "a", "b", "link", "a", "b", "link"}));

    TStringList files;
    int total = 10;
    lib::get_file_list(root.file("*.tim"), &files, 0, &total);
    EXPECT_EQ(items(files), (std::vector<AnsiString>{"12.tim", "3.TIM"}));
    EXPECT_EQ(total, 18);
    lib::get_file_list(root.file("*.tim"), nullptr, lib::fa_hidden, &total);
    EXPECT_EQ(total, 27);
    total = 2147483640;
    lib::get_file_list(root.file("*.tim"), nullptr, 0, &total);
    EXPECT_EQ(total, 2147483647);
}

TEST_F(FinderTest, ClearDirDeletesOnlyTheFilesDirectlyInIt) {
    gti_test::write_bytes(root.file("locked"), "ro");
    ASSERT_EQ(chmod(os::native_path(root.file("locked")).c_str(), 0444), 0);
    lib::clear_dir(root.path());
    std::vector<os::dir_entry> left;
    ASSERT_TRUE(os::list_directory(root.path(), left));
    std::vector<std::string> names;
    for (const os::dir_entry& e : left)
        names.push_back(e.name.str());
    EXPECT_EQ(names, (std::vector<std::string>{".git", "a", "b", "link", "locked"}));
    EXPECT_TRUE(gti_test::exists(root.file("a/deep/2.tim")));
}

TEST_F(FinderTest, RemovingATreeNeverLeavesIt) {
    temp_dir outside;
    gti_test::write_bytes(outside.file("precious"), "keep");
    make_dir(outside.file("folder"));
    gti_test::write_bytes(outside.file("folder/inside"), "keep");
    make_link(outside.file("precious"), root.file("a/file-link"));
    make_link(outside.file("folder"), root.file("b/dir-link"));
    gti_test::write_bytes(root.file("a/deep/read-only"), "ro");
    ASSERT_EQ(chmod(os::native_path(root.file("a/deep/read-only")).c_str(), 0444), 0);
    struct stat before {};
    ASSERT_EQ(stat(os::native_path(outside.file("precious")).c_str(), &before), 0);

    lib::remove_directory_with_files(root.path());
    EXPECT_TRUE(gti_test::exists(root.path()));  // the folder itself stays, empty
    EXPECT_TRUE(std::filesystem::is_empty(os::native_path(root.path())));
    EXPECT_EQ(gti_test::read_bytes(outside.file("precious")), "keep");
    EXPECT_EQ(gti_test::read_bytes(outside.file("folder/inside")), "keep");
    struct stat st {};
    ASSERT_EQ(stat(os::native_path(outside.file("precious")).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, before.st_mode);
}

TEST(FileFunctions, AnEmptyDirectoryNameTouchesNothing) {
    temp_dir dir;
    gti_test::write_bytes(dir.file("data.tim"), "x");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(os::native_path(dir.path()).c_str()), 0);
    lib::clear_dir("");
    lib::remove_directory_with_files("");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_TRUE(gti_test::exists(dir.file("data.tim")));
}

TEST(FileFunctions, CopyByMaskOverwritesAndReportsRefusals) {
    temp_dir from, to;
    gti_test::write_bytes(from.file("1.tim"), "one");
    gti_test::write_bytes(from.file("2.tim"), "two");
    gti_test::write_bytes(from.file("3.dep"), "three");
    make_dir(from.file("sub.tim"));
    gti_test::write_bytes(to.file("1.tim"), "old one, longer");
    EXPECT_TRUE(lib::copy_by_mask(from.path(), to.path() + "/", "*.tim"));
    EXPECT_EQ(gti_test::read_bytes(to.file("1.tim")), "one");
    EXPECT_EQ(gti_test::read_bytes(to.file("2.tim")), "two");
    EXPECT_FALSE(gti_test::exists(to.file("3.dep")));
    EXPECT_FALSE(gti_test::exists(to.file("sub.tim")));

    gti_test::write_bytes(from.file("1.tim"), "new one");
    gti_test::write_bytes(from.file("2.tim"), "new two");
    ASSERT_EQ(chmod(os::native_path(to.file("1.tim")).c_str(), 0444), 0);
    EXPECT_FALSE(lib::copy_by_mask(from.path(), to.path(), "*.tim"));
    EXPECT_EQ(gti_test::read_bytes(to.file("1.tim")), "one");
    EXPECT_EQ(gti_test::read_bytes(to.file("2.tim")), "new two");
    EXPECT_FALSE(lib::copy_by_mask(from.path(), from.path(), "2.tim"));  // onto itself
    EXPECT_EQ(gti_test::read_bytes(from.file("2.tim")), "new two");
}

TEST(FileFunctions, LoadingATextFileWithRetries) {
    temp_dir dir;
    gti_test::write_bytes(dir.file("run.txt"), "Рейс=12\r\nДолото=1\r\n"_cp);
    TStringList list;
    list.Add("before");
    EXPECT_FALSE(lib::try_to_load_text_file(&list, dir.file("missing.txt"), 3));
    EXPECT_FALSE(lib::try_to_load_text_file(&list, dir.path(), 3));
    EXPECT_FALSE(lib::try_to_load_text_file(nullptr, dir.file("run.txt"), 3));
    EXPECT_TRUE(lib::try_to_load_text_file(&list, dir.file("run.txt"), 0));
    EXPECT_EQ(items(list), std::vector<AnsiString>{"before"});
    EXPECT_TRUE(lib::try_to_load_text_file(&list, dir.file("run.txt"), 1));
    EXPECT_EQ(items(list), (std::vector<AnsiString>{"Рейс=12"_cp, "Долото=1"_cp}));

    // Every attempt is refused: false after exactly `tries` attempts, the list unchanged.
    static int opens;
    opens = 0;
    const auto saved = os::detail::syscalls();
    os::detail::syscalls().open = [](const char*, int, mode_t) {
        ++opens;
        errno = EACCES;
        return -1;
    };
    const bool loaded = lib::try_to_load_text_file(&list, dir.file("run.txt"), 2);
    os::detail::syscalls() = saved;
    EXPECT_FALSE(loaded);
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(items(list), (std::vector<AnsiString>{"Рейс=12"_cp, "Долото=1"_cp}));
}

TEST(FileFunctions, CheckFileCodingTellsDosFromWindowsText) {
    temp_dir dir;
    const AnsiString text = "Скважина Южная-7: вес на крюке 12,5 т; ёмкость 40 м3\r\n"_cp;
    AnsiString dos;
    lib::win_to_dos(text, dos);
    struct row {
        const char* name;
        std::string bytes;
        int coding;
    };
    for (const row& r : {
             row{"1251.txt", text.str(), 0},
             row{"866.txt", dos.str(), 1},
             row{"ascii.txt", "depth 1234.5 m\r\n", 1},
             row{"empty.txt", "", 0},
         }) {
        SCOPED_TRACE(r.name);
        gti_test::write_bytes(dir.file(r.name), r.bytes);
        EXPECT_EQ(lib::check_file_coding(dir.file(r.name)), r.coding);
    }
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { lib::check_file_coding(dir.file("missing.txt")); },
                                                          "File not found"));
}

TEST(FileFunctions, ShellExecuteHandsOverAnArgumentVector) {
    temp_dir dir;
    const AnsiString out = dir.file("args");
    const std::vector<AnsiString> previous =
        os::set_document_opener({"/bin/sh", "-c", "printf '%s\\0' \"$@\" > '" + out + "'", "sh"});
    const AnsiString document = "Южная 7/отчёт; $(touch "_cp + dir.file("pwned") + ").txt";
    const os::process_id id = lib::my_shell_execute(document, "-p \"two words\"  x", true);
    os::set_document_opener(previous);
    ASSERT_NE(id, 0);
    int code = -2;
    ASSERT_TRUE(os::wait_program(id, 30000, code));
    EXPECT_EQ(gti_test::read_bytes(out),
              lib::cp1251::to_utf8(document.view()) + std::string("\0-p\0two words\0x\0", 16));
    EXPECT_FALSE(gti_test::exists(dir.file("pwned")));
}

}  // namespace

namespace unicode_folders {

namespace fs = std::filesystem;

TEST(UnicodeFolders, AFolderOfAnyNameIsWrittenReadListedAndRemoved) {
    const struct {
        const char8_t* folder;
        const char* display;
    } table[] = {
        {u8"Sleipner \u00D8st", "Sleipner <U+00D8>st"},
        {u8"\u4E95", "<U+4E95>"},
    };
    const temp_dir root;
    const fs::path base(root.path().str());
    for (const auto& row : table) {
        SCOPED_TRACE(row.display);
        const fs::path folder = base / row.folder;
        ASSERT_TRUE(fs::create_directory(folder));
        const os::file_path dir(folder);
        EXPECT_EQ(dir.path(), folder);
        EXPECT_FALSE(dir.is_station_text());
        EXPECT_EQ(dir.display(), root.path() + "/" + row.display);
        try {
            dir.station_text();
            ADD_FAILURE() << "a name 1251 cannot hold was given as station text";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(row.display), std::string::npos) << e.what();
        }

        // A text file, an INI file and a binary file, each written and read back.
        TStringList lines;
        lines.Add("вес_на_крюке=12,5"_cp);
        lines.SaveToFile(os::file_path(folder / "run.txt"));
        TStringList back;
        ASSERT_TRUE(lib::try_to_load_text_file(&back, os::file_path(folder / "run.txt"), 1));
        EXPECT_EQ(items(back), items(lines));
        TIniFile(os::file_path(folder / "gti.ini")).WriteString("Рейс"_cp, "скважина"_cp, "Южная-7"_cp);
        EXPECT_EQ(TIniFile(os::file_path(folder / "gti.ini")).ReadString("Рейс"_cp, "скважина"_cp, ""), "Южная-7"_cp);
        {
            lib::io::BinaryOutputFileStream out;
            out.open(os::file_path(folder / "12.bin"), false, false);
            lib::io::write_binary(out, std::int32_t{86400});
        }
        lib::io::BinaryInputFileStream in;
        in.open(os::file_path(folder / "12.bin"), false);
        std::int32_t value = 0;
        lib::io::read_binary(in, value);
        EXPECT_EQ(value, 86400);
        in.close();
        {
            TFileStream raw(os::file_path(folder / "raw.dat"), fmCreate);
            raw.Write("abc", 3);
        }
        char raw_back[4] = {};
        EXPECT_EQ(TFileStream(os::file_path(folder / "raw.dat"), fmOpenRead).Read(raw_back, 4), 3);
        EXPECT_STREQ(raw_back, "abc");
        fs::remove(folder / "raw.dat");
        fs::create_directory(folder / u8"\u4E95");

        std::vector<os::dir_entry> entries;
        ASSERT_TRUE(os::list_directory(dir, entries));
        std::vector<std::string> names;
        for (const os::dir_entry& e : entries)
            names.push_back(e.native_name);
        EXPECT_EQ(names, (std::vector<std::string>{"12.bin", "\xE4\xBA\x95", "gti.ini", "run.txt"}));
        EXPECT_EQ(entries[1].name, "<U+4E95>");  // in order of the names shown
        TStringList found;
        int total = 0;
        lib::get_file_list(os::file_path(folder / "*.*"), &found, 0, &total);
        EXPECT_EQ(items(found), (std::vector<AnsiString>{"12.bin", "gti.ini", "run.txt"}));
        EXPECT_EQ(total, static_cast<int>(fs::file_size(folder / "12.bin") + fs::file_size(folder / "gti.ini") +
                                          fs::file_size(folder / "run.txt")));
        TStringList dirs;
        lib::get_dir_list(dir, &dirs);
        EXPECT_EQ(items(dirs), std::vector<AnsiString>{"<U+4E95>"});

        // The station-text forms do not see the folder; the path forms empty it.
        std::vector<os::dir_entry> station;
        ASSERT_TRUE(os::list_directory(root.path(), station));
        EXPECT_TRUE(station.empty());
        lib::remove_directory_with_files(dir);
        EXPECT_TRUE(fs::is_empty(folder));
    }
}

}  // namespace unicode_folders
