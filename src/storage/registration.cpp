// FileStorage and the registration file: the store's writer and reader over the format's unit.
#include <cstring>
#include <string>

#include "gti/io/atomic_file.h"
#include "gti/io/file_streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/file_storage.h"
#include "gti/storage/registration_file.h"
#include "read_problems.h"
#include "record_arena.h"
#include "refusals.h"

namespace reg = lib::registration;

using namespace lib::literals;

namespace {

// Ends the reading of a file at a damaged block; the reader turns it into a warning.
[[noreturn]] void damaged(const std::string& what) {
    throw FileStorageException(what);
}

}  // namespace

void FileStorageItem::save_to_stream(lib::io::BinaryOutputStream& out) const {
    save_to_stream(out, static_cast<int>(values.size()));
}

void FileStorageItem::save_to_stream(lib::io::BinaryOutputStream& out, int value_count) const {
    if (value_count < 0 || value_count > 255)
        throw std::invalid_argument("FileStorageItem::save_to_stream: value count out of range");
    char buffer[reg::record_fixed_size + 4 * 255];
    out.write(buffer, static_cast<unsigned>(reg::encode_record(*this, value_count, buffer)));
}

void FileStorage::save_data_block(int type, lib::io::BinaryMemoryOutputStream& payload,
                                  lib::io::BinaryOutputStream& out) {
    reg::write_block(out, type, payload.get_buffer(), payload.get_size());
}

void FileStorage::save_params(lib::io::BinaryMemoryOutputStream& out) {
    reg::encode_params(out, params_.data(), param_count_);
}

void FileStorage::save_text_values(lib::io::BinaryMemoryOutputStream& out, FileStorageTextValues& values) {
    values.ri_to_data();
    lib::io::write_binary(out, values.get_full_text());
}

void FileStorage::check_block_sizes() {
    reg::check_block_payload(reg::params_payload_size(params_.data(), param_count_));
    text_values_.ri_to_data();
    reg::check_block_payload(text_values_.get_full_text().size() + 1);
}

void FileStorage::save_all_to_stream(lib::io::BinaryOutputStream& out) {
    check_block_sizes();
    lib::io::BinaryMemoryOutputStream block;
    save_params(block);
    save_data_block(reg::params_block, block, out);

    // Record blocks are built in one buffer and go out with one write each.
    char buffer[reg::block_header_size + reg::record_fixed_size + 4 * max_params];
    for (const auto& r : records_) {
        const std::size_t payload = reg::encode_record(*r, param_count_, buffer + reg::block_header_size);
        const auto size = static_cast<std::int16_t>(payload);
        buffer[0] = static_cast<char>(reg::record_block);
        std::memcpy(buffer + 1, &size, 2);
        out.write(buffer, static_cast<unsigned>(payload + reg::block_header_size));
    }

    block.clear();
    save_text_values(block, text_values_);
    save_data_block(reg::text_block, block, out);
}

void FileStorage::save_with_new_format(const AnsiString& file) {
    // Everything that could refuse the store is checked before anything is written; the new
    // file takes the old one's place whole, or the old one stays.
    check_block_sizes();
    lib::storage::refuse_unstorable_texts(*this, file);
    lib::io::atomic_file out(file);
    save_all_to_stream(out);
    out.commit();
    FILETIME created, accessed;
    out.get_time(created, accessed, saved_file_time);
    saved_file_size_ = out.get_real_size();
}

bool FileStorage::add_new_file(const AnsiString& file, bool text_only) {
    return lib::storage::naming_file(file, [&] {
        lib::io::InputMappedFile in;
        lib::storage::open_data_file(in, file, true);
        return add_new_data(in.get_data(), in.get_size(), text_only, file);
    });
}

