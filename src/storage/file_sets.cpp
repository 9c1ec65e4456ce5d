// Data files of both generations: loading by extension and by mask, saving in the generation of
// the file, replacing the run block of a registration file, and saving into a file that another
// process may be extending.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "gti/io/atomic_file.h"
#include "gti/io/file_streams.h"
#include "gti/io/os_file.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "gti/storage/compressed_file.h"
#include "gti/storage/data_file.h"
#include "gti/storage/file_storage.h"
#include "gti/storage/registration_file.h"
#include "gti/util/files.h"
#include "gti/util/string_list.h"
#include "paths.h"
#include "refusals.h"

using namespace lib::literals;

namespace lib {

std::string data_file_extension(const AnsiString& path) {
    const std::size_t sep = path.find_last_of("\\/");
    const std::size_t start = sep == AnsiString::npos ? 0 : sep + 1;
    const std::size_t point = path.rfind('.');
    if (point == AnsiString::npos || point < start) return std::string();
    return cp1251::to_lower(path.view().substr(point));
}

data_file_kind data_file_kind_of(const AnsiString& path) {
    const std::string e = data_file_extension(path);
    if (e == ".realtim" || e == ".realdep" || e == ".reallag") return data_file_kind::registration;
    if (e == ".tim" || e == ".dep" || e == ".ldp") return data_file_kind::old_generation;
    if (e == compressed::extension) return data_file_kind::compressed;
    return data_file_kind::unknown;
}

// The extension of a known kind is ASCII, which display() keeps as it is.
std::string data_file_extension(const os::file_path& path) {
    return data_file_extension(path.display());
}

data_file_kind data_file_kind_of(const os::file_path& path) {
    return data_file_kind_of(path.display());
}

os::file_path file_beside(const os::file_path& file, const AnsiString& name) {
    const std::string& native = file.native();
    const std::size_t sep = native.find_last_of("\\/");
    const std::string folder = sep == std::string::npos ? std::string() : native.substr(0, sep + 1);
    return os::file_path::from_native(folder + os::file_path(name).native());
}

os::file_path with_suffix(const os::file_path& file, const AnsiString& suffix) {
    return os::file_path::from_native(file.native() + os::file_path(suffix).native());
}

}  // namespace lib

namespace {

namespace reg = lib::registration;
using lib::data_file_kind;

// The run block of some run information: its payload, checked to fit a block.
void run_block(FileStorage& s, FileStorageTextValues& values, lib::io::BinaryMemoryOutputStream& payload) {
    s.save_text_values(payload, values);
    reg::check_block_payload(payload.get_size());
}

}  // namespace

namespace {

// A registration file's bytes, mapped from the handle that holds its lock.
class locked_view {
public:
    explicit locked_view(lib::os::file_handle h) : handle_(h) {
        const std::int64_t size = lib::os::file_size(h);
        if (size < 0) throw std::runtime_error("Невозможно прочитать из файла!"_cp);
        size_ = static_cast<std::size_t>(size);
        if (size_ == 0) return;
        data_ = static_cast<const char*>(lib::os::map_file(h, size_, false));
        if (data_ == nullptr) throw std::runtime_error("Невозможно прочитать из файла!"_cp);
    }
    ~locked_view() {
        if (data_ != nullptr) lib::os::unmap_file(handle_, const_cast<char*>(data_), size_);
    }
    locked_view(const locked_view&) = delete;
    locked_view& operator=(const locked_view&) = delete;

