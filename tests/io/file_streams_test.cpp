#include "gti/io/file_streams.h"
#include "gti/platform/cp_literal.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <stdexcept>
#include <string>

#include "expect.h"
#include "platform/posix/syscalls.h"
#include "support.h"

using namespace lib::literals;

using namespace lib::io;
using gti_test::throws_with;

namespace {

class FileStreamTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("12.realtim");

    // The size of the file on disk, as another program sees it.
    std::size_t size_on_disk() const { return gti_test::read_bytes(name).size(); }
};

TEST_F(FileStreamTest, SizeIncludesBufferedBytesAndTheBufferGoesOutWhenItPasses128KiB) {
    BinaryOutputFileStream out;
    out.open(name, false, true);
    out.write("0123456789", 10);
    EXPECT_EQ(size_on_disk(), 0u);
    EXPECT_EQ(out.get_real_size(), 10u);
    EXPECT_EQ(size_on_disk(), 10u);
    out.open(name, false, false);
    const std::string block(4096, 'r');
    for (int i = 0; i < 32; ++i)
        out.write(block.data(), 4096);
    EXPECT_EQ(size_on_disk(), 0u);  // exactly 131072 bytes stay buffered
    out.write("!", 1);
    EXPECT_EQ(size_on_disk(), 131073u);
}

TEST_F(FileStreamTest, WritesKeepTheirOrderAndFileAndAppendKeepsTheOldContents) {
    std::string expected = "ab" + std::string(200000, 'x') + "cd";
    {
        BinaryOutputFileStream out;
        out.open(name, false, false);
        out.write("ab", 2);
        out.write(expected.data() + 2, 200000);
        out.write("cd", 2);
    }  // the destructor writes what is left
    EXPECT_EQ(gti_test::read_bytes(name), expected);

    // Reopening writes the old bytes to the old file.
    const AnsiString other = dir.file("13.realtim");
    BinaryOutputFileStream out;
    out.open(name, false, false);
    out.write("first", 5);
    out.open(other, false, false);
    out.write("second", 6);
    out.close();
    EXPECT_EQ(gti_test::read_bytes(name), "first");
    EXPECT_EQ(gti_test::read_bytes(other), "second");
    out.open(name, true, true);  // append keeps the old contents
    out.write_line("new");
    out.close();
    EXPECT_EQ(gti_test::read_bytes(name), "firstnew\r\n");
}

TEST_F(FileStreamTest, AFailedWriteIsReportedByCloseAndNeverByTheDestructor) {
    auto saved = lib::os::detail::syscalls();
    {
        BinaryOutputFileStream out;
        out.open(name, false, false);
        out.write("abc", 3);
        lib::os::detail::syscalls().write = [](int, const void*, std::size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { out.close(); }, "Невозможно записать в файл!"_cp));
        out.open(name, true, false);
        out.write("def", 3);
    }  // the destructor swallows the second failure
    lib::os::detail::syscalls() = saved;
    EXPECT_EQ(gti_test::read_bytes(name), "");
}

TEST_F(FileStreamTest, FileInputReadsLinesAndStopsAtTheEnd) {
    gti_test::write_bytes(name, std::string("line 1\r\nстрока\t2\r\ntext\0tail"_cp, 27));
    BinaryInputFileStream in;
    in.open(name, true);
    EXPECT_EQ(in.read_line(), "line 1");
    EXPECT_EQ(in.read_line(), "строка2"_cp);
    AnsiString s;
    read_binary(in, s);
    EXPECT_EQ(s, "text");
    read_binary(in, s);  // the end of the file ends the text
    EXPECT_EQ(s, "tail");
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(in.get(), 0);
    in.set_pointer(0, seek_begin);
    in.skip(5);
    EXPECT_EQ(in.get(), '1');
}

