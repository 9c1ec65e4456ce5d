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
using gti_test::bytes_of;
using gti_test::throws_with;

namespace {

BinaryMemoryInputStream input(const std::string& bytes) {
    return BinaryMemoryInputStream(bytes.data(), static_cast<unsigned>(bytes.size()));
}

TEST(ValueEncodings, GoldenBytesReadBack) {
    BinaryMemoryOutputStream out;
    write_binary(out, AnsiString());
    write_binary(out, AnsiString("abc"));
    write_binary(out, AnsiString("Яя"_cp));
    write_binary(out, TDateTime(38051.25));  // 2004-03-05 06:00
    write_binary(out, std::int32_t{-2});
    write_binary(out, 1.5f);
    out.write_line("x");
    write_binary(out, AnsiString(std::string("ab\0cd", 5)));  // a zero byte ends the text
    write_binary(out, std::int32_t{7});                       // and what follows reads in step
    // "", "abc", "Яя", the date, -2, 1.5, the line "x", "ab" and 7.
    EXPECT_EQ(bytes_of(out),
              gti_test::hex("00  61 62 63 00  DF FF 00  00 00 00 00 68 94 E2 40  FE FF FF FF  00 00 C0 3F"
                            "  78 0D 0A  61 62 00  07 00 00 00"));
    BinaryMemoryInputStream in(out.get_buffer(), out.get_size());
    AnsiString empty, abc, cyrillic, cut;
    TDateTime t;
    std::int32_t i = 0;
    float f = 0;
    read_binary(in, empty);
    read_binary(in, abc);
    EXPECT_EQ(abc, "abc");
    read_binary(in, cyrillic);
    read_binary(in, t);
    read_binary(in, i);
    EXPECT_EQ(i, -2);
    read_binary(in, f);
    EXPECT_EQ(in.read_line(), "x");
    read_binary(in, cut);
    read_binary(in, i);
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(empty, "");
    EXPECT_EQ(cyrillic, "Яя"_cp);
    EXPECT_EQ(static_cast<double>(t), 38051.25);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(cut, "ab");

    auto unended = input("abc");  // a text cut by the end of the input
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { read_binary(unended, cut); },
                                                "BinaryMemoryInputStream::read: eof() == true"));
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
