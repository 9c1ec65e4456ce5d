// gti merge: several data files, or masks of them, into one.
#pragma once

#include <string>
#include <vector>

#include "convert.h"

namespace gti_tool {

// What gti merge was asked to do. A way of merging adds its options here and in
// add_merge_command.
struct merge_options {
    std::string output;               // as given (UTF-8)
    std::vector<std::string> inputs;  // data files or masks, as given
    bool force = false;               // --force: write over an existing file of another kind
    bool json = false;                // --json: report what was written as JSON
    bool join = false;                // --join: records of one time become one (join.h)
    csv_input_options csv;            // how a CSV input is read
    selection_options select;         // the parameters and records to write
};

// Loads every input (a data file, a CSV file, a LAS log, or a mask of "*" and "?" whose files
// load in the order of their names, letter case ignored) into one store, parameters merged by
// key, and saves it as the output in the kind of its extension. Records stay in the order read,
// and a warning names inputs whose times overlap; with `join` the inputs are joined by time
// (join_by_time). What --params, --from and --to select of the result is written, with a
// progress bar over the inputs on standard error when that is a terminal. Prints a summary and the warnings of inputs
// read in part; returns the exit code.
int merge(const merge_options& o);

}  // namespace gti_tool
