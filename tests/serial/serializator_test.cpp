#include "gti/serial/serializator.h"
#include "gti/platform/cp_literal.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "expect.h"
#include "support.h"

using namespace lib::literals;

using namespace lib;
using gti_test::throws_with;

namespace {

// A small module with fields like the run information's first ones.
class run_module : public SerialModuleBase {
public:
    explicit run_module(const char* name = "RaceInfoNew") : name_(name) {}
    void get_serial_list(serial_list& list, unsigned version) override {
        last_version = version;
        ++reads;
        list | drill_type | race_number | start_depth | well;
    }
    void get_serial_name(AnsiString& name) override { name = name_; }

    int drill_type = 0;
    int race_number = 1;
    double start_depth = 0;
    AnsiString well = "::НЕ ЗАДАНО::"_cp;
    unsigned last_version = 0;
    int reads = 0;

private:
    AnsiString name_;
};

std::string bytes_of(TMemoryStream& s) {
    return std::string(s.Memory(), static_cast<std::size_t>(s.Size()));
}

TEST(ModuleStream, AnEmptyListIsEightBytes) {
    TMemoryStream stream;
    std::vector<SerialModuleBase*> none;
    lock_object lock;
    Serializator(1).serialize(none, &stream, &lock, 0);
    EXPECT_EQ(bytes_of(stream), std::string("\x01\0\0\0\0\0\0\0", 8));
}

TEST(ModuleStream, GoldenRecords) {
    struct empty_module : SerialModuleBase {
        void get_serial_list(serial_list&, unsigned) override {}
        void get_serial_name(AnsiString& name) override { name = "Пусто"_cp; }
    } empty;
    run_module run;
    run.drill_type = 1;
    run.race_number = 12;
    run.start_depth = 1250.5;
    run.well = "Южная-7"_cp;
    std::vector<SerialModuleBase*> modules{&empty, &run};
    TMemoryStream stream;
    lock_object lock;
    Serializator(1).serialize(modules, &stream, &lock, 3);
    const std::string payload =
        std::string("\x01\0\0\0\x0C\0\0\0\0\0\0\0\0\x8A\x93\x40", 16) + "Южная-7"_cp + std::string(1, '\0');
    unsigned char sum = 0x55;
    for (char c : payload)
        sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(c));
    EXPECT_EQ(bytes_of(stream), std::string("\x01\0\0\0\x02\0\0\0", 8) + "Пусто"_cp + std::string("\0\0\0\0\0\x55", 6) +
                                    "RaceInfoNew" + std::string("\0\x18\0\0\0", 5) + payload +
                                    std::string(1, static_cast<char>(sum)));
    EXPECT_EQ(code_summ("", 0), 0x55);
}

TEST(ModuleStream, RecordsFindTheirModulesByNameWhateverTheCase) {
    run_module writer("RaceInfoNew"), other("Другой"_cp), reader("raceinfonew"), cyr_reader("ДРУГОЙ"_cp),
        stranger("Чужой"_cp);
    writer.race_number = 5;
    other.race_number = 9;
    std::vector<SerialModuleBase*> out{&stranger, &writer, &other};
    TMemoryStream stream;
    lock_object lock;
    Serializator(1).serialize(out, &stream, &lock, 7);
    stream.Seek(0, soFromBeginning);
    std::vector<SerialModuleBase*> in{&reader, &cyr_reader};
    Serializator(1).deserialize(in, &stream, 7);
    EXPECT_EQ(reader.race_number, 5);
    EXPECT_EQ(cyr_reader.race_number, 9);  // the unclaimed record before it was skipped
    EXPECT_EQ(reader.last_version, 7u);
}

TEST(ModuleStream, AFlippedByteFailsBeforeTheModuleSeesIt) {
    run_module writer, reader;
    std::vector<SerialModuleBase*> modules{&writer};
    TMemoryStream stream;
    lock_object lock;
    Serializator(1).serialize(modules, &stream, &lock, 0);
    std::string bytes = bytes_of(stream);
    bytes[8 + 12 + 4 + 5] ^= 0x10;  // a byte of the payload
    TMemoryStream damaged;
    damaged.Write(bytes.data(), static_cast<int>(bytes.size()));
    damaged.Seek(0, soFromBeginning);
    std::vector<SerialModuleBase*> in{&reader};
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { Serializator(1).deserialize(in, &damaged, 0); }, "code summ error"));
    EXPECT_EQ(reader.reads, 0);
}

