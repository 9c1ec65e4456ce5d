#include "gti/io/streams.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "expect.h"
#include "support.h"

using namespace lib::literals;

using namespace lib::io;
using gti_test::throws_with;

namespace {

std::string bytes_of(const BinaryMemoryOutputStream& out) {
    return out.get_size() == 0 ? std::string() : std::string(out.get_buffer(), out.get_size());
}

BinaryMemoryInputStream input(const std::string& bytes) {
    return BinaryMemoryInputStream(bytes.data(), static_cast<unsigned>(bytes.size()));
}

TEST(ValueEncodings, GoldenBytes) {
    BinaryMemoryOutputStream out;
    write_binary(out, AnsiString());
    write_binary(out, AnsiString("abc"));
    write_binary(out, AnsiString("Яя"_cp));
    write_binary(out, TDateTime(38051.25));  // 2004-03-05 06:00
    write_binary(out, std::int32_t{-2});
    write_binary(out, 1.5f);
    out.write_line("x");
    EXPECT_EQ(bytes_of(out), std::string("\0"
                                         "abc\0"
                                         "\xDF\xFF\0"
                                         "\0\0\0\0\x68\x94\xE2\x40"
                                         "\xFE\xFF\xFF\xFF"
                                         "\x00\x00\xC0\x3F"
                                         "x\r\n",
                                         27));
}

TEST(ValueEncodings, ReadBackWhatWasWritten) {
    BinaryMemoryOutputStream out;
    write_binary(out, AnsiString("вес_на_крюке"_cp));
    write_binary(out, TDateTime(38051.25));
    write_binary(out, AnsiString());
    write_binary(out, std::uint16_t{0xBEEF});
    BinaryMemoryInputStream in(out.get_buffer(), out.get_size());
    AnsiString s, empty;
    TDateTime t;
    std::uint16_t u = 0;
    read_binary(in, s);
    read_binary(in, t);
    read_binary(in, empty);
    read_binary(in, u);
    EXPECT_EQ(s, "вес_на_крюке"_cp);
    EXPECT_EQ(static_cast<double>(t), 38051.25);
    EXPECT_EQ(empty, "");
    EXPECT_EQ(u, 0xBEEF);
    EXPECT_TRUE(in.eof());
}

TEST(ValueEncodings, ATextHoldingAZeroByteReadsBackCut) {
    BinaryMemoryOutputStream out;
    write_binary(out, AnsiString(std::string("ab\0cd", 5)));
    BinaryMemoryInputStream in(out.get_buffer(), out.get_size());
    AnsiString s;
    read_binary(in, s);
    EXPECT_EQ(s, "ab");
}

TEST(ValueEncodings, ATextCutByTheEndOfTheInputFails) {
    auto in = input("abc");
    AnsiString s;
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { read_binary(in, s); }, "BinaryMemoryInputStream::read: eof() == true"));
}

TEST(ReadLine, DropsControlBytesAndStopsAtLineFeed) {
    auto in = input("a b\tc\r\nстрока 2\x01\r\nlast"_cp);
    EXPECT_EQ(in.read_line(), "a bc");
    EXPECT_EQ(in.read_line(), "строка 2"_cp);
    EXPECT_EQ(in.read_line(), "last");
    EXPECT_EQ(in.read_line(), "");
    EXPECT_TRUE(in.eof());
}

TEST(MemoryOutput, StartsEmptyAndClears) {
    BinaryMemoryOutputStream out;
    EXPECT_EQ(out.get_buffer(), nullptr);
    EXPECT_EQ(out.get_size(), 0u);
    out.write("abc", 3);
    out.write(nullptr, 0);
    EXPECT_EQ(out.get_size(), 3u);
    out.clear();
    EXPECT_EQ(out.get_buffer(), nullptr);
    EXPECT_EQ(out.get_size(), 0u);
}

TEST(MemoryInput, ReadsNeverPassTheEnd) {
    auto in = input("abcd");
    char buf[8] = {};
    in.read(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { in.read(buf, 0); }, "BinaryMemoryInputStream::read: eof() == true"));

    in.set_data("abcd", 4);
    EXPECT_TRUE(throws_with<std::range_error>([&] { in.read(buf, 5); }, "BinaryMemoryInputStream::read: out of range"));
    in.read(buf, 2);
    EXPECT_TRUE(throws_with<std::range_error>([&] { in.read(buf, 3); }, "BinaryMemoryInputStream::read: out of range"));
    EXPECT_EQ(in.bytes_left(), 2u);

    in.skip(0xFFFFFFFFu);  // far past the end, without wrapping around
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(in.bytes_left(), 0u);
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { in.read(buf, 1); }, "BinaryMemoryInputStream::read: eof() == true"));
    in.skip(0xFFFFFFFFu);
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { in.read(buf, 1); }, "BinaryMemoryInputStream::read: eof() == true"));
}

TEST(MemoryInput, KeepsItsOwnCopy) {
    std::string source = "data";
    auto in = input(source);
    source[0] = 'X';
    char buf[4];
    in.read(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "data");
}

}  // namespace
