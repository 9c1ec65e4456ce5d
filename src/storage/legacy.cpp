// The old generation of data files: 145-byte records, the parameter list "inpgti.nbl" and the
// run file.
#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "gti/io/file_streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/storage/file_storage.h"
#include "gti/util/files.h"
#include "gti/util/ini_file.h"
#include "gti/util/string_list.h"

using namespace lib::literals;

namespace {

constexpr std::size_t record_size = FileStorage::old_record_size;
constexpr int value_count = FileStorage::old_value_count;
constexpr std::size_t entry_unused_before = 12;
constexpr std::size_t entry_unused_after = 5;
const char* const list_name = "inpgti.nbl";

using columns = std::array<int, value_count>;

// The folder part of a path with its separator; empty for a bare name.
AnsiString folder_of(const AnsiString& path) {
    const std::size_t sep = path.find_last_of("\\/");
    return sep == AnsiString::npos ? AnsiString() : path.substr(0, sep + 1);
}

// One entry of a parameter list, read from the bytes at `pos`. False when the entry runs past
// the end of the bytes; `pos` is then at the end.
bool read_entry(const char* data, std::size_t size, std::size_t& pos, FileStorageParam& p) {
    auto text = [&](AnsiString& out) {
        const void* zero = pos < size ? std::memchr(data + pos, 0, size - pos) : nullptr;
        if (zero == nullptr) return false;
        const auto len = static_cast<std::size_t>(static_cast<const char*>(zero) - (data + pos));
        out = AnsiString(data + pos, len);
        pos += len + 1;
        return true;
    };
    const bool texts = text(p.name) && text(p.short_name) && text(p.unit) && text(p.global_name);
    constexpr std::size_t tail = entry_unused_before + 8 + entry_unused_after;
    if (!texts || size - pos < tail) {
        pos = size;
        return false;
    }
    std::memcpy(&p.scale_min, data + pos + entry_unused_before, 4);
    std::memcpy(&p.scale_max, data + pos + entry_unused_before + 4, 4);
    pos += tail;
    return true;
}

// The keys of the entries of a parameter list, in column order; empty keys stand for unused
// columns. An entry cut short ends the list.
std::vector<AnsiString> list_keys(const char* data, std::size_t size) {
    std::vector<AnsiString> keys;
    std::size_t pos = 0;
    FileStorageParam p;
    while (pos < size && read_entry(data, size, pos, p))
        keys.push_back(p.global_name);
    return keys;
}

// The keys of the parameter list in the folder of a data file; none when there is no list or it
// is empty. A list that exists but cannot be read (held by another program for too long) fails
// with its file error: its columns are not known.
std::vector<AnsiString> folder_list_keys(const AnsiString& name) {
    const AnsiString path = folder_of(name) + list_name;
    try {
        lib::io::InputMappedFile list;
        list.open(path, true);
        return list_keys(list.get_data(), list.get_size());
    } catch (const std::runtime_error&) {
        lib::os::dir_entry e;
        if (!lib::os::entry_info(path, e) || e.size == 0) return {};
        throw;
    }
}

// 1 byte of a record for the 1-byte field, 4 bytes otherwise.
template <class T>
void put(char* at, const T& v) {
    std::memcpy(at, &v, sizeof v);
}

// A record in the old layout, column k holding the value of parameter columns[k] (0 for -1 or
// a value the record lacks).
void encode_record(const FileStorageItem& r, const columns& cols, char* out) {
    std::memset(out, 0, record_size);
    put(out, r.tag);
    put(out + 1, r.time);
    put(out + 5, r.depth);
    put(out + 9, r.second_depth);
    for (int k = 0; k < value_count; ++k) {
        const int p = cols[static_cast<std::size_t>(k)];
        if (p >= 0 && static_cast<std::size_t>(p) < r.values.size())
            put(out + 13 + 4 * k, r.values[static_cast<std::size_t>(p)]);
    }
}

// The columns of a store in parameter order: the first 32 parameters.
columns in_order(int param_count) {
    columns cols;
    for (int k = 0; k < value_count; ++k)
        cols[static_cast<std::size_t>(k)] = k < param_count ? k : -1;
    return cols;
}

// The parameter of a store that each column holds, by the keys of a parameter list; without a
// key in the list, the first 32 parameters in order.
columns columns_by_keys(const FileStorage& s, const std::vector<AnsiString>& keys) {
    if (std::ranges::all_of(keys, [](const AnsiString& k) { return k.empty(); })) return in_order(s.get_param_count());
    columns cols;
    cols.fill(-1);
    for (std::size_t k = 0; k < keys.size() && k < cols.size(); ++k) {
        for (int i = 0; !keys[k].empty() && i < s.get_param_count(); ++i) {
            if (lib::cp1251::equal_nocase(s.get_param(i)->global_name.view(), keys[k].view())) {
                cols[k] = i;
                break;
            }
        }
    }
    return cols;
}

}  // namespace

