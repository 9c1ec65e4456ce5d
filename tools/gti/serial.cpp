#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

#include "cli.h"
#include "commands.h"
#include "gti/comm/comm_port.h"
#include "gti/platform/serial_line.h"
#include "output.h"
#include "serial_sim.h"

namespace gti_tool {
namespace {

// The line settings of both serial commands.
struct line_options {
    int baud = 9600;
    std::string parity = "n";
    int timeout_ms = 500;
    std::string port, data;
    bool json = false, hex = false;
    int count = 0;

    // Adds the line settings to a command.
    void add_to(CLI::App* c) {
        c->add_option("port", port,
                      "COM1... (GTI_COM1=/dev/... names its device; else /dev/ttyS0... or "
                      "/dev/ttyUSB0...) or a device path")
            ->required();
        c->add_option("--baud", baud, "bits a second (9600)")->check(CLI::Range(1, 4000000));
        c->add_option("--parity", parity, "n, o, e, m or s (n)")->check(CLI::IsMember({"n", "o", "e", "m", "s"}));
        c->add_option("--timeout", timeout_ms, "milliseconds to wait for a byte (500)")->check(CLI::Range(1, 60000));
    }

    void open(CommPort& port, const AnsiString& name) const {
        const AnsiString device = lib::os::serial_device_path(name);
        const AnsiString shown = device == name ? name : name + " (" + device + ")";
        if (!port.open(name))
            throw std::runtime_error((shown + ": " + lib::os::serial_open_text(port.get_open_status())).str());
        if (!port.configure(baud, static_cast<int>(std::string("noems").find(parity)), timeout_ms, -1))
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
            json_value data = json_value::array();
            for (int i = 0; good && i < 8; ++i)
                data.push_back(p.data[i]);
            const json_value line{{"packet", p.header & 0x0F},
                                  {"train", p.header >> 4},
                                  {"data", data},
                                  {"status", status},
                                  {"corrected", port.get_corrected_error_counter()},
                                  {"uncorrected", port.get_uncorrected_error_counter()}};
            std::printf("%s\n", line.dump().c_str());
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

int serial_read_command(const line_options& o) {
    CommPort port;
    o.open(port, station(o.port));
    return serial_read(port, o.json, o.count);
}

int serial_send_command(const line_options& o) {
    const std::string data = o.hex ? from_hex(o.data) : o.data;
    if (data.size() > 127)
        throw std::runtime_error("a train carries at most 127 bytes, not " + std::to_string(data.size()));
    CommPort port;
    o.open(port, station(o.port));
    if (!port.send_data2(data.data(), static_cast<int>(data.size())) || !port.flush())
        throw std::runtime_error((port.port_name + ": the line refuses the write").str());
    if (o.json)
        print_json({{"sent", data.size()}, {"packets", data.size() / 8 + 1}});
    else
        note(AnsiString("sent " + std::to_string(data.size()) + " bytes in " + std::to_string(data.size() / 8 + 1) +
                        " packets"));
    return 0;
}

struct sim_options {
    int every_ms = 1000, count = 0;
    bool errors = false;
};

int serial_sim_command(const sim_options& o) {
    const int every_ms = o.every_ms, count = o.count;
    const bool errors = o.errors;
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

}  // namespace

void add_serial_commands(CLI::App& tool) {
    CLI::App* s = add_command(tool, "serial", "the measuring unit's serial line", {});
    s->require_subcommand(1);
    auto read = std::make_shared<line_options>();
    CLI::App* r = add_command(*s, "read", "print the unit's packets as they arrive",
                              [read] { return serial_read_command(*read); });
    add_details(r, "\"SP\" packets with the error counters; --json: one JSON object a line.");
    read->add_to(r);
    add_json(r, read->json);
    r->add_option("--count", read->count, "stop after N packets")->check(CLI::Range(1, 1 << 30));
    auto send = std::make_shared<line_options>();
    CLI::App* w = add_command(*s, "send", "send DATA (at most 127 bytes) as one train",
                              [send] { return serial_send_command(*send); });
    add_details(w, "As \"DP\" packets; --hex: DATA as hex digits.");
    send->add_to(w);
    w->add_option("data", send->data, "the bytes to send")->required();
    w->add_flag("--hex", send->hex, "DATA is hex digits");
    add_json(w, send->json);
    auto sim = std::make_shared<sim_options>();
    CLI::App* u = add_command(tool, "serial-sim", "a simulated measuring unit on a pseudo-terminal",
                              [sim] { return serial_sim_command(*sim); });
    add_details(u,
                "Prints the device to open, sends a train every MS (--errors: a repairable bit error in every other "
                "one), prints and confirms the trains it gets.");
    u->add_option("--every", sim->every_ms, "milliseconds between trains (1000)")->check(CLI::Range(10, 3600000));
    u->add_flag("--errors", sim->errors, "a repairable bit error in every other train");
    u->add_option("--count", sim->count, "stop after N trains")->check(CLI::Range(1, 1 << 30));
}

}  // namespace gti_tool
