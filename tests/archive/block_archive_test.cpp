#include "gti/archive/block_archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/time/unix_time.h"
#include "platform/posix/syscalls.h"
#include "support.h"

using namespace lib::literals;

namespace {

using gti_test::read_bytes;
using gti_test::temp_dir;
using gti_test::write_bytes;

std::string u32(std::uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

std::string deflated(const std::string& data) {
    uLongf length = compressBound(data.size());
    std::string out(length, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.data()),
                        data.size(), 9),
              Z_OK);
    out.resize(length);
    return out;
}

// One record of an archive, laid out by hand.
std::string record(char mark, const std::string& name, const std::string& payload) {
    return mark + name + '\0' + u32(static_cast<std::uint32_t>(payload.size())) + payload;
}

// A data record whose payload is O, C and the stream.
std::string data_record(const std::string& name, const std::string& data) {
    const std::string stream = deflated(data);
    return record(
        2, name,
        u32(static_cast<std::uint32_t>(data.size())) + u32(static_cast<std::uint32_t>(stream.size())) + stream);
}

lib::array<char> array_of(const std::string& s) {
    lib::array<char> a;
    a.assign(std::span<const char>(s.data(), s.size()));
    return a;
}

std::string text_of(const lib::array<char>& a) {
    return std::string(a.begin(), a.end());
}

// The message of the GZIP_EXCEPTION that `f` throws; empty when it throws none.
template <class F>
std::string gzip_error(F&& f) {
    try {
        f();
    } catch (const GZIP_EXCEPTION& e) {
        return e.what();
    }
    return {};
}

const std::string decompress_tail = "' at function 'GZIP_DECOMPRESS::decompress_section'";

class ArchiveTest : public ::testing::Test {
protected:
    temp_dir dir;
    AnsiString name = dir.file("run.arc");
};

TEST_F(ArchiveTest, GoldenBytesOfTimeCommentAndOneFile) {
    const std::string data = "depth;hook load\r\n1250.0;84.5\r\n1250.1;84.7\r\n";
    write_bytes(dir.file("data.txt"), data);
    const std::uint32_t before = lib::get_local_time();
    GZIP_COMPRESS out;
    ASSERT_TRUE(out.open(name));
    out.add_comment("run 12");
    ASSERT_TRUE(out.add_file(dir.file("data.txt")));
    EXPECT_FALSE(gti_test::exists(name));  // nothing under the name before close
    ASSERT_TRUE(out.close());
    const std::uint32_t after = lib::get_local_time();

    const std::string bytes = read_bytes(name);
    ASSERT_GT(bytes.size(), 45u);
    std::uint32_t time;
    std::memcpy(&time, bytes.data() + 10, 4);
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
    const std::string stream = deflated(data);
    const std::string expected = std::string("\x04TIME\0\x04\0\0\0", 10) + u32(time) +
                                 std::string("\x03run 12\0\0\0\0\0", 12) + std::string("\002data.txt\0", 10) +
                                 u32(static_cast<std::uint32_t>(stream.size() + 8)) + u32(data.size()) +
                                 u32(static_cast<std::uint32_t>(stream.size())) + stream;
    EXPECT_EQ(bytes, expected);

    GZIP_DECOMPRESS in;
    ASSERT_TRUE(in.open(name));
    EXPECT_EQ(in.get_time(), time);
    EXPECT_EQ(in.read_comment(), "run 12");
    lib::array<char> back;
    in.decompress_section(in.find_block("data.txt"), back);
    EXPECT_EQ(text_of(back), data);
    EXPECT_EQ(in.index_warning(), "");
}

