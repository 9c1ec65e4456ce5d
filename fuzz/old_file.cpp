// Fuzz target: the old-generation reader with its parameter list "inpgti.nbl" and its run file.
// The input holds the three files: two little-endian 16-bit sizes, then the data file of the
// first size, the list of the second, and the run file of the rest. A list or run file of size 0
// is missing. The reader works on the bytes in memory. Whatever the bytes, it loads records or
// fails with an exception; every record it keeps has a time and at least 32 values, and writing
// the store back gives 145 bytes per record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "gti/storage/file_storage.h"

namespace {

std::size_t size_at(const std::uint8_t* data, std::size_t size, std::size_t at) {
    return at + 2 <= size ? static_cast<std::size_t>(data[at] | (data[at + 1] << 8)) : 0;
}

void check(FileStorage& s) {
    if (s.get_param_count() < 0 || s.get_param_count() > FileStorage::max_params) std::abort();
    int valid = 0;
    for (int i = 0; i < s.get_record_count(); ++i) {
        const FileStorageItem& r = *s.get_record(i);
        if (r.time == 0 || r.values.size() < FileStorage::old_value_count) std::abort();
        valid += r.valid ? 1 : 0;
    }
    lib::io::BinaryMemoryOutputStream out;
    s.old_save_values(out);
    if (out.get_size() != static_cast<unsigned>(valid) * FileStorage::old_record_size) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = size < 4 ? size : 4;
    const auto* bytes = reinterpret_cast<const char*>(data);
    const std::size_t data_size = std::min(size_at(data, size, 0), size - pos);
    const std::string_view data_file(bytes + pos, data_size);
    pos += data_size;
    const std::size_t list_size = std::min(size_at(data, size, 2), size - pos);
    const std::string_view list(bytes + pos, list_size);
    pos += list_size;
    const std::string_view run(bytes + pos, size - pos);

    FileStorage s;
    try {
        s.add_old_data(data_file, list.empty() ? std::nullopt : std::optional(list),
                       run.empty() ? std::nullopt : std::optional(run));
    } catch (const std::exception&) {
        // Bytes that do not begin like an old-generation file; a torn one keeps its whole records.
    }
    check(s);
    return 0;
}
