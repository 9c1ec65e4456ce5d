#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "support.h"

using namespace lib::literals;

namespace os = lib::os;
using gti_test::temp_dir;

namespace {

std::string native(const AnsiString& path) {
    return os::native_path(path);
}

void make_dir(const AnsiString& path) {
    ASSERT_EQ(mkdir(native(path).c_str(), 0777), 0);
}

void make_link(const AnsiString& target, const AnsiString& link) {
    ASSERT_EQ(symlink(native(target).c_str(), native(link).c_str()), 0);
}

void set_mode(const AnsiString& path, mode_t mode) {
    ASSERT_EQ(chmod(native(path).c_str(), mode), 0);
}

// The FILETIME of a moment given in seconds since 1970-01-01 UTC.
FILETIME filetime_at(std::int64_t unix_seconds) {
    return lib::uint64_to_filetime(static_cast<std::uint64_t>((unix_seconds + 11644473600LL) * 10000000));
}

TEST(ListDirectory, NamesAttributesAndSizesInNameOrder) {
    temp_dir dir;
    gti_test::write_bytes(dir.file("12.tim"), "12345");
    gti_test::write_bytes(dir.file(".hidden"), "h");
    gti_test::write_bytes(dir.file("locked.dat"), "ro");
    set_mode(dir.file("locked.dat"), 0444);
    make_dir(dir.file("Южная-7"_cp));
    make_link(dir.file("12.tim"), dir.file("link.tim"));
    make_link(dir.file("Южная-7"_cp), dir.file("linked-well"));
    make_link(dir.file("missing"), dir.file("broken"));
    // A name that code page 1251 cannot hold: "水" in UTF-8.
    ASSERT_EQ(mkdir((native(dir.path()) + "/\xE6\xB0\xB4").c_str(), 0777), 0);

    std::vector<os::dir_entry> entries;
    ASSERT_TRUE(os::list_directory(dir.path(), entries));
    struct row {
        const char* name;
        std::uint32_t attributes;
        std::uint64_t size;
    };
    const std::vector<row> expected = {
        {".hidden", os::attr_archive | os::attr_hidden, 1},
        {"12.tim", os::attr_archive, 5},
        {"broken", os::attr_archive | os::attr_link, 0},
        {"link.tim", os::attr_archive | os::attr_link, 5},
        {"linked-well", os::attr_directory | os::attr_link, 0},
        {"locked.dat", os::attr_archive | os::attr_read_only, 2},
        {"Южная-7"_cp, os::attr_directory, 0},
    };
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(entries[i].name, expected[i].name);
        EXPECT_EQ(entries[i].attributes, expected[i].attributes);
        EXPECT_EQ(entries[i].size, expected[i].size);
    }
    EXPECT_FALSE(os::list_directory(dir.file("missing"), entries));
    EXPECT_TRUE(entries.empty());
}

TEST(EntryInfo, DescribesOnePath) {
    temp_dir dir;
    gti_test::write_bytes(dir.file("вес.dat"_cp), "123");
    os::dir_entry e;
    ASSERT_TRUE(os::entry_info(dir.file("вес.dat"_cp), e));
    EXPECT_EQ(e.name, "вес.dat"_cp);
    EXPECT_EQ(e.size, 3u);
    EXPECT_EQ(e.attributes, os::attr_archive);
    struct stat st {};
    ASSERT_EQ(stat(native(dir.file("вес.dat"_cp)).c_str(), &st), 0);
    EXPECT_EQ(lib::filetime_to_uint64(e.last_write) / 10000000 - 11644473600ULL,
              static_cast<std::uint64_t>(st.st_mtim.tv_sec));
    ASSERT_TRUE(os::entry_info(dir.path() + "/", e));
    EXPECT_EQ(e.attributes, os::attr_directory);
    EXPECT_FALSE(os::entry_info(dir.file("missing"), e));
    EXPECT_FALSE(os::entry_info("", e));
}

TEST(DosDateTime, PacksLocalTimeAndKeepsTheOrderAtTheEnds) {
    setenv("TZ", "UTC0", 1);
    tzset();
    // 2024-05-17 13:45:31 UTC
    EXPECT_EQ(os::dos_date_time(filetime_at(1715953531)),
              44u << 25 | 5u << 21 | 17u << 16 | 13u << 11 | 45u << 5 | 15u);
    // 1980-01-01 00:00:00
    EXPECT_EQ(os::dos_date_time(filetime_at(315532800)), 0x00210000u);
    EXPECT_EQ(os::dos_date_time(filetime_at(0)), 0x00210000u);
    EXPECT_EQ(os::dos_date_time(FILETIME{}), 0x00210000u);
    const std::uint32_t last = 127u << 25 | 12u << 21 | 31u << 16 | 23u << 11 | 59u << 5 | 29u;
    EXPECT_EQ(os::dos_date_time(filetime_at(4354819200LL)), last);  // 2108-01-01
    EXPECT_EQ(os::dos_date_time(FILETIME{0xFFFFFFFF, 0xFFFFFFFF}), last);
}

