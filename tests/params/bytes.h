// Byte helpers of the parameter tests: golden bytes written as hexadecimal pairs.
#pragma once

#include <string>
#include <string_view>

#include "gti/io/streams.h"
#include "support.h"

namespace params_test {

// Bytes from hexadecimal pairs; spaces are ignored.
inline std::string hex(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == ' ') continue;
        bytes.push_back(static_cast<char>(std::stoi(std::string(text.substr(i++, 2)), nullptr, 16)));
    }
    return bytes;
}

using gti_test::bytes_of;

// A memory stream over the bytes.
inline lib::io::BinaryMemoryInputStream input(const std::string& bytes) {
    return lib::io::BinaryMemoryInputStream(bytes.data(), static_cast<unsigned>(bytes.size()));
}

}  // namespace params_test
