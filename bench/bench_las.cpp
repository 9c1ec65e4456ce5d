// Throughput of the LAS reader and writer against bare passes over the same numbers.
//
// The log: 200 000 depth steps x 20 curves, five decimals, 1% NULL values (about 44 MB).
// Each benchmark times the library and the references in the same iteration and reports
// "vs_reference" = reference time / library time (1.0: as fast as the reference) and the
// throughput of each pass in MB/s (of the file's bytes):
//   Load   file::load of the file                    vs  reading the file and strtod of every
//                                                        number (also shown: std::from_chars)
//   Save   file::save to a file stream               vs  snprintf("%.5f") of every number, with
//                                                        blanks and line ends, and one write(2)
// Before timing, each checks its result: every number loaded is the double strtod gives, and
// the data rows saved are byte for byte what a C++ stream writes by the format's rules (the
// depth with the decimals it needs, the readings with five). Load also reports the memory the
// rows take against the file's size ("memory_x").
// Files go to $GTI_BENCH_DIR, else /dev/shm, else /tmp.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gti/io/file_streams.h"
#include "gti/las/file.h"

namespace {

constexpr int rows = 200000;
constexpr int curves = 20;

using bench::clock_type;
using bench::read_all;
using bench::seconds_since;

// A log as an exporter fills it: depth in steps of 0.1 m, readings of five decimals.
void fill(lib::las::file& doc) {
    doc.set_standart_version_info();
    const auto well = doc.get_well_block();
    well->add("STRT", "M", "1000.0", "START DEPTH");
    well->add("STOP", "M", "20999.9", "STOP DEPTH");
    well->add("STEP", "M", "0.1", "STEP");
    const auto curve_block = doc.get_curve_block();
    curve_block->add("DEPT", "M", "", "DEPTH");
    for (int c = 1; c < curves; ++c)
        curve_block->add("P" + std::to_string(c), "U", "", "reading " + std::to_string(c));
    std::mt19937_64 random(2026);
    for (int r = 0; r < rows; ++r) {
        const int row = doc.values.add();
        doc.values.at(0, row) = (10000 + r) / 10.0;
        for (int c = 1; c < curves; ++c) {
            if (random() % 100 == 0) continue;  // stays NULL
            const auto scaled = static_cast<std::int64_t>(random() % 200000000) - 100000000;
            doc.values.at(c, row) = static_cast<double>(scaled) / 100000;
        }
    }
}

bool write_all(const std::string& path, const std::string& bytes) {
    return bench::write_all(path, bytes.data(), bytes.size());
}

// The data block's numbers read with strtod, in file order.
std::vector<double> strtod_pass(const std::string& text) {
    std::vector<double> numbers;
    numbers.reserve(static_cast<std::size_t>(rows) * curves);
    const char* p = text.c_str() + text.find("~A");
    p = std::strchr(p, '\n');
    for (char* end;; p = end) {
        const double v = std::strtod(p, &end);
        if (end == p) break;
        numbers.push_back(v);
    }
    return numbers;
}

// The same with std::from_chars.
std::vector<double> from_chars_pass(const std::string& text) {
    std::vector<double> numbers;
    numbers.reserve(static_cast<std::size_t>(rows) * curves);
    const char* p = text.data() + text.find("~A");
    const char* const end = text.data() + text.size();
    p = std::strchr(p, '\n');
    for (;;) {
        while (p != end && (*p == ' ' || *p == '\n'))
            ++p;
        double v;
        const auto r = std::from_chars(p, end, v);
        if (r.ptr == p) break;
        numbers.push_back(v);
        p = r.ptr;
    }
    return numbers;
}

// The data rows as a C++ stream writes them by the format's rules: the depth (of one decimal
// here) left-aligned, the readings with five decimals right-aligned, NULL as "-9999".
std::string stream_rows(const lib::las::values_cont& values) {
    std::ostringstream out;
    out << std::fixed << std::showpoint;
    for (int r = 0; r < values.size(); ++r) {
        for (int j = 0; j < values.param_count; ++j) {
            const double v = values.row(r)[j];
            if (j == 0)
                out << std::left << std::setprecision(1);
            else
                out << std::right << std::setprecision(values.precision);
            out << std::setw(values.precision + 5);
            if (values.is_null(v))
                out << "-9999";
            else
                out << v;
            out << ' ';
        }
        out << '\n';
    }
    return out.str();
}

// The rows formatted with snprintf("%.5f"), with blanks and line ends.
std::string snprintf_rows(const lib::las::values_cont& values) {
    std::string text;
    text.reserve(static_cast<std::size_t>(rows) * curves * 12);
    char number[64];
    for (int r = 0; r < values.size(); ++r) {
        for (int j = 0; j < values.param_count; ++j) {
            const int n = std::snprintf(number, sizeof number, "%.5f", values.row(r)[j]);
            text.append(number, static_cast<std::size_t>(n));
            text += ' ';
        }
        text += '\n';
    }
    return text;
}

void BM_LasLoad(benchmark::State& state) {
    const std::string path = bench::dir() + "/gtikit-bench-log.las";
    {
        lib::las::file doc;
        fill(doc);
        lib::io::BinaryOutputFileStream out;
        out.open(AnsiString(path), false, false);
        doc.save(out);
        out.close();
    }
    const std::string text = read_all(path);
    double memory_x = 0;
    {
        lib::las::file doc;
        doc.load(AnsiString(path));
        const std::vector<double> expected = strtod_pass(text);
        std::size_t k = 0;
        bool same = expected.size() == static_cast<std::size_t>(rows) * curves;
        for (int r = 0; r < doc.values.size(); ++r)
            for (int j = 0; j < doc.values.param_count; ++j) {
                const double v = doc.values.row(r)[j];
                same = same && k < expected.size() && std::memcmp(&v, &expected[k++], sizeof v) == 0;
            }
        memory_x = static_cast<double>(doc.values.size()) * doc.values.param_count * sizeof(double) /
                   static_cast<double>(text.size());
        if (!same) {
            state.SkipWithError("the numbers loaded are not those of strtod");
            return;
        }
    }
    double ours_total = 0, strtod_total = 0, from_chars_total = 0;
    for (auto _ : state) {
        auto start = clock_type::now();
        {
            lib::las::file doc;
            doc.load(AnsiString(path));
            benchmark::DoNotOptimize(doc.values.row(0));
        }
        const double t_ours = seconds_since(start);

        start = clock_type::now();
        benchmark::DoNotOptimize(strtod_pass(read_all(path)).data());
        const double t_strtod = seconds_since(start);

        start = clock_type::now();
        benchmark::DoNotOptimize(from_chars_pass(read_all(path)).data());
        const double t_from_chars = seconds_since(start);

        state.SetIterationTime(t_ours);
        ours_total += t_ours;
        strtod_total += t_strtod;
        from_chars_total += t_from_chars;
    }
    unlink(path.c_str());
    const double mb = static_cast<double>(state.iterations()) * static_cast<double>(text.size()) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["vs_reference"] = strtod_total / ours_total;
    state.counters["MB/s_load"] = mb / ours_total;
    state.counters["MB/s_strtod"] = mb / strtod_total;
    state.counters["MB/s_from_chars"] = mb / from_chars_total;
    state.counters["vs_from_chars"] = from_chars_total / ours_total;
    state.counters["memory_x"] = memory_x;
}

void BM_LasSave(benchmark::State& state) {
    const std::string ours_path = bench::dir() + "/gtikit-bench-save.las";
    const std::string ref_path = bench::dir() + "/gtikit-bench-snprintf.txt";
    lib::las::file doc;
    fill(doc);
    std::size_t bytes = 0;
    {
        lib::io::BinaryMemoryOutputStream out;
        doc.save(out);
        const std::string text(out.get_buffer(), out.get_size());
        bytes = text.size();
        const std::string marker = "~ASCII Log Data\n";
        if (text.substr(text.find(marker) + marker.size()) != stream_rows(doc.values)) {
            state.SkipWithError("the rows saved differ from stream formatting");
            return;
        }
    }
    double ours_total = 0, ref_total = 0;
    for (auto _ : state) {
        auto start = clock_type::now();
        {
            lib::io::BinaryOutputFileStream out;
            out.open(AnsiString(ours_path), false, false);
            doc.save(out);
            out.close();
        }
        const double t_ours = seconds_since(start);

        start = clock_type::now();
        if (!write_all(ref_path, snprintf_rows(doc.values))) {
            state.SkipWithError("reference write failed");
            break;
        }
        const double t_ref = seconds_since(start);

        state.SetIterationTime(t_ours);
        ours_total += t_ours;
        ref_total += t_ref;
    }
    unlink(ours_path.c_str());
    unlink(ref_path.c_str());
    const double mb = static_cast<double>(state.iterations()) * static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["vs_reference"] = ref_total / ours_total;
    state.counters["MB/s_save"] = mb / ours_total;
    state.counters["MB/s_snprintf"] = mb / ref_total;
}

}  // namespace

BENCHMARK(BM_LasLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_LasSave)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
