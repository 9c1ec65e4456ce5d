// How the readers of data files report a file they cannot read whole: the file named in front of
// every error, the place and the extent of damage in every warning, and the opening of a data
// file with errors a person understands (a missing folder, a missing file, an empty one).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "gti/io/file_streams.h"
#include "gti/platform/ansi_string.h"

namespace lib::storage {

// An error whose text says all there is, a file's name not needed in front
// ("folder F does not exist").
struct complete_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "FILE: what"; `what` alone when it already begins with "FILE:".
std::string with_file(const AnsiString& file, std::string_view what);

// The warning about damage in `file` at byte `offset`:
//   FILE: damaged at byte N: WHAT; K records read before it; B bytes not read
// where `read_before` counts the whole items ("record", "records") read before it.
AnsiString damage_warning(const AnsiString& file, std::uint64_t offset, std::string_view what,
                          std::uint64_t read_before, std::uint64_t bytes_not_read, std::string_view item = "record",
                          std::string_view items = "records");

// Rethrows the exception being handled with `file` named in front of its text: a
// FileStorageException keeps its flag, a std::range_error and a std::runtime_error their type;
// a complete_error and others go on as they are. Call only from a catch block.
[[noreturn]] void rethrow_naming(const AnsiString& file);

// Runs `read` and rethrows its failures with `file` named (rethrow_naming).
template <class F>
decltype(auto) naming_file(const AnsiString& file, F&& read) {
    try {
        return read();
    } catch (...) {
        rethrow_naming(file);
    }
}

// Opens and maps a data file. Fails with "folder F does not exist" when the folder of the file is
// missing, "the file is empty" for a file of no bytes, and the file errors of gti/io otherwise.
void open_data_file(io::InputMappedFile& in, const AnsiString& file, bool lock);

}  // namespace lib::storage
