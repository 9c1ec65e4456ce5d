// CommPort end to end over a pseudo-terminal, against the simulated measuring unit.
#include "gti/comm/comm_port.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gti/platform/system.h"
#include "serial_sim.h"
#include "support.h"

namespace {

using gti_test::serial_sim;
using gti_test::wire_train;

constexpr int patient = 2000;  // ms: data queued before the read arrives within it
constexpr int brief = 40;      // ms: for reads that are meant to time out

std::string sample(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += static_cast<char>(i * 37 + 11);
    return s;
}

class CommPortTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(port.open(sim.device()));
        ASSERT_TRUE(port.configure(9600, 0, patient, 1024));
    }
    // Receives a train of n bytes; the data through `data`.
    bool receive(int n, std::string* data = nullptr) {
        std::string buf(static_cast<std::size_t>(n), '\0');
        const bool ok = port.read_data2(buf.data(), n);
        if (data) *data = buf;
        return ok;
    }
    serial_sim sim;
    CommPort port;
};

TEST_F(CommPortTest, TrainsArriveWholeWithAndWithoutDamage) {
    // On the line, bit b of data byte i carries bit 7 - i of the plain byte 7 - b.
    enum damage { none, one_bit, burst };
    for (int n : {0, 8, 16, 127}) {
        for (damage d : {none, one_bit, burst}) {
            SCOPED_TRACE(testing::Message() << n << " bytes, damage " << d);
            port.reset_error_counters();
            std::string wire = wire_train(sample(n));
            const int packets = n / 8 + 1;
            for (int k = 0; k < packets; ++k) {
                char& line_byte = wire[16 * k + 4 + k % 8];
                if (d == one_bit) line_byte ^= static_cast<char>(1 << (7 - 2 * (k % 4)));  // a low byte of a word
                if (d == burst) wire[16 * k + 4 + 5] ^= '\xFF';                            // bit 2 of every data byte
            }
            sim.send(wire);
            std::string data;
            ASSERT_TRUE(receive(n, &data));
            EXPECT_EQ(data, sample(n));
            EXPECT_EQ(port.get_corrected_error_counter(), d == none ? 0 : packets);
            EXPECT_EQ(port.get_uncorrected_error_counter(), 0);
            EXPECT_EQ(sim.take(4, patient), "CFCF");
        }
    }
}

TEST_F(CommPortTest, SentTrainsDecodeOnTheOtherSideInTheProtocolsOwnBytes) {
    for (int n : {0, 8, 16, 127}) {
        SCOPED_TRACE(testing::Message() << n << " bytes");
        ASSERT_TRUE(port.send_data2(sample(n).data(), n));
        const auto got = gti_test::decode_stream(sim.take(16 * (n / 8 + 1), patient));
        EXPECT_EQ(got.packets.size(), static_cast<std::size_t>(n / 8 + 1));
        EXPECT_EQ(got.corrected + got.bad + got.stray, 0);
        EXPECT_EQ(gti_test::train_data(got.packets), sample(n) + std::string(8 - n % 8, '\0'));
    }
    ASSERT_TRUE(port.send_data2("\x01", 1));
    // header 0, checksum 0x55 + 1, D0 = 01 whose bit 0 moves to bit 7 of D7, nibbles E F F F ...
    EXPECT_EQ(sim.take(16, patient), std::string("DP\x00\x56\0\0\0\0\0\0\0\x80\xEF\xFF\xFF\xFF", 16));
}

// Without hunting for the pattern, a lost or added byte costs attempts (each stray byte counts
// as a bad packet); when the unit repeats the train, retrying gets it whole, confirmed once.
TEST_F(CommPortTest, RetriesGetARepeatedTrainPastLostAndDuplicatedBytes) {
    const std::string data = sample(20);
    const std::string train = wire_train(data);
    const struct {
        const char* what;
        std::string wire;
    } cases[] = {
        {"lost byte", std::string(train).erase(20, 1)},
        {"duplicated byte", std::string(train).insert(5, 1, train[5])},
        {"stray byte before the train", "X" + train},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.send(c.wire + train);
        std::string got;
        bool ok = false;
        for (int attempt = 0; attempt < 5 && !ok; ++attempt)
            ok = receive(20, &got);
        ASSERT_TRUE(ok);
        EXPECT_EQ(got, data);
        EXPECT_EQ(sim.take(4, patient), "CFCF");
        EXPECT_EQ(sim.take(1, brief), "");
        // Whatever the attempts left of the repeat goes.
        ASSERT_TRUE(port.configure(9600, 0, brief, -1));
        while (port.read_byte() != 512) {
        }
        ASSERT_TRUE(port.configure(9600, 0, patient, -1));
    }
}

TEST_F(CommPortTest, GivesUpAfterFiveBadPacketsWithoutConfirming) {
    gti_test::beep_recorder beeps;
    std::string bad = wire_train(sample(3));
    bad[3] ^= 0x01;  // the checksum: the data cannot repair it
    for (int i = 0; i < 5; ++i)
        sim.send(bad);
    sim.send(wire_train(sample(3)));
    ASSERT_TRUE(sim.wait_sent(patient));
    EXPECT_FALSE(receive(3));
    EXPECT_EQ(port.get_uncorrected_error_counter(), 5);
    EXPECT_EQ(beeps.beeps, gti_test::beep_recorder::list(5, {3000, 50}));
    // Nothing was confirmed, and the good train is still there for the next attempt.
    std::string data;
    ASSERT_TRUE(receive(3, &data));
    EXPECT_EQ(data, sample(3));
    EXPECT_EQ(sim.take(4, patient), "CFCF");

    sim.send("XYZUV" + wire_train(sample(3)));  // five wrong first bytes of "SP"
    EXPECT_FALSE(receive(3));
    EXPECT_EQ(sim.take(1, brief), "");
}

