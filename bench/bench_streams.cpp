// Throughput of the file streams against the plain system calls beneath them.
//
// Each benchmark times the library and a reference on the same bytes in the same iteration
// and reports "vs_reference" = reference time / library time (1.0: as fast as the reference).
//   OutputFileStream   256 MiB in writes of 4 to 40 bytes  vs  one write(2) of the 256 MiB
//   InputMappedFile    the same file in 4-byte reads       vs  memcpy of the whole mapping
// Files go to $GTI_BENCH_DIR, else /dev/shm, else /tmp.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gti/io/file_streams.h"

namespace {

constexpr std::size_t total_bytes = 256u << 20;

using bench::clock_type;
using bench::seconds_since;

// The bytes written, and the sizes of the small writes that cover them (4 to 40 bytes, in an
// irregular but fixed order).
struct workload {
    std::vector<char> bytes;
    std::vector<unsigned> sizes;

    workload() : bytes(total_bytes) {
        std::uint32_t x = 12345;
        for (char& c : bytes) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 24);
        }
        std::size_t covered = 0;
        while (covered < total_bytes) {
            x = x * 1103515245u + 12345u;
            unsigned n = 4 + (x >> 16) % 37;
            if (covered + n > total_bytes) n = static_cast<unsigned>(total_bytes - covered);
            sizes.push_back(n);
            covered += n;
        }
    }
};

const workload& data() {
    static const workload w;
    return w;
}

void BM_OutputFileStream_SmallWrites(benchmark::State& state) {
    const workload& w = data();
    const std::string ours = bench::dir() + "/gtikit-bench-stream.dat";
    const std::string theirs = bench::dir() + "/gtikit-bench-reference.dat";
    double ours_total = 0, ref_total = 0;
    for (auto _ : state) {
        auto start = clock_type::now();
        {
            lib::io::BinaryOutputFileStream out;
            out.open(AnsiString(ours), false, true);
            const char* p = w.bytes.data();
            for (unsigned n : w.sizes) {
                out.write(p, n);
                p += n;
            }
            out.close();
        }
        const double t_ours = seconds_since(start);

        start = clock_type::now();
        if (!bench::write_all(theirs, w.bytes.data(), total_bytes)) {
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
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total_bytes));
    state.counters["vs_reference"] = ref_total / ours_total;
}

void BM_InputMappedFile_FourByteReads(benchmark::State& state) {
    const workload& w = data();
    const std::string path = bench::dir() + "/gtikit-bench-mapped.dat";
    if (!bench::write_all(path, w.bytes.data(), total_bytes)) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    std::vector<char> copy(total_bytes);
    double ours_total = 0, ref_total = 0;
    for (auto _ : state) {
        // Each side maps the file afresh, so both pay for the same page faults.
        auto start = clock_type::now();
        std::uint32_t sum = 0;
        {
            lib::io::InputMappedFile in;
            in.open(AnsiString(path), true);
            for (std::size_t i = 0; i < total_bytes / 4; ++i) {
                std::uint32_t v;
                in.read(reinterpret_cast<char*>(&v), 4);
                sum += v;
            }
        }
        benchmark::DoNotOptimize(sum);
        const double t_ours = seconds_since(start);

        start = clock_type::now();
        {
            lib::io::InputMappedFile in;
            in.open(AnsiString(path), true);
            std::memcpy(copy.data(), in.get_data(), total_bytes);
            benchmark::DoNotOptimize(copy.data());
        }
        const double t_ref = seconds_since(start);

        state.SetIterationTime(t_ours);
        ours_total += t_ours;
        ref_total += t_ref;
    }
    unlink(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total_bytes));
    state.counters["vs_reference"] = ref_total / ours_total;
}

}  // namespace

BENCHMARK(BM_OutputFileStream_SmallWrites)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_InputMappedFile_FourByteReads)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
