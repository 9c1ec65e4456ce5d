#include "gti/util/ini_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "expect.h"
#include "faults.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/string_list.h"
#include "support.h"

using namespace lib::literals;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("station.ini");
};

TEST_F(IniFileTest, ValueBytesRoundTripUnchanged) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') all += static_cast<char>(b);
    const std::vector<AnsiString> values = {"вес_на_крюке"_cp, all,   "  x  ", "\tлево"_cp, "право "_cp, "",
                                            "a=b;c",           "[x]", "\"",    "\"open",    "close\""};
    TIniFile ini(name);
    for (std::size_t i = 0; i < values.size(); ++i)
        ini.WriteString("Значения"_cp, "v" + std::to_string(i), values[i]);
    TIniFile other(name);
    for (std::size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(other.ReadString("Значения"_cp, "v" + std::to_string(i), "default"), values[i]);
    }
}

TEST_F(IniFileTest, OnePairOfEnclosingQuotesIsRemovedOnReading) {
    TIniFile ini(name);
    ini.WriteString("s", "spaces", "\"  x  \"");
    ini.WriteString("s", "doubled", "\"\"x\"\"");
    EXPECT_EQ(ini.ReadString("s", "spaces", ""), "  x  ");
    EXPECT_EQ(ini.ReadString("s", "doubled", ""), "\"x\"");
    EXPECT_EQ(gti_test::read_bytes(name), "[s]\r\nspaces=\"  x  \"\r\ndoubled=\"\"x\"\"\r\n");
}

