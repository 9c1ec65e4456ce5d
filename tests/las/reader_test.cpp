#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
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

// The header of a two-curve log for the data cases.
const std::string two_curves = "~V\nVERS. 2.0 :\n~W\nNULL. -999.25 :\n~C\nDEPT.M :\nX.U :\n~A\n";

template <class T>
std::shared_ptr<T> block_as(const file& doc, std::size_t i) {
    return std::dynamic_pointer_cast<T>(doc.blocks.at(i));
}

std::vector<double> row_of(const file& doc, int row) {
    return std::vector<double>(doc.values.row(row), doc.values.row(row) + doc.values.param_count);
}

std::uint64_t bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

void load_sample(file& doc, const std::string& name) {
    doc.load(AnsiString(std::string(GTI_LAS_DATA) + "/" + name));
}

std::string saved(file& doc) {
    lib::io::BinaryMemoryOutputStream out;
    doc.save(out);
    return gti_test::bytes_of(out);
}

struct header_case {
    const char* line;
    const char* mnemonic;
    const char* unit;
    const char* value;
    const char* description;
};

TEST(LasHeaderLine, SplitsAtTheFirstDotTheBlankAfterItAndTheLastColon) {
    for (const header_case& c : {
             header_case{"STRT.M      1500.0000: START DEPTH", "STRT", "M", "1500.0000", "START DEPTH"},
             {"STRT.M   1500.0000 : START", "STRT", "M", "1500.0000", "START"},
             {"NULL.   -999.25 :", "NULL", "", "-999.25", ""},
             {"DEPT.M      : DEPTH", "DEPT", "M", "", "DEPTH"},
             {"DEPT.M:depth", "DEPT", "M", "", "depth"},
             {" GR  .GAPI   95.5 : GAMMA RAY", "GR", "GAPI", "95.5", "GAMMA RAY"},
             {"\tDT .US/M\t\t:  2 SONIC", "DT", "US/M", "", "2 SONIC"},
             // values may hold colons and dots; the description is after the last colon
             {"TIME.   04:09:47 07-May-20 : START TIME", "TIME", "", "04:09:47 07-May-20", "START TIME"},
             {"DATE.   5 марта 2024г. 7:00 : DATE"_cp, "DATE", "", "5 марта 2024г. 7:00"_cp, "DATE"},
             {"EGL .M  563.6799 : a:b", "EGL", "M", "563.6799 : a", "b"},
             // a LAS 3.0 format in braces keeps its colon
             {"NMR[1] .ms   123 456 : NMR Echo Array {A:0}", "NMR[1]", "ms", "123 456", "NMR Echo Array {A:0}"},
             // without a colon the value runs to the end
             {"DEPT.M", "DEPT", "M", "", ""},
             {"RHOB.K/M3  2.5", "RHOB", "K/M3", "2.5", ""},
         }) {
        SCOPED_TRACE(c.line);
        file doc;
        doc.load_text(std::string("~V\nVERS. 2.0 :\n~C\n") + c.line + "\n");
        const auto curves = doc.get_curve_block();
        ASSERT_EQ(curves->size(), 1);
        const file_value& item = curves->item_by_index(0);
        EXPECT_EQ(item.mnemonic, AnsiString(c.mnemonic));
        EXPECT_EQ(item.unit, c.unit);
        EXPECT_EQ(item.value, AnsiString(c.value));
        EXPECT_EQ(item.description, c.description);
        EXPECT_EQ(doc.diagnostics.total(), 0u);
    }
}

struct hostile_case {
    std::string text;
    diagnostic_kind kind;
    int line;
};

