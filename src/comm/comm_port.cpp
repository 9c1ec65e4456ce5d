#include "gti/comm/comm_port.h"

#include <cstdint>
#include <cstring>

#include "gti/platform/system.h"

namespace {

// A train has at most 16 packets of 8 bytes; its packet count is n / 8 + 1.
constexpr int max_train_bytes = 127;
// read_data2 gives up after this many bad packets, or this many packets in all.
constexpr int max_bad_packets = 5;
constexpr int max_packets_per_train = 64;

void make_nibbles(CommPacket& p) {
    for (int k = 0; k < 4; ++k)
        p.hamming[k] =
            static_cast<unsigned char>((CommPort::calculate_hamming_code(static_cast<char>(p.data[2 * k])) << 4) |
                                       CommPort::calculate_hamming_code(static_cast<char>(p.data[2 * k + 1])));
}

}  // namespace

void CommPacket::change_bits() {
    unsigned char out[8] = {};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            if ((data[j] >> (7 - i)) & 1) out[i] |= static_cast<unsigned char>(1 << (7 - j));
    std::memcpy(data, out, sizeof data);
}

unsigned char CommPacket::get_contol_summ() const {
    int s = header + 0x55;
    for (int k = 0; k < 8; k += 2) {
        const int w = static_cast<std::int16_t>(data[k] | (data[k + 1] << 8));
        s += w % 3000 - w / 3000;
    }
    return static_cast<unsigned char>(s & 0xFF);
}

CommPort::~CommPort() {
    close();
}

bool CommPort::open(const AnsiString& name) {
    if (line.is_open()) {
        open_status = lib::os::serial_open_status::already_open;
        return false;
    }
    open_status = line.open(lib::os::serial_device_path(name));
    if (open_status != lib::os::serial_open_status::ok) return false;
    port_name = name;
    return true;
}

bool CommPort::configure(int baud_rate, int parity_code, int timeout_ms, int in_queue) {
    baud = baud_rate;
    parity = parity_code;
    if (!line.is_open() || parity_code < 0 || parity_code > 4) return false;
    if (!line.set_line(baud_rate, static_cast<lib::os::serial_parity>(parity_code))) return false;
    if (!line.set_read_timeout(timeout_ms)) return false;
    if (in_queue != -1) line.set_queue_sizes(in_queue, 256);
    return true;
}

void CommPort::close() {
    line.close();
}

bool CommPort::reopen() {
    if (!line.is_open()) return false;
    close();
    if (open(port_name)) configure(baud, parity, read_timeout, -1);
    return true;
}

bool CommPort::write(const void* buf, int n) {
    if (!line.is_open() || n < 0 || (n > 0 && !buf)) return false;
    return line.write(buf, static_cast<std::size_t>(n));
}

bool CommPort::read(void* buf, int n, int* got) {
    if (!line.is_open() || n < 0 || (n > 0 && !buf)) return false;
    const std::int64_t r = line.read(buf, static_cast<std::size_t>(n));
    if (r < 0) {
        reopen();
        lib::beep(1000, 20);
        return false;
    }
    if (r < n) timed_out = true;
    if (got) *got = static_cast<int>(r);
    return true;
}

int CommPort::read_byte() {
    unsigned char b = 0;
    const std::int64_t r = line.read(&b, 1);
    if (r < 0) {
        line.clear_errors();
        return 256;
    }
    return r == 0 ? 512 : b;
}

bool CommPort::smart_read(void* buf, int n, int*) {
    if (!line.is_open() || (n > 0 && !buf)) return false;
    auto* out = static_cast<unsigned char*>(buf);
    for (int i = 0; i < n; ++i) {
        const int b = read_byte();
        if (b == 512) return false;
        out[i] = static_cast<unsigned char>(b & 0xFF);
    }
    return true;
}

bool CommPort::flush() {
    return line.drain();
}

bool CommPort::set_rts() {
    return line.set_rts(true);
}
bool CommPort::clear_rts() {
    return line.set_rts(false);
}
bool CommPort::set_dtr() {
    return line.set_dtr(true);
}
bool CommPort::clear_dtr() {
    return line.set_dtr(false);
}

void CommPort::reset_error_counters() {
    corrected_errors = uncorrected_errors = 0;
}

bool CommPort::synchronize(const char* pattern) {
    if (!line.is_open() || !pattern) return false;
    for (; *pattern; ++pattern) {
        unsigned char b = 0;
        const std::int64_t r = line.read(&b, 1);
        if (r < 0) {
            reopen();
            lib::beep(1000, 5);
            lib::sleep_ms(10);
            return false;
        }
        if (r == 0) {
            timed_out = true;
            return false;
        }
        if (b != static_cast<unsigned char>(*pattern)) return false;
    }
    return true;
}

