// The serial line of the OS layer: port names, exclusive open, time-outs, line-error marks.
#include "gti/platform/serial_line.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

#include "platform/posix/serial_marks.h"
#include "serial_sim.h"
#include "support.h"

namespace {

using lib::os::serial_line;
using lib::os::serial_open_status;

TEST(SerialLine, LineErrorMarksAreDecoded) {
    const struct {
        std::string first, second;  // the bytes of two reads
        std::string data;           // the data bytes of both
        bool error;
    } cases[] = {
        {"A\377\377B", "", "A\377B", false},             // a doubled FF is one data byte
        {"A\377", "\377B", "A\377B", false},             // ... also when a read ends between
        {"A\xFF", std::string("\0\x55", 2), "A", true},  // FF 00 b: b came damaged and is dropped
        {std::string("\xFF\0\0", 3), "C", "C", true},    // FF 00 00: a break
        {std::string("\0\x01", 2), "", std::string("\0\x01", 2), false},
        {"A\xFF", "BC", "AC", true},  // FF before anything but 00 or FF: the stream is not to be trusted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.first + "|" + c.second));
        int state = 0;
        bool error = false;
        std::string data;
        for (std::string part : {c.first, c.second}) {
            auto* bytes = reinterpret_cast<unsigned char*>(part.data());
            data.append(part.data(), lib::os::detail::decode_marks(state, bytes, part.size(), error));
        }
        EXPECT_EQ(data, c.data);
        EXPECT_EQ(error, c.error);
    }
}

TEST(SerialLine, PortNamesNameDevices) {
    setenv("GTI_COM3", "/dev/pts/77", 1);
    unsetenv("GTI_COM2");
    const struct {
        const char* name;
        const char* device;
    } cases[] = {{"/dev/pts/5", "/dev/pts/5"}, {"COM3", "/dev/pts/77"}, {"\\\\.\\com3", "/dev/pts/77"},
                 {"ttyACM0", "/dev/ttyACM0"},  {"COM0", "/dev/COM0"},   {"COM1234567", "/dev/COM1234567"}};
    for (const auto& c : cases)
        EXPECT_EQ(lib::os::serial_device_path(c.name), AnsiString(c.device)) << c.name;
    const AnsiString com2 = lib::os::serial_device_path("COM2");
    EXPECT_TRUE(com2 == "/dev/ttyS1" || com2 == "/dev/ttyUSB1") << com2;
    unsetenv("GTI_COM3");
}

TEST(SerialLine, OpensOnlyTerminalsAndOnlyOnce) {
    gti_test::temp_dir dir;
    std::ofstream(dir.file("plain").c_str()) << "not a port";
    serial_line line;
    EXPECT_EQ(line.open(dir.file("plain")), serial_open_status::not_a_terminal);
    EXPECT_EQ(line.open(dir.file("missing")), serial_open_status::not_found);
    EXPECT_FALSE(line.is_open());

    gti_test::serial_sim sim;
    serial_line other;
    ASSERT_EQ(line.open(sim.device()), serial_open_status::ok);
    EXPECT_EQ(line.open(sim.device()), serial_open_status::already_open);
    EXPECT_EQ(other.open(sim.device()), serial_open_status::busy);
    line.close();
    EXPECT_EQ(other.open(sim.device()), serial_open_status::ok);
}

TEST(SerialLine, ReadWaitsAtMostItsTimeOut) {
    gti_test::serial_sim sim;
    serial_line line;
    ASSERT_EQ(line.open(sim.device()), serial_open_status::ok);
    ASSERT_TRUE(line.set_line(9600, lib::os::serial_parity::even));
    EXPECT_FALSE(line.set_line(9601, lib::os::serial_parity::even));
    EXPECT_FALSE(line.set_read_timeout(-1));
    ASSERT_TRUE(line.set_read_timeout(30));

    char buffer[8] = {};
    EXPECT_EQ(line.read(buffer, sizeof buffer), 0);
    sim.send("abc");
    sim.send("\377d", 5);
    ASSERT_TRUE(sim.wait_sent(1000));
    EXPECT_EQ(line.read(buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5), "abc\377d");

    ASSERT_TRUE(line.write("xyz", 3));
    EXPECT_TRUE(line.drain());
    EXPECT_EQ(sim.take(3, 1000), "xyz");
}

TEST(SerialLine, ClosedLineRefusesEverything) {
    serial_line line;
    char b = 0;
    EXPECT_EQ(line.read(&b, 1), -1);
    EXPECT_FALSE(line.write(&b, 1));
    EXPECT_FALSE(line.set_line(9600, lib::os::serial_parity::none));
    EXPECT_FALSE(line.set_read_timeout(10));
    EXPECT_FALSE(line.set_rts(true));
    EXPECT_FALSE(line.clear_errors());
    EXPECT_FALSE(line.drain());
}

}  // namespace
