// The tool's LAS commands: exporting recorded data as a LAS log, describing a LAS file.
#pragma once

#include <string>

#include "gti/las/file.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace gti_tool {

// Writes a LAS document as the file `output` in the encoding "1251", "utf-8" or "ascii"; the file
// takes its new contents whole or keeps its old ones (write_failed naming the file).
void save_las(lib::las::file& doc, const lib::os::file_path& output, const std::string& encoding);

// True when the file name ends in ".las" (any letter case).
bool is_las_file(const lib::os::file_path& file);

// Prints what a LAS file holds: version and well items, curves, rows, the index range and what
// the reader tolerated (the first 20 notes, all of them with `json`). Returns the exit code:
// 1 when the file holds no log (not LAS, or a refused LAS 3.0 file), else 0.
int print_las_info(const lib::os::file_path& file, bool json);

}  // namespace gti_tool
