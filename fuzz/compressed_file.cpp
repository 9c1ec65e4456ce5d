// Fuzz target: the ".creg" reader over the bytes of a file, deflated stream and all. Whatever the
// bytes, the reader keeps records or fails with an exception, every record it keeps has one value
// per parameter, and memory grows only with what the bytes inflate to: every record kept had its
// bytes in the inflated data, and the process's peak memory grows by no more than a few times
// the inflated bytes (a small file that inflates to a large count must not make the records of
// that count).
#include <sys/resource.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

#include "gti/storage/file_storage.h"

namespace {

// The bytes the input inflates to, up to where its zlib stream ends or breaks.
std::uint64_t inflated_size(const char* data, std::size_t size) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) std::abort();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = static_cast<uInt>(size);
    static unsigned char out[1 << 16];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = out;
        z.avail_out = sizeof out;
        rc = inflate(&z, Z_NO_FLUSH);
    }
    const std::uint64_t n = z.total_out;
    inflateEnd(&z);
    return n;
}

// The process's peak resident memory in bytes.
std::uint64_t peak_memory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

// Memory a read may take besides a few times its inflated bytes: zlib, pieces, the arena's first
// block, the sanitizers' bookkeeping.
constexpr std::uint64_t fixed_allowance = std::uint64_t{96} << 20;
// Bytes of memory a read may take per inflated byte.
constexpr std::uint64_t per_inflated_byte = 32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::uint64_t inflated = inflated_size(bytes, size);
    const std::uint64_t before = peak_memory();
    for (const bool text_only : {false, true}) {
        FileStorage s;
        try {
            s.add_compressed_data(bytes, size, text_only, "fuzz.creg");
        } catch (const std::exception&) {
            // Damaged before the records were whole, or no compressed data file at all.
        }
        const auto params = static_cast<std::uint64_t>(s.get_param_count());
        if (params > FileStorage::max_params) std::abort();
        if (text_only && s.get_record_count() != 0) std::abort();
        for (int i = 0; i < s.get_record_count(); ++i) {
            if (s.get_record(i)->values.size() != params) std::abort();
        }
        // Each record takes 17 bytes of fields in the stream.
        if (static_cast<std::uint64_t>(s.get_record_count()) * 17 > inflated) std::abort();
    }
    if (peak_memory() - before > fixed_allowance + per_inflated_byte * inflated) std::abort();
    return 0;
}
