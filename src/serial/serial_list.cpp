#include "gti/serial/serial_list.h"

#include <cstring>
#include <istream>
#include <ostream>
#include <string>

namespace lib {

void serial_buffer::process_binary(char* data, int size) {
    switch (state_) {
        case serialize:
            if (size > 0) bytes_.insert(bytes_.end(), data, data + size);
            return;
        case deserialize:
            if (position_ == -1) throw std::runtime_error("binary_deserial_list::process_binary: eof");
            if (size < 0) return;
            if (static_cast<std::size_t>(position_) + static_cast<std::size_t>(size) > bytes_.size()) {
                // The first read past the end leaves its destination as it was; the next one fails.
                position_ = -1;
                return;
            }
            if (size > 0) std::memcpy(data, bytes_.data() + position_, static_cast<std::size_t>(size));
            position_ += size;
            return;
        case undefined:
            throw std::runtime_error("serial_buffer::state is undefinded");
    }
}

void throw_count_exceeds_data() {
    throw std::runtime_error("serial_buffer: element count exceeds the data");
}

void get_serial_list(TDateTime& value, serial_list& list) {
    const serial_state state = list.get_serial_state();
    if (state != serialize && state != deserialize) return;
    double days = value;
    list.process_binary(reinterpret_cast<char*>(&days), 8);
    if (state == deserialize) value = days;
}

void get_serial_list(AnsiString& value, serial_list& list) {
    const serial_state state = list.get_serial_state();
    if (state == serialize) {
        // The string's own terminating zero goes with it.
        list.process_binary(const_cast<char*>(value.c_str()), static_cast<int>(value.size() + 1));
    } else if (state == deserialize) {
        std::string text;
        for (;;) {
            // A read past the end leaves the byte as set here and the next read fails.
            char c = 1;
            list.process_binary(&c, 1);
            if (c == 0) break;
            text += c;
        }
        value = std::move(text);
    }
}

std::ostream& operator<<(std::ostream& os, serial_buffer& buffer) {
    const auto& bytes = buffer.get_bytes();
    const auto count = static_cast<std::uint32_t>(bytes.size());
    const char size[4] = {static_cast<char>(count), static_cast<char>(count >> 8), static_cast<char>(count >> 16),
                          static_cast<char>(count >> 24)};
    os.write(size, 4);
    return os.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::istream& operator>>(std::istream& is, serial_buffer& buffer) {
    unsigned char size[4] = {};
    is.read(reinterpret_cast<char*>(size), 4);
    const std::uint32_t count = size[0] | size[1] << 8 | size[2] << 16 | static_cast<std::uint32_t>(size[3]) << 24;
    std::vector<char> bytes;
    // Read in blocks so that a count the stream cannot back up allocates nothing beyond what came.
    constexpr std::size_t block = 1 << 16;
    while (is && bytes.size() < count) {
        const std::size_t want = std::min<std::size_t>(block, count - bytes.size());
        const std::size_t had = bytes.size();
        bytes.resize(had + want);
        is.read(bytes.data() + had, static_cast<std::streamsize>(want));
        bytes.resize(had + static_cast<std::size_t>(is.gcount()));
    }
    buffer.set_bytes(std::move(bytes));
    return is;
}

}  // namespace lib