TEST_F(ArchiveTest, ReaderCasesOfTheStation) {
    const std::string time = record(4, "TIME", u32(86400 * 3));
    struct row {
        const char* what;
        std::string bytes;
        AnsiString find;
        AnsiString found;  // the name found, or empty for none
        AnsiString comment;
    };
    const row rows[] = {
        {"only a time record", time, "TIME.TXT", "", ""},
        {"two comments give the first", time + record(3, "first", "") + record(3, "second", ""), "x", "", "first"},
        {"letter case", time + data_record("data.txt", "x"), "DATA.TXT", "data.txt", ""},
        {"Cyrillic letter case", time + data_record("ДАННЫЕ.TXT"_cp, "x"), "данные.txt"_cp, "ДАННЫЕ.TXT"_cp, ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        write_bytes(name, r.bytes);
        GZIP_DECOMPRESS in;
        ASSERT_TRUE(in.open(name));
        EXPECT_EQ(in.get_time(), 86400u * 3);
        EXPECT_EQ(in.read_comment(), r.comment);
        const GZIP_FILE_BLOCK* b = in.find_block(r.find);
        EXPECT_EQ(b ? b->name : AnsiString(), r.found);
    }
}

TEST_F(ArchiveTest, DamagedRecordsThrowBeforeAllocatingAndLeaveTheOutputAlone) {
    const std::string data(5000, 'a');
    const std::string stream = deflated(data);
    const auto c = static_cast<std::uint32_t>(stream.size());
    std::string damaged_stream = stream;
    damaged_stream[stream.size() / 2] ^= 0x55;
    struct row {
        const char* what;
        std::string payload;
        std::string message;  // what the message holds before decompress_tail
    };
    const row rows[] = {
        {"damaged stream", u32(5000) + u32(c) + damaged_stream, "ERROR: uncompress response '"},
        {"fewer bytes than recorded", u32(5001) + u32(c) + stream,
         "ERROR: uncompress response 'fewer bytes than recorded"},
        {"more bytes than recorded", u32(4999) + u32(c) + stream,
         "ERROR: uncompress response 'there is not enough room in the output buffer"},
        {"past the record", u32(5000) + u32(c + 1) + stream, "passes the end of the record"},
        {"negative compressed length", u32(5000) + u32(0x80000000u) + stream, "passes the end of the record"},
        {"more than deflate can give", u32(c * 1032 + 1) + u32(c) + stream, "more than the compressed bytes can hold"},
        {"two gibibytes promised", u32(0x7FFFFFFFu) + u32(c) + stream, "more than the compressed bytes can hold"},
        {"no lengths", "", "passes the end of the record"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        write_bytes(name, record(2, "data.bin", r.payload) + record(3, "next", ""));
        GZIP_DECOMPRESS in;
        ASSERT_TRUE(in.open(name));
        lib::array<char> out = array_of("kept");
        const std::string message = gzip_error([&] { in.decompress_section(in.find_block("data.bin"), out); });
        EXPECT_NE(message.find(r.message), std::string::npos) << message;
        EXPECT_EQ(message.rfind(name.str() + ": record \"data.bin\" at byte 0: ERROR: ", 0), 0u) << message;
        EXPECT_TRUE(message.ends_with(decompress_tail)) << message;
        EXPECT_TRUE(text_of(out) == "kept");
    }
    // The compressed length past the end of the file, in a record cut short.
    write_bytes(name, record(2, "data.bin", u32(5000) + u32(c) + stream).substr(0, 30));
    GZIP_DECOMPRESS in;
    ASSERT_TRUE(in.open(name));
    ASSERT_EQ(in.blocks().size(), 1u);
    EXPECT_NE(in.index_warning().view().find("cut short"), std::string_view::npos);
    lib::array<char> out;
    EXPECT_NE(gzip_error([&] { in.decompress_section(&in.blocks()[0], out); }).find("passes the end of the archive"),
              std::string::npos);
}

TEST_F(ArchiveTest, IndexingEndsAtANegativeSizeOrACutAndSurvivesEveryPrefix) {
    const std::string good = record(4, "TIME", u32(1)) + record(3, "note", "") + data_record("a.txt", "alpha");
    AnsiString warning;
    const std::string negative = good + std::string("\x02loop\0\xF0\xFF\xFF\xFF", 10) + good;
    const std::vector<GZIP_FILE_BLOCK> blocks = lib::index_archive(negative, warning);
    EXPECT_EQ(blocks.size(), 3u);
    EXPECT_EQ(warning, "the record at byte " + AnsiString(std::to_string(good.size())) + " has a negative size");

    for (std::size_t n = 0; n <= good.size(); ++n) {
        SCOPED_TRACE(n);
        write_bytes(name, good.substr(0, n));
        GZIP_DECOMPRESS in;
        ASSERT_TRUE(in.open(name));
        EXPECT_EQ(in.index_warning().empty(), n == 0 || n == 14 || n == 24 || n == good.size());
        for (const GZIP_FILE_BLOCK& b : in.blocks()) {
            if (b.mark != GZIP_MARK_FILE) continue;
            lib::array<char> out;
            const std::string message = gzip_error([&] { in.decompress_section(&b, out); });
            EXPECT_TRUE(n == good.size() ? text_of(out) == "alpha" : message.ends_with(decompress_tail)) << message;
        }
        EXPECT_NO_THROW(gzip_error([&] { in.extract_to(dir.path()); }));
    }
}

TEST_F(ArchiveTest, HostileNamesNeverLeaveTheFolder) {
    const std::vector<std::string> hostile = {"..",          ".",         "",       "../evil", "..\\evil",
                                              "sub/evil",    "/tmp/evil", "\\evil", "C:evil",  "c:\\evil",
                                              "bad\x01name", "tab\tname", "del\x7F"};
    std::string bytes = record(4, "TIME", u32(1));
    for (const std::string& n : hostile)
        bytes += data_record(n, "payload of " + n);
    bytes += data_record("good.txt", "good");
    write_bytes(name, bytes);
    const AnsiString out = dir.file("out");
    ASSERT_TRUE(std::filesystem::create_directory(lib::os::native_path(out)));
    for (const AnsiString& target : {out, out + "/", out + "\\"}) {
        SCOPED_TRACE(target.str());
        lib::os::delete_file(out + "/good.txt");
        GZIP_DECOMPRESS in;
        ASSERT_TRUE(in.open(name));
        const std::vector<lib::archive_skip> skipped = in.extract_to(target);
        std::vector<std::string> names;
        for (const lib::archive_skip& s : skipped) {
            EXPECT_TRUE(s.unsafe_name) << s.name.str();
            names.push_back(s.name.str());
        }
        EXPECT_EQ(names, hostile);
        std::vector<lib::os::dir_entry> entries;
        ASSERT_TRUE(lib::os::list_directory(out, entries));
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, "good.txt");
        ASSERT_TRUE(lib::os::list_directory(dir.path(), entries));
        EXPECT_EQ(entries.size(), 2u);  // run.arc and out
    }
}

TEST_F(ArchiveTest, RoundTripOfFilesWithFoldersInTheirPaths) {
    write_bytes(dir.file("empty.bin"), "");
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += std::to_string(i * 7919 % 1000) + ";";
    write_bytes(dir.file("x\\big.txt"), big);  // a backslash separates too
    GZIP_COMPRESS out;
    ASSERT_TRUE(out.open(name));
    ASSERT_TRUE(out.add_file(dir.file("empty.bin")));
    ASSERT_TRUE(out.add_file(dir.file("x\\big.txt")));
    EXPECT_FALSE(out.add_file(dir.file("missing.txt")));
    ASSERT_TRUE(out.close());

    GZIP_DECOMPRESS in;
    ASSERT_TRUE(in.open(name));
    ASSERT_EQ(in.blocks().size(), 3u);
    EXPECT_EQ(in.blocks()[2].name, "big.txt");
    const AnsiString back = dir.file("back");
    ASSERT_TRUE(std::filesystem::create_directory(lib::os::native_path(back)));
    EXPECT_TRUE(in.extract_to(back).empty());
    EXPECT_EQ(read_bytes(back + "/big.txt"), big);
    EXPECT_TRUE(gti_test::exists(back + "/empty.bin"));
    EXPECT_EQ(read_bytes(back + "/empty.bin"), "");

    // A second open drops the first archive's index; a missing file leaves none.
    write_bytes(dir.file("other.arc"), record(3, "other", ""));
    ASSERT_TRUE(in.open(dir.file("other.arc")));
    EXPECT_EQ(in.blocks().size(), 1u);
    EXPECT_FALSE(in.open(dir.file("missing.arc")));
    EXPECT_TRUE(in.blocks().empty());
    EXPECT_EQ(in.find_block("big.txt"), nullptr);
}

// Archives and files in folders whose names code page 1251 cannot hold; a file name that the
// archive cannot hold is refused with the name, before anything is written.
TEST_F(ArchiveTest, FoldersOfAnyNameAndNamesTheArchiveCannotHold) {
    namespace fs = std::filesystem;
    const auto put = [](const fs::path& file, const char* text) { std::ofstream(file) << text; };
    for (const char8_t* folder_name : {u8"Sleipner \u00D8st", u8"\u4E95"}) {
        const fs::path folder = fs::path(dir.path().str()) / folder_name;
        ASSERT_TRUE(fs::create_directories(folder / "out"));
        put(folder / "12.tim", "data");
        put(folder / u8"\u4E95.tim", "x");
        GZIP_COMPRESS out;
        ASSERT_TRUE(out.open(folder / "run.arc"));
        ASSERT_TRUE(out.add_file(folder / "12.tim"));
        try {
            out.add_file(folder / u8"\u4E95.tim");
            ADD_FAILURE() << "a name the archive cannot hold was stored";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("<U+4E95>.tim"), std::string::npos) << e.what();
        }
        ASSERT_TRUE(out.close());

        GZIP_DECOMPRESS in;
        ASSERT_TRUE(in.open(folder / "run.arc"));
        ASSERT_EQ(in.blocks().size(), 2u);
        EXPECT_TRUE(in.extract_to(folder / "out").empty());
        std::string back;
        std::ifstream(folder / "out" / "12.tim") >> back;
        EXPECT_EQ(back, "data");
    }
}

