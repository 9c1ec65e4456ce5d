// gti archive: block archives of the station's files.
#pragma once

#include <cstdint>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace gti_tool {

// Packs files into a new archive with a comment (empty for none); returns the archive's size. Each
// file's record takes the file's name, which must be station text: a name that code page 1251
// cannot hold is refused (station_name, cli.h) before anything is written. A failure to write the
// archive is write_failed.
std::uint64_t pack_files(const lib::os::file_path& archive, const std::vector<lib::os::file_path>& files,
                         const AnsiString& comment);

}  // namespace gti_tool
