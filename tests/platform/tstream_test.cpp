#include "gti/platform/tstream.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "expect.h"
#include "support.h"

using namespace lib::literals;

using gti_test::throws_with;

namespace {

TEST(FileStream, OpensCreatesAndSeeks) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("модули.dat"_cp);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { TFileStream s(name, fmOpenRead); }, "Файл не найден!"_cp));
    {
        TFileStream out(name, fmCreate);
        EXPECT_EQ(out.Write("abcdef", 6), 6);
        EXPECT_EQ(out.Size(), 6);
        EXPECT_EQ(out.Position(), 6);
    }
    TFileStream in(name, fmOpenRead | fmShareDenyNone);
    char buf[8] = {};
    EXPECT_EQ(in.Seek(-2, soFromEnd), 4);
    EXPECT_EQ(in.Read(buf, 8), 2);
    EXPECT_EQ(std::string(buf, 2), "ef");
    EXPECT_EQ(in.Read(buf, 8), 0);
    EXPECT_EQ(in.Write("x", 1), 0);  // opened for reading only
    { TFileStream again(name, fmCreate); }
    EXPECT_EQ(gti_test::read_bytes(name), "");
}

TEST(MemoryStream, ReadsWhatWasWrittenAfterASeek) {
    TMemoryStream s;
    s.Write("hello", 5);
    char buf[8];
    EXPECT_EQ(s.Read(buf, 8), 0);
    EXPECT_EQ(s.Seek(1, soFromBeginning), 1);
    EXPECT_EQ(s.Read(buf, 8), 4);
    EXPECT_EQ(std::string(buf, 4), "ello");
    EXPECT_EQ(s.Seek(-6, soFromEnd), -1);
    EXPECT_EQ(s.Seek(10, soFromBeginning), 10);  // past the end: a write there fills the gap
    s.Write("!", 1);
    EXPECT_EQ(s.Size(), 11);
}

TEST(SocketStream, WaitsForDataAndSeesTheEnd) {
    unsigned short port = 0;
    const auto listener = lib::os::tcp_listen("127.0.0.1", 0, port);
    ASSERT_NE(listener, lib::os::invalid_socket);
    const auto client = lib::os::tcp_connect("127.0.0.1", port, 5000);
    const auto server = lib::os::tcp_accept(listener, 5000);
    ASSERT_NE(client, lib::os::invalid_socket);
    ASSERT_NE(server, lib::os::invalid_socket);
    TWinSocketStream in(server, 1000), out(client, 1000);
    EXPECT_FALSE(in.WaitForData(10));  // nothing sent yet
    EXPECT_EQ(out.Write("abc", 3), 3);
    EXPECT_TRUE(in.WaitForData(5000));
    char buf[4];
    EXPECT_EQ(in.Read(buf, 4), 3);
    EXPECT_EQ(in.Seek(0, soFromBeginning), -1);
    lib::os::close_socket(client);
    EXPECT_EQ(in.Read(buf, 4), 0);
    lib::os::close_socket(server);
    lib::os::close_socket(listener);
    EXPECT_EQ(lib::os::tcp_connect("127.0.0.1", port, 1000), lib::os::invalid_socket);
    EXPECT_EQ(lib::os::tcp_listen("not an address", 0, port), lib::os::invalid_socket);
}

}  // namespace
