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
    return gti_test::bytes_of(out);
}

std::string line_of(const file_value& item) {
    lib::io::BinaryMemoryOutputStream out;
    item.save_to_stream(out);
    return gti_test::bytes_of(out);
}

// One data row as the writer writes it, NULL as "-9999".
std::string row_of(const std::vector<double>& numbers, int precision) {
    values_cont values;
    values.precision = precision;
    values.on_params_resize(static_cast<int>(numbers.size()));
    const int row = values.add();
    std::copy(numbers.begin(), numbers.end(), values.row(row));
    lib::io::BinaryMemoryOutputStream out;
    values.save_to_stream(out, "-9999");
    return gti_test::bytes_of(out).substr(std::string("#\n~ASCII Log Data\n").size());
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
             // a value that does not fit is still set off by a blank
             {{"X", std::string(52, 'u'), "1", "d"}, "X   ." + std::string(52, 'u') + " 1: d\n"},
             {{"LONGMNEMONIC", "", std::string(60, '7'), "d"}, "LONGMNEMONIC. " + std::string(60, '7') + ": d\n"},
             {{"WELL", "", "Южная-7"_cp, "СКВАЖИНА"_cp}, "WELL." + blanks(41) + "Южная-7: СКВАЖИНА\n"_cp},
             {{"", "", "", ""}, "    ." + blanks(48) + ": \n"},
         }) {
        SCOPED_TRACE(line);
        EXPECT_EQ(line_of(item), line);
    }
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
                        "1500.0" +
                        blanks(10) + "-9999 \n" + "1500.1" + blanks(6) + "12.345678 \n");

    // Read back, it saves to the same text: every header item and value came back.
    file back;
    back.load_text(text);
    ASSERT_EQ(back.blocks.size(), doc.blocks.size());
    ASSERT_EQ(back.values.size(), 2);
    EXPECT_EQ(back.values.at(1, 0), -9999.0);
    EXPECT_EQ(back.values.at(1, 1), 12.345678);
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

TEST(LasWriter, AnEmptyDocumentGetsAWellBlockWithItsNullAndOtherInformationItemsAHeaderBlock) {
    file empty, doc;
    const std::string well = "~Well information block\n" + heading + "NULL." + blanks(43) + "-9999: NULL VALUE\n";
    EXPECT_EQ(saved(empty), well + "#\n~ASCII Log Data\n");
    const auto other = std::dynamic_pointer_cast<text_headers>(doc.get_other_info_block(false));
    ASSERT_TRUE(other);
    other->add("CASE", "MM", "245", "casing");
    EXPECT_EQ(saved(doc), "~Other information block\n" + heading + "CASE.MM" + blanks(43) + "245: casing\n" + well +
                              "#\n~ASCII Log Data\n");
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

TEST(LasWriter, DataRowsFollowThePrecisionWithoutLosingDigits) {
    EXPECT_EQ(row_of({1500, 12.3456, -9999}, 5), "1500.0" + blanks(7) + "12.34560" + blanks(6) + "-9999 \n");
    EXPECT_EQ(row_of({1500, 12.3456}, 4), "1500.0" + blanks(6) + "12.3456 \n");
    EXPECT_EQ(row_of({1500.25, 12.3456}, 2), "1500.25 12.3456 \n");
    EXPECT_EQ(row_of({1500, 12.5}, 0), "1500.0  12.5 \n");
    EXPECT_EQ(row_of({1500, 12}, 0), "1500.0   12. \n");
    EXPECT_EQ(row_of({1500, 0.000001234}, 5), "1500.0     0.000001234 \n");
    EXPECT_EQ(row_of({1500, 1e-300, std::nan("")}, 5), "1500.0" + blanks(9) + "1e-300" + blanks(6) + "-9999 \n");
    EXPECT_EQ(row_of({}, 5), "\n");
}

TEST(LasWriter, EveryNumberReadsBackAndShortOnesAreWhatStreamFormattingWrites) {
    using limits = std::numeric_limits<double>;
    // clang-format off
    std::vector<double> numbers = {
        0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 1.005, 2.675, 0.05, 0.15, 1e-7, -1e-7, 999999.999995, 1e21,
        1e300, -1e300, limits::max(), limits::lowest(), limits::min(), limits::denorm_min(), limits::infinity(),
        -limits::infinity(), -999.25, 1500.05, 1500.15, 1500.0999755859375};
    // clang-format on
    std::mt19937_64 random(42);
    for (int i = 0; i < 20000; ++i) {
        // Values of every size, and decimal fractions such as a station records.
        numbers.push_back(std::bit_cast<double>(random()));
        numbers.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000000000) - 1000000000) / 100000);
        numbers.push_back(static_cast<double>(random() % 100000) / 8);
    }
    for (int precision : {5, 0, 1, 3, 9}) {
        SCOPED_TRACE(precision);
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            const double v = numbers[i];
            if (std::isnan(v)) continue;
            std::string ours = row_of({1.0, v}, precision).substr(std::size_t(precision) + 6);
            while (!ours.empty() && (ours.back() == '\n' || ours.back() == ' '))
                ours.pop_back();
            ours.erase(0, ours.find_first_not_of(' '));
            double back = 0;
            ASSERT_TRUE(values_cont::read_number(ours, back)) << ours;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(v)) << ours;
            // A number of ordinary size and at most `precision` decimals keeps the fixed layout.
            std::ostringstream stream;
            stream << std::fixed << std::showpoint << std::setprecision(precision) << v;
            double fixed = 0;
            if (precision <= 5 && std::fabs(v) < 1e9 && values_cont::read_number(stream.str(), fixed) && fixed == v) {
                ASSERT_EQ(ours, stream.str()) << i;
            }
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