char CommPort::calculate_hamming_code(char b) {
    const auto u = static_cast<unsigned char>(b);
    int c = 0;
    for (int i = 0; i < 8; ++i)
        if ((u >> i) & 1) c ^= i + 1;
    return static_cast<char>(c ^ 0x0F);
}

char CommPort::correct_byte(char b, char check) {
    const int s = calculate_hamming_code(b) ^ (check & 0x0F);
    if (s >= 1 && s <= 8) return static_cast<char>(b ^ (1 << (s - 1)));
    return b;
}

void CommPort::correct_packet(CommPacket& packet) {
    for (int k = 0; k < 8; ++k) {
        const int nibble = k % 2 == 0 ? packet.hamming[k / 2] >> 4 : packet.hamming[k / 2] & 0x0F;
        packet.data[k] =
            static_cast<unsigned char>(correct_byte(static_cast<char>(packet.data[k]), static_cast<char>(nibble)));
    }
}

bool CommPort::read_packet(CommPacket& packet) {
    int got = 0;
    if (!synchronize("SP") || !read(&packet, sizeof packet, &got)) return false;
    if (got < static_cast<int>(sizeof packet)) return false;
    packet.change_bits();
    switch (check_packet(packet)) {
        case packet_check::intact:
            return true;
        case packet_check::repaired:
            ++corrected_errors;
            return true;
        case packet_check::damaged:
            break;
    }
    ++uncorrected_errors;
    lib::beep(3000, 50);
    return false;
}

CommPort::packet_check CommPort::check_packet(CommPacket& packet) {
    const bool as_came = packet.get_contol_summ() == packet.summ;
    CommPacket repaired = packet;
    correct_packet(repaired);
    bool nibble_like = true;  // every repair could be a damaged nibble instead
    bool changed = false;
    for (int k = 0; k < 8; ++k) {
        const int s = packet.data[k] ^ repaired.data[k];
        if (s == 0) continue;
        changed = true;
        if (s != 1 && s != 2 && s != 8 && s != 0x80) nibble_like = false;
    }
    if (!changed) return as_came ? packet_check::intact : packet_check::damaged;
    const bool after_repair = repaired.get_contol_summ() == repaired.summ;
    if (after_repair && (!as_came || !nibble_like)) {
        packet = repaired;
        return packet_check::repaired;
    }
    return as_came && !after_repair ? packet_check::repaired : packet_check::damaged;
}

bool CommPort::read_data2(void* buf, int n) {
    if (!line.is_open() || n < 0 || n > max_train_bytes || (n > 0 && !buf)) return false;
    const int packets = n / 8 + 1;
    CommPacket slots[16];
    bool filled[16] = {};
    int failures = 0;
    int count = 0;
    for (int read_count = 0;; ++read_count) {
        if (failures >= max_bad_packets || read_count >= max_packets_per_train) return false;
        timed_out = false;
        CommPacket p;
        const bool good = read_packet(p);
        if (timed_out) return false;
        if (good) {
            slots[p.header & 0x0F] = p;
            filled[p.header & 0x0F] = true;
        } else {
            ++failures;
        }
        count = 0;
        bool agree = true;
        int mark = -1;
        for (int k = 0; k < 16; ++k) {
            if (!filled[k]) continue;
            ++count;
            if (mark >= 0 && (slots[k].header >> 4) != mark) agree = false;
            mark = slots[k].header >> 4;
        }
        if (count >= packets && agree) break;
    }
    // Success needs exactly the packets 0 .. packets - 1: a missing one is never passed off as
    // zeros.
    if (count != packets) return false;
    for (int k = 0; k < packets; ++k)
        if (!filled[k]) return false;
    for (int i = 0; i < 2; ++i) {
        write("CF", 2);
        flush();
        lib::sleep_ms(10);
    }
    auto* out = static_cast<unsigned char*>(buf);
    for (int k = 0; k < packets; ++k)
        for (int j = 0; j < 8 && 8 * k + j < n; ++j)
            out[8 * k + j] = slots[k].data[j];
    return true;
}

bool CommPort::send_data2(const void* buf, int n) {
    if (!line.is_open() || n < 0 || n > max_train_bytes || (n > 0 && !buf)) return false;
    const auto* in = static_cast<const unsigned char*>(buf);
    const int packets = n / 8 + 1;
    for (int k = 0; k < packets; ++k) {
        CommPacket p;
        p.header = static_cast<unsigned char>(k % 16);
        for (int j = 0; j < 8; ++j)
            p.data[j] = 8 * k + j < n ? in[8 * k + j] : 0;
        p.summ = p.get_contol_summ();
        make_nibbles(p);
        p.change_bits();
        if (!write("DP", 2) || !write(&p, sizeof p)) return false;
        lib::sleep_ms(10);
    }
    return true;
}
