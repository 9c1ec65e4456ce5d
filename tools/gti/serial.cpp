#include "serial.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

#include "gti/comm/comm_port.h"
#include "gti/platform/serial_line.h"
#include "output.h"
#include "serial_sim.h"

namespace gti_tool {
namespace {

// A whole number of an option, within [low, high].
int number_option(const std::vector<AnsiString>& args, std::size_t& i, int low, int high) {
    if (i + 1 >= args.size()) throw std::runtime_error(args[i].str() + " needs a value");
    const std::string text = args[++i].str();
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < low || value > high)
        throw std::runtime_error(args[i - 1].str() + ": " + text + " is not a number from " + std::to_string(low) +
                                 " to " + std::to_string(high));
    return value;
}

// The line settings of both serial commands.
struct line_options {
    int baud = 9600;
    int parity = 0;
    int timeout_ms = 500;

    // Takes args[i] when it is a line option; false otherwise.
    bool take(const std::vector<AnsiString>& args, std::size_t& i) {
        if (args[i] == "--baud") {
            baud = number_option(args, i, 1, 4000000);
        } else if (args[i] == "--timeout") {
            timeout_ms = number_option(args, i, 1, 60000);
        } else if (args[i] == "--parity") {
            static const std::string letters = "noems";
            const std::size_t p =
                i + 1 < args.size() && args[i + 1].size() == 1 ? letters.find(args[i + 1][0]) : std::string::npos;
            if (p == std::string::npos) throw std::runtime_error("--parity takes n, o, e, m or s");
            parity = static_cast<int>(p);
            ++i;
        } else {
            return false;
        }
        return true;
    }

    void open(CommPort& port, const AnsiString& name) const {
        const AnsiString device = lib::os::serial_device_path(name);
        const AnsiString shown = device == name ? name : name + " (" + device + ")";
        if (!port.open(name))
            throw std::runtime_error((shown + ": " + lib::os::serial_open_text(port.get_open_status())).str());
        if (!port.configure(baud, parity, timeout_ms, -1))
            throw std::runtime_error((shown + ": the line refuses " + AnsiString(std::to_string(baud)) +
                                      " baud with that parity (standard rates: 110 ... 921600)")
                                         .str());
    }
};

std::string hex_bytes(const unsigned char* data, std::size_t n) {
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02x" : "%02x", data[i]);
        s += b;
    }
    return s;
}

// The bytes as text: printable ASCII as it is, others as '.', trailing zeros left out.
std::string shown_text(std::string bytes) {
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.pop_back();
    for (char& c : bytes)
        if (c < 0x20 || c > 0x7E) c = '.';
    return bytes;
}

int serial_read(CommPort& port, bool json, int count) {
    for (int n = 0; count == 0 || n < count;) {
        CommPacket p;
        const int before = port.get_uncorrected_error_counter();
        const int corrected_before = port.get_corrected_error_counter();
        port.timed_out = false;
        const bool good = port.read_packet(p);
        if (!good && port.get_uncorrected_error_counter() == before) {
            if (!port.is_open()) throw std::runtime_error((port.port_name + ": the line has gone").str());
            continue;  // nothing in time, or a byte that begins no packet
        }
        ++n;
        const char* status = !good                                                   ? "damaged"
                             : port.get_corrected_error_counter() > corrected_before ? "repaired"
                                                                                     : "intact";
        if (json) {
            std::string data;
            for (int i = 0; i < 8; ++i)
                data += (i ? ", " : "") + std::to_string(p.data[i]);
            std::printf(
                "{\"packet\": %d, \"train\": %d, \"data\": [%s], \"status\": \"%s\", \"corrected\": %d, "
                "\"uncorrected\": %d}\n",
                p.header & 0x0F, p.header >> 4, good ? data.c_str() : "", status, port.get_corrected_error_counter(),
                port.get_uncorrected_error_counter());
        } else {
            std::printf("packet %2d  train %2d  %-23s  %-8s  corrected %d  uncorrected %d\n", p.header & 0x0F,
                        p.header >> 4, good ? hex_bytes(p.data, 8).c_str() : "", status,
                        port.get_corrected_error_counter(), port.get_uncorrected_error_counter());
        }
        std::fflush(stdout);
    }
    return 0;
}

std::string from_hex(const std::string& text) {
    std::string bytes;
    std::string digits;
    for (char c : text)
        if (c != ' ' && c != ':') digits += c;
    if (digits.size() % 2) throw std::runtime_error("--hex: an odd number of hex digits");
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::size_t used = 0;
        int v = 0;
        try {
            v = std::stoi(digits.substr(i, 2), &used, 16);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != 2) throw std::runtime_error("--hex: '" + digits.substr(i, 2) + "' is no hex byte");
        bytes += static_cast<char>(v);
    }
    return bytes;
}

}  // namespace

