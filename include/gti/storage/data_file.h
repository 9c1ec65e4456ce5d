// The kinds of the station's data files, told apart by the extension of their names.
//
//   kind                  extensions (letter case ignored)      layout
//   registration          .realtim .realdep .reallag            gti/storage/registration_file.h
//   old generation        .tim .dep .ldp                        gti/storage/old_file.h
//   compressed            .creg                                 gti/storage/compressed_file.h
//
// The first two differ in generation, not in content: each has a time-indexed, a depth-indexed
// and a lag-depth-indexed file. FileStorage::add_file and save_all choose the format with
// data_file_kind_of; programs that offer files by kind use it too.
#pragma once

#include <string>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib {

// The kind of a data file.
enum class data_file_kind { unknown, registration, old_generation, compressed };

// The extension of a path in lower case: from the last point of its file part, point included;
// empty when the file part has none. Both separators count.
std::string data_file_extension(const AnsiString& path);
std::string data_file_extension(const os::file_path& path);

// The kind of the data file that `path` names, by its extension.
data_file_kind data_file_kind_of(const AnsiString& path);
data_file_kind data_file_kind_of(const os::file_path& path);

}  // namespace lib
