// The tool's LAS commands: exporting recorded data as a LAS log, describing a LAS file.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// gti las FILE OUT.las [--step M] [--agg mean|last|min|max] [--time [--iso]] [--records]
//                      [--params LIST] [--encoding 1251|utf-8|ascii] [--valid-only]
int las_command(const std::vector<AnsiString>& args);

// True when the file name ends in ".las" (any letter case).
bool is_las_file(const AnsiString& file);

// Prints what a LAS file holds: version and well items, curves, rows, the index range and what
// the reader tolerated (the first 20 notes, all of them with `json`). Returns the exit code:
// 1 when the file holds no log (not LAS, or a refused LAS 3.0 file), else 0.
int print_las_info(const AnsiString& file, bool json);

}  // namespace gti_tool