int serial_command(const std::vector<AnsiString>& args) {
    const char* usage = "usage: gti serial read PORT [--json] [--count N] | gti serial send PORT DATA [--hex]";
    if (args.size() < 2 || (args[0] != "read" && args[0] != "send")) throw std::runtime_error(usage);
    line_options line;
    bool json = false, hex = false;
    int count = 0;
    std::vector<AnsiString> rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (line.take(args, i)) continue;
        if (args[i] == "--json")
            json = true;
        else if (args[i] == "--hex")
            hex = true;
        else if (args[i] == "--count")
            count = number_option(args, i, 1, 1 << 30);
        else if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-')
            throw std::runtime_error("serial: unknown option " + args[i].str());
        else
            rest.push_back(args[i]);
    }
    CommPort port;
    if (args[0] == "read") {
        if (rest.size() != 1 || hex) throw std::runtime_error(usage);
        line.open(port, rest[0]);
        return serial_read(port, json, count);
    }
    if (rest.size() != 2 || json || count) throw std::runtime_error(usage);
    const std::string data = hex ? from_hex(rest[1].str()) : rest[1].str();
    if (data.size() > 127)
        throw std::runtime_error("a train carries at most 127 bytes, not " + std::to_string(data.size()));
    line.open(port, rest[0]);
    if (!port.send_data2(data.data(), static_cast<int>(data.size())) || !port.flush())
        throw std::runtime_error((port.port_name + ": the line refuses the write").str());
    std::printf("sent %zu bytes in %zu packets\n", data.size(), data.size() / 8 + 1);
    return 0;
}

int serial_sim_command(const std::vector<AnsiString>& args) {
    int every_ms = 1000, count = 0;
    bool errors = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--every")
            every_ms = number_option(args, i, 10, 3600000);
        else if (args[i] == "--count")
            count = number_option(args, i, 1, 1 << 30);
        else if (args[i] == "--errors")
            errors = true;
        else
            throw std::runtime_error("usage: gti serial-sim [--every MS] [--errors] [--count N]");
    }
    gti_test::serial_sim sim;
    std::printf("unit: %s\n", u8(sim.device()).c_str());
    std::fflush(stdout);

    using clock = std::chrono::steady_clock;
    std::string incoming;
    auto last_byte = clock::now();
    auto next_train = clock::now();
    for (int sent = 0; count == 0 || sent < count || !incoming.empty();) {
        if ((count == 0 || sent < count) && clock::now() >= next_train) {
            std::string data(8, '\0');
            for (int i = 0; i < 8; ++i)
                data[i] = static_cast<char>(sent + i);
            std::string wire = gti_test::wire_train(data);
            // One flipped bit in a low data byte of every other train: the reader repairs it.
            if (errors && sent % 2) wire[4 + sent % 8] ^= static_cast<char>(1 << (7 - 2 * (sent / 2 % 4)));
            sim.send(wire);
            ++sent;
            next_train += std::chrono::milliseconds(every_ms);
        }
        const std::string got = sim.take(1, 10);
        if (!got.empty()) {
            incoming += got;
            last_byte = clock::now();
        } else if (!incoming.empty() && clock::now() - last_byte > std::chrono::milliseconds(250)) {
            // A pause ends what the station sent: report each train in it (packet numbers
            // start again at a new train) and confirm it.
            const gti_test::decoded_stream d = gti_test::decode_stream(incoming);
            std::printf("received %zu packets (%d repaired, %d damaged, %d other bytes), %d confirmations\n",
                        d.packets.size(), d.corrected, d.bad, d.stray, d.confirmations);
            for (std::size_t first = 0, end = 0; first < d.packets.size(); first = end) {
                for (end = first + 1; end < d.packets.size(); ++end)
                    if ((d.packets[end].header & 0x0F) <= (d.packets[end - 1].header & 0x0F)) break;
                const std::string data = gti_test::train_data({d.packets.begin() + first, d.packets.begin() + end});
                std::printf("train of %zu packets: %s \"%s\"\n", end - first,
                            hex_bytes(reinterpret_cast<const unsigned char*>(data.data()), data.size()).c_str(),
                            shown_text(data).c_str());
                sim.send("CFCF");
            }
            std::fflush(stdout);
            incoming.clear();
        }
    }
    sim.wait_sent(1000);
    return 0;
}

}  // namespace gti_tool