TEST(LasReader, HostileLinesAreNotedWithTheirLineNumbers) {
    for (const hostile_case& c : {
             hostile_case{"no blocks\nat all\n", diagnostic_kind::not_las, 0},
             {"", diagnostic_kind::not_las, 0},
             {"junk\n~V\nVERS. 2.0 :\n", diagnostic_kind::unplaced_line, 1},
             {"~V\nVERS. 2.0 :\n~W\nWELL :x\n", diagnostic_kind::unplaced_line, 4},
             {"~V\nVERS. 2.0 :\n~W\n\n#c\nWELL. A-1\n", diagnostic_kind::no_colon, 6},
             {"~V\nVERS. 9.1 :\n", diagnostic_kind::unknown_version, 1},
             {"~W\nSTRT.M 1 :\n", diagnostic_kind::unknown_version, 0},
             {"~V\nVERS. 2.0 :\n~W\nNULL. none :\n", diagnostic_kind::bad_null, 0},
             {(two_curves + "1500.0\n"), diagnostic_kind::short_row, 9},
             {(two_curves + "1 2\n1 2 3\n"), diagnostic_kind::long_row, 10},
             {(two_curves + "1 2\r\n1500.1 (null)\n"), diagnostic_kind::non_numeric, 10},
             {(two_curves + "1 2\r3 4\r5 ERR\r"), diagnostic_kind::non_numeric, 11},
             {(two_curves + "1 2\n~A again\n3 4\n"), diagnostic_kind::several_data, 10},
             {"~V\nVERS. 3.0 :\n~C\nDEPT.M :\n~A | Core_Definition\n1\n", diagnostic_kind::refused, 5},
             {"~V\nVERS. 3.0 :\nDLM . PIPE :\n~C\nDEPT.M :\n~A\n1\n", diagnostic_kind::refused, 1},
             {"~V\nVERS. 3.0 :\n~A\n1\n", diagnostic_kind::refused, 3},
             {"\xEF\xBB\xBF~W\nWELL. \xE2\x9C\x93 :\nVERS. 2.0 :\n", diagnostic_kind::code_page, 2},
         }) {
        SCOPED_TRACE(c.text);
        file doc;
        doc.load_text(c.text);
        const auto& items = doc.diagnostics.items();
        const auto d = std::find_if(items.begin(), items.end(), [&](const diagnostic& x) { return x.kind == c.kind; });
        ASSERT_NE(d, items.end()) << kind_name(c.kind);
        EXPECT_EQ(d->line, c.line);
        EXPECT_FALSE(d->text.empty());
        const bool no_log = c.kind == diagnostic_kind::not_las || c.kind == diagnostic_kind::refused;
        EXPECT_EQ(doc.is_log(), !no_log);
    }
}

TEST(LasReader, ATokenThatIsNotWhollyANumberIsNull) {
    const std::pair<const char*, double> cases[] = {
        {"12.5", 12.5},      {"-0.25", -0.25},      {"+7", 7},
        {"1e3", 1000},       {".5", 0.5},           {"5.", 5},
        {"0x10", 16},        {"inf", HUGE_VAL},     {"1e999", HUGE_VAL},
        {"(null)", -999.25}, {"ERR", -999.25},      {"-", -999.25},
        {"****", -999.25},   {"123,420", -999.25},  {"7.020101130.188", -999.25},
        {"12abc", -999.25},  {"04:09:47", -999.25}, {"07-May-20", -999.25},
        {"1.5d3", -999.25},  {"--1", -999.25},
    };
    std::string text = two_curves;
    for (const auto& [token, value] : cases)
        text += std::string("1 ") + token + "\n";
    file doc;
    doc.load_text(text);
    ASSERT_EQ(doc.values.size(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < doc.values.size(); ++i) {
        SCOPED_TRACE(cases[i].first);
        EXPECT_EQ(bits(doc.values.at(1, i)), bits(cases[i].second));
    }
}

TEST(LasReader, LineEndsBlanksAndTheByteOrderMark) {
    file doc;
    doc.load_text("\xEF\xBB\xBF  ~V\r  # note\rVERS.\t2.0\t:\tv\n\t~C\r\nDEPT.M :\rX.U :\n ~A\r1\t2\r\n\r\n3 4");
    EXPECT_TRUE(doc.is_log());
    EXPECT_EQ(doc.diagnostics.total(), 0u);
    ASSERT_EQ(doc.values.size(), 2);
    EXPECT_EQ(row_of(doc, 1), (std::vector<double>{3, 4}));
    EXPECT_EQ(doc.get_version_block()->item_by_index(0).value, "2.0");
}

TEST(LasReader, ReadsEveryBlockKind) {
    file doc;
    doc.load_text(sample);
    ASSERT_EQ(doc.blocks.size(), 4u);
    EXPECT_EQ(doc.blocks[0]->title, "Version information");
    EXPECT_EQ(doc.get_well_block()->item_by_name("null").value, "-999.25");
    EXPECT_EQ(doc.values.null_value, -999.25);
    EXPECT_EQ(doc.get_curve_block(), block_as<text_headers>(doc, 2));
    const auto other = block_as<simple_headers>(doc, 3);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->lines, std::vector<AnsiString>({"Drilled with water-based mud.", "  Second line: indented."}));
    ASSERT_EQ(doc.values.size(), 3);
    EXPECT_EQ(doc.values.depth(1), 1500.1);
    EXPECT_EQ(row_of(doc, 1), (std::vector<double>{1500.1, 12.75, -999.25}));
    EXPECT_TRUE(doc.values.is_null(doc.values.at(2, 1)));
}