TEST(CopyFile, CopiesBytesTimeAndPermissions) {
    temp_dir dir;
    const std::string bytes = std::string(200000, 'd') + "end";
    gti_test::write_bytes(dir.file("from"), bytes);
    set_mode(dir.file("from"), 0640);
    const struct timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, native(dir.file("from")).c_str(), old_times, 0), 0);
    gti_test::write_bytes(dir.file("to"), std::string(300000, 'x'));

    ASSERT_TRUE(os::copy_file(dir.file("from"), dir.file("to")));
    EXPECT_EQ(gti_test::read_bytes(dir.file("to")), bytes);
    struct stat st {};
    ASSERT_EQ(stat(native(dir.file("to")).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    ASSERT_TRUE(os::copy_file(dir.file("from"), dir.file("new")));
    EXPECT_EQ(gti_test::read_bytes(dir.file("new")), bytes);
}

TEST(CopyFile, RefusalsLeaveTheTargetAsItWas) {
    temp_dir dir;
    gti_test::write_bytes(dir.file("from"), "new data");
    gti_test::write_bytes(dir.file("same"), "keep me");
    gti_test::write_bytes(dir.file("read-only"), "keep me");
    set_mode(dir.file("read-only"), 0444);
    gti_test::write_bytes(dir.file("mapped"), "keep me");
    make_dir(dir.file("folder"));
    make_link(dir.file("same"), dir.file("same-link"));

    const os::open_result viewer =
        os::open_shared(dir.file("mapped"), os::access::read, os::disposition::open_existing);
    ASSERT_EQ(viewer.status, os::open_status::ok);
    void* view = os::map_file(viewer.handle, 7, false);
    ASSERT_NE(view, nullptr);

    struct row {
        AnsiString from;
        AnsiString to;
    };
    for (const row& r : {
             row{dir.file("same"), dir.file("same")},
             row{dir.file("same"), dir.path() + "/./same"},
             row{dir.file("same"), dir.file("same-link")},
             row{dir.file("from"), dir.file("read-only")},
             row{dir.file("from"), dir.file("mapped")},
             row{dir.file("from"), dir.file("folder")},
             row{dir.file("missing"), dir.file("new")},
             row{dir.file("folder"), dir.file("new")},
         }) {
        SCOPED_TRACE(r.from.str() + " -> " + r.to.str());
        EXPECT_FALSE(os::copy_file(r.from, r.to));
    }
    for (const char* name : {"same", "read-only", "mapped"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(gti_test::read_bytes(dir.file(name)), "keep me");
    }
    EXPECT_FALSE(gti_test::exists(dir.file("new")));
    os::unmap_file(viewer.handle, view, 7);
    os::close_file(viewer.handle);
}

TEST(DeleteAndRemove, ReadOnlyFilesNeedTheirAttributeCleared) {
    temp_dir dir;
    gti_test::write_bytes(dir.file("plain"), "x");
    gti_test::write_bytes(dir.file("read-only"), "x");
    set_mode(dir.file("read-only"), 0444);
    make_dir(dir.file("full"));
    gti_test::write_bytes(dir.file("full/inside"), "x");
    make_dir(dir.file("empty"));
    make_link(dir.file("full"), dir.file("dir-link"));
    make_link(dir.file("full/inside"), dir.file("file-link"));

    EXPECT_TRUE(os::delete_file(dir.file("plain")));
    EXPECT_FALSE(os::delete_file(dir.file("plain")));
    EXPECT_FALSE(os::delete_file(dir.file("read-only")));
    EXPECT_TRUE(os::clear_attributes(dir.file("read-only")));
    EXPECT_TRUE(os::delete_file(dir.file("read-only")));
    EXPECT_FALSE(os::clear_attributes(dir.file("read-only")));
    EXPECT_FALSE(os::delete_file(dir.file("empty")));

    EXPECT_FALSE(os::remove_directory(dir.file("full")));
    EXPECT_FALSE(os::remove_directory(dir.file("file-link")));
    EXPECT_TRUE(os::remove_directory(dir.file("dir-link")));
    EXPECT_TRUE(os::delete_file(dir.file("file-link")));
    make_link(dir.file("gone"), dir.file("broken-link"));
    EXPECT_TRUE(os::remove_directory(dir.file("broken-link")));
    EXPECT_TRUE(gti_test::exists(dir.file("full/inside")));
    EXPECT_TRUE(os::remove_directory(dir.file("empty")));
    EXPECT_FALSE(gti_test::exists(dir.file("empty")));
}

TEST(SetFileSize, GrowsWithZerosAndCutsOnlyWhenNoOtherHandleMaps) {
    temp_dir dir;
    const AnsiString f = dir.file("data");
    gti_test::write_bytes(f, "abc");
    const os::open_result w = os::open_shared(f, os::access::read_write, os::disposition::open_existing);
    ASSERT_EQ(w.status, os::open_status::ok);
    ASSERT_TRUE(os::set_file_size(w.handle, 6));
    EXPECT_EQ(gti_test::read_bytes(f), std::string("abc\0\0\0", 6));

    const os::open_result r = os::open_shared(f, os::access::read, os::disposition::open_existing);
    void* view = os::map_file(r.handle, 6, false);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(os::set_file_size(w.handle, 10));  // growing never hurts a mapping
    EXPECT_FALSE(os::set_file_size(w.handle, 2));
    EXPECT_EQ(os::file_size(w.handle), 10);
    os::unmap_file(r.handle, view, 6);
    EXPECT_TRUE(os::set_file_size(w.handle, 2));
    EXPECT_EQ(gti_test::read_bytes(f), "ab");
    EXPECT_FALSE(os::set_file_size(r.handle, 1));  // not opened for writing
    os::close_file(r.handle);
    os::close_file(w.handle);
}

// The arguments a program received, as its shell wrote them: each followed by a zero byte.
std::vector<std::string> received(const AnsiString& file) {
    std::vector<std::string> args;
    const std::string bytes = gti_test::read_bytes(file);
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find('\0', start);
        args.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

// A shell command that writes its arguments to `out`, each followed by a zero byte.
AnsiString recorder(const AnsiString& out) {
    return "printf '%s\\0' \"$@\" > '" + out + "'";
}

TEST(StartProgram, ArgumentsArriveExactlyAsGiven) {
    temp_dir dir;
    const AnsiString out = dir.file("args");
    const AnsiString injected = "$(touch " + dir.file("pwned") + ")";
    const std::vector<AnsiString> args = {"-c", recorder(out), "sh",        "a b", injected, "\"q\" 'r'",
                                          "",   "; ls",        "Южная-7"_cp};
    const os::process_id id = os::start_program("sh", args);
    ASSERT_NE(id, 0);
    int code = -2;
    ASSERT_TRUE(os::wait_program(id, 30000, code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(received(out), (std::vector<std::string>{"a b", injected.str(), "\"q\" 'r'", "", "; ls",
                                                       lib::cp1251::to_utf8("Южная-7"_cp)}));
    EXPECT_FALSE(gti_test::exists(dir.file("pwned")));
    EXPECT_FALSE(os::wait_program(id, 0, code));  // already collected
}

TEST(StartProgram, ExitCodesAndFailures) {
    const os::process_id id = os::start_program("/bin/sh", {"-c", "exit 7"});
    ASSERT_NE(id, 0);
    int code = 0;
    ASSERT_TRUE(os::wait_program(id, 30000, code));
    EXPECT_EQ(code, 7);
    const os::process_id killed = os::start_program("/bin/sh", {"-c", "kill -9 $$"});
    ASSERT_TRUE(os::wait_program(killed, 30000, code));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(os::start_program("no-such-program-of-the-station", {}), 0);
    EXPECT_EQ(os::start_program("", {}), 0);
    EXPECT_FALSE(os::wait_program(0, 0, code));
}

TEST(OpenDocument, StartsTheOpenerWithThePathAndParameters) {
    temp_dir dir;
    const AnsiString out = dir.file("args");
    const std::vector<AnsiString> previous = os::set_document_opener({"/bin/sh", "-c", recorder(out), "sh"});
    const AnsiString injected = "$(touch " + dir.file("pwned") + ")";
    struct row {
        AnsiString document;
        std::vector<AnsiString> parameters;
        std::vector<std::string> expected;
    };
    for (const row& r : {
             row{"-x; " + injected, {"--print", injected}, {"./-x; " + injected.str(), "--print", injected.str()}},
             row{"/data/well/12.las", {}, {"/data/well/12.las"}},
         }) {
        SCOPED_TRACE(r.document.str());
        const os::process_id id = os::open_document(r.document, r.parameters);
        ASSERT_NE(id, 0);
        int code = -2;
        ASSERT_TRUE(os::wait_program(id, 30000, code));
        EXPECT_EQ(received(out), r.expected);
    }
    EXPECT_FALSE(gti_test::exists(dir.file("pwned")));
    EXPECT_EQ(os::open_document("", {}), 0);

    os::set_document_opener({"no-such-opener-of-the-station"});
    EXPECT_EQ(os::open_document("x.txt", {}), 0);
    EXPECT_EQ(os::set_document_opener({}), (std::vector<AnsiString>{"no-such-opener-of-the-station"}));
    EXPECT_EQ(os::set_document_opener(previous), (std::vector<AnsiString>{"xdg-open"}));
}

}  // namespace