bool FileStorage::add_new_data(const char* data, std::size_t size, bool text_only, const AnsiString& name) {
    const AnsiString label = name.empty() ? AnsiString("registration data") : name;
    if (!reg::starts_like_file(data, size))
        throw FileStorageException(lib::storage::with_file(label, "not a registration file"), true);
    lib::storage::byte_reader in{data, size};
    // Columns belong to the file being read: a record before this file's parameter block must
    // not be mapped by another file's columns.
    file_param_count_ = 0;
    record_arena arena(records_, size / (reg::block_header_size + reg::record_fixed_size), param_count_);
    std::uint64_t records_read = 0;
    std::size_t block_start = 0;
    try {
        for (;;) {
            block_start = in.pos;
            reg::block_header h;
            const reg::block_status status = reg::next_block(in, h);
            if (status == reg::block_status::end) break;
            if (status == reg::block_status::end_mark) {
                // A size of 0 ends the file; bytes after it are damage, not an ending.
                if (in.left() > 0) damaged("a block header of size 0 ends the file early");
                break;
            }
            if (status == reg::block_status::cut_header) damaged("the file ends inside a block header");
            if (status == reg::block_status::negative_size) damaged("line_header.size = " + std::to_string(h.size));
            if (h.type == reg::text_block) {
                load_text_values(in, h.size);
            } else if (!text_only && h.type == reg::record_block) {
                add_values(in, arena);
                ++records_read;
            } else if (!text_only && h.type == reg::params_block) {
                load_params(in);
            } else if (!in.skip(static_cast<std::size_t>(h.size))) {
                damaged("a block of type " + std::to_string(h.type) + " is cut short");
            }
        }
    } catch (const FileStorageException& e) {
        if (e.is_critical()) throw;
        warnings_.push_back(
            lib::storage::damage_warning(label, block_start, e.what(), records_read, size - block_start));
    }
    text_values_.ri_from_data();
    return true;
}

void FileStorage::load_params(lib::storage::byte_reader& in) {
    std::vector<FileStorageParam> read;
    const reg::params_status status = reg::decode_params(in, read);
    if (status == reg::params_status::too_many) throw FileStorageException("слишком много параметров"_cp);
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
    for (std::size_t i = 0; i < read.size(); ++i)
        file_param_map_[i] = add_parametr(read[i]);
    if (status == reg::params_status::cut) damaged("a parameter block is cut short");
    file_param_count_ = static_cast<int>(read.size());
}

void FileStorage::add_values(lib::storage::byte_reader& in, record_arena& arena) {
    reg::record_view v;
    const reg::record_status status = reg::decode_record(in, v);
    if (status == reg::record_status::cut_fields) damaged("a record block is cut short");
    if (v.count != file_param_count_)
        throw FileStorageException("Недопустимое число параметров в файле: "_cp + std::to_string(v.count));
    if (status == reg::record_status::cut_values) damaged("a record block is cut short");
    if (v.time < time_range_start || v.time > time_range_end) return;
    FileStorageItem& r = arena.add(param_count_);
    r.time = v.time;
    r.depth = v.depth;
    r.third_depth = v.third_depth;
    r.tag = v.tag;
    r.second_depth = v.second_depth;
    const int n = v.count;
    bool in_place = n == param_count_;
    for (int i = 0; in_place && i < n; ++i)
        in_place = file_param_map_[static_cast<std::size_t>(i)] == i;
    if (in_place) {
        if (n > 0) std::memcpy(r.values.data(), v.values, static_cast<std::size_t>(n) * 4);
    } else {
        for (int i = 0; i < n; ++i)
            std::memcpy(&r.values[static_cast<std::size_t>(file_param_map_[static_cast<std::size_t>(i)])],
                        v.values + 4 * i, 4);
    }
}

void FileStorage::load_text_values(lib::storage::byte_reader& in, int size) {
    AnsiString text;
    const reg::text_status status = reg::decode_text(in, static_cast<std::size_t>(size), text);
    if (status == reg::text_status::cut) damaged("a run-information block is cut short");
    if (status == reg::text_status::no_zero) throw FileStorageException("Повреждён файл в области текстовых данных"_cp);
    TStringList lines;
    lines.SetText(text);
    TStringList& list = text_values_.get_list();
    for (int i = 0; i < lines.Count(); ++i) {
        const AnsiString name = lines.Names(i);
        const AnsiString value = FileStorageTextValues::check_inverted_commas(lines.Values(name));
        if (!lib::cp1251::equal_nocase(value.view(), "::не задано::"_cp)) list.SetValue(name, value);
    }
}