TEST(LasReader, DataBeforeTheCurveBlockStillGetsItsColumns) {
    file doc;
    doc.load_text("~A\n1500.0 7\n1500.1 8\n~C\nDEPT.M  : depth\nWOB.T  : weight\n");
    ASSERT_EQ(doc.values.size(), 2);
    EXPECT_EQ(doc.values.at(1, 1), 8.0);
}

TEST(LasReader, WithoutDeptThereIsNoDepthAndNoCrash) {
    file doc;
    doc.load_text("~C\nDEPTH.M  : depth\nWOB.T  : weight\n~A\n1 2\n");
    EXPECT_EQ(doc.values.depth_index, -1);
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { doc.values.depth(0); }, "vector"));
    doc.load_text("~W\nA.M  : a\n~A\n1500.0 7\n");  // no curves: rows of no columns
    EXPECT_EQ(doc.values.size(), 1);
    EXPECT_EQ(doc.values.param_count, 0);
    EXPECT_TRUE(throws_with<std::out_of_range>([&] { doc.values.at(0, 0); }, "vector"));
}

TEST(LasReader, ManyCurvesOverShortLinesDoNotMultiplyMemory) {
    // 10 million lines of "1" under 1000 curves would be 80 GB of NULL padding.
    std::string text = "~C\n";
    for (int i = 0; i < 1000; ++i)
        text += "C" + std::to_string(i) + ".U :\n";
    text += "~A\n";
    text.append(std::size_t{20} << 20, '\n');
    for (std::size_t i = text.size() - (std::size_t{20} << 20); i < text.size(); i += 2)
        text[i] = '1';
    file doc;
    doc.load_text(text);
    EXPECT_LE(static_cast<std::size_t>(doc.values.size()) * 1000, std::max(std::size_t{1} << 22, text.size() / 2));
    EXPECT_TRUE(doc.diagnostics.has(diagnostic_kind::too_large));
}

TEST(LasReader, CodePagesAreToldByTheBytes) {
    const std::string text = "~W\nWELL. Южная-7 : Скважина №3\nTEMP.°C 20 :\n~V\nVERS. 2.0 :\n"_cp;
    std::string dos = text;
    for (char& c : dos)
        c = c == '\xB0' ? c : lib::cp1251::to_866(c);
    const std::string utf8 = lib::cp1251::to_utf8(text);
    for (const std::string* t : std::vector<const std::string*>{&text, &dos, &utf8}) {
        file doc;
        doc.load_text(*t);
        const auto well = doc.get_well_block();
        EXPECT_EQ(well->item_by_index(0).value, "Южная-7"_cp);
        EXPECT_EQ(well->item_by_index(0).description, "Скважина №3"_cp);
    }
    file doc;                                // no Cyrillic letters: 1251, the degree sign stays one
    doc.load_text("~W\nTEMP.\260C 20 :\n");  // the degree sign, 0xB0
    EXPECT_EQ(doc.get_well_block()->item_by_index(0).unit, "\260C");
    doc.coding = detailed::oem_text;  // a coding that is set is obeyed
    doc.load_text(dos);
    EXPECT_EQ(doc.get_well_block()->item_by_index(0).value, "Южная-7"_cp);
}

struct sample_case {
    const char* file;
    int curves;
    int rows;
    std::vector<double> first_row;
    const char* well;
};