TEST_F(FileStreamTest, MappedInputReadsExactlyToTheEnd) {
    gti_test::write_bytes(name, "0123456789");
    InputMappedFile in;
    in.open(name, true);
    EXPECT_EQ(in.get_size(), 10u);
    char buf[10];
    in.read(buf, 4);
    in.skip(2);
    in.read(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_TRUE(in.eof());
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { in.read(buf, 1); }, "InputMappedFile::read: eof"));
    in.set_pointer(-3, seek_end);
    in.read(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "789");
}

TEST_F(FileStreamTest, MappedInputNeverReadsOutsideTheFile) {
    gti_test::write_bytes(name, "0123456789");
    InputMappedFile in;
    in.open(name, false);
    char buf[16];
    struct move {
        int offset;
        seek_types from;
        unsigned count;
    };
    for (const move& m : {move{-1, seek_begin, 1}, move{-11, seek_end, 2}, move{1, seek_end, 1},
                          move{11, seek_begin, 0}, move{8, seek_begin, 3}, move{-2147483647 - 1, seek_current, 1}}) {
        SCOPED_TRACE(m.offset);
        in.set_pointer(0, seek_begin);
        in.set_pointer(m.offset, m.from);
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { in.read(buf, m.count); }, "InputMappedFile::read: eof"));
    }
    in.set_pointer(0, seek_begin);
    in.skip(0xFFFFFFFFu);
    in.skip(0xFFFFFFFFu);
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(in.bytes_left(), 0u);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { in.read(buf, 1); }, "InputMappedFile::read: eof"));
    AnsiString s;
    in.set_pointer(-3, seek_end);  // "789" has no zero byte before the end
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { read_binary(in, s); }, "InputMappedFile::read: eof"));
}

TEST_F(FileStreamTest, MappedInputOpeningFailures) {
    InputMappedFile in;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { in.open(name, false); }, "Файл не найден!"_cp));
    gti_test::write_bytes(name, "");
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { in.open(name, true); },
                                                "InputMappedFile::open: (h_file_mapping == NULL)"));
    // The failed open holds nothing: the lock it took is free again.
    OSFile f;
    f.open(name, open_read, true);
    EXPECT_TRUE(f.is_locked());
    f.close();

    gti_test::write_bytes(name, "data");
    auto saved = lib::os::detail::syscalls();
    lib::os::detail::syscalls().mmap = [](void*, std::size_t, int, int, int, off_t) -> void* {
        errno = ENOMEM;
        return MAP_FAILED;
    };
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { in.open(name, true); }, "InputMappedFile::open: (pointer == NULL)"));
    lib::os::detail::syscalls() = saved;
    f.open(name, open_read, true);
    EXPECT_TRUE(f.is_locked());
}

TEST_F(FileStreamTest, EveryPrefixOfARecordFileReadsOrFailsCleanly) {
    // A small file of timed records: time, a text and a value per record.
    {
        BinaryOutputFileStream out;
        out.open(name, false, false);
        for (unsigned i = 0; i < 5; ++i) {
            write_binary(out, 86400u + i);
            write_binary(out, AnsiString("запись "_cp + std::to_string(i)));
            write_binary(out, 1.5 * i);
        }
    }
    const std::string whole = gti_test::read_bytes(name);
    for (std::size_t n = 1; n <= whole.size(); ++n) {
        SCOPED_TRACE(n);
        gti_test::write_bytes(name, whole.substr(0, n));
        InputMappedFile in;
        in.open(name, false);
        // Each record takes 21 bytes: 4 of time, 9 of text, 8 of value.
        std::size_t records = 0;
        try {
            while (!in.eof()) {
                unsigned t;
                AnsiString s;
                double v;
                read_binary(in, t);
                read_binary(in, s);
                read_binary(in, v);
                ++records;
            }
            EXPECT_EQ(n % 21, 0u);
            EXPECT_EQ(records, n / 21);
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "InputMappedFile::read: eof");
            EXPECT_NE(n % 21, 0u);
            EXPECT_EQ(records, n / 21);
        }
    }
}

}  // namespace
