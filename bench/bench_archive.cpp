// Speed of the block archive against the zlib calls alone, on real drilling data and on the run
// of gti demo.
//
// Data sets: the time logs of the Volve field in $GTI_VOLVE_DIR, else ../shared/data/volve beside the project
// (F9_GenTime.csv.gz, F7_GenTime.csv.gz, F9_GasTime.csv.gz, F9_Pits.csv.gz, packed as the CSV
// text they hold; each skipped when absent), and the registration file of the four-hour run of
// `gti demo`. The archive and the extracted files go to the benchmark folder (bench_support.h).
//
//   AddData   GZIP_COMPRESS::add_data of the bytes into an open archive
//             vs compress2 (level 9) of the same bytes into a buffer
//   Decompress  GZIP_DECOMPRESS::decompress_section of the record   vs  uncompress of the stream
//   Extract     GZIP_DECOMPRESS::extract_to (a crash-safe file write) vs uncompress of the stream;
//               "vs_uncompress_write" adds to the reference a write(2) and fsync of the bytes
// "vs_reference" = reference time / library time, both timed in the same iteration; MB/s are of
// the uncompressed bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "demo.h"
#include "gti/archive/block_archive.h"
#include "gti/storage/file_storage.h"
#include "gti/time/unix_time.h"

namespace {

using bench::clock_type;
using bench::seconds_since;

struct data_set {
    std::string name;
    std::string bytes;
};

std::vector<data_set>& data_sets() {
    static std::vector<data_set> sets = [] {
        std::vector<data_set> s;
        for (const char* name : {"F9_GenTime", "F7_GenTime", "F9_GasTime", "F9_Pits"}) {
            std::string text = bench::read_gz(bench::volve_dir() + "/" + name + ".csv.gz");
            if (!text.empty())
                s.push_back({std::string(name) + ".csv", std::move(text)});
            else
                std::fprintf(stderr, "%s/%s.csv.gz cannot be read: skipped\n", bench::volve_dir().c_str(), name);
        }
        const std::string demo_file = bench::dir() + "/bench_archive_demo.realtim";
        FileStorage demo;
        gti_tool::generate_run(demo, lib::time_2_long(2024, 3, 5, 7, 0, 0), 4 * 3600);
        demo.save_with_new_format(demo_file);
        s.push_back({"gti_demo.realtim", bench::read_all(demo_file)});
        std::remove(demo_file.c_str());
        return s;
    }();
    return sets;
}

lib::array<char> array_of(const std::string& s) {
    lib::array<char> a;
    a.assign(std::span<const char>(s.data(), s.size()));
    return a;
}

std::string deflate9(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  bytes.size(), 9) != Z_OK)
        std::abort();
    out.resize(size);
    return out;
}

void BM_AddData(benchmark::State& state, const data_set* set) {
    const lib::array<char> data = array_of(set->bytes);
    const std::string archive = bench::dir() + "/bench_archive.arc";
    std::size_t packed = 0;
    double ours = 0, reference = 0;
    for (auto _ : state) {
        GZIP_COMPRESS out;
        if (!out.open(archive)) std::abort();
        auto start = clock_type::now();
        out.add_data(set->name, data, GZIP_MARK_FILE);
        const double t = seconds_since(start);
        if (!out.close()) std::abort();
        start = clock_type::now();
        packed = deflate9(set->bytes).size();
        reference += seconds_since(start);
        ours += t;
        state.SetIterationTime(t);
    }
    std::remove(archive.c_str());
    const double n = static_cast<double>(state.iterations());
    const double mb = static_cast<double>(set->bytes.size()) / 1e6;
    state.counters["size_MB"] = mb;
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(set->bytes.size());
    state.counters["add_data_MBps"] = mb * n / ours;
    state.counters["compress2_MBps"] = mb * n / reference;
    state.counters["vs_reference"] = reference / ours;
}

// Decompression of the record (extract = false) or extraction of the archive (extract = true).
void BM_Read(benchmark::State& state, const data_set* set, bool extract) {
    const std::string archive = bench::dir() + "/bench_archive.arc";
    const std::string folder = bench::dir();
    {
        GZIP_COMPRESS out;
        if (!out.open(archive)) std::abort();
        out.add_data("bench_archive.out", array_of(set->bytes), GZIP_MARK_FILE);
        if (!out.close()) std::abort();
    }
    const std::string stream = deflate9(set->bytes);
    std::string inflated(set->bytes.size(), '\0');
    GZIP_DECOMPRESS in;
    if (!in.open(archive)) std::abort();
    lib::array<char> back;
    double ours = 0, reference = 0, written = 0;
    for (auto _ : state) {
        auto start = clock_type::now();
        if (extract) {
            if (!in.extract_to(folder).empty()) std::abort();
        } else {
            in.decompress_section(in.find_block("bench_archive.out"), back);
        }
        const double t = seconds_since(start);
        start = clock_type::now();
        uLongf size = inflated.size();
        if (uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size, reinterpret_cast<const Bytef*>(stream.data()),
                       stream.size()) != Z_OK)
            std::abort();
        reference += seconds_since(start);
        if (extract) {
            start = clock_type::now();
            if (!bench::write_all(folder + "/bench_archive.ref", inflated.data(), size, true)) std::abort();
            written += seconds_since(start);
        }
        ours += t;
        state.SetIterationTime(t);
    }
    in.close();
    std::remove((folder + "/bench_archive.ref").c_str());
    std::remove(archive.c_str());
    std::remove((folder + "/bench_archive.out").c_str());
    const double n = static_cast<double>(state.iterations());
    const double mb = static_cast<double>(set->bytes.size()) / 1e6;
    state.counters["size_MB"] = mb;
    state.counters[extract ? "extract_MBps" : "decompress_MBps"] = mb * n / ours;
    state.counters["uncompress_MBps"] = mb * n / reference;
    state.counters["vs_reference"] = reference / ours;
    if (extract) state.counters["vs_uncompress_write"] = (reference + written) / ours;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (const data_set& set : data_sets()) {
        benchmark::RegisterBenchmark(("BM_AddData/" + set.name).c_str(), BM_AddData, &set)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark(("BM_Decompress/" + set.name).c_str(), BM_Read, &set, false)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
        benchmark::RegisterBenchmark(("BM_Extract/" + set.name).c_str(), BM_Read, &set, true)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    }
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
