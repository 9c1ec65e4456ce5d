#include "gti/io/mapped_file.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cmath>
#include <memory>
#include <string>

#include "platform/posix/syscalls.h"
#include "support.h"

using namespace lib::literals;

using lib::mapped_file;

namespace {

class MappedFileTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("archive.gz");

    std::string on_disk() const { return gti_test::read_bytes(name); }
    // Writes the bytes to the file and opens it for reading.
    void read(mapped_file& f, const std::string& bytes) {
        gti_test::write_bytes(name, bytes);
        ASSERT_TRUE(f.open(name, lib::om_read, 0));
    }
};

TEST_F(MappedFileTest, OpeningFailsWithoutLeavingAnythingOpen) {
    mapped_file f;
    EXPECT_FALSE(f.open(name, lib::om_read, 0));
    EXPECT_FALSE(f.is_open());
    EXPECT_FALSE(f.open(name, static_cast<lib::open_modes>(2), 0));
    EXPECT_FALSE(f.open("", lib::om_read, 0));
    EXPECT_FALSE(f.open(dir.path(), lib::om_read, 0));
    EXPECT_FALSE(gti_test::exists(name));

    gti_test::write_bytes(name, "data");
    ASSERT_TRUE(f.open(name, lib::om_read, 0));
    EXPECT_FALSE(f.open(name, lib::om_read, 0));  // one file at a time
    EXPECT_EQ(f.get_size(), 4u);
    EXPECT_EQ(f.get_initial_size(), 4u);
    f.close();
    f.close();
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(f.get(), -1);
}

TEST_F(MappedFileTest, ReadsTheMemoryImagesOfEveryType) {
    const std::string bytes = std::string("\x04\x03\x02\x01", 4) +                  // int 0x01020304
                              "\xFE\xFF\xFF\xFF" +                                  // unsigned 0xFFFFFFFE
                              std::string("\x01\0\0\0\0\0\0\x80", 8) +              // int64 min + 1
                              std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8) +  // uint64 max
                              "\xC6" +                                              // char 'Ж'
                              "\xC8" +                                              // unsigned char 200
                              "\x02" +                                              // bool: any byte but 0
                              std::string("\0\0\xC0\x3F", 4) +                      // float 1.5
                              std::string("\0\0\0\0\0\0\x04\xC0", 8) +              // double -2.5
                              std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10) +       // extended 1.0
                              std::string("\0\0\0\0\0\0\0\xA0\x00\xC0", 10) +       // extended -2.5
                              std::string("\xFF\x80\x00\x00", 4) +                  // TColor 0x000080FF
                              std::string("Южная\0"_cp, 6) +                        // text
                              std::string("\0\0\0\0\0\x80\xE2\x40", 8);             // TDateTime 37888
    mapped_file f;
    read(f, bytes);
    int i = 0;
    unsigned u = 0;
    std::int64_t i64 = 0;
    std::uint64_t u64 = 0;
    char c = 0;
    unsigned char uc = 0;
    bool b = false;
    float fl = 0;
    double d = 0;
    long double e1 = 0, e2 = 0;
    TColor color = TColor(0);
    AnsiString text;
    TDateTime when;
    f >> i >> u >> i64 >> u64 >> c >> uc >> b >> fl >> d >> e1 >> e2 >> color >> text;
    EXPECT_FALSE(f.eof());
    f >> when;
    EXPECT_EQ(i, 0x01020304);
    EXPECT_EQ(u, 0xFFFFFFFEu);
    EXPECT_EQ(i64, INT64_MIN + 1);
    EXPECT_EQ(u64, UINT64_MAX);
    EXPECT_EQ(c, '\xC6');  // Ж
    EXPECT_EQ(uc, 200);
    EXPECT_TRUE(b);
    EXPECT_EQ(fl, 1.5f);
    EXPECT_EQ(d, -2.5);
    EXPECT_EQ(e1, 1.0L);
    EXPECT_EQ(e2, -2.5L);
    EXPECT_EQ(color, 0x000080FFu);
    EXPECT_EQ(text, "Южная"_cp);
    EXPECT_EQ(when.value(), 37888.0);
    EXPECT_TRUE(f.eof());
    f >> i;
    EXPECT_EQ(i, 0x01020304);
}

TEST_F(MappedFileTest, ExtendedRealsAtTheEdges) {
    struct row {
        std::string bytes;
        long double value;
    };
    const long double inf = std::numeric_limits<long double>::infinity();
    for (const row& r : {
             row{std::string(10, '\0'), 0.0L},
             row{std::string("\0\0\0\0\0\0\0\0\0\x80", 10), -0.0L},
             row{std::string("\0\0\0\0\0\0\0\x80\xFF\x7F", 10), inf},
             row{std::string("\0\0\0\0\0\0\0\x80\xFF\xFF", 10), -inf},
             row{std::string("\0\0\0\0\0\0\0\xC0\x02\x40", 10), 12.0L},
         }) {
        mapped_file f;
        read(f, r.bytes);
        long double v = 99;
        f >> v;
        EXPECT_EQ(v, r.value);
        EXPECT_EQ(std::signbit(v), std::signbit(r.value));
    }
    mapped_file f;
    read(f, std::string("\x01\0\0\0\0\0\0\xC0\xFF\x7F", 10));
    long double v = 0;
    f >> v;
    EXPECT_TRUE(std::isnan(v));
}

