// Reading a whole file into memory at once.
//
// The one way the library reads a file that it takes in as a whole (text files, LAS logs,
// parameter tables): opened shared for reading, sized once, read in a loop, closed whatever
// happens. The bytes are those of the file when it was opened: a file that shrinks meanwhile
// gives what is left, one that grows its first bytes.
#pragma once

#include <cstddef>
#include <memory>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib::io {

// What became of a whole-file read.
enum class whole_file_status {
    ok,           // the bytes are read
    not_found,    // no file or folder of that name
    cannot_open,  // the file exists but does not open
    cannot_read,  // the system reported an error while reading
    too_large,    // 4 GiB or more
};

// The bytes of a file.
struct whole_file {
    whole_file_status status = whole_file_status::cannot_open;
    std::unique_ptr<char[]> data;  // `size` bytes (null when none)
    std::size_t size = 0;
};

// Reads a whole file; never throws for a file that cannot be read (only std::bad_alloc).
whole_file try_read_whole_file(const AnsiString& name);
whole_file try_read_whole_file(const lib::os::file_path& name);

// Reads a whole file; throws std::runtime_error with the file messages of gti/io/os_file.h
// ("Файл не найден!", "Невозможно открыть файл!", "Невозможно прочитать из файла!",
// "Файл слишком велик (4 ГиБ и больше)!").
whole_file read_whole_file(const AnsiString& name);
whole_file read_whole_file(const lib::os::file_path& name);

}  // namespace lib::io
