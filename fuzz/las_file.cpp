// Fuzz target: the LAS reader. Any bytes read without an exception, in every coding; the
// document holds together (rows as wide as the curves, the depth column a curve or -1, notes
// within the file's lines); saving it twice gives the same text, and that text reads again with
// every value and NULL it held. The numbers of the data lines are also read against the C
// library's atof.
#include <algorithm>
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
    if (doc.values.size() > 0 && doc.values.param_count != doc.get_param_count()) std::abort();
    const int curves = doc.get_param_count();
    if (doc.values.depth_index < -1 || (curves > 0 && doc.values.depth_index >= curves)) std::abort();
    for (const auto& block : doc.blocks)
        if (!block) std::abort();
    const auto lines =
        static_cast<int>(std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r'));
    for (const lib::las::diagnostic& d : doc.diagnostics.items())
        if (d.line < 0 || d.line > lines + 1) std::abort();
    const std::string once = saved(doc);
    if (saved(doc) != once) std::abort();
    lib::las::file again;
    again.coding = lib::las::detailed::ansi_text;
    again.load_text(once);
    if (doc.values.param_count == 0 || again.values.param_count != doc.values.param_count) return;
    if (again.values.size() != doc.values.size()) std::abort();
    for (int r = 0; r < doc.values.size(); ++r)
        for (int c = 0; c < doc.values.param_count; ++c) {
            const double a = doc.values.at(c, r), b = again.values.at(c, r);
            const bool both_null = doc.values.is_null(a) && again.values.is_null(b);
            if (!both_null && std::bit_cast<std::uint64_t>(a) != std::bit_cast<std::uint64_t>(b)) std::abort();
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text, lib::las::detailed::oem_text);
    check(text, lib::las::detailed::ansi_text);
    check(text, lib::las::detailed::utf8_text);
    check(text, lib::las::detailed::detect_text);

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
