// The C++ load alone, for bench_python.py: loads a data file into an empty store N times (3 by
// default) and prints the seconds of each load, one per line.
//
//   bench_load_file FILE [N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "gti/storage/file_storage.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: bench_load_file FILE [N]\n", stderr);
        return 2;
    }
    const int n = argc > 2 ? std::atoi(argv[2]) : 3;
    try {
        for (int i = 0; i < n; ++i) {
            const auto start = std::chrono::steady_clock::now();
            FileStorage store;
            store.add_file(AnsiString(argv[1]), false);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            std::printf("%.6f %d\n", took.count(), store.get_record_count());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_load_file: %s\n", e.what());
        return 1;
    }
    return 0;
}
