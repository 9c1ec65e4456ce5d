// The packet's checksum, check nibbles, correction and interleaving, from hand-computed values.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "gti/comm/comm_port.h"

namespace {

CommPacket packet_with_words(unsigned char header, std::int16_t w0, std::int16_t w1 = 0) {
    CommPacket p;
    p.header = header;
    std::memcpy(p.data, &w0, 2);
    std::memcpy(p.data + 2, &w1, 2);
    return p;
}

TEST(CommPacket, ChecksumOfKnownPackets) {
    const struct {
        unsigned char header;
        std::int16_t w0, w1;
        unsigned char summ;
    } cases[] = {
        {0, 0, 0, 0x55},       // nothing but the base
        {0, 3001, 0, 0x55},    // + 1 - 1
        {0, -3001, 0, 0x55},   // - 1 + 1: quotient and remainder truncate toward zero
        {0, 2999, 0, 0x0C},    // (0x55 + 2999) mod 256
        {0x13, 1, -1, 0x68},   // header counts; 0x55 + 0x13 + 1 - 1
        {0, -32768, 0, 0x8F},  // 0x55 + (-2768) - (-10) = -2673 = 0x8F mod 256
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "header " << int(c.header) << ", words " << c.w0 << " " << c.w1);
        EXPECT_EQ(packet_with_words(c.header, c.w0, c.w1).get_contol_summ(), c.summ);
    }
}

TEST(CommPacket, CheckNibblesOfKnownBytes) {
    const struct {
        unsigned char byte;
        char nibble;
    } cases[] = {{0x00, 0x0F}, {0x01, 0x0E}, {0x80, 0x07}, {0xFF, 0x07}, {0x03, 0x0C}, {0x55, 0x0F ^ 1 ^ 3 ^ 5 ^ 7}};
    for (const auto& c : cases)
        EXPECT_EQ(CommPort::calculate_hamming_code(static_cast<char>(c.byte)), c.nibble) << int(c.byte);
}

TEST(CommPacket, EverySingleBitErrorInEveryByteIsCorrected) {
    for (int b = 0; b < 256; ++b) {
        const char check = CommPort::calculate_hamming_code(static_cast<char>(b));
        ASSERT_EQ(CommPort::correct_byte(static_cast<char>(b), check), static_cast<char>(b));
        for (int bit = 0; bit < 8; ++bit)
            ASSERT_EQ(CommPort::correct_byte(static_cast<char>(b ^ (1 << bit)), check), static_cast<char>(b))
                << "byte " << b << ", bit " << bit;
    }
}

TEST(CommPacket, InterleavingTransposesTheBitMatrix) {
    CommPacket p;
    p.header = 0x21;
    p.summ = 0x77;
    p.data[0] = 0xFF;  // D0 becomes bit 7 of every byte
    p.data[7] = 0x01;  // bit 0 of D7 becomes bit 0 of D7
    p.hamming[2] = 0x5A;
    p.change_bits();
    const unsigned char expected[8] = {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x81};
    EXPECT_EQ(std::memcmp(p.data, expected, 8), 0);
    EXPECT_EQ(p.header, 0x21);
    EXPECT_EQ(p.summ, 0x77);
    EXPECT_EQ(p.hamming[2], 0x5A);

    const unsigned char mixed[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    std::memcpy(p.data, mixed, 8);
    p.change_bits();
    p.change_bits();
    EXPECT_EQ(std::memcmp(p.data, mixed, 8), 0);
}

// Every single-bit error of a packet's protected bytes: the checksum misses flips in the high
// byte of a word and the nibbles do not protect themselves, so a packet is either repaired to
// its true data or refused; it is never accepted with a wrong byte.
TEST(CommPacket, NoSingleBitErrorPassesAsGoodData) {
    const unsigned char samples[][8] = {{0, 0, 0, 0, 0, 0, 0, 0},
                                        {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0},
                                        {0xB7, 0x0B, 0xFF, 0xFF, 0x01, 0x80, 0x55, 0xAA}};
    for (const auto& sample : samples) {
        CommPacket good;
        good.header = 5;
        std::memcpy(good.data, sample, 8);
        good.summ = good.get_contol_summ();
        for (int k = 0; k < 4; ++k)
            good.hamming[k] = static_cast<unsigned char>((CommPort::calculate_hamming_code(good.data[2 * k]) << 4) |
                                                         CommPort::calculate_hamming_code(good.data[2 * k + 1]));
        CommPacket copy = good;
        ASSERT_EQ(CommPort::check_packet(copy), CommPort::packet_check::intact);

        int refused_data = 0, refused_nibbles = 0;
        for (int byte = 0; byte < 14; ++byte) {
            for (int bit = 0; bit < 8; ++bit) {
                CommPacket p = good;
                reinterpret_cast<unsigned char*>(&p)[byte] ^= static_cast<unsigned char>(1 << bit);
                const auto verdict = CommPort::check_packet(p);
                SCOPED_TRACE(testing::Message() << "byte " << byte << ", bit " << bit);
                if (verdict == CommPort::packet_check::damaged) {
                    EXPECT_TRUE(byte < 2 || byte >= 10 || byte % 2 == 1) << "a low data byte is always repaired";
                    (byte >= 10 ? refused_nibbles : refused_data) += byte >= 2;
                    continue;
                }
                EXPECT_EQ(verdict, CommPort::packet_check::repaired);
                EXPECT_EQ(std::memcmp(p.data, good.data, 8), 0);
                EXPECT_EQ(p.header, good.header);
            }
        }
        EXPECT_LE(refused_data, 16);  // high bytes, bits 0, 1, 3, 7: just what a nibble flip does
        EXPECT_LE(refused_nibbles, 16);
    }
}

// The station's own correction runs the nibbles alone: a damaged nibble of a low byte inverts
// a good bit, which the checksum sees.
TEST(CommPacket, CorrectionWithADamagedNibbleSpoilsAGoodByte) {
    CommPacket p = packet_with_words(0, 1234);
    p.summ = p.get_contol_summ();
    for (int k = 0; k < 4; ++k)
        p.hamming[k] = static_cast<unsigned char>((CommPort::calculate_hamming_code(p.data[2 * k]) << 4) |
                                                  CommPort::calculate_hamming_code(p.data[2 * k + 1]));
    p.hamming[0] ^= 0x40;
    CommPort::correct_packet(p);
    EXPECT_EQ(p.data[0], static_cast<unsigned char>(1234 & 0xFF) ^ 0x08);
    EXPECT_NE(p.get_contol_summ(), p.summ);
}

}  // namespace
