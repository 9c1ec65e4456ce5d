// Byte helpers of the data-file tests: old-generation records, parameter-list entries, blocks.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"

namespace storage_test {

using namespace lib::literals;

// The bytes of a number.
template <class T>
std::string bytes(T v) {
    std::string s(sizeof v, '\0');
    std::memcpy(s.data(), &v, sizeof v);
    return s;
}

// An old-generation record: second depth = depth + 1, the given values, the rest 0.
inline std::string old_record(std::uint32_t time, float depth, const std::vector<float>& values) {
    std::string r = std::string(1, '\0') + bytes(time) + bytes(depth) + bytes(depth + 1);
    for (std::size_t k = 0; k < 32; ++k)
        r += bytes(k < values.size() ? values[k] : 0.0f);
    return r + std::string(4, '\0');
}

// An "inpgti.nbl" entry whose unused bytes are not zero, so that a reader misplacing them shows.
inline std::string entry(const std::string& name, const std::string& key, float scale_max = 100) {
    const std::string z(1, '\0');
    return name + z + "к"_cp + z + "ед"_cp + z + key + z + std::string(12, '\x55') + bytes(0.0f) + bytes(scale_max) +
           std::string(5, '\x66');
}

// A registration-file block.
inline std::string block(int type, const std::string& payload) {
    return std::string(1, static_cast<char>(type)) + bytes(static_cast<std::int16_t>(payload.size())) + payload;
}

}  // namespace storage_test
