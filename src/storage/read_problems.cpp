// Errors and warnings of the data-file readers.
#include "read_problems.h"

#include <filesystem>
#include <stdexcept>
#include <string>

#include "gti/io/damage.h"
#include "gti/platform/os.h"
#include "gti/storage/file_storage.h"

namespace lib::storage {
namespace {

bool names(std::string_view what, const AnsiString& file) {
    return what.size() > file.size() && what.substr(0, file.size()) == file.view() && what[file.size()] == ':';
}

}  // namespace

std::string with_file(const AnsiString& file, std::string_view what) {
    if (file.empty() || names(what, file)) return std::string(what);
    return file.str() + ": " + std::string(what);
}

AnsiString damage_warning(const AnsiString& file, std::uint64_t offset, std::string_view what,
                          std::uint64_t read_before, std::uint64_t bytes_not_read, std::string_view item,
                          std::string_view items) {
    std::string text = io::damage_message(file, offset, what).str();
    text += "; " + io::grouped(read_before) + " " + std::string(read_before == 1 ? item : items) + " read before it; " +
            io::grouped(bytes_not_read) + (bytes_not_read == 1 ? " byte" : " bytes") + " not read";
    return AnsiString(std::move(text));
}

void rethrow_naming(const AnsiString& file) {
    try {
        throw;
    } catch (const complete_error&) {
        throw;
    } catch (const FileStorageException& e) {
        if (names(e.what(), file)) throw;
        throw FileStorageException(with_file(file, e.what()), e.is_critical());
    } catch (const std::range_error& e) {
        if (names(e.what(), file)) throw;
        throw std::range_error(with_file(file, e.what()));
    } catch (const std::runtime_error& e) {
        if (names(e.what(), file)) throw;
        throw std::runtime_error(with_file(file, e.what()));
    }
}

void open_data_file(io::InputMappedFile& in, const AnsiString& file, bool lock) {
    open_data_file(in, os::file_path(file), lock);
}

void open_data_file(io::InputMappedFile& in, const os::file_path& file, bool lock) {
    os::dir_entry entry;
    if (!os::entry_info(file, entry)) {
        const std::string& native = file.native();
        const std::size_t sep = native.find_last_of("\\/");
        if (sep != std::string::npos && sep != 0) {
            const os::file_path folder = os::file_path::from_native(native.substr(0, sep));
            if (!os::entry_info(folder, entry))
                throw complete_error("folder " + folder.display().str() + " does not exist");
        }
    }
    try {
        in.open(file, lock);
    } catch (const std::runtime_error&) {
        // An empty file cannot be mapped: say what it is rather than how mapping failed.
        if (os::entry_info(file, entry) && entry.size == 0 && (entry.attributes & os::attr_directory) == 0)
            throw std::runtime_error("the file is empty");
        throw;
    }
}

}  // namespace lib::storage
