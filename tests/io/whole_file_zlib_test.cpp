// Whole-file reads, the zlib streams, and what streams of each kind say about the bytes left.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "expect.h"
#include "gti/io/file_streams.h"
#include "gti/io/whole_file.h"
#include "gti/io/zlib_streams.h"
#include "gti/platform/cp_literal.h"
#include "support.h"

using namespace lib::literals;

namespace {

using lib::io::whole_file_status;

TEST(WholeFile, ReadsEveryByteOrSaysWhyNot) {
    gti_test::temp_dir dir;
    const std::string bytes("a\0b\r\n\xFF", 6);
    gti_test::write_bytes(dir.file("f"), bytes);
    gti_test::write_bytes(dir.file("empty"), "");
    const lib::io::whole_file f = lib::io::read_whole_file(dir.file("f"));
    EXPECT_EQ(std::string(f.data.get(), f.size), bytes);
    EXPECT_EQ(lib::io::try_read_whole_file(dir.file("empty")).size, 0u);
    EXPECT_EQ(lib::io::try_read_whole_file(dir.file("missing")).status, whole_file_status::not_found);
    EXPECT_EQ(lib::io::try_read_whole_file(dir.path()).status, whole_file_status::cannot_open);
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { lib::io::read_whole_file(dir.file("missing")); },
                                                          "Файл не найден!"_cp));
}

TEST(ZlibStreams, RoundTripAndDamage) {
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += static_cast<char>(i * 7 % 251);
    lib::io::DeflatingOutputStream out;
    out.write(text.data(), static_cast<unsigned>(text.size()));
    const std::string deflated = out.finish();
    ASSERT_LT(deflated.size(), text.size());

    double progress = 0;
    lib::io::InflatingInputStream in(deflated.data(), deflated.size(), [&](double done) { progress = done; });
    std::string back(text.size(), '\0');
    in.read(back.data(), static_cast<unsigned>(back.size()));
    EXPECT_EQ(back, text);
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(progress, 1.0);
    EXPECT_EQ(in.bytes_left(), std::nullopt);  // an inflating stream cannot tell
    char c;
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { in.read(&c, 1); }, "the compressed data end early"));

    lib::io::InflatingInputStream cut(deflated.data(), deflated.size() / 2);
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>(
        [&] { cut.read(back.data(), static_cast<unsigned>(back.size())); }, "the compressed data end early"));
    const std::string junk = "not deflated";
    lib::io::InflatingInputStream bad(junk.data(), junk.size());
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { bad.read(&c, 1); },
                                                          "damaged compressed data (zlib: incorrect header check)"));
}

TEST(BytesLeft, EveryStreamThatCanTellSaysSoThroughTheBase) {
    gti_test::temp_dir dir;
    gti_test::write_bytes(dir.file("f"), "abcdef");
    lib::io::BinaryInputFileStream file;
    file.open(dir.file("f"), false);
    lib::io::InputMappedFile mapped;
    mapped.open(dir.file("f"), false);
    lib::io::BinaryMemoryInputStream memory("abcdef", 6);
    for (lib::io::BinaryInputStream* in :
         {static_cast<lib::io::BinaryInputStream*>(&file), static_cast<lib::io::BinaryInputStream*>(&mapped),
          static_cast<lib::io::BinaryInputStream*>(&memory)}) {
        char two[2];
        in->read(two, 2);
        EXPECT_EQ(in->bytes_left(), std::optional<std::uint64_t>(4));
    }
}

}  // namespace
