// Loading a data file for the tool, and describing a store.
#pragma once

#include <vector>

#include "gti/storage/file_storage.h"

namespace gti_tool {

// Refuses (std::runtime_error, in words) an input that is not there: a missing folder, a
// missing file, a folder given for a file.
void check_input(const lib::os::file_path& file);

// Reads a data file into the store by its extension; throws std::runtime_error naming the file
// for a file the tool cannot read.
void load_data_file(FileStorage& store, const lib::os::file_path& file);

// Prints the store's warnings (what its inputs lost, and where) to standard error; returns
// their number.
std::size_t print_warnings(const FileStorage& store);

// Prints what a store holds: parameters, records, time range and step, run information,
// warnings; as text for people or as JSON for scripts.
void print_info(FileStorage& store, const lib::os::file_path& file, bool json);

// The size of a file in bytes, 0 when it cannot be found.
std::uint64_t file_size(const lib::os::file_path& file);

// Reports a data file a command wrote from `store`: its records, parameters and size, and the
// store's warnings; as one line for people (not with --quiet) or as JSON. Returns the number of
// warnings.
std::size_t print_written(const FileStorage& store, const lib::os::file_path& file, bool json);

}  // namespace gti_tool
