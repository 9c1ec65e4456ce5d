#include <errno.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "expect.h"
#include "gti/las/file.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "platform/posix/syscalls.h"
#include "support.h"

using namespace lib::literals;

using namespace lib::las;
using gti_test::throws_with;

namespace {

// A small log of every block kind, as another program might write it.
const std::string sample =
    "# written by hand\r\n"
    "~Version information\r\n"
    " VERS.   2.0 : CWLS LOG ASCII STANDARD - VERSION 2.0\r\n"
    "WRAP.    NO : ONE LINE PER DEPTH STEP\r\n"
    "~Well information\r\n"
    "STRT.M     1500.0: START DEPTH\r\n"
    "STOP.M     1500.2: STOP DEPTH\r\n"
    "NULL.   -999.25 : NULL VALUE\r\n"
    "\r\n"
    "~Curve information\r\n"
    "DEPT.M          : DEPTH\r\n"
    "WOB.T           : WEIGHT ON BIT\r\n"
    "ROP.M/H         : RATE OF PENETRATION\r\n"
    "~Other information\r\n"
    "Drilled with water-based mud.\r\n"
    "  Second line: indented.\r\n"
    "~A DEPT WOB ROP\r\n"
    "1500.0 12.5 30.25\r\n"
    "1500.1\t12.75   -999.25\r\n"
    "1500.2 13 31\r\n";

std::vector<std::string_view> views(std::initializer_list<std::string_view> lines) {
    return std::vector<std::string_view>(lines);
}

// The document read from a text, header lines taken as code page 1251.
void load_ansi(file& doc, std::string_view text) {
    doc.coding = detailed::ansi_text;
    doc.load_text(text);
}

template <class T>
std::shared_ptr<T> block_as(const file& doc, std::size_t i) {
    return std::dynamic_pointer_cast<T>(doc.blocks.at(i));
}

struct header_case {
    const char* line;
    bool kept;
    const char* mnemonic = "";
    const char* unit = "";
    const char* value = "";
    const char* description = "";
};

TEST(LasHeaderLine, SplitsAtTheDotTheBlanksAndTheColon) {
    for (const header_case& c : {
             header_case{"STRT.M      1500.0000: START DEPTH", true, "STRT", "M", "1500.0000", "START DEPTH"},
             {"STRT.M   1500.0000 : START", true, "STRT", "M", "1500.0000 ", "START"},
             {"NULL.   -999.25 : x", true, "NULL", "", "-999.25 ", "x"},
             {"DEPT.M      : DEPTH", true, "DEPT", "M", "", "DEPTH"},
             {"WELL.  Южная-7 : СКВАЖИНА  "_cp, true, "WELL", "", "Южная-7 "_cp, "СКВАЖИНА  "_cp},
             {"DEPT.M 1500 : a:b", true, "DEPT", "M", "1500 ", "a:b"},
             // the value ends at the colon, however many blanks follow it
             {"STRT.M   1500.0000:START", true, "STRT", "M", "1500.0000", "START"},
             {"STRT.M   1500.0000:    START", true, "STRT", "M", "1500.0000", "START"},
             {"A.M :desc", true, "A", "M", "", "desc"},
             // an empty description is a description
             {"NULL.   -999.25 :", true, "NULL", "", "-999.25 ", ""},
             {"GR.GAPI      :   ", true, "GR", "GAPI", "", ""},
             // blanks before the mnemonic and between it and its dot are padding
             {" GR  .GAPI   95.5 : GAMMA RAY", true, "GR", "GAPI", "95.5 ", "GAMMA RAY"},
             {"WOB .T"
              "                                               : weight",
              true, "WOB", "T", "", "weight"},
             // a mnemonic ended by a blank without a dot: the unit runs to the end of the line
             {"DEPT M  1500 : depth", true, "DEPT", "M  1500 : depth", "M  1500 ", "depth"},
             {"  #kept : yes", true, "#kept", ": yes", "", "yes"},
             {". :x", true, "", "", "", "x"},
             // what cannot be split
             {"DEPT.M\t\t: depth", false},  // a TAB is no blank
             {"DEPT.M", false},
             {"DEPT.M 1500", false},
             {"DEPT", false},
             {"   ", false},
         }) {
        SCOPED_TRACE(c.line);
        text_headers block("Well");
        const std::vector<std::string_view> lines = views({c.line});
        block.load(lines.begin(), lines.end(), detailed::ansi_text);
        ASSERT_EQ(block.size(), c.kept ? 1 : 0);
        if (!c.kept) continue;
        const file_value& item = block.item_by_index(0);
        EXPECT_EQ(item.mnemonic, c.mnemonic);
        EXPECT_EQ(item.unit, c.unit);
        EXPECT_EQ(item.value, c.value);
        EXPECT_EQ(item.description, c.description);
    }
}

TEST(LasHeaderLine, LoadingReplacesTheItemsWithoutCallingOnResize) {
    text_headers block("Curves");
    block.add("OLD");
    int calls = 0;
    block.on_resize = [&](int) { ++calls; };
    const std::vector<std::string_view> lines = views({"A.M  : a", "junk", "B.M  : b"});
    block.load(lines.begin(), lines.end(), detailed::ansi_text);
    ASSERT_EQ(block.size(), 2);
    EXPECT_EQ(block.item_by_index(1).mnemonic, "B");
    EXPECT_EQ(calls, 0);
}

TEST(LasLines, KeepsLinesThatAreNeitherEmptyNorComments) {
    const text_lines t("# comment\r\n~V\r\n\r\n\nA.M : a\n  # kept\n#\nx\ry\r\n\r\nlast\r");
    EXPECT_EQ(t.lines(), views({"~V", "A.M : a", "  # kept", "x\ry", "last\r"}));
    EXPECT_EQ(text_lines("").size(), 0u);
    EXPECT_EQ(text_lines("\n\r\n#x").size(), 0u);
    EXPECT_EQ(text_lines("tail").lines(), views({"tail"}));
}

TEST(LasLines, BlocksStartAtTildeLines) {
    const text_lines t("before\n~V\nA.M : a\n~\n~A\n1\n2\n");
    std::vector<line_range> ranges{{7, 9}};
    file::cut_to_blocks(t, ranges);
    ASSERT_EQ(ranges.size(), 3u);
    EXPECT_EQ(ranges[0].first, 1u);
    EXPECT_EQ(ranges[0].last, 3u);
    EXPECT_EQ(ranges[1].first, 3u);
    EXPECT_EQ(ranges[1].last, 4u);
    EXPECT_EQ(ranges[2].first, 4u);
    EXPECT_EQ(ranges[2].last, 7u);
}

TEST(LasReader, ReadsEveryBlockKind) {
    file doc;
    load_ansi(doc, sample);
    ASSERT_EQ(doc.blocks.size(), 4u);
    EXPECT_EQ(doc.blocks[0]->title, "Version information");
    EXPECT_EQ(doc.blocks[3]->title, "Other information");
    const auto version = block_as<text_headers>(doc, 0);
    ASSERT_TRUE(version);
    ASSERT_EQ(version->size(), 2);
    EXPECT_EQ(version->item_by_index(0).mnemonic, "VERS");
    EXPECT_EQ(version->item_by_index(0).value, "2.0 ");
    EXPECT_EQ(doc.get_well_block()->item_by_name("null").value, "-999.25 ");
    EXPECT_EQ(doc.get_curve_block(), block_as<text_headers>(doc, 2));
    EXPECT_EQ(doc.get_param_count(), 3);
    EXPECT_EQ(doc.get_curve_block()->item_by_index(2).unit, "M/H");
    const auto other = block_as<simple_headers>(doc, 3);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->lines, std::vector<AnsiString>({"Drilled with water-based mud.", "  Second line: indented."}));

