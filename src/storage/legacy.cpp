// The old generation of data files: 145-byte records, the parameter list "inpgti.nbl" and the
// run file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "gti/io/atomic_file.h"
#include "gti/io/file_streams.h"
#include "gti/io/whole_file.h"
#include "gti/options/ini_options.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/storage/file_storage.h"
#include "gti/storage/old_file.h"
#include "gti/util/files.h"
#include "gti/util/string_list.h"
#include "paths.h"
#include "read_problems.h"
#include "record_arena.h"
#include "refusals.h"

using namespace lib::literals;

namespace {

namespace old = lib::old_file;
using old::columns;
constexpr std::size_t record_size = old::record_size;
constexpr int value_count = old::value_count;

// The lock of a folder of old files, held while its list and a data file written by the list's
// columns change, and while they are read: two writers never describe one file's columns by the
// other's list, and a reader never sees a list with a data file it does not describe. It is a
// named lock of the folder's full path, shared by every program of the user.
class folder_lock {
public:
    explicit folder_lock(const lib::os::file_path& data_file) : mutex_(lock_name(data_file)) { mutex_.lock(); }
    ~folder_lock() { mutex_.unlock(); }
    folder_lock(const folder_lock&) = delete;
    folder_lock& operator=(const folder_lock&) = delete;

private:
    static AnsiString lock_name(const lib::os::file_path& data_file) {
        const std::string& native = data_file.native();
        const std::size_t sep = native.find_last_of("\\/");
        std::error_code ec;
        std::filesystem::path path(sep == std::string::npos ? std::string(".") : native.substr(0, sep + 1));
        path = std::filesystem::absolute(path, ec);
        const std::filesystem::path real = std::filesystem::weakly_canonical(path, ec);
        // FNV-1a of the path: a short name that no separator splits.
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : (ec ? path : real).string())
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        return AnsiString("gti-old-folder-") + hex;
    }

    lib::os::named_mutex mutex_;
};

// The keys of the entries of a parameter list, in column order; empty keys stand for unused
// columns.
std::vector<AnsiString> list_keys(const char* data, std::size_t size) {
    std::vector<AnsiString> keys;
    for (const FileStorageParam& p : old::decode_list(data, size))
        keys.push_back(p.global_name);
    return keys;
}

// The keys of the parameter list in the folder of a data file; none when there is no list or it
// is empty. A list that exists but cannot be read (held by another program for too long) fails
// with its file error: its columns are not known.
std::vector<AnsiString> folder_list_keys(const lib::os::file_path& name) {
    const lib::os::file_path path = lib::file_beside(name, old::list_name);
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
    return add_old_file(lib::os::file_path(name), text_only);
}

bool FileStorage::add_old_file(const lib::os::file_path& name, bool text_only) {
    file_name = name.display();
    if (!text_only) {
        const folder_lock folder(name);
        // Without the list the values stay in the file's column order, and its error, naming
        // the list, reaches the caller after the records.
        const lib::os::file_path list_path = lib::file_beside(name, old::list_name);
        std::exception_ptr list_error;
        lib::storage::naming_file(name, [&] {
            lib::io::InputMappedFile data;
            lib::storage::open_data_file(data, name, true);
            lib::io::InputMappedFile list;
            try {
                lib::storage::naming_file(list_path, [&] { lib::storage::open_data_file(list, list_path, true); });
            } catch (const std::runtime_error&) {
                list_error = std::current_exception();
            }
            const std::string_view list_bytes(list.get_data() ? list.get_data() : "", list.get_size());
            add_old_records(std::string_view(data.get_data(), data.get_size()), list_error ? nullptr : &list_bytes,
                            name.display(), list_path.display());
        });
        if (list_error != nullptr) std::rethrow_exception(list_error);
    }
    load_text_values(name);
    text_values_.ri_from_data_old(name);
    return !text_only && get_record_count() > 0;
}

bool FileStorage::add_old_data(std::string_view data, std::optional<std::string_view> list,
                               std::optional<std::string_view> run_text) {
    add_old_records(data, list ? &*list : nullptr, "old-generation data", old::list_name);
    if (run_text) {
        merge_run_text(*run_text);
        // As from a file: the list then holds the run text's lines as they are.
        text_values_.get_list().SetText(AnsiString(*run_text));
    }
    return get_record_count() > 0;
}