TEST_F(IniFileTest, ALineBreakInAValueIsRefusedAndTheFileKept) {
    TIniFile ini(name);
    ini.WriteString("s", "a", "1");
    const std::string before = gti_test::read_bytes(name);
    for (const char* bad : {"one\r\ntwo", "x\nevil=1", "cr\r"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ini.WriteString("s", "a", bad), std::invalid_argument);
        EXPECT_THROW(ini.WriteString("s", "b", bad), std::invalid_argument);
    }
    EXPECT_THROW(ini.WriteString("s]", "a", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("s", "a=b", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("s", ";a", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("s", "  ", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("", "a", "1"), std::invalid_argument);
    EXPECT_EQ(gti_test::read_bytes(name), before);
    EXPECT_FALSE(ini.ValueExists("s", "b"));
}

TEST_F(IniFileTest, NamesCompareWithoutCaseCyrillicIncluded) {
    gti_test::write_bytes(name, "[Рейс]\r\nНомер=12\r\nЁмкость=40\r\n"_cp);
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadInteger("РЕЙС"_cp, "номер"_cp, 0), 12);
    EXPECT_EQ(ini.ReadInteger(" рейс "_cp, " ёмкость "_cp, 0), 40);
    ini.WriteInteger("рейс"_cp, "НОМЕР"_cp, 13);
    EXPECT_EQ(gti_test::read_bytes(name), "[Рейс]\r\nНомер=13\r\nЁмкость=40\r\n"_cp);
}

TEST_F(IniFileTest, AWriteKeepsEverythingElseByteForByte) {
    const std::string original =
        "; station settings\r\n"
        "[Скважина]\r\n"_cp
        "Название = Южная-7   \r\n"_cp
        "\r\n"
        "; crew\r\n"
        "[Бригада]\n"_cp
        "Мастер=Иванов\n"_cp
        "junk line without equals\n";
    gti_test::write_bytes(name, original);
    TIniFile ini(name);
    ini.WriteString("Скважина"_cp, "Куст"_cp, "3");
    EXPECT_EQ(gti_test::read_bytes(name),
              "; station settings\r\n"
              "[Скважина]\r\n"_cp
              "Название = Южная-7   \r\n"_cp
              "Куст=3\r\n"_cp
              "\r\n"
              "; crew\r\n"
              "[Бригада]\n"_cp
              "Мастер=Иванов\n"_cp
              "junk line without equals\n");
    ini.DeleteKey("Скважина"_cp, "Куст"_cp);
    EXPECT_EQ(gti_test::read_bytes(name), original);
}

TEST_F(IniFileTest, TwoObjectsWritingDifferentKeysBothKeepTheirValues) {
    TIniFile a(name), b(name);
    EXPECT_EQ(a.ReadString("s", "x", "none"), "none");  // both have seen the file empty
    EXPECT_EQ(b.ReadString("s", "y", "none"), "none");
    a.WriteString("s", "x", "from a");
    b.WriteString("s", "y", "from b");
    a.WriteString("t", "z", "again a");
    EXPECT_EQ(b.ReadString("s", "x", ""), "from a");
    EXPECT_EQ(a.ReadString("s", "y", ""), "from b");
    EXPECT_EQ(b.ReadString("t", "z", ""), "again a");
}

TEST_F(IniFileTest, TwoProcessesWritingDifferentKeysBothKeepTheirValues) {
    constexpr int keys = 30;
    auto writer = [&](const char* section) {
        return std::make_unique<gti_test::child_process>([&, section](const gti_test::child_process::channel& c) {
            TIniFile ini(name);
            c.receive();
            for (int i = 0; i < keys; ++i)
                ini.WriteInteger(section, "k" + std::to_string(i), i);
            return 0;
        });
    };
    auto first = writer("Первый"_cp);
    auto second = writer("Второй"_cp);
    first->send('g');
    second->send('g');
    EXPECT_EQ(first->wait(), 0);
    EXPECT_EQ(second->wait(), 0);
    TIniFile ini(name);
    for (int i = 0; i < keys; ++i) {
        EXPECT_EQ(ini.ReadInteger("Первый"_cp, "k" + std::to_string(i), -1), i);
        EXPECT_EQ(ini.ReadInteger("Второй"_cp, "k" + std::to_string(i), -1), i);
    }
}

TEST_F(IniFileTest, AnUpdateWritesItsChangesTogetherEvenUnfinishedOrFailsAtItsEnd) {
    gti_test::write_bytes(name, "[s]\r\nold=1\r\n");
    TIniFile ini(name), other(name);
    ini.BeginUpdate();
    ini.WriteString("s", "a", "1");
    ini.BeginUpdate();  // updates nest
    ini.DeleteKey("s", "old");
    ini.EndUpdate();
    EXPECT_EQ(ini.ReadString("s", "a", ""), "1");  // the object sees its own changes ...
    EXPECT_FALSE(ini.ValueExists("s", "old"));
    EXPECT_EQ(gti_test::read_bytes(name), "[s]\r\nold=1\r\n");  // ... the file does not yet
    other.WriteString("t", "b", "2");                           // another writer meanwhile
    ini.EndUpdate();
    EXPECT_EQ(gti_test::read_bytes(name), "[s]\r\na=1\r\n[t]\r\nb=2\r\n");
    EXPECT_EQ(ini.ReadString("t", "b", ""), "2");
    {  // an unfinished update is written by the destructor
        TIniFile unfinished(name);
        unfinished.BeginUpdate();
        unfinished.WriteInteger("s", "n", 5);
    }
    EXPECT_EQ(TIniFile(name).ReadInteger("s", "n", 0), 5);

    TIniFile lost(dir.file("no-folder/x.ini"));  // one that cannot be written fails at its end
    lost.BeginUpdate();
    lost.WriteString("s", "a", "1");
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { lost.EndUpdate(); }, "Файл не найден!"_cp));
    EXPECT_EQ(lost.ReadString("s", "a", "gone"), "gone");
}

TEST_F(IniFileTest, TypedValues) {
    gti_test::write_bytes(name,
                          "[n]\r\nhex=$FF\r\nhex2=0x10\r\nneg=-12\r\nbad=12abc\r\nbig=99999999999\r\nall=$FFFFFFFF\r\n"
                          "two=2\r\nzero=0\r\ncomma=3,25\r\nfloatbad=1.5x\r\nquoted=\"7\"\r\nempty=\r\n");
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadInteger("n", "hex", 0), 255);
    EXPECT_EQ(ini.ReadInteger("n", "hex2", 0), 16);
    EXPECT_EQ(ini.ReadInteger("n", "neg", 0), -12);
    EXPECT_EQ(ini.ReadInteger("n", "bad", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "big", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "all", 5), -1);
    EXPECT_EQ(ini.ReadInteger("n", "quoted", 0), 7);
    EXPECT_EQ(ini.ReadInteger("n", "empty", 5), 5);
    EXPECT_TRUE(ini.ReadBool("n", "two", false));
    EXPECT_FALSE(ini.ReadBool("n", "zero", true));
    EXPECT_TRUE(ini.ReadBool("n", "bad", true));
    EXPECT_EQ(ini.ReadFloat("n", "comma", 0), 3.25);
    EXPECT_EQ(ini.ReadFloat("n", "floatbad", 9), 9.0);
    EXPECT_EQ(ini.ReadFloat("n", "missing", 9), 9.0);

    ini.WriteBool("w", "on", true);
    ini.WriteFloat("w", "tenth", 0.1);
    ini.WriteFloat("w", "third", 1.0 / 3);
    EXPECT_EQ(ini.ReadString("w", "on", ""), "1");
    EXPECT_EQ(ini.ReadString("w", "tenth", ""), "0.1");
    EXPECT_EQ(ini.ReadFloat("w", "third", 0), 1.0 / 3);
}