bool FileStorage::add_old_file(const AnsiString& name, bool text_only) {
    file_name = name;
    if (text_only) {
        load_text_values(name);
        text_values_.ri_from_data_old();
        return false;
    }
    lib::io::InputMappedFile data;
    data.open(name, true);

    // The list comes first so that every column finds its parameter by key. Without it the
    // values stay in the file's column order, and its error reaches the caller after the records.
    columns map;
    map.fill(-1);
    int entries = 0;
    std::exception_ptr list_error;
    lib::io::InputMappedFile list;
    try {
        list.open(folder_of(name) + list_name, true);
    } catch (const std::runtime_error&) {
        list_error = std::current_exception();
    }
    if (list_error == nullptr) {
        std::size_t pos = 0;
        FileStorageParam p;
        while (pos < list.get_size() && read_entry(list.get_data(), list.get_size(), pos, p)) {
            int index = -1;
            if (!p.global_name.empty()) {
                try {
                    index = add_parametr(p);
                } catch (const FileStorageException& e) {
                    warnings_.push_back(AnsiString(e.what()));
                }
            }
            if (entries < value_count) map[static_cast<std::size_t>(entries)] = index;
            ++entries;
        }
        list.close();
    }
    // The common case: the list's columns are the store's first parameters, in order, and no
    // other parameter would meet a column of the file; the record keeps its 32 values as read.
    const int described = std::min(entries, value_count);
    bool as_read = list_error != nullptr || described == value_count || param_count_ == described;
    for (int k = 0; as_read && k < described; ++k)
        as_read = map[static_cast<std::size_t>(k)] == k;
    const std::size_t width = as_read ? value_count : std::max(value_count, param_count_);

    records_.reserve(records_.size() + data.get_size() / record_size);
    char raw[record_size];
    while (!data.eof()) {
        data.read(raw, record_size);  // a record cut short fails here with the stream's error
        std::uint32_t time;
        std::memcpy(&time, raw + 1, 4);
        if (time == 0 || time < time_range_start || time > time_range_end) continue;
        auto r = std::make_shared<FileStorageItem>();
        r->tag = static_cast<std::uint8_t>(raw[0]);
        r->time = time;
        std::memcpy(&r->depth, raw + 5, 4);
        std::memcpy(&r->second_depth, raw + 9, 4);
        r->third_depth = r->depth;
        r->values.assign(width, 0.0f);
        if (as_read) {
            std::memcpy(r->values.data(), raw + 13, value_count * 4);
        } else {
            for (int k = 0; k < value_count; ++k) {
                const int p = map[static_cast<std::size_t>(k)];
                if (p >= 0) std::memcpy(&r->values[static_cast<std::size_t>(p)], raw + 13 + 4 * k, 4);
            }
        }
        records_.push_back(std::move(r));
    }
    data.close();
    if (list_error != nullptr) std::rethrow_exception(list_error);

    load_text_values(name);
    text_values_.ri_from_data_old();
    return get_record_count() > 0;
}