TEST(ModuleStream, BrokenStreamsFailWithClearErrors) {
    run_module writer, reader;
    std::vector<SerialModuleBase*> modules{&writer}, in{&reader};
    TMemoryStream stream;
    lock_object lock;
    Serializator(1).serialize(modules, &stream, &lock, 0);
    const std::string good = bytes_of(stream);
    auto read = [&](const std::string& bytes, int version = 1) {
        TMemoryStream s;
        s.Write(bytes.data(), static_cast<int>(bytes.size()));
        s.Seek(0, soFromBeginning);
        Serializator(version).deserialize(in, &s, 0);
    };
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { read(good, 2); }, "Serializator::deserialize: incorrect version"));
    std::string negative = good, huge = good;
    negative.replace(8 + 12, 4, std::string("\xFF\xFF\xFF\xFF", 4));
    huge.replace(8 + 12, 4, std::string("\x00\x00\x00\x7F", 4));
    for (const std::string& bad : {negative, huge}) {
        EXPECT_TRUE(throws_with<std::runtime_error>([&] { read(bad); },
                                                    "Serializator::deserialize_module: payload size out of range"));
    }
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { read(std::string("\x01\0\0\0\x01\0\0\0", 8) + std::string(2000, 'n')); },
                                        "Serializator::read_name: name too long"));
    // Every prefix of a good stream fails with the end-of-stream message, never worse.
    for (std::size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(
            throws_with<std::runtime_error>([&] { read(good.substr(0, n)); }, "Ошибка чтения данных из сокета"_cp));
    }
}

TEST(ModuleStream, ARangeSizeMustNotBeNegative) {
    SerialOutputBuffer out;
    int count = -3;
    out | count;
    SerialInputBuffer in;
    in.copy_from(out);
    EXPECT_TRUE(
        throws_with<std::runtime_error>([&] { in.read_range_size(); }, "error while deserialization: size < 0"));
}

TEST(ModuleStream, AFileStreamGetsEveryModuleEnabledOrNot) {
    gti_test::temp_dir dir;
    run_module a, b("Second");
    b.enabled = false;
    b.race_number = 42;
    std::vector<SerialModuleBase*> modules{&a, &b};
    lock_object lock;
    {
        TFileStream out(dir.file("modules.dat"), fmCreate);
        Serializator(1).serialize(modules, &out, &lock, 0);
    }
    run_module reader("second");
    std::vector<SerialModuleBase*> in{&reader};
    TFileStream file(dir.file("modules.dat"), fmOpenRead);
    Serializator(1).deserialize(in, &file, 0);
    EXPECT_EQ(reader.race_number, 42);
}

TEST(ModuleStream, ModulesTravelOverALoopbackConnection) {
    unsigned short port = 0;
    const os::socket_handle listener = os::tcp_listen("127.0.0.1", 0, port);
    ASSERT_NE(listener, os::invalid_socket);
    run_module sent, disabled("Disabled");
    sent.race_number = 77;
    sent.well = std::string(100000, 'w');  // more than one socket buffer holds
    disabled.enabled = false;
    std::thread sender([&] {
        const os::socket_handle s = os::tcp_connect("127.0.0.1", port, 5000);
        TWinSocketStream stream(s, 10000);
        std::vector<SerialModuleBase*> modules{&disabled, &sent};
        lock_object lock;
        Serializator(1).serialize(modules, &stream, &lock, 1);
        os::close_socket(s);
    });
    const os::socket_handle peer = os::tcp_accept(listener, 10000);
    ASSERT_NE(peer, os::invalid_socket);
    TWinSocketStream stream(peer, 10000);
    run_module received, disabled_reader("disabled");
    std::vector<SerialModuleBase*> in{&received, &disabled_reader};
    char header[8];
    read_from_stream(&stream, header, 8);
    EXPECT_EQ(std::string(header, 8), std::string("\x01\0\0\0\x01\0\0\0", 8));  // the disabled module is not counted
    Serializator(1).deserialize_module(in, &stream, 1);
    sender.join();
    EXPECT_EQ(received.race_number, 77);
    EXPECT_EQ(received.well.size(), 100000u);
    EXPECT_EQ(disabled_reader.reads, 0);
    char more;
    EXPECT_TRUE(throws_with<std::runtime_error>([&] { read_from_stream(&stream, &more, 1); },
                                                "Ошибка чтения данных из сокета"_cp));
    os::close_socket(peer);
    os::close_socket(listener);
}

}  // namespace
