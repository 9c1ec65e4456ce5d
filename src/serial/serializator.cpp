#include "gti/serial/serializator.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"

using namespace lib::literals;

namespace lib {
namespace {

const char* const msg_socket_read = "Ошибка чтения данных из сокета"_cp;
const char* const msg_write = "error writing to stream";
constexpr int socket_wait_ms = 10000;

void write_int(TStream* stream, std::int32_t v) {
    char bytes[4];
    std::memcpy(bytes, &v, 4);
    write_to_stream(stream, bytes, 4);
}

std::int32_t read_int(TStream* stream) {
    char bytes[4];
    read_from_stream(stream, bytes, 4);
    std::int32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

// Serializes one module into a fresh record.
std::shared_ptr<SerialOutData> serialize_module(SerialModuleBase* module, unsigned version) {
    auto data = std::make_shared<SerialOutData>();
    module->get_serial_name(data->name);
    module->get_serial_list(data->buffer, version);
    return data;
}

}  // namespace

unsigned char code_summ(const char* data, std::size_t size) noexcept {
    unsigned char sum = 0x55;
    for (std::size_t i = 0; i < size; ++i)
        sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(data[i]));
    return sum;
}

void read_from_stream(TStream* stream, char* data, int size) {
    if (size <= 0) return;
    if (auto* socket = dynamic_cast<TWinSocketStream*>(stream)) {
        if (!socket->WaitForData(socket_wait_ms)) throw std::runtime_error(msg_socket_read);
    }
    int done = 0;
    while (done < size) {
        const int n = stream->Read(data + done, size - done);
        if (n <= 0) throw std::runtime_error(msg_socket_read);
        done += n;
    }
}

void write_to_stream(TStream* stream, const char* data, int size) {
    // A stream that takes part of a block gets the rest in further writes.
    while (size > 0) {
        const int n = stream->Write(data, size);
        if (n <= 0) throw std::runtime_error(msg_write);
        data += n;
        size -= n;
    }
}

bool SerialModuleBase::is_my_name(const AnsiString& name) {
    AnsiString mine;
    get_serial_name(mine);
    return cp1251::equal_nocase(mine.view(), name.view());
}

void SerialOutputBuffer::save_to_stream(TStream* stream) {
    const auto& bytes = get_bytes();
    write_int(stream, static_cast<std::int32_t>(bytes.size()));
    write_to_stream(stream, bytes.data(), static_cast<int>(bytes.size()));
    const char sum = static_cast<char>(code_summ(bytes.data(), bytes.size()));
    write_to_stream(stream, &sum, 1);
}

void SerialInputBuffer::load_from_stream(TStream* stream, int size) {
    std::vector<char> payload(size > 0 ? static_cast<std::size_t>(size) : 0);
    read_from_stream(stream, payload.data(), size);
    char sum = 0;
    read_from_stream(stream, &sum, 1);
    if (static_cast<unsigned char>(sum) != code_summ(payload.data(), payload.size()))
        throw std::runtime_error("code summ error");
    set_bytes(std::move(payload));
}

int SerialInputBuffer::read_range_size() {
    std::int32_t count = 0;
    process_binary(reinterpret_cast<char*>(&count), 4);
    if (count < 0) throw std::runtime_error("error while deserialization: size < 0");
    return count;
}

void SerialInputBuffer::copy_from(const SerialOutputBuffer& source) {
    const int position = get_position();
    bytes() = source.get_bytes();
    set_position(position);
}

void SerialOutData::save_to_stream(TStream* stream) {
    write_to_stream(stream, name.c_str(), static_cast<int>(name.size() + 1));
    buffer.save_to_stream(stream);
}

void Serializator::write_size_and_version(TStream* stream, int count) {
    write_int(stream, format_version_);
    write_int(stream, count);
}

void Serializator::read_name(TStream* stream, AnsiString& name) {
    name.clear();
    for (;;) {
        char c;
        read_from_stream(stream, &c, 1);
        if (c == 0) return;
        if (name.size() >= static_cast<std::size_t>(max_name_size))
            throw std::runtime_error("Serializator::read_name: name too long");
        name.push_back(c);
    }
}

void Serializator::serialize_module_to_file(TStream* stream, SerialModuleBase* module, unsigned version) {
    serialize_module(module, version)->save_to_stream(stream);
}

void Serializator::serialize_all_to_buffer(std::vector<SerialModuleBase*>& modules,
                                           std::vector<std::shared_ptr<SerialOutData>>& out, lock_object* lock,
                                           unsigned version) {
    Locker hold(lock);
    for (SerialModuleBase* module : modules) {
        if (module->enabled) out.push_back(serialize_module(module, version));
    }
}

void Serializator::serialize(std::vector<SerialModuleBase*>& modules, TStream* stream, lock_object* lock,
                             unsigned version) {
    if (lock == nullptr) throw std::invalid_argument("Serializator::serialize: no lock");
    if (dynamic_cast<TFileStream*>(stream) != nullptr) {
        Locker hold(lock);
        write_size_and_version(stream, static_cast<int>(modules.size()));
        for (SerialModuleBase* module : modules)
            serialize_module_to_file(stream, module, version);
        return;
    }
    std::vector<std::shared_ptr<SerialOutData>> records;
    serialize_all_to_buffer(modules, records, lock, version);
    write_size_and_version(stream, static_cast<int>(records.size()));
    for (const auto& record : records)
        record->save_to_stream(stream);
}

void Serializator::deserialize(std::vector<SerialModuleBase*>& modules, TStream* stream, unsigned version) {
    if (read_int(stream) != format_version_) throw std::runtime_error("Serializator::deserialize: incorrect version");
    const std::int32_t count = read_int(stream);
    for (std::int32_t i = 0; i < count; ++i)
        deserialize_module(modules, stream, version);
}

void Serializator::deserialize_module(std::vector<SerialModuleBase*>& modules, TStream* stream, unsigned version) {
    AnsiString name;
    read_name(stream, name);
    const std::int32_t size = read_int(stream);
    if (size < 0 || size > max_payload_size)
        throw std::runtime_error("Serializator::deserialize_module: payload size out of range");
    SerialInputBuffer input;
    input.load_from_stream(stream, size);
    for (SerialModuleBase* module : modules) {
        if (module->is_my_name(name)) {
            module->get_serial_list(input, version);
            return;
        }
    }
}

}  // namespace lib