TEST(LasSamples, TheStandardsSamplesReadAsPrinted) {
    const double n = -999.25;
    const std::vector<double> first = {1670, 123.45, 2550, 0.45, 123.45, 123.45, 110.2, 105.6};
    const std::vector<double> minimal = {635, 2256, 0.4033, 22.0781, 22.0781, 20.3438, 3.666, 123.4};
    const std::vector<double> wrapped = {910, n, 2692.7075, 0.314, 19.4086, 19.4086, 13.1709, 12.2681};
    for (const sample_case& c : {
             sample_case{"las12.las", 8, 3, first, "ANY ET AL OIL WELL #12"},
             {"las12_minimal.las", 8, 2, minimal, "ANY ET AL A9-16-49-20"},
             {"las12_wrapped.las", 36, 5, wrapped, "ANY ET AL XX-XX-XX-XX"},
             {"las20.las", 8, 3, first, "AAAAA_2"},
             {"las20_wrapped.las", 36, 2, wrapped, "ANY ET AL 12-34-12-34"},
             {"las20_based.las", 3, 6, {0, 0.2125, 16564.1445}, "ANY ET 12-34-12-34"},
             {"las30.las", 15, 0, {}, "ANY ET AL 12-34-12-34"},
             {"las30_standard.las", 15, 3, first, "ANY ET AL 12-34-12-34"},
         }) {
        SCOPED_TRACE(c.file);
        file doc;
        load_sample(doc, c.file);
        EXPECT_TRUE(doc.is_log());
        EXPECT_EQ(doc.get_param_count(), c.curves);
        ASSERT_EQ(doc.values.size(), c.rows);
        EXPECT_FALSE(doc.diagnostics.has(diagnostic_kind::short_row));  // wrapped rows are joined
        for (std::size_t i = 0; c.rows > 0 && i < c.first_row.size(); ++i)
            EXPECT_EQ(doc.values.at(static_cast<int>(i), 0), c.first_row[i]) << i;
        const auto well = doc.get_well_block();
        const int w = well->find_param("WELL");
        EXPECT_EQ(w < 0 ? AnsiString() : well->item_by_index(w).value, c.well);

        // Saved and read again, every value and NULL stays, bit for bit.
        const std::string text = saved(doc);
        file back;
        back.load_text(text);
        EXPECT_EQ(back.diagnostics.total(), 0u) << text;
        ASSERT_EQ(back.values.size(), doc.values.size());
        if (doc.values.size() > 0) {
            ASSERT_EQ(back.values.param_count, doc.values.param_count);
        }
        EXPECT_EQ(back.values.null_value, doc.values.null_value);
        for (int r = 0; r < doc.values.size(); ++r)
            for (int k = 0; k < doc.values.param_count; ++k)
                EXPECT_EQ(bits(back.values.at(k, r)), bits(doc.values.at(k, r))) << r << " " << k;
        for (std::size_t b = 0; b < doc.blocks.size(); ++b) {
            const auto ours = block_as<text_headers>(doc, b);
            const auto theirs = block_as<text_headers>(back, b);
            if (!ours) continue;
            ASSERT_TRUE(theirs);
            ASSERT_EQ(theirs->size(), ours->size());
            for (int i = 0; i < ours->size(); ++i) {
                EXPECT_EQ(theirs->item_by_index(i).value, ours->item_by_index(i).value);
                EXPECT_EQ(theirs->item_by_index(i).description, ours->item_by_index(i).description);
            }
        }
    }
}

TEST(LasSamples, LasThreeSectionsOfOtherSetsAreNeverTheCurves) {
    file doc;
    load_sample(doc, "las30_standard.las");
    const auto curves = doc.get_curve_block();
    EXPECT_EQ(curves->item_by_index(0).mnemonic, "DEPT");
    EXPECT_EQ(curves->item_by_index(10).mnemonic, "NMR[1]");
    EXPECT_EQ(curves->item_by_index(10).description, "NMR Echo Array      {A:0 }");
    const auto core = doc.find_block('-');
    ASSERT_TRUE(core);
    EXPECT_EQ(core->title, "Drilling_Definition");
    EXPECT_TRUE(doc.values.is_null(doc.values.at(9, 0)));  // "DOLOMITE WI/VUGS"
    EXPECT_EQ(doc.values.at(14, 2), 17.0);
    EXPECT_EQ(doc.diagnostics.total(), 3u);
}

