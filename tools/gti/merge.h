// gti merge: several data files, or masks of them, into one.
#pragma once

#include <string>
#include <vector>

namespace gti_tool {

// What gti merge was asked to do. A way of merging adds its options here and in
// add_merge_command.
struct merge_options {
    std::string output;               // as given (UTF-8)
    std::vector<std::string> inputs;  // data files or masks, as given
    bool force = false;               // --force: write over an existing file of another kind
    bool json = false;                // --json: report what was written as JSON
};

// Loads every input (a data file, or a mask of "*" and "?" whose files load in the order of
// their names, letter case ignored) into one store, parameters merged by key and records in the
// order read, and saves it as the output in the generation of its extension. Prints a summary
// and the warnings of inputs read in part; returns the exit code.
int merge(const merge_options& o);

}  // namespace gti_tool
