// The record store against the plain system calls beneath it, on 1,000,000 records of 64
// parameters (a registration file of about 277 MB).
//
//   Save   save_with_new_format               vs  one write(2) of the same bytes
//   Load   add_new_file into an empty store   vs  memcpy of the mapped file
// "vs_reference" = reference time / store time. Load also reports the resident memory that the
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

#include "gti/storage/file_storage.h"

namespace {

constexpr int record_count = 1000000;
constexpr int param_count = 64;

using clock_type = std::chrono::steady_clock;

std::string bench_dir() {
    if (const char* d = std::getenv("GTI_BENCH_DIR")) return d;
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Resident memory of the process in bytes.
double resident_bytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) * 1024;
    return 0;
}

// The store that every benchmark saves: slowly varying channels, one record a second.
FileStorage& sample_store() {
    static FileStorage* store = [] {
        auto* s = new FileStorage;
        for (int p = 0; p < param_count; ++p)
            s->add_parametr({AnsiString("Параметр " + std::to_string(p)), "", "ед", AnsiString("параметр" + std::to_string(p))});
        FileStorageItem r;
        r.values.resize(param_count);
        for (int i = 0; i < record_count; ++i) {
            r.time = 1700000000u + static_cast<std::uint32_t>(i);
            r.depth = 1000.0f + static_cast<float>(i) * 0.001f;
            r.second_depth = r.depth;
            r.third_depth = r.depth;
            for (int p = 0; p < param_count; ++p) r.values[p] = static_cast<float>(p) + static_cast<float>(i % 977) * 0.01f;
            s->add_record(r);
        }
        return s;
    }();
    return *store;
}

const std::string& sample_file() {
    static const std::string path = [] {
        const std::string file = bench_dir() + "/gtikit-bench-store.realtim";
        sample_store().save_with_new_format(AnsiString(file));
        return file;
    }();
    return path;
}

std::vector<char> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_Save(benchmark::State& state) {
    FileStorage& store = sample_store();
    const std::vector<char> bytes = file_bytes(sample_file());
    const std::string ours = bench_dir() + "/gtikit-bench-save.realtim";
    const std::string theirs = bench_dir() + "/gtikit-bench-save-reference.dat";
    double ours_total = 0, ref_total = 0;
    for (auto _ : state) {
        auto start = clock_type::now();
        store.save_with_new_format(AnsiString(ours));
        const double t_ours = seconds_since(start);

        start = clock_type::now();
        const int fd = open(theirs.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            state.SkipWithError("reference write failed");
            break;
        }
        fsync(fd);  // the store's save reads the file's times after forcing it to disk
        close(fd);
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
    const std::vector<char> bytes = file_bytes(path);
    std::vector<char> copy(bytes.size());
    double ours_total = 0, ref_total = 0, rss_per_record = 0;
    for (auto _ : state) {
        const double rss_before = resident_bytes();
        auto start = clock_type::now();
        {
            FileStorage store;
            store.add_new_file(AnsiString(path), false);
            const double t_ours = seconds_since(start);
            // The first load grows the heap; later ones may reuse what the previous one freed.
            if (rss_per_record == 0) rss_per_record = (resident_bytes() - rss_before) / store.get_record_count();
            state.SetIterationTime(t_ours);
            ours_total += t_ours;
        }

        const int fd = open(path.c_str(), O_RDONLY);
        void* map = mmap(nullptr, bytes.size(), PROT_READ, MAP_SHARED, fd, 0);
        start = clock_type::now();
        std::memcpy(copy.data(), map, bytes.size());
        benchmark::DoNotOptimize(copy.data());
        ref_total += seconds_since(start);
        munmap(map, bytes.size());
        close(fd);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["vs_reference"] = ref_total / ours_total;
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
