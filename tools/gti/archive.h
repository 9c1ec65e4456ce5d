// gti archive: block archives of the station's files.
#pragma once

#include <cstdint>
#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// Packs files into a new archive with a comment (empty for none); returns the archive's size. A
// failure to write the archive is write_failed.
std::uint64_t pack_files(const AnsiString& archive, const std::vector<AnsiString>& files, const AnsiString& comment);

}  // namespace gti_tool
