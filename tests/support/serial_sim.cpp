#include "serial_sim.h"

#include <chrono>
#include <cstring>
#include <map>
#include <stdexcept>
#include <utility>

namespace gti_test {

serial_sim::serial_sim() {
    if (line_.open_pseudo_terminal(device_) != lib::os::serial_open_status::ok)
        throw std::runtime_error("no pseudo-terminal for the simulated unit");
    line_.set_read_timeout(5);
    worker_ = std::thread([this] { run(); });
}

serial_sim::~serial_sim() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void serial_sim::send(std::string bytes, unsigned delay_ms) {
    {
        std::lock_guard lock(mutex_);
        queue_.emplace_back(std::move(bytes), delay_ms);
    }
    changed_.notify_all();
}

bool serial_sim::wait_sent(int timeout_ms) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [this] { return queue_.empty() && !writing_; });
}

std::string serial_sim::take(std::size_t count, int timeout_ms) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return received_.size() >= count; });
    return std::exchange(received_, {});
}

void serial_sim::run() {
    using clock = std::chrono::steady_clock;
    auto next_write = clock::now();
    bool waiting = false;  // the front of the queue waits for its delay
    for (;;) {
        std::string out;
        bool have = false;
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
            if (!queue_.empty()) {
                if (!waiting) {
                    next_write = clock::now() + std::chrono::milliseconds(queue_.front().second);
                    waiting = true;
                }
                if (clock::now() >= next_write) {
                    out = std::move(queue_.front().first);
                    queue_.pop_front();
                    writing_ = have = true;
                    waiting = false;
                }
            }
        }
        if (have) {
            line_.write(out.data(), out.size());
            {
                std::lock_guard lock(mutex_);
                writing_ = false;
            }
            changed_.notify_all();
        }
        char buffer[256];
        const std::int64_t n = line_.read(buffer, sizeof buffer);
        if (n > 0) {
            {
                std::lock_guard lock(mutex_);
                received_.append(buffer, static_cast<std::size_t>(n));
            }
            changed_.notify_all();
        }
    }
}

std::string wire_packet(CommPacket packet, const char* pattern) {
    packet.summ = packet.get_contol_summ();
    for (int k = 0; k < 4; ++k)
        packet.hamming[k] =
            static_cast<unsigned char>((CommPort::calculate_hamming_code(static_cast<char>(packet.data[2 * k])) << 4) |
                                       CommPort::calculate_hamming_code(static_cast<char>(packet.data[2 * k + 1])));
    packet.change_bits();
    return std::string(pattern) + std::string(reinterpret_cast<const char*>(&packet), sizeof packet);
}

std::string wire_train(const std::string& data, const char* pattern, unsigned mark) {
    std::string wire;
    const std::size_t packets = data.size() / 8 + 1;
    for (std::size_t k = 0; k < packets; ++k) {
        CommPacket p;
        p.header = static_cast<unsigned char>((mark << 4) | (k & 0x0F));
        for (std::size_t j = 0; j < 8 && 8 * k + j < data.size(); ++j)
            p.data[j] = static_cast<unsigned char>(data[8 * k + j]);
        wire += wire_packet(p, pattern);
    }
    return wire;
}

decoded_stream decode_stream(const std::string& wire, const char* pattern) {
    decoded_stream d;
    std::size_t i = 0;
    while (i < wire.size()) {
        if (wire.compare(i, 2, pattern) == 0) {
            if (wire.size() - i < 2 + sizeof(CommPacket)) {
                ++d.bad;
                break;
            }
            CommPacket p;
            std::memcpy(&p, wire.data() + i + 2, sizeof p);
            i += 2 + sizeof p;
            p.change_bits();
            if (p.get_contol_summ() != p.summ) {
                CommPort::correct_packet(p);
                if (p.get_contol_summ() != p.summ) {
                    ++d.bad;
                    continue;
                }
                ++d.corrected;
            }
            d.packets.push_back(p);
        } else if (wire.compare(i, 2, "CF") == 0) {
            ++d.confirmations;
            i += 2;
        } else {
            ++d.stray;
            ++i;
        }
    }
    return d;
}

std::string train_data(const std::vector<CommPacket>& packets) {
    std::map<int, std::string> by_number;
    for (const CommPacket& p : packets)
        by_number[p.header & 0x0F] = std::string(reinterpret_cast<const char*>(p.data), sizeof p.data);
    std::string data;
    for (const auto& [number, bytes] : by_number)
        data += bytes;
    return data;
}

}  // namespace gti_test
