// gti archive: block archives of the station's files.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// gti archive create|list|extract|test ...; returns the exit code.
int archive_command(const std::vector<AnsiString>& args);

// Packs files into a new archive with a comment (empty for none) and says what it wrote.
void pack_files(const AnsiString& archive, const std::vector<AnsiString>& files, const AnsiString& comment);

}  // namespace gti_tool
