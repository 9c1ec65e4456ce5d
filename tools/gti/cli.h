// The tool's command framework: commands and their options (CLI11), exit codes, the language of
// the tool's own words, the run-wide switches, and the man page and shell completion made from
// the same help text.
//
// A command unit registers itself with `add_command`: it binds its options to a struct it owns
// and hands over the function that runs the command once the arguments are parsed. Options that
// mean the same thing everywhere are added through the helpers below, so they are spelled and
// described alike in every command.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"
#include "language.h"

namespace gti_tool {

// The tool's exit codes, as `gti --help` lists them.
enum exit_code : int {
    exit_done = 0,         // done
    exit_usage = 1,        // a usage or user error (bad arguments, a missing or unreadable input)
    exit_damaged = 2,      // an input was damaged and read in part; the warnings were printed
    exit_not_written = 3,  // nothing written: the output could not be written
};

// The failure of a write: the command ends with exit_not_written.
class write_failed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs `write`, which writes the output `file`; any failure becomes write_failed naming the file.
void write_output(const lib::os::file_path& file, const std::function<void()>& write);

// Writes the bytes as the file `name`, which takes its new contents whole or keeps its old ones;
// throws std::runtime_error naming the file.
void replace_file(const lib::os::file_path& name, std::string_view bytes);

// Creates the folder `dir` and the folders above it that are missing; write_failed naming it
// when it cannot be created.
void make_folder(const lib::os::file_path& dir);

// Refuses (std::runtime_error) to write `output` when it names one of the inputs, or when it is
// an existing file whose name says another kind than `kind_extensions` (".las", ".png" ...; empty
// for any) and `force` is not given; an output folder that does not exist is write_failed.
void check_output(const lib::os::file_path& output, const std::vector<lib::os::file_path>& inputs,
                  const std::vector<const char*>& kind_extensions, bool force);

// Help text in the language of the run, as UTF-8 for the parser: `en` (ASCII) or `ru` (station
// text).
std::string help_text(const char* en, const char* ru);

// The switches of the whole run.
struct run_options {
    bool quiet = false;  // no progress and no report of what was written
};

// The switches of this run, as parsed.
const run_options& run();

// Progress on standard error: shown only on a terminal, for work worth waiting for, and not
// with --quiet.
class progress_bar {
public:
    // A bar labelled `label` (station text); `shown` false keeps it hidden.
    explicit progress_bar(const AnsiString& label, bool shown = true);
    ~progress_bar();
    progress_bar(const progress_bar&) = delete;
    progress_bar& operator=(const progress_bar&) = delete;

    // Shows the fraction done (0 to 1).
    void operator()(double fraction);

private:
    std::string label_;
    bool shown_;
    int drawn_ = -1;
};

// The running command: what add_command hands over.
using command_runner = std::function<int()>;

// Adds the command `name` to the tool; `run` runs it when it is the one given. Returns the
// command, for its options.
CLI::App* add_command(CLI::App& tool, const std::string& name, const std::string& description, command_runner run);

// The longer account of a command, shown under its options in `gti COMMAND --help`.
void add_details(CLI::App* command, const std::string& text);

// --json: the command prints one JSON document instead of text for people.
void add_json(CLI::App* command, bool& json);

// --force: write over an existing file of another kind.
void add_force(CLI::App* command, bool& force);

// --params KEY,...: the parameters to take, by key.
void add_params(CLI::App* command, std::string& params, const std::string& description = "");

// --from / --to: the part of the data to take, as times (ISO 8601 "YYYY-MM-DDTHH:MM[:SS]", or
// "HH:MM" on the first day of the data) or depths in metres.
void add_range(CLI::App* command, std::string& from, std::string& to);

// A command-line text (UTF-8) as station text; throws std::runtime_error naming the text when
// code page 1251 cannot hold it.
AnsiString station(const std::string& argument);

// A file or folder named on the command line (UTF-8): any name the system allows, shown in
// messages as typed (known_name, output.h).
lib::os::file_path file_argument(const std::string& argument);

// The name of `file` as station text, where only station text will do (a name recorded in a station
// file, a folder the library takes in 1251 alone); with `name_only`, its last component alone (what
// an archive's record keeps). Throws std::runtime_error naming the file and the characters that
// code page 1251 lacks.
AnsiString station_name(const lib::os::file_path& file, bool name_only = false);

// The keys of a --params list, split at commas (empty entries dropped).
std::vector<AnsiString> split_keys(const std::string& list);

// Sets the parser's own words of a command (its help option, the group of its options, the exit
// codes under its help) in the language of the run.
void set_words(CLI::App* app);

// Builds the whole tool: every command of every unit (main.cpp).
std::unique_ptr<CLI::App> make_tool();

// Parses the arguments and runs the command given; returns the exit code. Usage errors print
// the reason and a suggestion.
int run_tool(int argc, char** argv);

// The manual page (roff) made from the tool's help.
std::string man_page(const CLI::App& tool);

// The bash completion script made from the tool's commands and options.
std::string bash_completion(const CLI::App& tool);

}  // namespace gti_tool
