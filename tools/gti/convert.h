// The command that converts data files between their kinds (gti/storage/data_file.h).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "gti/storage/file_storage.h"

namespace CLI {
class App;
}

namespace gti_tool {

// How CSV inputs are read (csv.h), for convert and merge; texts as given (UTF-8).
struct csv_input_options {
    std::string time_column;   // --time-column: the time column's name (else found by its name)
    std::string depth_column;  // --depth-column: the depth column's name (else found by its name)
    std::string null_text;     // --null: cells equal to it are missing (empty: only empty cells)
    std::string map;           // --map: a file giving key, name, unit and scale per column
};

// Adds --time-column, --depth-column, --null and --map to a command.
void add_csv_options(CLI::App* command, csv_input_options& o);

// Reads an input of any kind the tool takes in (inputs.h: a data file, a CSV file, a LAS log)
// into the store. Returns the number of warnings it printed about the input (rows of a LAS log
// left out); the store's own warnings are not among them. `progress`, when given, hears the
// fraction read of a compressed data file or a CSV file.
std::size_t read_input(FileStorage& store, const lib::os::file_path& file, const csv_input_options& o,
                       const std::function<void(double)>& progress = nullptr);

// The part of the data a command writes (select.h), as given (UTF-8; empty: all).
struct selection_options {
    std::string params;  // --params: the keys of the parameters to keep
    std::string from;    // --from: the first time or depth to keep
    std::string to;      // --to: the last time or depth to keep
};

// Adds --params, --from and --to to a command.
void add_selection_options(CLI::App* command, selection_options& o);

// The paragraph of a command's --help that tells what --params, --from and --to keep.
std::string selection_details();

// Keeps of the store what the options select (a key names a parameter by its key or its `alias`);
// `where` names the data in messages. Throws std::runtime_error for a key the store lacks, a
// range that cannot be read, and a range that leaves out every record of a store that has some
// (nothing would be written).
void apply_selection(FileStorage& store, const selection_options& o, const AnsiString& where,
                     AnsiString (*alias)(const AnsiString& key) = nullptr);

// What gti convert was asked to do. A reader or writer of another form adds its options here
// and in add_convert_command.
struct convert_options {
    std::string input, output;  // as given (UTF-8)
    bool plain = false;         // --plain: a .creg keeps every value bit for bit (the default)
    bool quantized = false;     // --quantized: a .creg column in 8 or 16 bits within 1e-4
    bool force = false;         // --force: write over an existing file of another kind
    bool json = false;          // --json: report what was written as JSON
    csv_input_options csv;      // how a CSV input is read
    selection_options select;   // the parameters and records to write
};

// gti convert IN OUT: reads any data file the tool knows, a CSV file or a LAS log, and writes what
// --params, --from and --to select of it in the kind that OUT's extension names (a data file, or
// a CSV file .csv), with a progress bar on standard error when that is a terminal. Returns the
// exit code; throws std::runtime_error (or write_failed) with the reason of a failure.
int convert(const convert_options& o);

}  // namespace gti_tool
