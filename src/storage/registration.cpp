// The registration file: writer and reader.
#include <cstring>
#include <string>

#include "gti/io/file_streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"

using namespace lib::literals;

namespace {

constexpr int max_block_payload = 32767;
constexpr std::size_t record_fixed_size = 18;

enum block_type : unsigned char { record_block = 1, params_block = 2, text_block = 3 };

template <class T>
void put(char*& p, T v) {
    std::memcpy(p, &v, sizeof v);
    p += sizeof v;
}

// The payload of a record block with exactly `n` values, into `out` (18 + 4n bytes).
std::size_t encode_record(const FileStorageItem& r, int n, char* out) {
    char* p = out;
    put(p, r.time);
    put(p, r.depth);
    put(p, r.third_depth);
    put(p, r.tag);
    put(p, r.second_depth);
    put(p, static_cast<std::uint8_t>(n));
    const std::size_t have = std::min(r.values.size(), static_cast<std::size_t>(n));
    if (have > 0) std::memcpy(p, r.values.data(), have * 4);
    if (have < static_cast<std::size_t>(n)) std::memset(p + have * 4, 0, (static_cast<std::size_t>(n) - have) * 4);
    return record_fixed_size + static_cast<std::size_t>(n) * 4;
}

std::size_t text_size(const AnsiString& s) {
    return s.size() + 1;
}

[[noreturn]] void too_large(std::size_t size) {
    throw FileStorageException("Блок файла регистрации больше 32767 байт: "_cp + std::to_string(size), true);
}

}  // namespace

// Reads the bytes of a registration file; a read past the end fails as a mapped file does.
struct FileStorage::reader {
    const char* data;
    std::size_t size;
    std::size_t pos = 0;

    void need(std::size_t n) const {
        if (pos > size || n > size - pos) throw std::runtime_error("InputMappedFile::read: eof");
    }
    template <class T>
    T get() {
        need(sizeof(T));
        T v;
        std::memcpy(&v, data + pos, sizeof v);
        pos += sizeof v;
        return v;
    }
    AnsiString text() {
        need(1);
        const void* zero = std::memchr(data + pos, 0, size - pos);
        if (zero == nullptr) throw std::runtime_error("InputMappedFile::read: eof");
        const auto len = static_cast<std::size_t>(static_cast<const char*>(zero) - (data + pos));
        AnsiString s(data + pos, len);
        pos += len + 1;
        return s;
    }
};

void FileStorageItem::save_to_stream(lib::io::BinaryOutputStream& out) const {
    save_to_stream(out, static_cast<int>(values.size()));
}

void FileStorageItem::save_to_stream(lib::io::BinaryOutputStream& out, int value_count) const {
    if (value_count < 0 || value_count > 255)
        throw std::invalid_argument("FileStorageItem::save_to_stream: value count out of range");
    char buffer[record_fixed_size + 4 * 255];
    out.write(buffer, static_cast<unsigned>(encode_record(*this, value_count, buffer)));
}

void FileStorage::save_data_block(int type, lib::io::BinaryMemoryOutputStream& payload,
                                  lib::io::BinaryOutputStream& out) {
    const auto size = static_cast<std::int16_t>(payload.get_size());
    char header[3];
    header[0] = static_cast<char>(type);
    std::memcpy(header + 1, &size, 2);
    out.write(header, 3);
    out.write(payload.get_buffer(), payload.get_size());
}

void FileStorage::save_params(lib::io::BinaryMemoryOutputStream& out) {
    const auto count = static_cast<std::uint8_t>(param_count_);
    lib::io::write_binary(out, count);
    for (int i = 0; i < param_count_; ++i) {
        const FileStorageParam& p = params_[static_cast<std::size_t>(i)];
        lib::io::write_binary(out, p.name);
        lib::io::write_binary(out, p.unit);
        lib::io::write_binary(out, p.short_name);
        lib::io::write_binary(out, p.global_name);
        lib::io::write_binary(out, p.scale_min);
        lib::io::write_binary(out, p.scale_max);
    }
}

void FileStorage::save_text_values(lib::io::BinaryMemoryOutputStream& out, FileStorageTextValues& values) {
    values.ri_to_data();
    lib::io::write_binary(out, values.get_full_text());
}

void FileStorage::check_block_sizes() {
    std::size_t params = 1;
    for (int i = 0; i < param_count_; ++i) {
        const FileStorageParam& p = params_[static_cast<std::size_t>(i)];
        params += text_size(p.name) + text_size(p.unit) + text_size(p.short_name) + text_size(p.global_name) + 8;
    }
    if (params > max_block_payload) too_large(params);
    text_values_.ri_to_data();
    const std::size_t text = text_size(text_values_.get_full_text());
    if (text > max_block_payload) too_large(text);
}

void FileStorage::save_all_to_stream(lib::io::BinaryOutputStream& out) {
    check_block_sizes();
    lib::io::BinaryMemoryOutputStream block;
    save_params(block);
    save_data_block(params_block, block, out);

    // Record blocks are built in one buffer and go out with one write each.
    char buffer[3 + record_fixed_size + 4 * max_params];
    for (const auto& r : records_) {
        const std::size_t payload = encode_record(*r, param_count_, buffer + 3);
        const auto size = static_cast<std::int16_t>(payload);
        buffer[0] = static_cast<char>(record_block);
        std::memcpy(buffer + 1, &size, 2);
        out.write(buffer, static_cast<unsigned>(payload + 3));
    }

    block.clear();
    save_text_values(block, text_values_);
    save_data_block(text_block, block, out);
}

