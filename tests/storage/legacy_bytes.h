// Byte helpers of the data-file tests: old-generation records and parameter-list entries.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"

namespace storage_test {

// Bytes from hexadecimal pairs; spaces are ignored.
inline std::string hex(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == ' ') continue;
        out.push_back(static_cast<char>(std::stoi(std::string(text.substr(i++, 2)), nullptr, 16)));
    }
    return out;
}

// The bytes written to a memory stream.
inline std::string bytes_of(const lib::io::BinaryMemoryOutputStream& out) {
    return out.get_size() == 0 ? std::string() : std::string(out.get_buffer(), out.get_size());
}

// The bytes of a number.
template <class T>
std::string bytes(T v) {
    std::string s(sizeof v, '\0');
    std::memcpy(s.data(), &v, sizeof v);
    return s;
}

// An old-generation record: second depth = depth + 1, the given values, the rest 0.
inline std::string old_record(std::uint32_t time, float depth, const std::vector<float>& values, char tag = 0) {
    std::string r(1, tag);
    r += bytes(time) + bytes(depth) + bytes(depth + 1);
    for (std::size_t k = 0; k < 32; ++k)
        r += bytes(k < values.size() ? values[k] : 0.0f);
    return r + std::string(4, '\0');
}

// An "inpgti.nbl" entry whose unused bytes are not zero, so that a reader that misplaces them
// shows.
inline std::string entry(const std::string& name, const std::string& key, float scale_min = 0, float scale_max = 100) {
    const std::string z(1, '\0');
    return name + z + "к" + z + "ед" + z + key + z + std::string(12, '\x55') + bytes(scale_min) + bytes(scale_max) +
           std::string(5, '\x66');
}

// A registration-file block.
inline std::string block(int type, const std::string& payload) {
    return std::string(1, static_cast<char>(type)) + bytes(static_cast<std::int16_t>(payload.size())) + payload;
}

}  // namespace storage_test
