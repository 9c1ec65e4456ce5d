#include "csv.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "gti/io/streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "support.h"

using namespace lib::literals;
using gti_tool::csv_read_options;

namespace {

// The tool's words are English in these tests, whatever the locale of the run.
#ifdef _WIN32
const int english = _putenv_s("LC_ALL", "C");
#else
const int english = setenv("LC_ALL", "C", 1);
#endif

const float nan = std::numeric_limits<float>::quiet_NaN();

void read(const std::string& text, FileStorage& store, const csv_read_options& options = {}) {
    gti_tool::read_csv(text, "t.csv", options, store);
}

std::string error_of(const std::string& text, const csv_read_options& options = {}) {
    FileStorage store;
    try {
        read(text, store, options);
    } catch (const std::exception& e) {
        return lib::cp1251::to_utf8(e.what());
    }
    return "no error";
}

std::string written(const FileStorage& store) {
    lib::io::BinaryMemoryOutputStream out;
    gti_tool::write_csv(store, out);
    return std::string(out.get_buffer(), out.get_size());
}

// Values compared bit for bit, NaN equal to NaN.
bool same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

TEST(Csv, HeaderFormsGiveKeysUnitsAndTheTimeAndDepthColumns) {
    struct row {
        std::string text;
        csv_read_options options;
        std::vector<std::pair<AnsiString, AnsiString>> params;  // key, unit
        float depth;
    };
    csv_read_options stamp;
    stamp.time_column = "Stamp";
    stamp.depth_column = "bit";
    const row rows[] = {
        {"time_epoch_s,HKLD (kN),FLOW[m3/s],plain\n1475107588,1,2,3\n",
         {},
         {{"HKLD", "kN"}, {"FLOW", "m3/s"}, {"plain", ""}},
         0},
        {lib::cp1251::to_utf8("DATETIME;Depth (m);вес_на_крюке (т)\n1475107588;1206,5;3\n"_cp),
         {},
         {{"вес_на_крюке"_cp, "т"_cp}},
         1206.5f},
        {"Time\tDEPT\tA b ( s )\n1475107588\t10\t1\n", {}, {{"A b", "s"}}, 10},
        {"\xEF\xBB\xBF"
         "date_time,X (m\xC2\xB3)\r\n1475107588,1\r\n",
         {},
         {{"X", "m3"}},
         0},
        {"\"time\",\"a,b (m)\",\"q\"\"\"\n1475107588,1,2\n", {}, {{"a,b", "m"}, {"q\"", ""}}, 0},
        {"v,stamp,bit\n1,1475107588,7\n", stamp, {{"v", ""}}, 7},
        {"time;a;\n1475107588;1;\n", {}, {{"a", ""}}, 0},
        {"time,\xe2\xe5\xf1 (\xf2)\n1475107588,1\n", {}, {{"вес"_cp, "т"_cp}}, 0},  // code page 1251 bytes
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        FileStorage store;
        read(r.text, store, r.options);
        ASSERT_EQ(store.get_param_count(), static_cast<int>(r.params.size()));
        for (int i = 0; i < store.get_param_count(); ++i) {
            EXPECT_EQ(store.get_param(i)->global_name, r.params[static_cast<std::size_t>(i)].first);
            EXPECT_EQ(store.get_param(i)->unit, r.params[static_cast<std::size_t>(i)].second);
        }
        ASSERT_EQ(store.get_record_count(), 1);
        EXPECT_EQ(store.get_record(0)->time, lib::time_2_long(2016, 9, 29, 0, 6, 28));
        EXPECT_EQ(store.get_record(0)->depth, r.depth);
    }
}

TEST(Csv, TimeCellsBecomeTheWallClockTimeOfUtc) {
    const std::pair<const char*, const char*> rows[] = {
        {"1475107588", "2016-09-29T00:06:28"},
        {"1475107588.9", "2016-09-29T00:06:28"},
        {"2016-09-29T00:06:28", "2016-09-29T00:06:28"},
        {"2016-09-29 00:06", "2016-09-29T00:06:00"},
        {"2016/09/29 00:06:28", "2016-09-29T00:06:28"},
        {"29.09.2016 00:06:28", "2016-09-29T00:06:28"},
        {"2016-09-29T00:06:28Z", "2016-09-29T00:06:28"},
        {"2016-09-29T03:06:28+03:00", "2016-09-29T00:06:28"},
        {"2016-09-28T21:06:28.750-0300", "2016-09-29T00:06:28"},
        {"2016-09-29", "2016-09-29T00:00:00"},
        {"0", "1970-01-01T00:00:00"},
        {"2024-02-29T23:59:59", "2024-02-29T23:59:59"},
    };
    for (const auto& [cell, iso] : rows) {
        SCOPED_TRACE(cell);
        FileStorage store;
        read(std::string("time,a\n") + cell + ",1\n", store);
        ASSERT_EQ(store.get_record_count(), 1);
        EXPECT_EQ(lib::to_iso8601(store.get_record(0)->time), iso);
    }
    FileStorage millis;
    read("time_epoch_ms,a\n1475107588999,1\n", millis);
    EXPECT_EQ(lib::to_iso8601(millis.get_record(0)->time), "2016-09-29T00:06:28");
}

TEST(Csv, EmptyAndNullCellsAreMissing) {
    csv_read_options minus;
    minus.null_text = "-9999";
    csv_read_options na;
    na.null_text = "NA";
    struct row {
        std::string text;
        csv_read_options options;
        std::vector<float> values;
        float depth;
    };
    const row rows[] = {
        {"time,depth,a,b,c\n0,,-9999,,1\n", {}, {-9999, nan, 1}, nan},
        {"time,depth,a,b,c\n0,-9999.0,-9999,,1e-3\n", minus, {nan, nan, 0.001f}, nan},
        {"time;depth;a;b;c\n0;1,5;NA; ;-2,25\n", na, {nan, nan, -2.25f}, 1.5f},
        {"time,a,b,c\n\n0,+1,\"\",inf\n,,,\n", {}, {1, nan, INFINITY}, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        FileStorage store;
        read(r.text, store, r.options);
        ASSERT_EQ(store.get_record_count(), 1);
        const FileStorageItem& item = *store.get_record(0);
        EXPECT_TRUE(same(item.depth, r.depth)) << item.depth;
        for (std::size_t i = 0; i < r.values.size(); ++i)
            EXPECT_TRUE(same(item.values[i], r.values[i])) << i << ": " << item.values[i];
    }
}

TEST(Csv, BadInputIsAnErrorNamingTheFileAndPlace) {
    std::string wide = "time";
    for (int i = 0; i < 129; ++i)
        wide += ",c" + std::to_string(i);
    csv_read_options named;
    named.time_column = "nope";
    const std::pair<std::string, std::string> rows[] = {
        {"", "t.csv: no header line"},
        {"a,b\n1,2\n", "t.csv: no time column (name one with --time-column"},
        {"time,a\n1,2,3\n", "t.csv: line 2: 3 cells where the header has 2"},
        {"time,a\n\n1\n", "t.csv: line 3: 1 cells where the header has 2"},
        {"time,a\n1,x1\n", "t.csv: line 2, column 2 (a): \"x1\" is not a number"},
        {"time,a\n1,1.5.2\n", "t.csv: line 2, column 2 (a): \"1.5.2\" is not a number"},
        {"time,a\n,1\n", "t.csv: line 2, column 1 (time): the record has no time"},
        {"time,a\n2016-13-01,1\n", "t.csv: line 2, column 1 (time): \"2016-13-01\" is neither a date and time nor"},
        {"time,a\n2016-02-30 10:00,1\n", "t.csv: line 2, column 1 (time): \"2016-02-30 10:00\" is neither"},
        {"time,a\n99999999999,1\n", "t.csv: line 2, column 1 (time): \"99999999999\" is outside the station's times"},
        {"time,a\n-1e308,1\n", "t.csv: line 2, column 1 (time): \"-1e308\" is outside the station's times"},
        {"time,a\n1,\"2\n", "t.csv: the quote opened on line 2 is not closed"},
        {"time,a\n1,\"2\"x\n", "t.csv: line 2: text after the closing quote of a cell"},
        {"time,a,A\n", "t.csv: the columns 2 and 3 are one key \"A\""},
        {"time,\xE6\xB5\x81\xE9\x87\x8F\n",
         "t.csv: the column \"<U+6D41><U+91CF>\" holds characters that station text cannot"},
        {"time,a\n1,1e300\n", "t.csv: line 2, column 2 (a): \"1e300\" is beyond the range of a float"},
        {"time,a\n1,3.4028236e38\n", "t.csv: line 2, column 2 (a): \"3.4028236e38\" is beyond the range of a float"},
        {"time,a\n1,-3.4028235e38\n", "no error"},
        {"time,,b\n", "t.csv: column 2 of the header has no name"},
        {"time,a\n", "no error"},
        {"a,b\n", "t.csv: no time column named \"nope\""},
        {wide + "\n", "t.csv: 129 parameters, a store holds at most 128"},
    };
    for (const auto& [text, message] : rows) {
        SCOPED_TRACE(text.substr(0, 60));
        EXPECT_EQ(error_of(text, text == "a,b\n" ? named : csv_read_options{}).substr(0, message.size()), message);
    }
}

TEST(Csv, AMapRenamesAndRescalesColumns) {
    const std::string map_text = std::string("column;key;name;unit;scale\n") +
                                 "HKLD;вес_на_крюке;Вес на крюке;т;0,0001019716\n"_cp +
                                 "DEPTH_FT;;;;0.3048\nNOT_THERE;x;;;\n";
    const auto map = gti_tool::read_csv_map(lib::cp1251::to_utf8(map_text), "m.csv");
    ASSERT_EQ(map.size(), 3u);
    csv_read_options options;
    options.map = map;
    options.depth_column = "DEPTH_FT";
    FileStorage store;
    read("time,DEPTH_FT,hkld (N)\n0,1000,646575.5\n", store, options);
    ASSERT_EQ(store.get_param_count(), 1);
    EXPECT_EQ(store.get_param(0)->global_name, "вес_на_крюке"_cp);
    EXPECT_EQ(store.get_param(0)->name, "Вес на крюке"_cp);
    EXPECT_EQ(store.get_param(0)->unit, "т"_cp);
    EXPECT_FLOAT_EQ(store.get_record(0)->values[0], 65.932335f);
    EXPECT_FLOAT_EQ(store.get_record(0)->depth, 304.8f);

    const std::pair<std::string, std::string> bad[] = {
        {"key,unit\n", "m.csv: line 1: no \"column\" column"},
        {"column,size\n", "m.csv: line 1: \"size\" is none of column, key, name, unit, scale"},
        {"column,scale\nA,two\n", "m.csv: line 2: the scale \"two\" is not a number other than 0"},
        {"column,scale\nA,0\n", "m.csv: line 2: the scale \"0\" is not a number other than 0"},
        {"column\nA\na\n", "m.csv: line 3: the column \"a\" again"},
        {"column,key\nA\n", "m.csv: line 2: 1 cells where the header has 2"},
    };
    for (const auto& [text, message] : bad) {
        std::string what = "no error";
        try {
            gti_tool::read_csv_map(text, "m.csv");
        } catch (const std::exception& e) {
            what = e.what();
        }
        EXPECT_EQ(what, message);
    }
}

TEST(Csv, WritesIsoTimesShortestNumbersAndEmptyCellsAndReadsThemBack) {
    FileStorage store;
    store.add_parametr({"Вес"_cp, "W", "т"_cp, "вес_на_крюке"_cp});
    store.add_parametr({"q", "q", "", "a,\"b\""});
    store.add_parametr({"f", "f", "", "flow (in)"});
    FileStorageItem item;
    item.time = lib::time_2_long(2024, 3, 5, 7, 0, 0);
    item.depth = 1500.1f;
    item.values.assign({64.65f, nan, 1e-7f});
    store.add_record(item);
    item.time += 3;
    item.depth = nan;
    item.values.assign({0.1f});  // a short record: the others are missing
    store.add_record(item);
    const std::string text = written(store);
    EXPECT_EQ(text, lib::cp1251::to_utf8("time,depth (m),вес_на_крюке (т),\"a,\"\"b\"\"\",flow (in) ()\n"_cp) +
                        "2024-03-05T07:00:00,1500.1,64.65,,1e-07\n"
                        "2024-03-05T07:00:03,,0.1,,\n");
    FileStorage back;
    read(text, back);
    ASSERT_EQ(back.get_param_count(), 3);
    ASSERT_EQ(back.get_record_count(), 2);
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(back.get_param(p)->global_name, store.get_param(p)->global_name);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(back.get_record(r)->time, store.get_record(r)->time);
        EXPECT_TRUE(same(back.get_record(r)->depth, store.get_record(r)->depth));
        for (std::size_t i = 0; i < 3; ++i) {
            const auto& v = store.get_record(r)->values;
            EXPECT_TRUE(same(back.get_record(r)->values[i], i < v.size() ? v[i] : nan));
        }
    }
}

TEST(Csv, GzipFilesAreInflatedAndDamagedOnesRefused) {
    gti_test::temp_dir dir;
    auto gzip = [](const std::string& text) {
        std::string gz(256, '\0');
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        z.avail_in = static_cast<uInt>(text.size());
        z.next_out = reinterpret_cast<Bytef*>(gz.data());
        z.avail_out = static_cast<uInt>(gz.size());
        deflate(&z, Z_FINISH);
        gz.resize(z.total_out);
        deflateEnd(&z);
        return gz;
    };
    const std::string gz = gzip("time,a\n0,1\n1,2\n");
    std::string damaged = gz;
    damaged[12] = static_cast<char>(damaged[12] ^ 0x55);
    const std::pair<std::string, std::string> rows[] = {
        {gz, "2 records"},
        {gz + gzip("2,3\n3,4\n"), "4 records"},
        {gz.substr(0, gz.size() - 6), "a.csv.gz: the gzip data end early"},
        {damaged, "a.csv.gz: damaged gzip data (zlib: "},
    };
    for (const auto& [bytes, expected] : rows) {
        gti_test::write_bytes(dir.file("a.csv.gz"), bytes);
        FileStorage store;
        std::string what;
        try {
            gti_tool::load_csv_file(dir.file("a.csv.gz"), {}, store);
            what = std::to_string(store.get_record_count()) + " records";
        } catch (const std::exception& e) {
            what = e.what();
            what = what.substr(what.find("a.csv.gz"));
        }
        EXPECT_EQ(what.substr(0, expected.size()), expected);
    }
}

// The real logs: CSV to a registration file and back to CSV gives every value back as the
// float nearest to the original text, and every time exactly.
TEST(Csv, VolveLogsRoundTripThroughARegistrationFile) {
    const AnsiString source = AnsiString(GTI_VOLVE_DIR) + "/F9_GenTime.csv.gz";
    if (!gti_test::exists(source)) GTEST_SKIP() << "no Volve logs at " << GTI_VOLVE_DIR;
    gti_test::temp_dir dir;
    FileStorage first;
    gti_tool::load_csv_file(source, {}, first);
    ASSERT_EQ(first.get_record_count(), 33293);
    ASSERT_EQ(first.get_param_count(), 77);  // and Depth as the depth
    first.save_all(dir.file("f9.realtim"), false);
    FileStorage registered;
    registered.add_file(dir.file("f9.realtim"), false);
    gti_tool::save_csv_file(registered, dir.file("f9.csv"));
    FileStorage back;
    gti_tool::load_csv_file(dir.file("f9.csv"), {}, back);

    // Against the source text, read here on its own: the time, then the values in order.
    gzFile gz = gzopen(source.c_str(), "rb");
    ASSERT_NE(gz, nullptr);
    std::string raw;
    char buffer[1 << 16];
    for (int n; (n = gzread(gz, buffer, sizeof buffer)) > 0;)
        raw.append(buffer, static_cast<std::size_t>(n));
    gzclose(gz);
    std::size_t pos = raw.find('\n') + 1;
    const int depth_column = 67;  // "Depth", the 68th column of the file
    ASSERT_EQ(back.get_record_count(), first.get_record_count());
    ASSERT_EQ(back.get_param_count(), first.get_param_count());
    for (int r = 0; r < back.get_record_count(); ++r) {
        const std::size_t end = raw.find('\n', pos);
        const std::string line = raw.substr(pos, end - pos);
        pos = end + 1;
        const FileStorageItem& item = *back.get_record(r);
        const char* cell = line.c_str();
        char* next = nullptr;
        ASSERT_EQ(item.time, lib::from_local_epoch_seconds(std::strtoll(cell, &next, 10))) << r;
        std::size_t p = 0;
        for (int column = 1; *next == ','; ++column) {
            const auto value = static_cast<float>(std::strtod(next + 1, &next));
            const float got = column == depth_column ? item.depth : item.values[p++];
            ASSERT_EQ(got, value) << "record " << r << ", column " << column;
        }
        ASSERT_EQ(p, item.values.size());
    }
}

}  // namespace