void FileStorage::add_old_records(std::string_view data, const std::string_view* list, const AnsiString& name,
                                  const AnsiString& list_name) {
    if (!data.empty() && !old::starts_like_file(data.data(), data.size()))
        throw FileStorageException(lib::storage::with_file(name, "not an old-generation data file"), true);
    // The list comes first so that every column finds its parameter by key.
    columns map;
    map.fill(-1);
    int entries = 0;
    if (list != nullptr) {
        lib::storage::byte_reader in{list->data(), list->size()};
        FileStorageParam p;
        while (in.left() > 0) {
            const std::size_t start = in.pos;
            if (!old::decode_entry(in, p)) {
                warnings_.push_back(lib::storage::damage_warning(list_name, start, "an entry is cut short", entries,
                                                                 list->size() - start, "entry", "entries"));
                break;
            }
            int index = -1;
            if (!p.global_name.empty()) {
                try {
                    index = add_parametr(p);
                } catch (const FileStorageException& e) {
                    warnings_.push_back(AnsiString(lib::storage::with_file(list_name, e.what())));
                }
            }
            if (entries < value_count) map[static_cast<std::size_t>(entries)] = index;
            ++entries;
        }
    }
    // The common case: the list's columns are the store's first parameters, in order, and no
    // other parameter would meet a column of the file; the record keeps its 32 values as read.
    const int described = std::min(entries, value_count);
    bool as_read = list == nullptr || described == value_count || param_count_ == described;
    for (int k = 0; as_read && k < described; ++k)
        as_read = map[static_cast<std::size_t>(k)] == k;
    const int width = as_read ? value_count : std::max(value_count, param_count_);

    lib::storage::byte_reader in{data.data(), data.size()};
    record_arena arena(records_, data.size() / record_size, width);
    std::uint64_t records_read = 0;
    while (in.left() > 0) {
        old::record_view v;
        if (!old::decode_record(in, v)) {
            // A record cut short: a recorder stopped in the middle of it. The whole ones stay.
            warnings_.push_back(
                lib::storage::damage_warning(name, in.pos, "a record is cut short", records_read, in.left()));
            break;
        }
        ++records_read;
        if (v.time == 0 || v.time < time_range_start || v.time > time_range_end) continue;
        FileStorageItem& r = arena.add(width);
        r.tag = v.tag;
        r.time = v.time;
        r.depth = v.depth;
        r.second_depth = v.second_depth;
        r.third_depth = v.depth;
        if (as_read) {
            std::memcpy(r.values.data(), v.values, value_count * 4);
        } else {
            for (int k = 0; k < value_count; ++k) {
                const int p = map[static_cast<std::size_t>(k)];
                if (p >= 0) std::memcpy(&r.values[static_cast<std::size_t>(p)], v.values + 4 * k, 4);
            }
        }
    }
}

void FileStorage::load_text_values(const AnsiString& name) {
    load_text_values(lib::os::file_path(name));
}

void FileStorage::load_text_values(const lib::os::file_path& name) {
    const lib::os::file_path race_file = RaceInfo::get_race_file(name);
    if (race_file.native().empty()) return;
    const lib::io::whole_file f = lib::io::try_read_whole_file(race_file);
    if (f.status != lib::io::whole_file_status::ok) return;
    merge_run_text(std::string_view(f.data.get(), f.size));
}

void FileStorage::merge_run_text(std::string_view run_text) {
    lib::old_file::merge_run_text(run_text, text_values_.get_list());
}

void FileStorage::old_save_values(lib::io::BinaryOutputStream& out) {
    const columns cols = in_order(param_count_);
    char raw[record_size];
    for (const auto& r : records_) {
        if (!r->valid) continue;
        old::encode_record(*r, cols, raw);
        out.write(raw, record_size);
    }
}

void FileStorage::old_save_params(lib::io::BinaryOutputStream& out) {
    old::encode_list(out, params_.data(), param_count_);
}

std::array<int, FileStorage::old_value_count> FileStorage::old_columns(const AnsiString& name) const {
    return old_columns(lib::os::file_path(name));
}

std::array<int, FileStorage::old_value_count> FileStorage::old_columns(const lib::os::file_path& name) const {
    return columns_by_keys(*this, folder_list_keys(name));
}

