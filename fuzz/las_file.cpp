// Fuzz target: the LAS reader. Any bytes read without an exception, in either coding; the
// document holds together (every row within its curve count, the depth column a curve or -1);
// saving it twice gives the same text, and that text reads again. The numbers of the data lines
// are also read against the C library's atof.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/las/file.h"
#include "gti/las/text.h"

namespace {

std::string saved(lib::las::file& doc) {
    lib::io::BinaryMemoryOutputStream out;
    doc.save(out);
    return std::string(out.get_buffer() ? out.get_buffer() : "", out.get_size());
}

void check(std::string_view text, lib::las::detailed::coding coding) {
    lib::las::file doc;
    doc.coding = coding;
    doc.load_text(text);
    const int curves = doc.get_param_count();
    for (const auto& row : doc.values.lines)
        if (!row || row->size() > static_cast<std::size_t>(curves)) std::abort();
    if (doc.values.depth_index < -1) std::abort();
    for (const auto& block : doc.blocks)
        if (!block) std::abort();
    const std::string once = saved(doc);
    if (saved(doc) != once) std::abort();
    lib::las::file again;
    again.coding = lib::las::detailed::ansi_text;
    again.load_text(once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text, lib::las::detailed::oem_text);
    check(text, lib::las::detailed::ansi_text);

    // Every token of the input reads as atof reads it.
    std::vector<std::string_view> tokens;
    lib::las::values_cont::parse_line(text.substr(0, 4096), tokens);
    for (std::string_view token : tokens) {
        const std::string copy(token);
        const double ours = lib::str_to_double(token);
        const double theirs = std::atof(copy.c_str());
        if (std::bit_cast<std::uint64_t>(ours) != std::bit_cast<std::uint64_t>(theirs)) std::abort();
    }
    return 0;
}
