// The tool's LAS commands: exporting recorded data as a LAS log, describing a LAS file.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// gti las FILE OUT.las [--valid-only] [--time]
int las_command(const std::vector<AnsiString>& args);

// True when the file name ends in ".las" (any letter case).
bool is_las_file(const AnsiString& file);

// Prints what a LAS file holds: version and well items, curves, rows and the index range.
void print_las_info(const AnsiString& file, bool json);

}  // namespace gti_tool