TEST_F(IniFileTest, SectionsAndTheirKeys) {
    gti_test::write_bytes(name, "[a]\r\nx=1\r\n;c=2\r\ny = 2 \r\n[b]\r\n[A]\r\nz=3\r\n");
    TIniFile ini(name);
    TStringList l;
    ini.ReadSections(&l);
    EXPECT_EQ(l.Text(), "a\r\nb\r\nA\r\n");
    ini.ReadSection("A", &l);
    EXPECT_EQ(l.Text(), "x\r\ny\r\n");
    ini.ReadSectionValues("a", &l);
    EXPECT_EQ(l.Text(), "x=1\r\ny=2\r\n");
    EXPECT_TRUE(ini.SectionExists("B"));
    EXPECT_FALSE(ini.SectionExists("c"));
    ini.EraseSection("a");
    EXPECT_EQ(gti_test::read_bytes(name), "[b]\r\n");
}

TEST_F(IniFileTest, ReadingAndErasingNeverCreateTheFileAndReadsSeeChangesMadeByOthers) {
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("s", "k", "def"), "def");
    ini.EraseSection("s");
    ini.DeleteKey("s", "k");
    EXPECT_FALSE(gti_test::exists(name));
    gti_test::write_bytes(name, "[s]\r\nk=1\r\n");  // reads see changes made by others
    EXPECT_EQ(ini.ReadString("s", "k", ""), "1");
    gti_test::write_bytes(dir.file("new.ini"), "[s]\r\nk=2\r\n");
    ASSERT_EQ(std::rename(dir.file("new.ini").c_str(), name.c_str()), 0);
    EXPECT_EQ(ini.ReadString("s", "k", ""), "2");
}

TEST_F(IniFileTest, AFileTooLargeForSettingsIsNeverReplaced) {
    const std::string huge = "[s]\r\nk=1\r\n" + std::string(9 << 20, ';');
    gti_test::write_bytes(name, huge);
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("s", "k", "def"), "def");
    EXPECT_TRUE(gti_test::throws_with<std::runtime_error>([&] { ini.WriteString("s", "k", "2"); },
                                                          "Невозможно прочитать из файла!"_cp));
    EXPECT_EQ(gti_test::read_bytes(name), huge);
}

TEST_F(IniFileTest, AKilledOrFailingWriterLeavesTheOldFileOrTheNewOne) {
    gti_test::write_bytes(name, "[s]\r\na=1\r\n");
    const auto save = [&] { return TIniFile(name).WriteString("s", "b", "2"), true; };
    EXPECT_GE(gti_test::expect_whole_at_every_call(name, save), 3);
}

}  // namespace
