// The module stream: the state of several named modules in one byte stream.
//
// Station programs pass their run information, parameter table and other modules to each other
// through a file or a TCP connection as one stream. Every integer is little-endian:
//
//   +----------------+----------------+-------------------- ... ---+
//   | format version | record count   | record count x record       |
//   | int32          | int32          |                            |
//   +----------------+----------------+-------------------- ... ---+
//
//   record:  name bytes, 0 | payload size int32 | payload | checksum (1 byte)
//
// The payload is the module's serial list (gti/serial/serial_list.h); the checksum is 0x55 plus
// every payload byte, modulo 256. The content version that modules receive is not stored: writer
// and reader must agree on it. A reader matches each record to a module by name, letter case
// ignored (Cyrillic included); a record no module claims is skipped.
//
// Failures (std::runtime_error, code page 1251):
//
//   a write takes no bytes                              "error writing to stream"
//   no data within 10 s on a socket, or the stream ends "Ошибка чтения данных из сокета"
//   the checksum does not match                         "code summ error"
//   the stream's format version differs                 "Serializator::deserialize: incorrect version"
//   read_range_size meets a negative count              "error while deserialization: size < 0"
//   a payload size below 0 or above max_payload_size    "Serializator::deserialize_module: payload size out of range"
//   a module name longer than max_name_size bytes       "Serializator::read_name: name too long"
//
// The checksum is verified before a module sees its payload, and each payload is read whole
// first, so a module that misreads its own record cannot disturb the next one.
#pragma once

#include <memory>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/tstream.h"
#include "gti/serial/lock_object.h"
#include "gti/serial/serial_list.h"

namespace lib {

// A module that travels in the module stream.
class SerialModuleBase {
public:
    // Only the buffered (socket) write consults it: a disabled module is not sent.
    bool enabled = true;

    virtual ~SerialModuleBase() = default;
    // Applies the module's fields to the list; `version` is the content version of the caller.
    virtual void get_serial_list(serial_list& list, unsigned version) = 0;
    // The module's name in the stream.
    virtual void get_serial_name(AnsiString& name) = 0;

    // True when `name` is the module's stream name, letter case ignored.
    bool is_my_name(const AnsiString& name);
};

// A serial buffer that writes.
class SerialOutputBuffer : public serial_buffer {
public:
    SerialOutputBuffer() : serial_buffer(serialize) {}
    // Writes the payload size, the payload and its checksum.
    void save_to_stream(TStream* stream);
};

// A serial buffer that reads.
class SerialInputBuffer : public serial_buffer {
public:
    SerialInputBuffer() : serial_buffer(deserialize) {}
    // Reads `size` payload bytes and the checksum byte, verifies the checksum and goes back to the
    // start of the payload.
    void load_from_stream(TStream* stream, int size);
    // Reads a 4-byte count of the module's own; fails on a negative one.
    int read_range_size();
    // Takes a copy of the bytes just written to another buffer; the position stays.
    void copy_from(const SerialOutputBuffer& source);
};

// One module's record between serializing and writing.
struct SerialOutData {
    AnsiString name;
    SerialOutputBuffer buffer;

    // Writes the name with its zero byte, then the buffer's payload and checksum.
    void save_to_stream(TStream* stream);
};

// Writes and reads whole module streams of one format version.
class Serializator {
public:
    // The largest payload a record may announce: station modules take kilobytes.
    static constexpr int max_payload_size = 16 << 20;
    // The longest module name a record may carry.
    static constexpr int max_name_size = 1024;

    explicit Serializator(int format_version) : format_version_(format_version) {}

    // Writes the whole stream. To a file stream: under `lock`, every module in order, enabled or
    // not. To any other stream: the enabled modules are turned into bytes under `lock`, which is
    // then released before the bytes go out to a possibly slow peer. `lock` must not be null.
    void serialize(std::vector<SerialModuleBase*>& modules, TStream* stream, lock_object* lock, unsigned version);
    // Reads the whole stream and hands each record to the first module of its name.
    void deserialize(std::vector<SerialModuleBase*>& modules, TStream* stream, unsigned version);

    // Writes the header: the format version and the record count.
    void write_size_and_version(TStream* stream, int count);
    // Reads a zero-terminated module name.
    void read_name(TStream* stream, AnsiString& name);
    // Serializes one module and writes its record.
    void serialize_module_to_file(TStream* stream, SerialModuleBase* module, unsigned version);
    // Serializes every enabled module into memory while holding `lock`.
    void serialize_all_to_buffer(std::vector<SerialModuleBase*>& modules,
                                 std::vector<std::shared_ptr<SerialOutData>>& out, lock_object* lock, unsigned version);
    // Reads one record and hands it to its module, or skips it.
    void deserialize_module(std::vector<SerialModuleBase*>& modules, TStream* stream, unsigned version);

private:
    int format_version_;
};

// Reads exactly `size` bytes. On a socket stream it first waits at most 10 s for data.
void read_from_stream(TStream* stream, char* data, int size);

// Writes `size` bytes (nothing for 0 or less); a write that takes none fails.
void write_to_stream(TStream* stream, const char* data, int size);

// The checksum of a payload: 0x55 plus every byte, modulo 256.
unsigned char code_summ(const char* data, std::size_t size) noexcept;

}  // namespace lib
