// The command that converts data files between their kinds (gti/storage/data_file.h).
#pragma once

#include <string>

#include "gti/storage/file_storage.h"

namespace gti_tool {

// What gti convert was asked to do. A reader or writer of another form adds its options here
// and in add_convert_command.
struct convert_options {
    std::string input, output;  // as given (UTF-8)
    bool plain = false;         // --plain: a .creg keeps every value bit for bit (the default)
    bool quantized = false;     // --quantized: a .creg column in 8 or 16 bits within 1e-4
    bool force = false;         // --force: write over an existing file of another kind
    bool json = false;          // --json: report what was written as JSON
};

// gti convert IN OUT: reads any data file the tool knows and writes it in the kind that OUT's
// extension names, with a progress bar on standard error when that is a terminal. Returns the
// exit code; throws std::runtime_error (or write_failed) with the reason of a failure.
int convert(const convert_options& o);

}  // namespace gti_tool