TEST_F(MappedFileTest, ShortValuesAndUnendedTextsAreNotRead) {
    mapped_file f;
    read(f, "abcdefg");
    int i = 0;
    EXPECT_EQ(f.seekg(4, lib::sk_begin), 4);
    f >> i;
    EXPECT_EQ(i, 0);  // three bytes left: unchanged, the position stays
    AnsiString text = "kept";
    f >> text;
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(f.get(), 'e');
    double d = 1;
    f.seekg(0, lib::sk_begin);
    f >> d;
    EXPECT_EQ(d, 1);
    f >> i;
    EXPECT_EQ(i, 0x64636261);
}

TEST_F(MappedFileTest, SeeksAndTheEndFlag) {
    mapped_file f;
    read(f, std::string("\x01\x80\xFF\x7Fz", 5));
    EXPECT_EQ(f.get(), 1);
    EXPECT_EQ(f.get(), -128);
    EXPECT_EQ(f.get(), -1);  // the byte 0xFF
    EXPECT_EQ(f.seekg(0, lib::sk_end), 4);
    EXPECT_FALSE(f.eof());
    EXPECT_EQ(f.get(), 'z');
    EXPECT_TRUE(f.eof());
    EXPECT_EQ(f.get(), -1);
    EXPECT_EQ(f.seekg(-2, lib::sk_current), 3);
    EXPECT_EQ(f.get(), 0x7F);
    EXPECT_EQ(f.seekg(2, lib::sk_end), 2);
    EXPECT_EQ(f.seekg(-1, lib::sk_end), 5);
    EXPECT_TRUE(f.eof());
    char buffer[8] = {};
    EXPECT_EQ(f.read(buffer, 8), -1);

    // Before the start nothing is read either, and no byte outside the mapping is touched.
    EXPECT_EQ(f.seekg(-3, lib::sk_begin), -3);
    EXPECT_FALSE(f.eof());
    EXPECT_EQ(f.get(), -1);
    EXPECT_EQ(f.read(buffer, 8), -1);
    int i = 7;
    f >> i;
    EXPECT_EQ(i, 7);
    AnsiString text = "kept";
    f >> text;
    EXPECT_EQ(text, "kept");
}