TEST_F(ArchiveTest, WritesThatCannotSucceedAreRefused) {
    GZIP_COMPRESS closed;
    const lib::array<char> data = array_of("abc");
    EXPECT_EQ(gzip_error([&] { closed.add_data("x", data, GZIP_MARK_FILE); }),
              "ERROR: write response 'the archive is not open' at function 'GZIP_COMPRESS::add_data'");
    EXPECT_NE(gzip_error([&] { closed.add_comment("x"); }), "");
    EXPECT_NE(gzip_error([&] { closed.add_file(name); }), "");
    EXPECT_TRUE(closed.close());

    GZIP_COMPRESS out;
    ASSERT_TRUE(out.open(name));
    EXPECT_NE(gzip_error([&] { out.add_comment(AnsiString("a\0b", 3)); }).find("a name holds a zero byte"),
              std::string::npos);
    EXPECT_FALSE(out.open(dir.file("no-folder/x.arc")));
    EXPECT_TRUE(gti_test::exists(name));  // the first archive was closed, and so put in place
}

TEST_F(ArchiveTest, AFailedWriteKeepsTheOldArchiveAndLeavesNoTemporaryFile) {
    write_bytes(name, "old archive");
    GZIP_COMPRESS out;
    ASSERT_TRUE(out.open(name));
    const lib::os::detail::syscall_table saved = lib::os::detail::syscalls();
    lib::os::detail::syscalls().write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const std::string message = gzip_error([&] { out.add_comment("note"); });
    lib::os::detail::syscalls() = saved;
    EXPECT_EQ(message, name.str() +
                           ": ERROR: write response 'the file system refused the record' at function "
                           "'GZIP_COMPRESS::add_comment'");
    EXPECT_NE(gzip_error([&] { out.add_comment("later"); }).find("an earlier write"), std::string::npos);
    EXPECT_FALSE(out.close());
    EXPECT_EQ(read_bytes(name), "old archive");
    std::vector<lib::os::dir_entry> entries;
    ASSERT_TRUE(lib::os::list_directory(dir.path(), entries));
    EXPECT_EQ(entries.size(), 1u);
}

