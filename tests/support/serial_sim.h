// The measuring unit's side of a serial line, for tests and for `gti serial-sim`: the other end
// of a pseudo-terminal pair that sends "SP" packets and trains, receives "DP" trains and "CF"
// confirmations, and lets a test damage the bytes on the way (flipped bits, lost and
// duplicated bytes, pauses).
//
// Free of GoogleTest, so the tool can use it too.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gti/comm/comm_port.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/serial_line.h"

namespace gti_test {

// A simulated measuring unit on a pseudo-terminal. A worker thread writes what is queued with
// send() and collects everything the station side writes.
class serial_sim {
public:
    // Opens the pair; throws std::runtime_error when the system has no pseudo-terminal to give.
    serial_sim();
    ~serial_sim();
    serial_sim(const serial_sim&) = delete;
    serial_sim& operator=(const serial_sim&) = delete;

    // The device path the station side opens as its port.
    const AnsiString& device() const { return device_; }

    // Queues bytes to be written `delay_ms` after the previous queued bytes went out.
    void send(std::string bytes, unsigned delay_ms = 0);

    // Waits until everything queued has been written (at most `timeout_ms`); true when it has.
    bool wait_sent(int timeout_ms);

    // Waits until at least `count` bytes have come from the station side (at most `timeout_ms`),
    // then returns all bytes received so far and forgets them.
    std::string take(std::size_t count, int timeout_ms);

private:
    void run();

    lib::os::serial_line line_;
    AnsiString device_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::string, unsigned>> queue_;
    bool writing_ = false;
    std::string received_;
    bool stop_ = false;
    std::thread worker_;
};

// The line bytes of one packet after `pattern`: the plain packet gets its checksum and check
// nibbles, then its data bytes are interleaved.
std::string wire_packet(CommPacket packet, const char* pattern = "SP");

// The line bytes of a train carrying `data` (at most 127 bytes): n / 8 + 1 packets, each after
// `pattern`; `mark` goes into the high half of every header.
std::string wire_train(const std::string& data, const char* pattern = "SP", unsigned mark = 0);

// What came over the line from a sender of trains.
struct decoded_stream {
    std::vector<CommPacket> packets;  // good packets (repaired where needed), in arrival order
    int corrected = 0;                // packets repaired by their check nibbles
    int bad = 0;                      // packets damaged beyond repair
    int confirmations = 0;            // "CF" patterns
    int stray = 0;                    // bytes that began no pattern
};

// Decodes line bytes: packets after `pattern` ("DP" from the station) and "CF" confirmations.
// A packet cut short at the end is counted as bad.
decoded_stream decode_stream(const std::string& wire, const char* pattern = "DP");

// The data bytes of a train's packets, in packet-number order.
std::string train_data(const std::vector<CommPacket>& packets);

}  // namespace gti_test