TEST_F(MappedFileTest, ReadCopiesWhatIsLeft) {
    mapped_file f;
    read(f, "0123456789");
    char buffer[16] = {};
    EXPECT_EQ(f.read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(f.read(buffer, 0), 0);
    EXPECT_EQ(f.read(buffer, -5), 0);
    EXPECT_EQ(f.read(buffer, 16), 6);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_TRUE(f.eof());
    EXPECT_EQ(f.read(buffer, 16), -1);
}

TEST_F(MappedFileTest, AnEmptyFileOpensWithNothingToReadAndAFileOpenedForReadingIsNeverWritten) {
    gti_test::write_bytes(name, "");
    mapped_file f;
    ASSERT_TRUE(f.open(name, lib::om_read, 100));
    EXPECT_EQ(f.get_size(), 0u);
    EXPECT_EQ(f.get(), -1);
    char buffer[4];
    EXPECT_EQ(f.read(buffer, 4), -1);
    EXPECT_EQ(f.write("x", 1), 0xFFFFFFFFu);
    f.close();
    read(f, "station");  // a file opened for reading is never written
    EXPECT_EQ(f.write("X", 1), 0xFFFFFFFFu);
    EXPECT_FALSE(f.resize(100));
    EXPECT_EQ(f.get(), 's');
    f.close();
    EXPECT_EQ(on_disk(), "station");
}

TEST_F(MappedFileTest, GrowsByTheRequestPlusTwiceTheCurrentSize) {
    mapped_file f;
    ASSERT_TRUE(f.open(name, lib::om_write, 0));
    EXPECT_EQ(f.get_size(), 0u);
    EXPECT_EQ(f.write("0123456789", 10), 10u);
    EXPECT_EQ(f.get_size(), 10u);
    EXPECT_EQ(f.write("abcde", 5), 15u);
    EXPECT_EQ(f.get_size(), 25u);  // 5 + 2 * 10
    EXPECT_EQ(on_disk().size(), 25u);
    EXPECT_EQ(f.write("fghij", 5), 20u);
    EXPECT_EQ(f.get_size(), 25u);
    EXPECT_EQ(f.write("12345", 5), 25u);  // reaching the limit grows too
    EXPECT_EQ(f.get_size(), 55u);

    // What was written reads back through the same mapping.
    f.seekg(10, lib::sk_begin);
    char buffer[10];
    EXPECT_EQ(f.read(buffer, 10), 10);
    EXPECT_EQ(std::string(buffer, 10), "abcdefghij");
}

TEST_F(MappedFileTest, TheDestructorCutsBackToTheHighWaterMark) {
    struct row {
        int open_size;
        std::vector<std::string> writes;
        std::string expected;
    };
    for (const row& r : {
             row{0, {}, ""},
             row{0, {"0123456789"}, "0123456789"},
             row{1000, {}, ""},
             row{1000, {"0123456789"}, "0123456789"},
             // A write that passes the first mapping's end grows far enough for all its bytes.
             row{1000, {"0123456789", std::string(995, 'x')}, "0123456789" + std::string(995, 'x')},
             row{3, {std::string(70000, 'y'), "z"}, std::string(70000, 'y') + "z"},
         }) {
        SCOPED_TRACE(r.open_size);
        {
            mapped_file f;
            ASSERT_TRUE(f.open(name, lib::om_write, r.open_size));
            for (const std::string& w : r.writes)
                f.write(w.data(), static_cast<unsigned>(w.size()));
        }
        EXPECT_EQ(on_disk(), r.expected);
    }
}

TEST_F(MappedFileTest, RewritingAHeaderKeepsTheLengthWritten) {
    {
        mapped_file f;
        ASSERT_TRUE(f.open(name, lib::om_write, 0));
        EXPECT_EQ(f.write("????payload", 11), 11u);
        EXPECT_EQ(f.seekp(0, lib::sk_begin), 0);
        f.seekg(0, lib::sk_end);
        f.get();
        EXPECT_TRUE(f.eof());
        EXPECT_EQ(f.write("HEAD", 4), 4u);  // the end flag is the reader's
        EXPECT_EQ(f.seekp(-5, lib::sk_current), -1);
        EXPECT_EQ(f.write("x", 1), 0xFFFFFFFFu);
        // A write that would end at 4 GiB - 1 is refused before anything grows.
        f.seekp(0x7FFFFFFF, lib::sk_begin);
        EXPECT_EQ(f.write("x", 0x80000000u), 0xFFFFFFFFu);
        EXPECT_TRUE(f.is_open());
        EXPECT_EQ(f.get_size(), 11u);
    }
    EXPECT_EQ(on_disk(), "HEADpayload");
}

TEST_F(MappedFileTest, CloseAloneKeepsTheMappedLength) {
    mapped_file f;
    ASSERT_TRUE(f.open(name, lib::om_write, 100));
    f.write("abc", 3);
    f.close();
    EXPECT_EQ(on_disk(), std::string("abc") + std::string(97, '\0'));
    EXPECT_EQ(f.write("d", 1), 0xFFFFFFFFu);
}

TEST_F(MappedFileTest, BinaryDataHasTheStreamsEncoding) {
    {
        mapped_file f;
        ASSERT_TRUE(f.open(name, lib::om_write, 0));
        EXPECT_EQ(lib::write_bin_data(f, AnsiString()), 1u);
        EXPECT_EQ(lib::write_bin_data(f, AnsiString("вес"_cp)), 5u);
        EXPECT_EQ(lib::write_bin_data(f, "ab"), 8u);
        EXPECT_EQ(lib::write_bin_data(f, static_cast<const char*>(nullptr)), 9u);
        EXPECT_EQ(lib::write_bin_data(f, TDateTime(37888.0)), 17u);
    }
    EXPECT_EQ(on_disk(), std::string(1, '\0') + "вес"_cp + std::string("\0ab\0\0\0\0\0\0\0\x80\xE2\x40", 13));
}

TEST_F(MappedFileTest, AFailedGrowthClosesAndWritesNothing) {
    mapped_file f;
    ASSERT_TRUE(f.open(name, lib::om_write, 0));
    ASSERT_EQ(f.write("abc", 3), 3u);
    const auto saved = lib::os::detail::syscalls();
    lib::os::detail::syscalls().mmap = [](void*, std::size_t, int, int, int, off_t) -> void* { return MAP_FAILED; };
    EXPECT_EQ(f.write("defgh", 5), 0xFFFFFFFFu);
    lib::os::detail::syscalls() = saved;
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(f.write("i", 1), 0xFFFFFFFFu);
}

TEST_F(MappedFileTest, AWriterNeverCutsAFileFromUnderAReader) {
    gti_test::write_bytes(name, "old");
    mapped_file reader;
    ASSERT_TRUE(reader.open(name, lib::om_read, 0));
    {
        mapped_file writer;
        EXPECT_FALSE(writer.open(name, lib::om_write, 0));  // creating would cut the mapped file
    }
    EXPECT_EQ(reader.get(), 'o');
    reader.close();

    auto writer = std::make_unique<mapped_file>();
    ASSERT_TRUE(writer->open(name, lib::om_write, 0));
    writer->write("0123456789", 10);
    writer->write("abcde", 5);
    ASSERT_TRUE(reader.open(name, lib::om_read, 0));
    EXPECT_EQ(reader.get_size(), 25u);
    writer.reset();  // the cut to 15 bytes must wait for the reader
    char buffer[25];
    EXPECT_EQ(reader.read(buffer, 25), 25);
    EXPECT_EQ(std::string(buffer, 15), "0123456789abcde");
    EXPECT_EQ(on_disk().size(), 25u);
}

}  // namespace
