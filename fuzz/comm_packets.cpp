// Fuzz target: the bytes of the measuring unit's line. The error-mark decoding gives the same
// data however the bytes are split between reads and never more bytes than it got; every
// 14-byte packet is judged without reading outside it, an accepted one agrees with its
// checksum; and a packet made whole from the input, with any one bit flipped, is repaired to
// its true data or refused, never accepted wrong.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gti/comm/comm_port.h"
#include "platform/posix/serial_marks.h"

namespace {

std::vector<unsigned char> decoded(const std::uint8_t* data, std::size_t size, std::size_t split, bool& error) {
    std::vector<unsigned char> bytes(data, data + size);
    int state = 0;
    const std::size_t first = lib::os::detail::decode_marks(state, bytes.data(), split, error);
    const std::size_t second = lib::os::detail::decode_marks(state, bytes.data() + split, size - split, error);
    if (first > split || second > size - split) std::abort();
    std::memmove(bytes.data() + first, bytes.data() + split, second);
    bytes.resize(first + second);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bool error_whole = false, error_split = false;
    if (decoded(data, size, size, error_whole) != decoded(data, size, size / 2, error_split) ||
        error_whole != error_split)
        std::abort();

    for (std::size_t at = 0; at + sizeof(CommPacket) <= size; at += sizeof(CommPacket)) {
        CommPacket p;
        std::memcpy(&p, data + at, sizeof p);
        p.change_bits();
        CommPacket whole = p;
        if (CommPort::check_packet(p) != CommPort::packet_check::damaged && p.get_contol_summ() != p.summ) std::abort();

        whole.summ = whole.get_contol_summ();
        for (int k = 0; k < 4; ++k)
            whole.hamming[k] = static_cast<unsigned char>((CommPort::calculate_hamming_code(whole.data[2 * k]) << 4) |
                                                          CommPort::calculate_hamming_code(whole.data[2 * k + 1]));
        for (std::size_t bit = 8; bit < 8 * sizeof whole; ++bit) {
            CommPacket hurt = whole;
            reinterpret_cast<unsigned char*>(&hurt)[bit / 8] ^= static_cast<unsigned char>(1 << (bit % 8));
            if (CommPort::check_packet(hurt) != CommPort::packet_check::damaged &&
                std::memcmp(hurt.data, whole.data, sizeof whole.data) != 0)
                std::abort();
        }
    }
    return 0;
}
