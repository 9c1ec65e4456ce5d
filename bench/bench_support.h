// Helpers shared by the benchmarks: where their files go, timing, whole-file reading and writing.
#pragma once

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace bench {

using clock_type = std::chrono::steady_clock;

// The folder of benchmark files: $GTI_BENCH_DIR, else /dev/shm (memory), else /tmp.
inline std::string dir() {
    if (const char* d = std::getenv("GTI_BENCH_DIR")) return d;
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

// Seconds since `start`.
inline double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// The bytes of a file (empty when it cannot be read).
inline std::string read_all(const std::string& path) {
    std::string bytes;
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return bytes;
    char buffer[1 << 16];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return bytes;
}

// Writes the bytes to a file with one write(2), forced to disk when `sync`; false on failure.
inline bool write_all(const std::string& path, const char* data, std::size_t size, bool sync = false) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, data, size) == static_cast<ssize_t>(size);
    if (sync) ok = fsync(fd) == 0 && ok;
    return close(fd) == 0 && ok;
}

// The resident memory of the process in bytes.
inline double resident_bytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) * 1024;
    return 0;
}

// The folder of the Volve logs: $GTI_VOLVE_DIR, else the data folder beside the project.
inline std::string volve_dir() {
    if (const char* d = std::getenv("GTI_VOLVE_DIR")) return d;
    return GTI_VOLVE_DEFAULT;
}

// The text of a gzip file, or empty when it cannot be read.
inline std::string read_gz(const std::string& path) {
    std::string text;
    gzFile f = gzopen(path.c_str(), "rb");
    if (f == nullptr) return text;
    char buffer[1 << 16];
    for (int n; (n = gzread(f, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    gzclose(f);
    return text;
}

}  // namespace bench
