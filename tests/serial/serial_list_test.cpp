#include "gti/serial/serial_list.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "expect.h"
#include "support.h"

using namespace lib::literals;

using gti_test::throws_with;
using lib::serial_buffer;

namespace {

std::string bytes_of(const serial_buffer& b) {
    return std::string(b.get_bytes().begin(), b.get_bytes().end());
}

// A class that takes part, with one field of every kind.
struct sample {
    int number = 0;
    bool flag = false;
    double depth = 0;
    TDateTime when;
    AnsiString name;
    std::vector<short> codes;
    std::vector<AnsiString> names;

    void get_serial_list(lib::serial_list& list) { list | number | flag | depth | when | name | codes | names; }
};

TEST(SerialForm, GoldenBytesOfEveryKind) {
    sample s{-2, true, 1.5, 38051.25, "Яа"_cp, {1, 0x0203}, {"", "x"}};
    serial_buffer out(lib::serialize);
    out | s;
    EXPECT_EQ(bytes_of(out), std::string("\xFE\xFF\xFF\xFF"
                                         "\x01"
                                         "\x00\x00\x00\x00\x00\x00\xF8\x3F"
                                         "\x00\x00\x00\x00\x68\x94\xE2\x40"
                                         "\xDF\xE0\x00"
                                         "\x02\x00\x00\x00\x01\x00\x03\x02"
                                         "\x02\x00\x00\x00\x00x\x00",
                                         39));
}

TEST(SerialForm, ReadsBackInTheSameOrder) {
    sample s{7, true, -0.25, 1.0, "вес_на_крюке"_cp, {5, 6, 7}, {"a", "", "б"_cp}};
    serial_buffer b(lib::serialize);
    b | s;
    b.set_state(lib::deserialize);
    sample back;
    back.codes = {1, 2, 3, 4, 5};  // a longer vector is cut to the stored count
    b | back;
    EXPECT_EQ(back.number, 7);
    EXPECT_TRUE(back.flag);
    EXPECT_EQ(back.depth, -0.25);
    EXPECT_EQ(static_cast<double>(back.when), 1.0);
    EXPECT_EQ(back.name, "вес_на_крюке"_cp);
    EXPECT_EQ(back.codes, (std::vector<short>{5, 6, 7}));
    EXPECT_EQ(back.names, (std::vector<AnsiString>{"a", "", "б"_cp}));
    EXPECT_EQ(b.bytes_left(), 0u);
}

TEST(SerialForm, TheFirstReadPastTheEndIsSilentTheNextFails) {
    serial_buffer b(lib::serialize);
    int one = 1;
    b | one;
    b.set_state(lib::deserialize);
    int a = 0, c = 77;
    b | a;
    EXPECT_EQ(b.get_position(), 4);
    char none = 0;
    b.process_binary(&none, 0);  // a read of nothing at the end succeeds
    b | c;                       // runs past the end: silent, the field keeps its value
    EXPECT_EQ(c, 77);
    EXPECT_EQ(b.get_position(), -1);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { b | c; }, "binary_deserial_list::process_binary: eof"));
    b.set_state(lib::deserialize);  // rewinding clears the mark
    b | a;
    EXPECT_EQ(a, 1);
}

TEST(SerialForm, ATextCutByTheEndFails) {
    serial_buffer b(lib::deserialize);
    b.set_bytes({'a', 'b'});
    AnsiString s = "kept";
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { b | s; }, "binary_deserial_list::process_binary: eof"));
    EXPECT_EQ(s, "kept");
}

TEST(SerialForm, UndefinedStateSkipsTextsAndDatesButFailsPlainValues) {
    serial_buffer b(lib::undefined);
    AnsiString s = "x";
    TDateTime t = 2.0;
    std::vector<AnsiString> v;
    int n = 0;
    b | s | t | v;
    EXPECT_EQ(s, "x");
    EXPECT_TRUE(b.get_bytes().empty());
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { b | n; }, "serial_buffer::state is undefinded"));
}

TEST(SerialForm, AVectorCountTheDataCannotHoldIsRefused) {
    struct row {
        std::string bytes;
        bool texts;
    };
    // A count of 0x7FFFFFFF, of 3 ints with 8 bytes left, and of 5 texts with 4 bytes left.
    for (const row& r : {row{std::string("\xFF\xFF\xFF\x7F", 4), false},
                         row{std::string("\x03\0\0\0", 4) + std::string(8, '\0'), false},
                         row{std::string("\x05\0\0\0a\0b\0", 8), true}}) {
        serial_buffer b(lib::deserialize);
        b.set_bytes(std::vector<char>(r.bytes.begin(), r.bytes.end()));
        std::vector<int> ints;
        std::vector<AnsiString> texts;
        EXPECT_TRUE(throws_with<std::runtime_error>(
            [&] {
                if (r.texts)
                    b | texts;
                else
                    b | ints;
            },
            "serial_buffer: element count exceeds the data"));
        EXPECT_TRUE(ints.empty());
    }
}

TEST(SerialForm, ElementsOfAClassGrowOnlyWithTheData) {
    struct mark {
        int depth = 0;
        void get_serial_list(lib::serial_list& list) { list | depth; }
    };
    // A count of 12 (honest for 1-byte elements) over the data of two marks.
    serial_buffer b(lib::deserialize);
    b.set_bytes({12, 0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0});
    std::vector<mark> marks;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { b | marks; }, "binary_deserial_list::process_binary: eof"));
    ASSERT_LE(marks.size(), 5u);
    EXPECT_EQ(marks[0].depth, 7);
    EXPECT_EQ(marks[1].depth, 8);
}

TEST(SerialForm, CountFormOfABufferRoundTrips) {
    serial_buffer a(lib::serialize);
    AnsiString s = "рейс"_cp;
    a | s;
    std::stringstream stream;
    stream << a;
    EXPECT_EQ(stream.str(), std::string("\x05\0\0\0\xF0\xE5\xE9\xF1\0", 9));
    serial_buffer b(lib::deserialize);
    stream >> b;
    EXPECT_EQ(b.get_bytes(), a.get_bytes());
    EXPECT_EQ(b.get_position(), 0);

    // A count the stream cannot back up: only what arrived is kept, and the stream says so.
    std::stringstream shortened(
        std::string("\xFF\xFF\xFF\x7F"
                    "abc",
                    7));
    shortened >> b;
    EXPECT_TRUE(shortened.fail());
    EXPECT_EQ(b.get_bytes().size(), 3u);
}

}  // namespace
