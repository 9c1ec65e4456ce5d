// Data files of the old generation (".tim", ".dep", ".ldp" with "inpgti.nbl" and the run file)
// in the tool: saving a store in the generation that the file's extension names.
#pragma once

#include "gti/storage/file_storage.h"

namespace gti_tool {

// True for a file of the old generation, by its extension (letter case ignored).
bool is_old_generation(const lib::os::file_path& file);

// Saves the store as the data file `file`, in the generation of its extension. An old-generation
// file is refused (write_failed, nothing written) when a parameter would find no column
// in it: more than 32 parameters, or one that the folder's "inpgti.nbl" does not list.
// Any failure to write is write_failed naming the file.
void save_data_file(FileStorage& store, const lib::os::file_path& file);

}  // namespace gti_tool