    const char* data() const noexcept { return data_ != nullptr ? data_ : ""; }
    std::size_t size() const noexcept { return size_; }

private:
    lib::os::file_handle handle_;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Writes bytes to the new file of a replacement.
void put(lib::os::file_replacement& r, const char* data, std::size_t size) {
    if (size > 0 && !lib::os::write_file(r.handle(), data, size))
        throw std::runtime_error("Невозможно записать в файл!"_cp);
}

}  // namespace

void FileStorage::add_files_by_mask(const char* mask) {
    const AnsiString m(mask);
    const std::size_t sep = m.find_last_of("\\/");
    const AnsiString folder = sep == AnsiString::npos ? AnsiString() : m.substr(0, sep + 1);
    lib::FileFinder finder;
    finder.find(m, lib::fa_any_file & ~lib::fa_directory, false);
    TStringList names;
    for (const lib::FindedFile& f : finder.files)
        names.Add(f.name);
    names.Sort();
    for (const AnsiString& name : names)
        add_file(folder + name, false);
}

void FileStorage::add_files_by_mask(const lib::os::file_path& mask) {
    std::vector<lib::os::file_path> paths = lib::find_paths(mask, lib::fa_any_file & ~lib::fa_directory);
    std::stable_sort(paths.begin(), paths.end(), [](const lib::os::file_path& a, const lib::os::file_path& b) {
        return lib::cp1251::compare_nocase(a.display().view(), b.display().view()) < 0;
    });
    for (const lib::os::file_path& path : paths)
        add_file(path, false);
}

bool FileStorage::add_file(const AnsiString& name, bool text_only) {
    return add_file(lib::os::file_path(name), text_only);
}

bool FileStorage::add_file(const lib::os::file_path& name, bool text_only) {
    // The file's time comes from a handle opened before the reading: never newer than what is
    // read, so a file replaced or extended meanwhile is merged again by smart_save_all rather
    // than taken as seen.
    FILETIME written{};
    std::int64_t size = -1;
    const lib::os::open_result probe =
        lib::data_file_kind_of(name) == data_file_kind::unknown
            ? lib::os::open_result{}
            : lib::os::open_shared(name, lib::os::access::read, lib::os::disposition::open_existing);
    if (probe.status == lib::os::open_status::ok) {
        lib::os::file_times times{};
        if (lib::os::get_file_times(probe.handle, times)) written = times.last_write;
        size = lib::os::file_size(probe.handle);
        lib::os::close_file(probe.handle);
    }
    bool result = false;
    switch (lib::data_file_kind_of(name)) {
        case data_file_kind::registration:
            result = add_new_file(name, text_only);
            new_format = 1;
            break;
        case data_file_kind::old_generation:
            result = add_old_file(name, text_only);
            new_format = 0;
            break;
        case data_file_kind::compressed:
            result = add_compressed_file(name, text_only);
            break;
        case data_file_kind::unknown:
            throw FileStorageException(
                "Неправильное расширение открываемого файла: "_cp + lib::data_file_extension(name), true);
    }
    saved_file_time = written;
    saved_file_size_ = size;
    return result;
}

// The writers work on names of the system; station names convert to them.
void FileStorage::save_all(const AnsiString& name, bool text_only) {
    save_all(lib::os::file_path(name), text_only, encode_plain);
}

void FileStorage::save_all(const AnsiString& name, bool text_only, EncodeType encoding) {
    save_all(lib::os::file_path(name), text_only, encoding);
}

void FileStorage::smart_save_all(const AnsiString& name) {
    smart_save_all(lib::os::file_path(name));
}

void FileStorage::append_text_values(const AnsiString& name, FileStorageTextValues& values) {
    append_text_values(lib::os::file_path(name), values);
}

void FileStorage::exclude_records(const AnsiString& name, std::vector<int>& block_types) {
    exclude_records(lib::os::file_path(name), block_types);
}

void FileStorage::save_all(const lib::os::file_path& name, bool text_only) {
    save_all(name, text_only, encode_plain);
}

void FileStorage::save_all(const lib::os::file_path& name, bool text_only, EncodeType encoding) {
    int format = new_format;
    switch (lib::data_file_kind_of(name)) {
        case data_file_kind::registration:
            format = 1;
            break;
        case data_file_kind::old_generation:
            format = 0;
            break;
        case data_file_kind::compressed:
            text_values_.ri_to_data();
            save_compressed_file(name, encoding);
            return;
        case data_file_kind::unknown:
            break;
    }
    if (format == 1) {
        text_values_.ri_to_data();
        if (!text_only) {
            save_with_new_format(name);
            return;
        }
        // The new run block takes the old one's place in one replacement of the file: the file
        // is the old one or the new one whole, whatever happens.
        lib::storage::refuse_unstorable_texts(*this, name.display());
        lib::io::BinaryMemoryOutputStream block;
        {
            lib::io::BinaryMemoryOutputStream payload;
            run_block(*this, text_values_, payload);
            save_data_block(reg::text_block, payload, block);
        }
        rewrite_blocks(name, {reg::text_block}, std::string_view(block.get_buffer(), block.get_size()));
    } else if (format == 0) {
        save_old_file(name, text_only);
    }
}

void FileStorage::smart_save_all(const lib::os::file_path& name) {
    if (lib::data_file_kind_of(name) == data_file_kind::registration) {
        // The file stays locked from the merge to the replacement: an appender waits, then finds
        // the new file and appends there, so none of its blocks is lost, and none is caught half
        // written (no second look at the time is needed).
        text_values_.ri_to_data();
        check_block_sizes();
        lib::storage::refuse_unstorable_texts(*this, name.display());
        for (;;) {
            lib::io::atomic_file out(name);
            const lib::os::file_handle old = out.lock_target();
            lib::os::file_times now{};
            if (old != lib::os::invalid_handle && lib::os::get_file_times(old, now) &&
                (!(now.last_write == saved_file_time) || lib::os::file_size(old) != saved_file_size_)) {
                merge_newer_records([&] {
                    const locked_view view(old);
                    add_new_data(view.data(), view.size(), false);
                });
            }
            save_all_to_stream(out);
            if (!out.commit()) continue;
            FILETIME created, accessed;
            out.get_time(created, accessed, saved_file_time);
            saved_file_size_ = out.get_real_size();
            return;
        }
    }
    FILETIME first{}, second{};
    const bool seen = lib::get_file_times(name, nullptr, &first);
    lib::sleep_ms(200);
    const bool seen_again = lib::get_file_times(name, nullptr, &second);
    if (!seen || !seen_again || (first == saved_file_time && second == saved_file_time)) {
        save_all(name, false);
        return;
    }
    merge_newer_records([&] { add_file(name, false); });
    save_all(name, false);
}

void FileStorage::merge_newer_records(const std::function<void()>& read) {
    // Only records later than the store's latest one come from the file. The time range and the
    // store's own run information are back as they were afterwards, whatever happens.
    std::uint32_t latest = 0;
    for (const auto& r : records_)
        latest = std::max(latest, r->time);
    if (!records_.empty() && latest == 0xFFFFFFFFu) return;
    struct restore {
        FileStorage& s;
        std::uint32_t start, end;
        RaceInfoData run;
        ~restore() {
            s.time_range_start = start;
            s.time_range_end = end;
            static_cast<RaceInfoData&>(s.text_values_) = run;
        }
    } guard{*this, time_range_start, time_range_end, text_values_};
    time_range_start = records_.empty() ? 0 : latest + 1;
    time_range_end = 0xFFFFFFFFu;
    read();
}

void FileStorage::append_text_values(const lib::os::file_path& name, FileStorageTextValues& values) {
    lib::io::BinaryMemoryOutputStream block;
    {
        lib::io::BinaryMemoryOutputStream payload;
        run_block(*this, values, payload);
        save_data_block(reg::text_block, payload, block);
    }
    // The lock is the file's own: the name is checked to still be that file once it is held, and
    // the block goes on whole or not at all.
    lib::io::OSFile out;
    out.open(name, lib::io::open_append, true);
    out.append(block.get_buffer(), block.get_size());
}

void FileStorage::exclude_records(const lib::os::file_path& name, std::vector<int>& block_types) {
    if (lib::data_file_kind_of(name) != data_file_kind::registration) return;
    std::sort(block_types.begin(), block_types.end());
    try {
        rewrite_blocks(name, block_types, std::string_view());
    } catch (const std::runtime_error&) {
        // The file cannot be read or its new contents cannot be written: it stays as it was.
    }
}

void FileStorage::rewrite_blocks(const lib::os::file_path& name, const std::vector<int>& types,
                                 std::string_view extra) {
    for (;;) {
        lib::os::file_replacement replacement(name);
        const lib::os::file_handle old = replacement.lock_target();
        if (old == lib::os::invalid_handle && extra.empty()) return;
        if (old != lib::os::invalid_handle) {
            const locked_view view(old);
            lib::storage::byte_reader bytes{view.data(), view.size()};
            // Runs of kept blocks go out in one write each.
            std::size_t kept_from = 0;
            for (;;) {
                const std::size_t start = bytes.pos;
                reg::block_header h;
                const reg::block_status status = reg::next_block(bytes, h);
                if (status == reg::block_status::negative_size ||
                    (status == reg::block_status::block && !bytes.skip(static_cast<std::size_t>(h.size)))) {
                    // A block that cannot be walked: it and everything after it stay as they are.
                    put(replacement, bytes.data + kept_from, bytes.size - kept_from);
                    break;
                }
                if (status != reg::block_status::block) {
                    // A block of size 0 or a cut header ends what any reader reads.
                    put(replacement, bytes.data + kept_from, start - kept_from);
                    break;
                }
                if (std::binary_search(types.begin(), types.end(), static_cast<int>(h.type))) {
                    put(replacement, bytes.data + kept_from, start - kept_from);
                    kept_from = bytes.pos;
                }
            }
        }
        put(replacement, extra.data(), extra.size());
        if (replacement.commit()) return;
    }
}
