#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gti/io/file_streams.h"
#include "gti/las/file.h"
#include "gti/platform/cp_literal.h"
#include "support.h"

using namespace lib::literals;

using namespace lib::las;

namespace {

const std::string heading =
    "#MNEM.UNIT                                       DATA DESCRIPTION ON MNEMONIC\n"
    "#----------------------- ---------------------------- -----------------------\n";

std::string blanks(std::size_t n) {
    return std::string(n, ' ');
}

std::string saved(file& doc) {
    lib::io::BinaryMemoryOutputStream out;
    doc.save(out);
    return std::string(out.get_buffer() ? out.get_buffer() : "", out.get_size());
}

std::string line_of(const file_value& item) {
    lib::io::BinaryMemoryOutputStream out;
    item.save_to_stream(out);
    return std::string(out.get_buffer(), out.get_size());
}

std::string row_of(const std::vector<double>& numbers, int precision) {
    values_line row;
    row.assign(numbers.begin(), numbers.end());
    lib::io::BinaryMemoryOutputStream out;
    row.save_to_stream(out, precision);
    return std::string(out.get_buffer(), out.get_size());
}

// A data row as a C++ stream writes it by the rules of the format: fixed notation with the point
// always shown, the depth with one decimal on the left, the others with `precision` decimals
// on the right, every number in a field of precision + 5 and followed by a blank.
std::string stream_row(const std::vector<double>& numbers, int precision) {
    std::ostringstream out;
    out << std::fixed << std::showpoint;
    for (std::size_t j = 0; j < numbers.size(); ++j) {
        if (j == 0)
            out << std::left << std::setprecision(1);
        else
            out << std::right << std::setprecision(precision);
        out << std::setw(precision + 5) << numbers[j] << ' ';
    }
    out << '\n';
    return out.str();
}

TEST(LasWriter, HeaderLinesPutTheColonAtColumn53) {
    for (const auto& [item, line] : std::initializer_list<std::pair<file_value, std::string>>{
             {{"VERS", "", "2.00", "CWLS log ASCII Standart"},
              "VERS." + blanks(44) + "2.00: CWLS log ASCII Standart\n"},
             {{"WRAP", "", "NO", "One line per depth step"}, "WRAP." + blanks(46) + "NO: One line per depth step\n"},
             {{"NULL", "", "-9999", "NULL VALUE"}, "NULL." + blanks(43) + "-9999: NULL VALUE\n"},
             {{"STRT", "M", "1500.0", "START DEPTH"}, "STRT.M" + blanks(41) + "1500.0: START DEPTH\n"},
             {{"DEPTH", "M", "", "DEPTH"}, "DEPTH.M" + blanks(46) + ": DEPTH\n"},
             {{"DT", "US/M", "", "SONIC"}, "DT  .US/M" + blanks(44) + ": SONIC\n"},
             {{"X", std::string(52, 'u'), "1", "d"}, "X   ." + std::string(52, 'u') + "1: d\n"},
             {{"LONGMNEMONIC", "", std::string(60, '7'), "d"}, "LONGMNEMONIC." + std::string(60, '7') + ": d\n"},
             {{"WELL", "", "Южная-7"_cp, "СКВАЖИНА"_cp}, "WELL." + blanks(41) + "Южная-7: СКВАЖИНА\n"_cp},
             {{"", "", "", ""}, "    ." + blanks(48) + ": \n"},
         }) {
        SCOPED_TRACE(line);
        EXPECT_EQ(line_of(item), line);
    }
}

TEST(LasWriter, AnEmptyDocumentGetsAWellBlockWithItsNull) {
    file doc;
    EXPECT_EQ(saved(doc), "~Well information block\n" + heading + "NULL." + blanks(43) +
                              "-9999: NULL VALUE\n"
                              "#\n~ASCII Log Data\n");
}

TEST(LasWriter, SavingTwiceGivesTheSameText) {
    file doc;
    doc.get_curve_block()->add("DEPT", "M", "", "DEPTH");
    doc.values.at(0, doc.values.add()) = 1500;
    const std::string first = saved(doc);
    EXPECT_EQ(saved(doc), first);
    EXPECT_EQ(doc.get_well_block()->size(), 1);
    doc.values.null_value = -999;
    const std::string third = saved(doc);
    EXPECT_NE(third.find("\nNULL." + blanks(44) + "-999: NULL VALUE\n"), std::string::npos);
    EXPECT_EQ(doc.get_well_block()->size(), 1);
    // The well block came last, after the curve block asked for first.
    EXPECT_LT(third.find("~Curve information block\n"), third.find("~Well information block\n"));
}

TEST(LasWriter, AnExportedLogReadsBackAsItWasWritten) {
    file doc;
    doc.set_standart_version_info();
    const auto well = doc.get_well_block();
    well->add("STRT", "M", "1500.0", "START DEPTH");
    well->add("NULL", "", "0", "replaced on saving");
    well->add("STOP", "M", "1500.1", "STOP DEPTH");
    const auto curves = doc.get_curve_block();
    curves->add("DEPT", "M", "", "DEPTH");
    curves->add("WOB", "T", "", "вес на крюке"_cp);
    doc.values.at(0, doc.values.add()) = 1500.0;
    const int row = doc.values.add();
    doc.values.at(0, row) = 1500.1;
    doc.values.at(1, row) = 12.345678;
    const std::string text = saved(doc);
    EXPECT_EQ(text, "~Version information block\n" + heading + "VERS." + blanks(44) +
                        "2.00: CWLS log ASCII Standart\n" + "WRAP." + blanks(46) + "NO: One line per depth step\n" +
                        "~Well information block\n" + heading + "STRT.M" + blanks(41) + "1500.0: START DEPTH\n" +
                        "NULL." + blanks(43) + "-9999: NULL VALUE\n" + "STOP.M" + blanks(41) + "1500.1: STOP DEPTH\n" +
                        "~Curve information block\n" + heading + "DEPT.M" + blanks(47) + ": DEPTH\n" + "WOB .T" +
                        blanks(47) + ": вес на крюке\n"_cp +
                        "#\n"
                        "~ASCII Log Data\n"
                        "1500.0     -9999.00000 \n"
                        "1500.1       12.34568 \n");

    file back;
    back.coding = detailed::ansi_text;
    back.load_text(text);
    ASSERT_EQ(back.blocks.size(), doc.blocks.size());
    for (std::size_t b = 0; b < doc.blocks.size(); ++b) {
        const auto ours = std::dynamic_pointer_cast<text_headers>(doc.blocks[b]);
        const auto theirs = std::dynamic_pointer_cast<text_headers>(back.blocks[b]);
        ASSERT_TRUE(ours && theirs);
        EXPECT_EQ(theirs->title, ours->title);
        ASSERT_EQ(theirs->size(), ours->size());
        for (int i = 0; i < ours->size(); ++i) {
            const file_value& a = ours->item_by_index(i);
            const file_value& b2 = theirs->item_by_index(i);
            EXPECT_EQ(b2.mnemonic, a.mnemonic);
            EXPECT_EQ(b2.unit, a.unit);
            EXPECT_EQ(b2.value, a.value);
            EXPECT_EQ(b2.description, a.description);
        }
    }
    ASSERT_EQ(back.values.size(), 2);
    EXPECT_EQ(back.values.at(1, 0), -9999.0);
    EXPECT_EQ(back.values.at(1, 1), 12.34568);
    EXPECT_EQ(saved(back), text);
}

TEST(LasWriter, RawBlocksGoBackUnchanged) {
    const std::string text = "~W\nA.M  : a\n~Other information\nfree text:  kept\n  indented\n~C\nDEPT.M  : d\n~A\n1\n";
    file doc;
    doc.coding = detailed::ansi_text;
    doc.load_text(text);
    const std::string once = saved(doc);
    EXPECT_EQ(once, "~W\n" + heading + "A   .M" + blanks(47) + ": a\nNULL." + blanks(43) +
                        "-9999: NULL VALUE\n"
                        "~Other information\n"
                        "free text:  kept\n"
                        "  indented\n"
                        "~C\n" +
                        heading + "DEPT.M" + blanks(47) +
                        ": d\n"
                        "#\n~ASCII Log Data\n"
                        "1.0        \n");
    doc.load_text(once);
    EXPECT_EQ(saved(doc), once);
}

TEST(LasWriter, AnOtherInformationBlockOfItemsIsWrittenAsAHeaderBlock) {
    file doc;
    const auto other = std::dynamic_pointer_cast<text_headers>(doc.get_other_info_block(false));
    ASSERT_TRUE(other);
    other->add("CASE", "MM", "245", "casing");
    EXPECT_EQ(saved(doc), "~Other information block\n" + heading + "CASE.MM" + blanks(43) + "245: casing\n" +
                              "~Well information block\n" + heading + "NULL." + blanks(43) +
                              "-9999: NULL VALUE\n#\n~ASCII Log Data\n");
}

TEST(LasWriter, StandardVersionEntriesReplaceWhatWasRead) {
    file doc;
    doc.coding = detailed::ansi_text;
    doc.load_text("~W\nA.M  : a\n~Version\nVERS.  1.2 : old\nCREA.  today : extra\nWRAP.  YES : wrapped\n");
    doc.set_standart_version_info();
    const auto version = doc.get_version_block();
    EXPECT_EQ(version, doc.blocks[1]);
    ASSERT_EQ(version->size(), 2);
    EXPECT_EQ(version->item_by_index(0).value, "2.00");
    EXPECT_EQ(version->item_by_index(1).mnemonic, "WRAP");
    EXPECT_EQ(version->item_by_index(1).description, "One line per depth step");
}

TEST(LasWriter, DataRowsFollowThePrecision) {
    EXPECT_EQ(row_of({1500, 12.3456, -9999}, 5), "1500.0" + blanks(7) + "12.34560 -9999.00000 \n");
    EXPECT_EQ(row_of({1500, 12.3456}, 2), "1500.0" + blanks(4) + "12.35 \n");
    EXPECT_EQ(row_of({1500, 12.3456}, 0), "1500.0" + blanks(3) + "12. \n");
    EXPECT_EQ(row_of({1500, 12.3456}, -1), "1500.0 12.345600 \n");
    EXPECT_EQ(row_of({}, 5), "\n");
    values_cont values;
    values.precision = 3;
    values.lines.push_back(nullptr);  // a row nobody filled is an empty line
    values.lines.push_back(std::make_shared<values_line>());
    values.lines.back()->assign({0.5, 0.0625});
    lib::io::BinaryMemoryOutputStream out;
    values.save_to_stream(out);
    EXPECT_EQ(std::string(out.get_buffer(), out.get_size()), "#\n~ASCII Log Data\n\n0.5" + blanks(9) + "0.062 \n");
}

TEST(LasWriter, NumbersAreWhatStreamFormattingWrites) {
    using limits = std::numeric_limits<double>;
    // Ties, values just off them, the edges of the doubles, infinities and NaNs.
    // clang-format off
    std::vector<double> numbers = {
        0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 1.005, 2.675, 0.05, 0.15, 1e-7, -1e-7, 999999.999995, 1e21,
        1e300, -1e300, limits::max(), limits::lowest(), limits::min(), limits::denorm_min(), limits::infinity(),
        -limits::infinity(), limits::quiet_NaN(), -limits::quiet_NaN(), -9999.0, -999.25, 1500.05, 1500.15};
    // clang-format on
    std::mt19937_64 random(42);
    for (int i = 0; i < 20000; ++i) {
        // Values of every size, and decimal fractions such as a station records.
        numbers.push_back(std::bit_cast<double>(random()));
        numbers.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000000000) - 1000000000) / 100000);
        numbers.push_back(static_cast<double>(random() % 100000) / 8);
    }
    for (int precision : {5, 0, 1, 2, 3, 6, 9, 17, 30, 70, 400, -1, -4, -7}) {
        SCOPED_TRACE(precision);
        for (std::size_t i = 0; i + 4 <= numbers.size(); i += 3) {
            const std::vector<double> row(numbers.begin() + static_cast<std::ptrdiff_t>(i),
                                          numbers.begin() + static_cast<std::ptrdiff_t>(i + 4));
            const std::string ours = row_of(row, precision);
            if (ours != stream_row(row, precision)) {
                ADD_FAILURE() << "row from " << i << ": " << ours << " vs " << stream_row(row, precision);
                break;
            }
            if (precision > 9) i += 97;  // long rows: a sample is enough
        }
    }
}

TEST(LasWriter, WritesThroughAFileStream) {
    gti_test::temp_dir dir;
    const AnsiString name = dir.file("export.las");
    file doc;
    doc.get_curve_block()->add("DEPT", "M", "", "DEPTH");
    for (int i = 0; i < 20000; ++i)
        doc.values.at(0, doc.values.add()) = 1000 + i * 0.1;
    {
        lib::io::BinaryOutputFileStream out;
        out.open(name, false, false);
        doc.save(out);
        out.close();
    }
    EXPECT_EQ(gti_test::read_bytes(name), saved(doc));
    file back;
    back.load(name);
    ASSERT_EQ(back.values.size(), 20000);
    EXPECT_EQ(back.values.depth(19999), 2999.9);
}

}  // namespace