void FileStorage::load_text_values(const AnsiString& name) {
    const AnsiString race_file = RaceInfo::get_race_file(name);
    if (race_file.empty()) return;
    TStringList lines;
    if (!lib::try_to_load_text_file(&lines, race_file, 1)) return;
    TStringList& list = text_values_.get_list();
    for (int i = 0; i < lines.Count(); ++i) {
        if (lines[i].find('=') == AnsiString::npos) continue;
        const AnsiString key = lines.Names(i);
        list.SetValue(key, FileStorageTextValues::check_inverted_commas(lines.Values(key)));
    }
    const TIniFile ini(race_file);
    list.SetValue("нач_глубина"_cp, ini.ReadString("начало_рейса"_cp, "глубина"_cp, ""));
    list.SetValue("нач_время"_cp, ini.ReadString("начало_рейса"_cp, "время"_cp, ""));
    list.SetValue("конеч_глубина"_cp, ini.ReadString("окончание_рейса"_cp, "глубина"_cp, ""));
    list.SetValue("конеч_время"_cp, ini.ReadString("окончание_рейса"_cp, "время"_cp, ""));
}

void FileStorage::old_save_values(lib::io::BinaryOutputStream& out) {
    const columns cols = in_order(param_count_);
    char raw[record_size];
    for (const auto& r : records_) {
        if (!r->valid) continue;
        encode_record(*r, cols, raw);
        out.write(raw, record_size);
    }
}

void FileStorage::old_save_params(lib::io::BinaryOutputStream& out) {
    const char unused[entry_unused_before] = {};
    for (int i = 0; i < std::min(param_count_, value_count); ++i) {
        const FileStorageParam& p = params_[static_cast<std::size_t>(i)];
        lib::io::write_binary(out, p.name);
        lib::io::write_binary(out, p.short_name);
        lib::io::write_binary(out, p.unit);
        lib::io::write_binary(out, p.global_name);
        out.write(unused, entry_unused_before);
        lib::io::write_binary(out, p.scale_min);
        lib::io::write_binary(out, p.scale_max);
        out.write(unused, entry_unused_after);
    }
}

std::array<int, FileStorage::old_value_count> FileStorage::old_columns(const AnsiString& name) const {
    return columns_by_keys(*this, folder_list_keys(name));
}

void FileStorage::save_old_file(const AnsiString& name, bool text_only) {
    std::exception_ptr data_error;
    if (!text_only) {
        const std::vector<AnsiString> keys = folder_list_keys(name);
        const bool new_list = std::ranges::all_of(keys, [](const AnsiString& k) { return k.empty(); });
        const columns cols = columns_by_keys(*this, keys);
        try {
            lib::io::BinaryOutputFileStream out;
            out.open(name, false, true);
            char raw[record_size];
            for (const auto& r : records_) {
                if (!r->valid) continue;
                encode_record(*r, cols, raw);
                out.write(raw, record_size);
            }
            out.close();
            // The old files of a folder share one list: it is written only where none describes
            // any column yet.
            if (new_list) {
                lib::io::BinaryOutputFileStream list;
                list.open(folder_of(name) + list_name, false, true);
                old_save_params(list);
                list.close();
            }
        } catch (const std::runtime_error&) {
            data_error = std::current_exception();
        }
    }
    const AnsiString race_file = RaceInfo::get_race_file(name);
    if (!race_file.empty()) {
        RaceInfo run;
        static_cast<RaceInfoData&>(run) = static_cast<const RaceInfoData&>(text_values_);
        try {
            run.save(race_file);
        } catch (const std::runtime_error&) {
            // A run file that cannot be written is reported, after a data file that could not be.
            if (data_error == nullptr) data_error = std::current_exception();
        }
    }
    FILETIME written{};
    lib::get_file_times(name, nullptr, &written);
    saved_file_time = written;
    if (data_error != nullptr) std::rethrow_exception(data_error);
}