    EXPECT_EQ(doc.values.depth_index, 0);
    EXPECT_EQ(doc.values.param_count, 3);
    ASSERT_EQ(doc.values.size(), 3);
    EXPECT_EQ(doc.values.depth(1), 1500.1);
    EXPECT_EQ(doc.values.at(1, 1), 12.75);
    EXPECT_EQ(doc.values.at(2, 1), -999.25);
    EXPECT_EQ(doc.values.at(2, 2), 31.0);
    EXPECT_EQ(doc.blocks.size(), 4u);  // the look-ups found what was there
}

TEST(LasReader, UnknownLettersRepeatedKindsAndBareTildes) {
    file doc;
    load_ansi(doc,
              "~W first\nA.M  : one\n~w second\nA.M  : two\n~\nB.M : lost\n~Xtra\nC.M  : three\n~P\nD. 1 : four\n");
    ASSERT_EQ(doc.blocks.size(), 4u);
    EXPECT_EQ(doc.get_well_block()->item_by_index(0).description, "one");
    EXPECT_EQ(block_as<text_headers>(doc, 1)->item_by_index(0).description, "two");
    EXPECT_EQ(block_as<text_headers>(doc, 2)->title, "Xtra");
    EXPECT_EQ(doc.get_param_block()->item_by_index(0).value, "1 ");
    EXPECT_EQ(doc.find_block('x'), doc.blocks[2]);
    EXPECT_EQ(doc.find_block('z'), nullptr);
}

