// The registration file: block walker, decoders and encoders over bytes.
#include "gti/storage/registration_file.h"
#include "gti/platform/cp_literal.h"

#include <algorithm>
#include <cstring>

#include "gti/storage/file_storage.h"

namespace lib::registration {
namespace {

template <class T>
void put(char*& p, T v) noexcept {
    std::memcpy(p, &v, sizeof v);
    p += sizeof v;
}

std::size_t text_size(const AnsiString& s) noexcept {
    return s.size() + 1;
}

}  // namespace

block_status next_block(storage::byte_reader& in, block_header& header) noexcept {
    if (in.left() == 0) return block_status::end;
    if (!in.has(block_header_size)) return block_status::cut_header;
    in.get(header.type);
    in.get(header.size);
    if (header.size == 0) return block_status::end_mark;
    if (header.size < 0) return block_status::negative_size;
    return block_status::block;
}

bool starts_like_file(const char* data, std::size_t size) noexcept {
    storage::byte_reader in{data, size};
    block_header h;
    return next_block(in, h) == block_status::block && h.type >= record_block && h.type <= text_block;
}

std::string block_too_large(std::size_t size) {
    return "Блок файла регистрации больше 32767 байт: "_cp + std::to_string(size);
}

void check_block_payload(std::size_t size) {
    if (size > max_block_payload) throw FileStorageException(block_too_large(size), true);
}

void write_block(io::BinaryOutputStream& out, int type, const char* payload, std::size_t size) {
    char header[block_header_size];
    header[0] = static_cast<char>(type);
    const auto size16 = static_cast<std::int16_t>(size);
    std::memcpy(header + 1, &size16, 2);
    out.write(header, block_header_size);
    if (size > 0) out.write(payload, static_cast<unsigned>(size));
}

std::size_t encode_record(const FileStorageItem& r, int n, char* out) noexcept {
    char* p = out;
    put(p, r.time);
    put(p, r.depth);
    put(p, r.third_depth);
    put(p, r.tag);
    put(p, r.second_depth);
    put(p, static_cast<std::uint8_t>(n));
    const std::size_t have = std::min(r.values.size(), static_cast<std::size_t>(n));
    if (have > 0) std::memcpy(p, r.values.data(), have * 4);
    for (std::size_t i = have; i < static_cast<std::size_t>(n); ++i)
        std::memcpy(p + i * 4, &missing_value, 4);
    return record_fixed_size + static_cast<std::size_t>(n) * 4;
}

void encode_params(io::BinaryOutputStream& out, const FileStorageParam* params, int count) {
    io::write_binary(out, static_cast<std::uint8_t>(count));
    for (int i = 0; i < count; ++i) {
        const FileStorageParam& p = params[i];
        io::write_binary(out, p.name);
        io::write_binary(out, p.unit);
        io::write_binary(out, p.short_name);
        io::write_binary(out, p.global_name);
        io::write_binary(out, p.scale_min);
        io::write_binary(out, p.scale_max);
    }
}

std::size_t params_payload_size(const FileStorageParam* params, int count) noexcept {
    std::size_t size = 1;
    for (int i = 0; i < count; ++i) {
        const FileStorageParam& p = params[i];
        size += text_size(p.name) + text_size(p.unit) + text_size(p.short_name) + text_size(p.global_name) + 8;
    }
    return size;
}

record_status decode_record(storage::byte_reader& in, record_view& r) noexcept {
    if (!in.has(record_fixed_size)) return record_status::cut_fields;
    const char* p = in.here();
    std::memcpy(&r.time, p, 4);
    std::memcpy(&r.depth, p + 4, 4);
    std::memcpy(&r.third_depth, p + 8, 4);
    r.tag = static_cast<std::uint8_t>(p[12]);
    std::memcpy(&r.second_depth, p + 13, 4);
    r.count = static_cast<std::uint8_t>(p[17]);
    if (!in.has(record_fixed_size + static_cast<std::size_t>(r.count) * 4)) return record_status::cut_values;
    r.values = p + record_fixed_size;
    in.skip(record_fixed_size + static_cast<std::size_t>(r.count) * 4);
    return record_status::ok;
}

params_status decode_params(storage::byte_reader& in, std::vector<FileStorageParam>& out) {
    out.clear();
    std::uint8_t count = 0;
    if (!in.has(1)) return params_status::cut;
    in.get(count);
    if (count > FileStorage::max_params) return params_status::too_many;
    for (int i = 0; i < count; ++i) {
        const std::size_t start = in.pos;
        FileStorageParam p;
        if (!in.text(p.name) || !in.text(p.unit) || !in.text(p.short_name) || !in.text(p.global_name) ||
            !in.get(p.scale_min) || !in.get(p.scale_max)) {
            in.pos = start;
            return params_status::cut;
        }
        out.push_back(std::move(p));
    }
    return params_status::ok;
}

text_status decode_text(storage::byte_reader& in, std::size_t size, AnsiString& text) {
    if (size == 0 || !in.has(size)) return text_status::cut;
    const char* bytes = in.here();
    in.skip(size);
    if (bytes[size - 1] != 0) return text_status::no_zero;
    text = AnsiString(bytes);
    return text_status::ok;
}

}  // namespace lib::registration
