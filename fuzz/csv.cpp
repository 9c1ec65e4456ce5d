// Fuzz target: the tool's CSV reader over any bytes. A text is read or refused with a message,
// never a crash; what it reads, written as CSV, reads back to the same records.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "csv.h"
#include "gti/io/streams.h"

namespace {

bool same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    gti_tool::csv_read_options options;
    options.null_text = "-9999";
    FileStorage store;
    try {
        gti_tool::read_csv(text, "fuzz.csv", options, store);
    } catch (const std::exception&) {
        return 0;
    }
    try {
        gti_tool::read_csv_map(text, "fuzz.csv");
    } catch (const std::exception&) {
    }
    lib::io::BinaryMemoryOutputStream out;
    gti_tool::write_csv(store, out);
    FileStorage back;
    gti_tool::read_csv(std::string_view(out.get_buffer(), out.get_size()), "back.csv", {}, back);
    if (back.get_record_count() != store.get_record_count() || back.get_param_count() != store.get_param_count())
        std::abort();
    for (int r = 0; r < store.get_record_count(); ++r) {
        const FileStorageItem& a = *store.get_record(r);
        const FileStorageItem& b = *back.get_record(r);
        if (a.time != b.time || !same(a.depth, b.depth)) std::abort();
        for (std::size_t i = 0; i < a.values.size(); ++i)
            if (!same(a.values[i], b.values[i])) std::abort();
    }
    return 0;
}