void FileStorage::save_old_file(const lib::os::file_path& name, bool text_only) {
    // Everything that would make a file its reader refuses, or reads back otherwise, is refused
    // before anything is touched.
    const AnsiString& shown = name.display();
    const lib::os::file_path race_file = RaceInfo::get_race_file(name);
    lib::storage::refuse_unstorable_run_fields(text_values_, shown);
    if (!text_only) {
        lib::storage::refuse_unstorable_texts(*this, shown);
        if (std::ranges::none_of(records_, [](const auto& r) { return r->valid; }))
            throw FileStorageException(shown.str() +
                                           ": not written: no valid record, and an old-generation file "
                                           "without records cannot be read back",
                                       true);
    }
    warn_run_losses(shown, race_file);

    // The folder's list and the data files written by its columns change together.
    const folder_lock folder(name);
    std::exception_ptr data_error;
    if (!text_only) {
        const std::vector<AnsiString> keys = folder_list_keys(name);
        const bool new_list = std::ranges::all_of(keys, [](const AnsiString& k) { return k.empty(); });
        if (new_list && param_count_ == 0)
            throw FileStorageException(shown.str() +
                                           ": not written: no parameter, and a folder of old files without "
                                           "a parameter list cannot be read back",
                                       true);
        const columns cols = columns_by_keys(*this, keys);
        warn_data_losses(shown, cols, new_list);
        try {
            lib::io::atomic_file out(name);
            char raw[record_size];
            for (const auto& r : records_) {
                if (!r->valid) continue;
                old::encode_record(*r, cols, raw);
                out.write(raw, record_size);
            }
            out.commit();
            // The old files of a folder share one list: it is written only where none describes
            // any column yet.
            if (new_list) {
                lib::io::atomic_file list(lib::file_beside(name, old::list_name));
                old_save_params(list);
                list.commit();
            }
        } catch (const std::runtime_error&) {
            data_error = std::current_exception();
        }
    }
    if (!race_file.native().empty()) {
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
    saved_file_size_ = -1;
    if (data_error != nullptr) std::rethrow_exception(data_error);
}

void FileStorage::warn_data_losses(const AnsiString& name, const columns& cols, bool new_list) {
    std::vector<AnsiString> lost;
    for (int i = 0; i < param_count_; ++i)
        if (std::ranges::find(cols, i) == cols.end()) lost.push_back(params_[static_cast<std::size_t>(i)].global_name);
    if (!lost.empty()) {
        warnings_.push_back(name +
                            (new_list ? ": the old generation holds 32 parameters; not written: "
                                      : ": \"inpgti.nbl\" of the folder has no column for: ") +
                            lib::storage::key_list(lost));
    }
    const auto own_third = [](const auto& r) {
        return r->valid && !(r->third_depth == r->depth || (std::isnan(r->third_depth) && std::isnan(r->depth)));
    };
    if (const auto n = std::ranges::count_if(records_, own_third); n > 0) {
        warnings_.push_back(name + ": the old generation keeps no third depth; not written for " + std::to_string(n) +
                            " records");
    }
}

void FileStorage::warn_run_losses(const AnsiString& name, const lib::os::file_path& race_file) {
    // The run file holds the run fields of its INI sections; the run text's other lines, and the
    // fields that have no key there, stay behind.
    static const std::vector<AnsiString> carried = [] {
        std::vector<AnsiString> keys;
        RaceInfo run;
        lib::ini_options_elements elements;
        run.get_elements_list(elements);
        for (const auto& e : elements.items())
            keys.push_back(e->key);
        FileStorageTextValues all;
        all.ri_to_data();
        for (int i = 0; i < all.get_list().Count(); ++i)
            keys.push_back(all.get_list().Names(i));
        return keys;
    }();
    static const char* const uncarried[] = {"диаметр_скважины"_cp, "мастер"_cp,         "насос"_cp,
                                            "временной_файл"_cp,   "глубинный_файл"_cp, "реальн_глубинный_файл"_cp};
    const auto is = [](const AnsiString& a, std::string_view b) { return lib::cp1251::equal_nocase(a.view(), b); };
    std::vector<AnsiString> lost;
    const auto set = [](const AnsiString& v) {
        return v.view().find_first_not_of(' ') != std::string_view::npos &&
               !lib::cp1251::equal_nocase(v.view(), "::не задано::"_cp);
    };
    const FileStorageTextValues& run = text_values_;
    const bool fields[] = {run.hole_diameter != 0,  set(run.foreman),         set(run.pump),
                           set(run.time_file_name), set(run.depth_file_name), set(run.real_depth_file_name)};
    for (std::size_t i = 0; i < std::size(fields); ++i)
        if (fields[i]) lost.push_back(uncarried[i]);
    const TStringList& list = text_values_.get_list();
    for (int i = 0; i < list.Count(); ++i) {
        if (list[i].find('=') == AnsiString::npos || list.Values(list.Names(i)).empty()) continue;
        const AnsiString key = list.Names(i);
        const bool known = std::ranges::any_of(carried, [&](const AnsiString& k) { return is(k, key.view()); });
        const bool dropped = std::ranges::any_of(uncarried, [&](const char* k) { return is(key, k); });
        if ((!known || dropped) && std::ranges::none_of(lost, [&](const AnsiString& k) { return is(k, key.view()); }))
            lost.push_back(key);
    }
    if (lost.empty()) return;
    warnings_.push_back(
        (race_file.native().empty() ? name : race_file.display()) +
        ": the old generation's run file keeps only its run fields; not written: " + lib::storage::key_list(lost));
}