class LasFileTest : public ::testing::Test {
protected:
    gti_test::temp_dir dir;
    AnsiString name = dir.file("Скважина 7.las"_cp);
};

TEST_F(LasFileTest, LoadsFromAFile) {
    gti_test::write_bytes(name, sample);
    file doc;
    doc.load(name);
    EXPECT_EQ(doc.blocks.size(), 4u);
    EXPECT_EQ(doc.values.size(), 3);
    gti_test::write_bytes(name, "");
    doc.load(name);
    EXPECT_TRUE(doc.blocks.empty());
    EXPECT_FALSE(doc.is_log());
}

TEST_F(LasFileTest, AFileThatCannotBeReadIsReportedAfterClearing) {
    file doc;
    doc.load_text(sample);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { doc.load(name); }, "Could not open file '" + name.str() + "'"));
    EXPECT_TRUE(doc.blocks.empty());
    EXPECT_EQ(doc.values.size(), 0);

    gti_test::write_bytes(name, sample);
    const lib::os::detail::syscall_table saved_calls = lib::os::detail::syscalls();
    lib::os::detail::syscalls().read = [](int, void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    const bool reported =
        throws_with<std::runtime_error>([&] { doc.load(name); }, "Could not read file '" + name.str() + "'");
    lib::os::detail::syscalls() = saved_calls;
    EXPECT_TRUE(reported);
}

TEST_F(LasFileTest, AFileOfFourGibibytesIsRefused) {
    gti_test::write_bytes(name, "");
    std::filesystem::resize_file(lib::os::native_path(name), std::uintmax_t{1} << 32);
    file doc;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { doc.load(name); }, "Файл слишком велик (4 ГиБ и больше)!"_cp));
}

TEST(LasReader, JunkAndEveryPrefixReadQuietly) {
    std::mt19937 random(7);
    std::string junk(1 << 16, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    for (std::size_t n = 0; n <= sample.size(); ++n) {
        file doc;
        doc.load_text(std::string_view(sample).substr(0, n));
        EXPECT_LE(doc.values.size(), 3) << n;
        saved(doc);
    }
    file doc;
    EXPECT_NO_THROW(doc.load_text(junk));
    saved(doc);
}

TEST(LasHeaders, AddFindsAnyCaseAndReportsOnlyNewItems) {
    text_headers block("Curve information block");
    std::vector<int> counts;
    block.on_resize = [&](int n) { counts.push_back(n); };
    file_value& dept = block.add("DEPT", "M", "", "depth");
    block.add("WOB");
    EXPECT_EQ(&block.add("dept"), &dept);
    block.add("wob", "T", "1", "weight");  // updated in place
    EXPECT_EQ(counts, std::vector<int>({1, 2}));
    EXPECT_EQ(block.item_by_index(1).unit, "T");
    block.add("ВЕС"_cp);
    EXPECT_EQ(block.find_param("вес"_cp), 2);
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { block.item_by_index(3); }, "heavy_vector<T>::check_item_index"));
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
    EXPECT_EQ(row_of(doc, 0), std::vector<double>({1500, -999}));
    EXPECT_EQ(row_of(doc, 1), std::vector<double>({-999, -999}));
    doc.values.on_params_resize(1);
    EXPECT_EQ(row_of(doc, 1), std::vector<double>({-999}));
    for (const auto& cell : std::initializer_list<std::pair<int, int>>{{1, 0}, {0, 2}, {-1, 0}, {0, -1}})
        EXPECT_TRUE(throws_with<std::out_of_range>([&] { doc.values.at(cell.first, cell.second); }, "vector"));
}

TEST(LasValues, ABlockOutlivingItsDocumentNoLongerResizesIt) {
    std::shared_ptr<text_headers> curves;
    {
        file doc;
        curves = doc.get_curve_block();
        ASSERT_TRUE(curves->on_resize);
        doc.clear();
        EXPECT_FALSE(curves->on_resize);
    }
    curves->add("DEPT");
    EXPECT_EQ(curves->size(), 1);
}

}  // namespace
