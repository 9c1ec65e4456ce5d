// The command that converts data files between their kinds (gti/storage/data_file.h).
#pragma once

#include <vector>

#include "gti/storage/file_storage.h"

namespace gti_tool {

// gti convert IN OUT [--plain|--quantized]: reads any data file the tool knows and writes it in
// the kind that OUT's extension names, with a progress bar on standard error when that is a
// terminal. Returns the exit code; throws std::runtime_error with the reason of a failure.
int convert(const std::vector<AnsiString>& args);

}  // namespace gti_tool
