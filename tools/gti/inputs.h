// What the tool takes in as data besides the data files: CSV files and LAS logs.
#pragma once

#include "gti/storage/file_storage.h"

namespace gti_tool {

// The kinds of file the tool reads records from.
enum class input_kind {
    data_file,  // a data file of the station, by its extension (gti/storage/data_file.h)
    csv,        // ".csv", ".csv.gz" (csv.h)
    las,        // ".las", a LAS well log
};

// The kind of an input, by its name (letter case ignored).
input_kind input_kind_of(const lib::os::file_path& name);

// Adds the records of a LAS log (lib::las::import_storage: curves as parameters, the index a
// time or a depth) to the store, as append_records (join.h) adds them, keeping those inside the store's
// time range. Returns the number of rows left out for a time that is NULL or no station time.
// Throws std::runtime_error naming the file for a file that cannot be read or holds no log.
int add_las_log(const lib::os::file_path& file, FileStorage& store);

}  // namespace gti_tool