TEST(LasReader, DataBeforeTheCurveBlockStillGetsItsColumns) {
    file doc;
    load_ansi(doc, "~A\n1500.0 7\n1500.1 8\n~C\nDEPT.M  : depth\nWOB.T  : weight\n");
    ASSERT_EQ(doc.blocks.size(), 1u);
    EXPECT_EQ(doc.get_curve_block(), doc.blocks[0]);
    ASSERT_EQ(doc.values.size(), 2);
    EXPECT_EQ(doc.values.at(1, 1), 8.0);
}

TEST(LasReader, WithoutCurvesRowsHoldNoColumns) {
    file doc;
    load_ansi(doc, "~W\nA.M  : a\n~A\n1500.0 7\n");
    ASSERT_EQ(doc.blocks.size(), 2u);
    EXPECT_EQ(doc.blocks[1]->title, "Curve information block");
    ASSERT_EQ(doc.values.size(), 1);
    EXPECT_EQ(doc.values.lines[0]->size(), 0u);
}

TEST(LasReader, WithoutDeptThereIsNoDepth) {
    file doc;
    load_ansi(doc, "~C\nDEPTH.M  : depth\nWOB.T  : weight\n~A\n1 2\n");
    EXPECT_EQ(doc.values.depth_index, -1);
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { doc.values.depth(0); }, "vector"));
    const auto curves = doc.get_curve_block();
    EXPECT_EQ(curves->find_param("DEPT"), -1);
    curves->add("Dept", "M", "", "depth");
    EXPECT_EQ(curves->find_param("dept"), 2);
    EXPECT_EQ(curves->find_param("DEPT"), 2);
    EXPECT_EQ(curves->find_param("DEP"), -1);
    EXPECT_EQ(curves->find_param("dEpTh"), 0);
}

TEST(LasReader, DataLinesBecomeRowsOfTheCurveCount) {
    values_cont values;
    values.lines.push_back(std::make_shared<values_line>());  // rows already held stay
    const std::vector<std::string_view> lines =
        views({"1500.0", " \t  \t", "1500.1 1 2 3 4 5", "\t1500.2\t\t-5", "abc 12abc 1,5 -", "1e1 0x10 inf"});
    values.load(lines.begin(), lines.end(), 3);
    EXPECT_EQ(values.param_count, 3);
    ASSERT_EQ(values.size(), 6);
    const std::vector<std::vector<double>> expected = {{},         {1500.0, 0.0, 0.0}, {1500.1, 1, 2}, {1500.2, -5, 0},
                                                       {0, 12, 1}, {10, 16, HUGE_VAL}};
    for (int row = 0; row < values.size(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(static_cast<const std::vector<double>&>(*values.lines[row]), expected[row]);
    }
    std::vector<std::string_view> tokens{"stale"};
    values_cont::parse_line("  a\tb  c ", tokens);
    EXPECT_EQ(tokens, views({"a", "b", "c"}));
    values_cont::parse_line(" \t ", tokens);
    EXPECT_TRUE(tokens.empty());
}

TEST(LasReader, ManyCurvesOverShortLinesDoNotMultiplyMemory) {
    // 20 000 lines of two numbers under 1000 curves would be 20 million values of padding.
    const std::vector<std::string_view> lines(20000, "1 2");
    values_cont values;
    values.load(lines.begin(), lines.end(), 1000);
    ASSERT_EQ(values.size(), 20000);
    EXPECT_EQ(values.lines[0]->size(), 2u);
    EXPECT_EQ(values.at(1, 19999), 2.0);
    EXPECT_EQ(values.param_count, 1000);
    // A block of ordinary size is widened.
    values.clear();
    values.load(lines.begin(), lines.begin() + 100, 1000);
    EXPECT_EQ(values.lines[0]->size(), 1000u);
    EXPECT_EQ(values.at(999, 99), 0.0);
}

TEST(LasReader, OtherInformationIsRawLines) {
    file doc;
    load_ansi(doc, "~Other\nfree text\n~A\n");
    EXPECT_EQ(doc.get_other_info_block(false), nullptr);  // it is not a header block
    EXPECT_EQ(doc.blocks.size(), 2u);                     // and no second one was made
    const auto other = std::dynamic_pointer_cast<simple_headers>(doc.get_other_info_block(true));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->get(0), "free text");
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { other->get(1); }, "vector"));
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { other->get(-1); }, "vector"));
}

