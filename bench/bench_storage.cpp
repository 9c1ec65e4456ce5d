// The record store against the plain system calls beneath it, on 1,000,000 records of 64
// parameters (a registration file of about 277 MB).
//
//   Save   save_with_new_format               vs  one write(2) of the same bytes
//   Load   add_new_file into an empty store   vs  memcpy of the mapped file
// "vs_reference" = reference time / store time; "cold_vs_reference" the same for the first load,
// into memory the process has not used before. Load also reports the resident memory that the
// loaded records take, per record ("rss_per_record"), beside the record's 274 bytes of data.
// Files go to $GTI_BENCH_DIR, else /dev/shm, else /tmp.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"

using namespace lib::literals;

namespace {

constexpr int record_count = 1000000;
constexpr int param_count = 64;

using bench::clock_type;
using bench::resident_bytes;
using bench::seconds_since;

// The store that every benchmark saves: slowly varying channels, one record a second.
FileStorage& sample_store() {
    static FileStorage* store = [] {
        auto* s = new FileStorage;
        for (int p = 0; p < param_count; ++p)
            s->add_parametr({AnsiString("Параметр "_cp + std::to_string(p)), "", "ед"_cp,
                             AnsiString("параметр"_cp + std::to_string(p))});
        FileStorageItem r;
        r.values.resize(param_count);
        for (int i = 0; i < record_count; ++i) {
            r.time = 1700000000u + static_cast<std::uint32_t>(i);
            r.depth = 1000.0f + static_cast<float>(i) * 0.001f;
            r.second_depth = r.depth;
            r.third_depth = r.depth;
            for (int p = 0; p < param_count; ++p)
                r.values[p] = static_cast<float>(p) + static_cast<float>(i % 977) * 0.01f;
            s->add_record(r);
        }
        return s;
    }();
    return *store;
}

const std::string& sample_file() {
    static const std::string path = [] {
        const std::string file = bench::dir() + "/gtikit-bench-store.realtim";
        sample_store().save_with_new_format(AnsiString(file));
        return file;
    }();
    return path;
}

void BM_Save(benchmark::State& state) {
    FileStorage& store = sample_store();
    const std::string bytes = bench::read_all(sample_file());
    const std::string ours = bench::dir() + "/gtikit-bench-save.realtim";
    const std::string theirs = bench::dir() + "/gtikit-bench-save-reference.dat";
    double ours_total = 0, ref_total = 0;
    for (auto _ : state) {
        auto start = clock_type::now();
        store.save_with_new_format(AnsiString(ours));
        const double t_ours = seconds_since(start);

        start = clock_type::now();
        // The store's save forces the file to disk before it reads its times: so does the reference.
        if (!bench::write_all(theirs, bytes.data(), bytes.size(), true)) {
            state.SkipWithError("reference write failed");
            break;
        }
        const double t_ref = seconds_since(start);
        state.SetIterationTime(t_ours);
        ours_total += t_ours;
        ref_total += t_ref;
    }
    unlink(ours.c_str());
    unlink(theirs.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["vs_reference"] = ref_total / ours_total;
}

void BM_Load(benchmark::State& state) {
    const std::string& path = sample_file();
    const std::string bytes = bench::read_all(path);
    std::vector<char> copy(bytes.size());
    double ours_total = 0, ref_total = 0, rss_per_record = 0, first_ours = 0, first_ref = 0;
    for (auto _ : state) {
        const double rss_before = resident_bytes();
        auto start = clock_type::now();
        {
            FileStorage store;
            store.add_new_file(AnsiString(path), false);
            const double t_ours = seconds_since(start);
            // The first load grows the heap; later ones may reuse what the previous one freed.
            if (rss_per_record == 0) {
                rss_per_record = (resident_bytes() - rss_before) / store.get_record_count();
                first_ours = t_ours;
            }
            state.SetIterationTime(t_ours);
            ours_total += t_ours;
        }

        const int fd = open(path.c_str(), O_RDONLY);
        void* map = mmap(nullptr, bytes.size(), PROT_READ, MAP_SHARED, fd, 0);
        start = clock_type::now();
        std::memcpy(copy.data(), map, bytes.size());
        benchmark::DoNotOptimize(copy.data());
        const double t_ref = seconds_since(start);
        ref_total += t_ref;
        if (first_ref == 0) first_ref = t_ref;
        munmap(map, bytes.size());
        close(fd);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["vs_reference"] = ref_total / ours_total;
    state.counters["cold_vs_reference"] = first_ref / first_ours;
    state.counters["rss_per_record"] = rss_per_record;
    state.counters["data_per_record"] = 18 + 4 * param_count;
}

}  // namespace

BENCHMARK(BM_Save)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Load)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::remove(sample_file().c_str());
    return 0;
}