TEST_F(CommPortTest, GivesUpAtTheFirstTimeOut) {
    ASSERT_TRUE(port.configure(9600, 0, brief, -1));
    const struct {
        const char* what;
        std::string wire;
    } cases[] = {
        {"silence", ""},
        {"second packet missing", wire_train(sample(9)).substr(0, 16)},
        {"packet cut short", wire_train(sample(9)).substr(0, 16 + 10)},
        {"pattern cut short", wire_train(sample(9)).substr(0, 16 + 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.send(c.wire);
        ASSERT_TRUE(sim.wait_sent(patient));
        EXPECT_FALSE(receive(9));
        EXPECT_TRUE(port.timed_out);
    }
    EXPECT_EQ(sim.take(1, brief), "");
}

TEST_F(CommPortTest, RefusesTrainsThatDoNotFit) {
    char buffer[200] = {};
    EXPECT_FALSE(port.send_data2(buffer, 128));
    EXPECT_FALSE(port.send_data2(buffer, -1));
    EXPECT_FALSE(port.read_data2(buffer, 128));
    EXPECT_FALSE(port.read_data2(buffer, -1));
    EXPECT_EQ(sim.take(1, brief), "");

    // Packets 0 and 2 of a train that should be 0 and 1: slot 1 is never passed off as zeros.
    const std::string train = wire_train(sample(16));
    sim.send(train.substr(0, 16) + train.substr(32, 16));
    EXPECT_FALSE(receive(8));
    EXPECT_EQ(sim.take(1, brief), "");
}

TEST_F(CommPortTest, SingleReadsReportTimeOuts) {
    ASSERT_TRUE(port.configure(9600, 4, brief, -1));
    EXPECT_EQ(port.read_byte(), 512);
    sim.send("ab");
    ASSERT_TRUE(sim.wait_sent(patient));
    char buffer[4] = {};
    int got = -1;
    port.timed_out = false;
    ASSERT_TRUE(port.read(buffer, 4, &got));
    EXPECT_EQ(got, 2);
    EXPECT_TRUE(port.timed_out);
    sim.send("c");
    ASSERT_TRUE(sim.wait_sent(patient));
    EXPECT_FALSE(port.smart_read(buffer, 2, nullptr));
    EXPECT_EQ(buffer[0], 'c');

    port.timed_out = false;
    sim.send("SQ");
    CommPacket p;
    EXPECT_FALSE(port.read_packet(p));  // wrong second pattern byte: no waiting, no time-out
    EXPECT_FALSE(port.timed_out);
}

TEST_F(CommPortTest, ReopenKeepsTheSettings) {
    EXPECT_FALSE(port.open(sim.device()));
    EXPECT_FALSE(port.configure(9600, 5, brief, -1));
    EXPECT_FALSE(port.configure(12345, 0, brief, -1));
    ASSERT_TRUE(port.configure(19200, 3, brief, -1));
    port.read_timeout = brief;
    ASSERT_TRUE(port.reopen());
    EXPECT_TRUE(port.is_open());
    EXPECT_EQ(port.baud, 19200);
    EXPECT_EQ(port.parity, 3);
    EXPECT_EQ(port.port_name, sim.device());
    sim.send(wire_train("x"));
    std::string data;
    ASSERT_TRUE(receive(1, &data));
    EXPECT_EQ(data, "x");
}

TEST(CommPort, ClosedPortRefusesEverything) {
    CommPort port;
    char b[16] = {};
    EXPECT_FALSE(port.configure(9600, 0, 100, -1));
    EXPECT_FALSE(port.reopen());
    EXPECT_FALSE(port.write(b, 1));
    EXPECT_FALSE(port.read(b, 1, nullptr));
    EXPECT_EQ(port.read_byte(), 256);
    EXPECT_FALSE(port.smart_read(b, 1, nullptr));
    EXPECT_FALSE(port.synchronize("SP"));
    EXPECT_FALSE(port.send_data2(b, 1));
    EXPECT_FALSE(port.read_data2(b, 1));
    EXPECT_FALSE(port.flush());
    EXPECT_FALSE(port.set_dtr());
    EXPECT_FALSE(port.open("/dev/null"));
    EXPECT_EQ(port.get_open_status(), lib::os::serial_open_status::not_a_terminal);
}

TEST(CommPort, VanishedDeviceFailsTheReadAndClosesThePort) {
    gti_test::beep_recorder beeps;
    CommPort port;
    {
        serial_sim sim;
        ASSERT_TRUE(port.open(sim.device()));
        ASSERT_TRUE(port.configure(9600, 0, brief, -1));
    }
    char b = 0;
    EXPECT_FALSE(port.read(&b, 1, nullptr));
    EXPECT_FALSE(port.is_open());
    EXPECT_EQ(beeps.beeps, (gti_test::beep_recorder::list{{1000, 20}}));
}

}  // namespace
