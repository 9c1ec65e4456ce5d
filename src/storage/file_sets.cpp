// Data files of both generations: loading by extension and by mask, saving in the generation of
// the file, replacing the run block of a registration file, and saving into a file that another
// process may be extending.
#include <algorithm>
#include <cstring>
#include <string>

#include "gti/io/file_streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/storage/file_storage.h"
#include "gti/util/files.h"
#include "gti/util/string_list.h"

using namespace lib::literals;

namespace {

constexpr int text_block = 3;
constexpr std::size_t max_block_payload = 32767;

enum class generation { unknown, registration, old };

// The extension of a path in lower case: from the last point of its file part, point included;
// empty when the file part has none.
std::string extension_of(const AnsiString& path) {
    const std::size_t sep = path.find_last_of("\\/");
    const std::size_t start = sep == AnsiString::npos ? 0 : sep + 1;
    const std::size_t point = path.rfind('.');
    if (point == AnsiString::npos || point < start) return std::string();
    return lib::cp1251::to_lower(path.view().substr(point));
}

generation generation_of(const std::string& extension) {
    if (extension == ".realtim" || extension == ".realdep" || extension == ".reallag") return generation::registration;
    if (extension == ".tim" || extension == ".dep" || extension == ".ldp") return generation::old;
    return generation::unknown;
}

// The run block of some run information: its payload, checked to fit a block.
void run_block(FileStorage& s, FileStorageTextValues& values, lib::io::BinaryMemoryOutputStream& payload) {
    s.save_text_values(payload, values);
    if (payload.get_size() > max_block_payload)
        throw FileStorageException("Блок файла регистрации больше 32767 байт: "_cp + std::to_string(payload.get_size()),
                                   true);
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

bool FileStorage::add_file(const AnsiString& name, bool text_only) {
    const std::string extension = extension_of(name);
    bool result = false;
    switch (generation_of(extension)) {
        case generation::registration:
            result = add_new_file(name, text_only);
            new_format = 1;
            break;
        case generation::old:
            result = add_old_file(name, text_only);
            new_format = 0;
            break;
        case generation::unknown:
            throw FileStorageException("Неправильное расширение открываемого файла: "_cp + extension, true);
    }
    FILETIME written{};
    lib::get_file_times(name, nullptr, &written);
    saved_file_time = written;
    return result;
}

void FileStorage::save_all(const AnsiString& name, bool text_only) {
    int format = new_format;
    switch (generation_of(extension_of(name))) {
        case generation::registration:
            format = 1;
            break;
        case generation::old:
            format = 0;
            break;
        case generation::unknown:
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
        std::vector<int> types{text_block};
        exclude_records(name, types);
        append_text_values(name, text_values_);
    } else if (format == 0) {
        save_old_file(name, text_only);
    }
}

void FileStorage::smart_save_all(const AnsiString& name) {
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
    lib::io::BinaryMemoryOutputStream payload;
    run_block(*this, values, payload);
    lib::io::BinaryOutputFileStream out;
    out.open(name, true, true);
    save_data_block(text_block, payload, out);
    out.close();
}

void FileStorage::exclude_records(const AnsiString& name, std::vector<int>& block_types) {
    if (generation_of(extension_of(name)) != generation::registration) return;
    std::sort(block_types.begin(), block_types.end());
    const AnsiString temporary = name + ".tmp";
    bool written = false;
    try {
        lib::io::InputMappedFile in;
        in.open(name, true);
        lib::io::BinaryOutputFileStream out;
        out.open(temporary, false, false);
        const char* data = in.get_data();
        const std::size_t size = in.get_size();
        std::size_t pos = 0;
        while (size - pos >= 3) {
            const int type = static_cast<unsigned char>(data[pos]);
            std::int16_t block_size;
            std::memcpy(&block_size, data + pos + 1, 2);
            if (block_size == 0) break;
            if (block_size < 0 || static_cast<std::size_t>(block_size) > size - pos - 3) {
                // A block that cannot be walked: it and everything after it stay as they are.
                out.write(data + pos, static_cast<unsigned>(size - pos));
                break;
            }
            const std::size_t end = pos + 3 + static_cast<std::size_t>(block_size);
            if (!std::binary_search(block_types.begin(), block_types.end(), type))
                out.write(data + pos, static_cast<unsigned>(end - pos));
            pos = end;
        }
        out.close();
        written = true;
    } catch (const std::runtime_error&) {
        // The file cannot be read or the copy cannot be written: the file stays as it was.
    }
    if (written) lib::os::copy_file(temporary, name);
    lib::os::delete_file(temporary);
}
