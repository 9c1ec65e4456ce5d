// Data files of both generations: loading by extension and by mask, saving in the generation of
// the file, replacing the run block of a registration file, and saving into a file that another
// process may be extending.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "gti/io/file_streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/storage/compressed_file.h"
#include "gti/storage/data_file.h"
#include "gti/storage/file_storage.h"
#include "gti/storage/registration_file.h"
#include "gti/util/files.h"
#include "gti/util/string_list.h"
#include "paths.h"

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
    return os::file_path(std::filesystem::path(folder + os::file_path(name).native()));
}

os::file_path with_suffix(const os::file_path& file, const AnsiString& suffix) {
    return os::file_path(std::filesystem::path(file.native() + os::file_path(suffix).native()));
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
    FILETIME written{};
    lib::get_file_times(name, nullptr, &written);
    saved_file_time = written;
    return result;
}

void FileStorage::save_all(const AnsiString& name, bool text_only) {
    save_all(lib::os::file_path(name), text_only, encode_plain);
}

void FileStorage::save_all(const lib::os::file_path& name, bool text_only) {
    save_all(name, text_only, encode_plain);
}

void FileStorage::save_all(const AnsiString& name, bool text_only, EncodeType encoding) {
    save_all(lib::os::file_path(name), text_only, encoding);
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
        // The old run block goes only once the new one is known to fit.
        lib::io::BinaryMemoryOutputStream payload;
        run_block(*this, text_values_, payload);
        std::vector<int> types{reg::text_block};
        exclude_records(name, types);
        append_text_values(name, text_values_);
    } else if (format == 0) {
        save_old_file(name, text_only);
    }
}

void FileStorage::smart_save_all(const AnsiString& name) {
    smart_save_all(lib::os::file_path(name));
}

void FileStorage::smart_save_all(const lib::os::file_path& name) {
    FILETIME first{}, second{};
    const bool seen = lib::get_file_times(name, nullptr, &first);
    lib::sleep_ms(200);
    const bool seen_again = lib::get_file_times(name, nullptr, &second);
    if (!seen || !seen_again || (first == saved_file_time && second == saved_file_time)) {
        save_all(name, false);
        return;
    }
    // Only records later than the store's latest one come from the file. The time range and the
    // store's own run information are back as they were afterwards, whatever happens.
    std::uint32_t latest = 0;
    for (const auto& r : records_)
        latest = std::max(latest, r->time);
    if (records_.empty() || latest != 0xFFFFFFFFu) {
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
        add_file(name, false);
    }
    save_all(name, false);
}

void FileStorage::append_text_values(const AnsiString& name, FileStorageTextValues& values) {
    append_text_values(lib::os::file_path(name), values);
}

void FileStorage::append_text_values(const lib::os::file_path& name, FileStorageTextValues& values) {
    lib::io::BinaryMemoryOutputStream payload;
    run_block(*this, values, payload);
    lib::io::BinaryOutputFileStream out;
    out.open(name, true, true);
    save_data_block(reg::text_block, payload, out);
    out.close();
}

void FileStorage::exclude_records(const AnsiString& name, std::vector<int>& block_types) {
    exclude_records(lib::os::file_path(name), block_types);
}

void FileStorage::exclude_records(const lib::os::file_path& name, std::vector<int>& block_types) {
    if (lib::data_file_kind_of(name) != data_file_kind::registration) return;
    std::sort(block_types.begin(), block_types.end());
    const lib::os::file_path temporary = lib::with_suffix(name, ".tmp");
    bool written = false;
    try {
        lib::io::InputMappedFile in;
        in.open(name, true);
        lib::io::BinaryOutputFileStream out;
        out.open(temporary, false, false);
        lib::storage::byte_reader bytes{in.get_data(), in.get_size()};
        for (;;) {
            const std::size_t start = bytes.pos;
            reg::block_header h;
            const reg::block_status status = reg::next_block(bytes, h);
            if (status == reg::block_status::negative_size ||
                (status == reg::block_status::block && !bytes.skip(static_cast<std::size_t>(h.size)))) {
                // A block that cannot be walked: it and everything after it stay as they are.
                out.write(bytes.data + start, static_cast<unsigned>(bytes.size - start));
                break;
            }
            if (status != reg::block_status::block) break;
            if (!std::binary_search(block_types.begin(), block_types.end(), static_cast<int>(h.type)))
                out.write(bytes.data + start, static_cast<unsigned>(bytes.pos - start));
        }
        out.close();
        written = true;
    } catch (const std::runtime_error&) {
        // The file cannot be read or the copy cannot be written: the file stays as it was.
    }
    if (written) lib::os::copy_file(temporary, name);
    lib::os::delete_file(temporary);
}
