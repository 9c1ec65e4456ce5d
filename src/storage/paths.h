// Paths that the data-file units derive from the name of a data file.
#pragma once

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib {

// A file of the folder of `file` (the text up to its last separator, either one) named `name`.
os::file_path file_beside(const os::file_path& file, const AnsiString& name);
// The path of `file` with `suffix` appended to its name.
os::file_path with_suffix(const os::file_path& file, const AnsiString& suffix);

}  // namespace lib