TEST(LasReader, HeaderTextInCodePage866BecomesCodePage1251) {
    const std::string text = "~O Прочее\nобсадная колонна\n~W Скважина\nWELL.  Южная-7 : Скважина №3\n"_cp;
    std::string dos = text;
    for (char& c : dos)
        c = lib::cp1251::to_866(c);
    file doc;  // coding 0: code page 866
    doc.load_text(dos);
    ASSERT_EQ(doc.blocks.size(), 2u);
    EXPECT_EQ(doc.blocks[0]->title, "O Прочее"_cp);
    const auto other = block_as<simple_headers>(doc, 0);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->get(0), "обсадная колонна"_cp);
    const file_value& well = doc.get_well_block()->item_by_index(0);
    EXPECT_EQ(well.value, "Южная-7 "_cp);
    EXPECT_EQ(well.description, "Скважина №3"_cp);
    load_ansi(doc, dos);  // taken as it is
    EXPECT_EQ(AnsiString(doc.blocks[0]->title), AnsiString(dos.substr(1, 8)));
}

TEST(LasReader, ClearKeepsTheSettings) {
    file doc;
    doc.values.null_value = -999;
    doc.values.precision = 3;
    load_ansi(doc, "~C\nX.M : x\nDEPT.M : d\n~A\n1 2\n");
    EXPECT_EQ(doc.values.depth_index, 1);
    doc.clear();
    EXPECT_TRUE(doc.blocks.empty());
    EXPECT_EQ(doc.values.size(), 0);
    EXPECT_EQ(doc.values.param_count, 0);
    EXPECT_EQ(doc.coding, detailed::ansi_text);
    EXPECT_EQ(doc.values.null_value, -999);
    EXPECT_EQ(doc.values.precision, 3);
    EXPECT_EQ(doc.values.depth_index, 1);
}

TEST(LasReader, EveryPrefixOfALogReads) {
    for (std::size_t n = 0; n <= sample.size(); ++n) {
        file doc;
        load_ansi(doc, std::string_view(sample).substr(0, n));
        EXPECT_LE(doc.values.size(), 3) << n;
        EXPECT_LE(doc.blocks.size(), 4u) << n;
        lib::io::BinaryMemoryOutputStream out;
        doc.save(out);
    }
}

TEST(LasReader, JunkHugeLinesAndEmptyFilesReadQuietly) {
    std::mt19937 random(7);
    std::string junk(1 << 16, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    const std::string huge_line = "~C\nDEPT.M : d\nV.M : v\n~A\n" + std::string(4 << 20, '7') + " 1.5" +
                                  std::string(1 << 20, ' ') + "\n~" + std::string(1 << 20, 'W');
    for (const std::string& text : {std::string(), std::string("no blocks\nat all\n"), junk, huge_line}) {
        file doc;
        EXPECT_NO_THROW(doc.load_text(text));
    }
    file doc;
    doc.load_text(huge_line);
    ASSERT_EQ(doc.values.size(), 1);
    EXPECT_EQ(doc.values.at(0, 0), HUGE_VAL);
    EXPECT_EQ(doc.values.at(1, 0), 1.5);
    EXPECT_EQ(doc.blocks.back()->title.size(), std::size_t{1} << 20);
}

class LasFileTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("Скважина 7.las"_cp);
};

TEST_F(LasFileTest, LoadsFromAFile) {
    gti_test::write_bytes(name, sample);
    file doc;
    doc.coding = detailed::ansi_text;
    doc.load(name);
    EXPECT_EQ(doc.blocks.size(), 4u);
    EXPECT_EQ(doc.values.size(), 3);
    gti_test::write_bytes(name, "");
    doc.load(name);
    EXPECT_TRUE(doc.blocks.empty());
    EXPECT_EQ(doc.values.size(), 0);
}

