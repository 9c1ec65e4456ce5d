// Byte helpers of the parameter tests: golden bytes written as hexadecimal pairs.
#pragma once

#include <string>
#include <string_view>

#include "gti/io/streams.h"
#include "support.h"

namespace params_test {

using gti_test::hex;

using gti_test::bytes_of;

// A memory stream over the bytes.
inline lib::io::BinaryMemoryInputStream input(const std::string& bytes) {
    return lib::io::BinaryMemoryInputStream(bytes.data(), static_cast<unsigned>(bytes.size()));
}

}  // namespace params_test