TEST_F(ArchiveTest, AFileThatChangesSizeWhileReadIsAnError) {
    write_bytes(dir.file("growing.log"), "recorded so far");
    using read_call = ssize_t (*)(int, void*, std::size_t);
    const read_call shrinks = [](int, void*, std::size_t) -> ssize_t { return 0; };
    const read_call grows = [](int, void*, std::size_t count) -> ssize_t { return static_cast<ssize_t>(count); };
    for (read_call seam : {shrinks, grows}) {
        GZIP_COMPRESS out;
        ASSERT_TRUE(out.open(name));
        const lib::os::detail::syscall_table saved = lib::os::detail::syscalls();
        lib::os::detail::syscalls().read = seam;
        const std::string message = gzip_error([&] { out.add_file(dir.file("growing.log")); });
        lib::os::detail::syscalls() = saved;
        EXPECT_EQ(message, dir.file("growing.log").str() +
                               ": ERROR: read response 'the file changed size while it was read' at function "
                               "'GZIP_COMPRESS::add_file'");
        EXPECT_TRUE(out.close());
    }
}

TEST_F(ArchiveTest, AnArchiveStopsShortOfFourGibibytes) {
    GZIP_COMPRESS out;
    ASSERT_TRUE(out.open(name));
    const lib::os::detail::syscall_table saved = lib::os::detail::syscalls();
    lib::os::detail::syscalls().write = [](int, const void*, std::size_t count) -> ssize_t {
        return static_cast<ssize_t>(count);
    };
    const AnsiString comment(64u << 20, 'c');  // each record 64 MiB + 6 bytes
    std::string message;
    int records = 0;
    while (message.empty() && records < 100) {
        message = gzip_error([&] { out.add_comment(comment); });
        records += message.empty();
    }
    lib::os::detail::syscalls() = saved;
    EXPECT_EQ(records, 63);
    EXPECT_LE(out.written(), 0xFFFFFFFFu);
    EXPECT_NE(message.find("the archive would pass 4 GiB"), std::string::npos);
}

}  // namespace
