#include "util/ini_document.h"

#include <gtest/gtest.h>

#include <string>

#include "gti/platform/cp_literal.h"

using namespace lib::literals;

using lib::detail::ini_document;

namespace {

TEST(IniDocument, PrintsBackTheBytesItRead) {
    for (const char* text : {"", "[a]\r\nk=v\r\n", "[a]\nk = v \n; note\n\n", "[a]\rk=v", "junk\r\n[a\r\n=x\r\n",
                             "\r\n\r\n", "[a]\r\nk=v\n[b]\rx=1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ini_document(text).text(), text);
    }
}

TEST(IniDocument, LooksUpTheFirstSectionAndKeyOfAName) {
    const ini_document d("k=outside\r\n[Рейс]\r\n ключ = один \r\nключ=два\r\n[рейс]\r\nдругой=3\r\n"_cp);
    EXPECT_EQ(d.find("РЕЙС"_cp, "КЛЮЧ"_cp), "один"_cp);
    EXPECT_FALSE(d.find("рейс"_cp, "другой"_cp));  // only the first section of a name counts
    EXPECT_FALSE(d.find("", "k"));                 // keys before any section belong to none
    EXPECT_EQ(d.sections().size(), 2u);
}

TEST(IniDocument, CommentsAndBrokenHeadersAreNotEntries) {
    const ini_document d("[s]\r\n;k=1\r\n[broken\r\nk=2\r\n");
    EXPECT_EQ(d.find("s", "k"), "2");
    EXPECT_EQ(d.entries("s").size(), 1u);
}

TEST(IniDocument, ChangesTouchOnlyTheirLine) {
    ini_document d("; settings\r\n[a]\r\nx=1\r\n; about b\r\n\r\n[b]\r\ny=2\r\n");
    EXPECT_TRUE(d.set("A", "X", "10"));
    EXPECT_TRUE(d.set("a", "z", "3"));
    EXPECT_TRUE(d.set("c", "w", "4"));
    EXPECT_FALSE(d.set("b", "y", "2"));
    EXPECT_EQ(d.text(), "; settings\r\n[a]\r\nx=10\r\nz=3\r\n; about b\r\n\r\n[b]\r\ny=2\r\n[c]\r\nw=4\r\n");
}

TEST(IniDocument, NewLinesFollowTheFilesLineBreaks) {
    ini_document d("[a]\nx=1");
    d.set("a", "y", "2");
    d.set("b", "z", "3");
    EXPECT_EQ(d.text(), "[a]\nx=1\ny=2\n[b]\nz=3\n");
}

TEST(IniDocument, ErasesEverySectionOfANameAndSingleKeys) {
    ini_document d("[a]\r\nx=1\r\n[b]\r\ny=2\r\n[A]\r\nz=3\r\n");
    EXPECT_TRUE(d.erase_key("b", "Y"));
    EXPECT_FALSE(d.erase_key("b", "y"));
    EXPECT_TRUE(d.erase_section("a"));
    EXPECT_FALSE(d.erase_section("a"));
    EXPECT_EQ(d.text(), "[b]\r\n");
}

}  // namespace
