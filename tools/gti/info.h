// Loading a data file for the tool, and describing a store.
#pragma once

#include "gti/storage/file_storage.h"

namespace gti_tool {

// Reads a data file into the store by its extension; throws std::runtime_error for a file the
// tool cannot read.
void load_data_file(FileStorage& store, const AnsiString& file);

// Prints what a store holds: parameters, records, time range and step, run information,
// warnings; as text for people or as JSON for scripts.
void print_info(FileStorage& store, const AnsiString& file, bool json);

}  // namespace gti_tool
