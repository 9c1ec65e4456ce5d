// Text handed to the output stream of a LAS writer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "gti/io/streams.h"

namespace lib::las::detail {

// Writes the text, in pieces that the stream's 32-bit counts can hold.
inline void write_text(io::BinaryOutputStream& out, std::string_view text) {
    constexpr std::size_t piece = std::size_t{1} << 30;
    while (!text.empty()) {
        const std::size_t n = std::min(text.size(), piece);
        out.write(text.data(), static_cast<unsigned>(n));
        text.remove_prefix(n);
    }
}

}  // namespace lib::las::detail