TEST_F(LasFileTest, AFileThatCannotBeReadIsReportedAfterClearing) {
    file doc;
    doc.load_text(sample);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { doc.load(name); }, "Could not open file '" + name.str() + "'"));
    EXPECT_TRUE(doc.blocks.empty());
    EXPECT_EQ(doc.values.size(), 0);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { doc.load(dir.path()); },
                                                "Could not open file '" + dir.path().str() + "'"));

    gti_test::write_bytes(name, sample);
    const lib::os::detail::syscall_table saved = lib::os::detail::syscalls();
    lib::os::detail::syscalls().read = [](int, void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    const bool reported =
        throws_with<std::runtime_error>([&] { doc.load(name); }, "Could not read file '" + name.str() + "'");
    lib::os::detail::syscalls() = saved;
    EXPECT_TRUE(reported);
}

TEST_F(LasFileTest, AFileOfFourGibibytesIsRefused) {
    gti_test::write_bytes(name, "");
    std::filesystem::resize_file(lib::os::native_path(name), std::uintmax_t{1} << 32);
    file doc;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { doc.load(name); }, "Файл слишком велик (4 ГиБ и больше)!"_cp));
}

TEST(LasHeaders, AddFindsAnyCaseAndReportsOnlyNewItems) {
    text_headers block("Curve information block");
    std::vector<int> counts;
    block.on_resize = [&](int n) { counts.push_back(n); };
    file_value& dept = block.add("DEPT", "M", "", "depth");
    block.add("WOB");
    EXPECT_EQ(&block.add("dept"), &dept);
    EXPECT_EQ(&block.item_by_name("Dept"), &dept);
    block.add("wob", "T", "1", "weight");  // updated in place
    EXPECT_EQ(counts, std::vector<int>({1, 2}));
    ASSERT_EQ(block.size(), 2);
    EXPECT_EQ(block.item_by_index(1).mnemonic, "WOB");
    EXPECT_EQ(block.item_by_index(1).unit, "T");
    const file_value* rop = &block.item_by_name("ROP");
    EXPECT_EQ(rop, &block.item_by_index(2));
    EXPECT_EQ(counts.back(), 3);
    EXPECT_EQ(block.find_param("вес"_cp), -1);
    block.add("ВЕС"_cp);
    EXPECT_EQ(block.find_param("вес"_cp), 3);
    for (int bad : {4, -1, 1 << 30}) {
        EXPECT_TRUE(
            throws_with<std::runtime_error>([&] { block.item_by_index(bad); }, "heavy_vector<T>::check_item_index"));
    }
}

TEST(LasValues, CurvesAndRowsStayInStep) {
    file doc;
    doc.values.null_value = -999;
    const auto curves = doc.get_curve_block();
    curves->add("DEPT");
    EXPECT_EQ(doc.values.add(), 0);
    doc.values.at(0, 0) = 1500;
    curves->add("WOB");
    EXPECT_EQ(doc.values.add(), 1);
    EXPECT_EQ(*doc.values.lines[0], std::vector<double>({1500, -999}));
    EXPECT_EQ(*doc.values.lines[1], std::vector<double>({-999, -999}));
    doc.values.on_params_resize(1);
    EXPECT_EQ(*doc.values.lines[1], std::vector<double>({-999}));
    for (const auto& cell : std::initializer_list<std::pair<int, int>>{{1, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
        EXPECT_TRUE(throws_with<std::out_of_range>([&] { doc.values.at(cell.first, cell.second); }, "vector"));
    }
}

TEST(LasValues, ABlockOutlivingItsDocumentNoLongerResizesIt) {
    std::shared_ptr<text_headers> curves;
    {
        file doc;
        curves = doc.get_curve_block();
        ASSERT_TRUE(curves->on_resize);
        doc.clear();
        EXPECT_FALSE(curves->on_resize);  // dropped blocks are let go
        curves = doc.get_curve_block();
    }
    EXPECT_FALSE(curves->on_resize);
    curves->add("DEPT");
    EXPECT_EQ(curves->size(), 1);

    file doc;
    text_headers copy = *doc.get_curve_block();  // a copy is not bound to the document
    EXPECT_FALSE(copy.on_resize);
    copy = *curves;
    EXPECT_EQ(copy.size(), 1);
    EXPECT_TRUE(doc.get_curve_block()->on_resize);
}

}  // namespace
