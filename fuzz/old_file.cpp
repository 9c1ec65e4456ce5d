// Fuzz target: the old-generation reader with its parameter list "inpgti.nbl" and its run file.
// The input holds the three files: two little-endian 16-bit sizes, then the data file of the
// first size, the list of the second, and the run file of the rest. A list or run file of size 0
// is missing; a data file of size 0 is empty. Whatever the bytes, the reader loads records or
// fails with an exception; every record it keeps has a time and at least 32 values, and writing
// the store back gives 145 bytes per record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "gti/storage/file_storage.h"

namespace {

// A folder of this process for the three files, removed at exit.
class scratch {
public:
    scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "gtikit-fuzz-old-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void put(const std::string& path, const std::uint8_t* data, std::size_t size, bool keep_empty) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (size == 0 && !keep_empty) return;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::size_t size_at(const std::uint8_t* data, std::size_t size, std::size_t at) {
    return at + 2 <= size ? static_cast<std::size_t>(data[at] | (data[at + 1] << 8)) : 0;
}

void check(FileStorage& s) {
    if (s.get_param_count() < 0 || s.get_param_count() > FileStorage::max_params) std::abort();
    int valid = 0;
    for (int i = 0; i < s.get_record_count(); ++i) {
        const FileStorageItem& r = *s.get_record(i);
        if (r.time == 0 || r.values.size() < FileStorage::old_value_count) std::abort();
        valid += r.valid ? 1 : 0;
    }
    lib::io::BinaryMemoryOutputStream out;
    s.old_save_values(out);
    if (out.get_size() != static_cast<unsigned>(valid) * FileStorage::old_record_size) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const scratch folder;
    std::size_t pos = size < 4 ? size : 4;
    const std::size_t data_size = std::min(size_at(data, size, 0), size - pos);
    put(folder.file("12.tim"), data + pos, data_size, true);
    pos += data_size;
    const std::size_t list_size = std::min(size_at(data, size, 2), size - pos);
    put(folder.file("inpgti.nbl"), data + pos, list_size, false);
    pos += list_size;
    put(folder.file("12.rac"), data + pos, size - pos, false);

    for (bool text_only : {false, true}) {
        FileStorage s;
        try {
            s.add_file(folder.file("12.tim").c_str(), text_only);
        } catch (const std::exception&) {
            // Torn, empty or missing files fail as their streams report it.
        }
        check(s);
    }
    return 0;
}