void FileStorage::save_with_new_format(const AnsiString& file) {
    // Everything that could refuse the store is checked before the old file is truncated.
    check_block_sizes();
    lib::io::BinaryOutputFileStream out;
    out.open(file, false, true);
    save_all_to_stream(out);
    FILETIME created, accessed;
    out.get_time(created, accessed, saved_file_time);
    out.close();
}

bool FileStorage::add_new_file(const AnsiString& file, bool text_only) {
    lib::io::InputMappedFile in;
    in.open(file, true);
    return add_new_data(in.get_data(), in.get_size(), text_only);
}

bool FileStorage::add_new_data(const char* data, std::size_t size, bool text_only) {
    reader in{data, size};
    // Columns belong to the file being read: a record before this file's parameter block must
    // not be mapped by another file's columns.
    file_param_count_ = 0;
    records_.reserve(records_.size() + size / (3 + record_fixed_size));
    try {
        while (in.pos < in.size) {
            const auto type = in.get<std::uint8_t>();
            const auto block_size = in.get<std::int16_t>();
            if (block_size == 0) break;
            if (block_size < 0) throw FileStorageException("line_header.size = " + std::to_string(block_size));
            if (type == text_block) {
                load_text_values(in, block_size);
            } else if (!text_only && type == record_block) {
                add_values(in);
            } else if (!text_only && type == params_block) {
                load_params(in);
            } else {
                in.pos += static_cast<std::size_t>(block_size);
            }
        }
    } catch (const FileStorageException& e) {
        if (e.is_critical()) throw;
        warnings_.push_back(AnsiString(e.what()));
    }
    text_values_.ri_from_data();
    return true;
}

void FileStorage::load_params(reader& in) {
    const int count = in.get<std::uint8_t>();
    if (count > max_params) throw FileStorageException("слишком много параметров"_cp);
    // Until every descriptor has been read, the file's columns are not known.
    file_param_count_ = 0;
    // Parameters added before a damaged descriptor stay: the records get their columns too.
    struct resize_records {
        FileStorage& s;
        ~resize_records() {
            for (auto& r : s.records_)
                r->resize(s.param_count_);
        }
    } resize{*this};
    for (int i = 0; i < count; ++i) {
        FileStorageParam p;
        p.name = in.text();
        p.unit = in.text();
        p.short_name = in.text();
        p.global_name = in.text();
        p.scale_min = in.get<float>();
        p.scale_max = in.get<float>();
        file_param_map_[static_cast<std::size_t>(i)] = add_parametr(p);
    }
    file_param_count_ = count;
}

void FileStorage::add_values(reader& in) {
    in.need(record_fixed_size);
    const char* p = in.data + in.pos;
    const int n = static_cast<std::uint8_t>(p[17]);
    if (n != file_param_count_)
        throw FileStorageException("Недопустимое число параметров в файле: "_cp + std::to_string(n));
    in.pos += record_fixed_size;
    in.need(static_cast<std::size_t>(n) * 4);
    const char* values = in.data + in.pos;
    in.pos += static_cast<std::size_t>(n) * 4;

    std::uint32_t time;
    std::memcpy(&time, p, 4);
    if (time < time_range_start || time > time_range_end) return;
    auto r = std::make_shared<FileStorageItem>();
    r->time = time;
    std::memcpy(&r->depth, p + 4, 4);
    std::memcpy(&r->third_depth, p + 8, 4);
    r->tag = static_cast<std::uint8_t>(p[12]);
    std::memcpy(&r->second_depth, p + 13, 4);
    r->values.assign(static_cast<std::size_t>(param_count_), 0.0f);
    bool in_place = n == param_count_;
    for (int i = 0; in_place && i < n; ++i)
        in_place = file_param_map_[static_cast<std::size_t>(i)] == i;
    if (in_place) {
        if (n > 0) std::memcpy(r->values.data(), values, static_cast<std::size_t>(n) * 4);
    } else {
        for (int i = 0; i < n; ++i)
            std::memcpy(&r->values[static_cast<std::size_t>(file_param_map_[static_cast<std::size_t>(i)])],
                        values + 4 * i, 4);
    }
    records_.push_back(std::move(r));
}

void FileStorage::load_text_values(reader& in, int size) {
    in.need(static_cast<std::size_t>(size));
    const char* bytes = in.data + in.pos;
    in.pos += static_cast<std::size_t>(size);
    if (bytes[size - 1] != 0) throw FileStorageException("Повреждён файл в области текстовых данных"_cp);
    TStringList lines;
    lines.SetText(AnsiString(bytes));
    TStringList& list = text_values_.get_list();
    for (int i = 0; i < lines.Count(); ++i) {
        const AnsiString name = lines.Names(i);
        const AnsiString value = FileStorageTextValues::check_inverted_commas(lines.Values(name));
        if (!lib::cp1251::equal_nocase(value.view(), "::не задано::"_cp)) list.SetValue(name, value);
    }
}
