// The tool's boundary with the terminal: station text (code page 1251) goes out as UTF-8, in
// aligned tables for people or as JSON for scripts.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace gti_tool {

// JSON documents of the tool: members in the order they are added.
using json_value = nlohmann::ordered_json;

// Station text for the terminal. The names of the files the tool knows (known_name) come out as
// the system spells them wherever their lib::os::file_path::display() stands in the text.
std::string u8(const AnsiString& s);

// Makes u8 give back the name of `file`, of its folder and of its run file as typed: messages and JSON name a
// file by display(), which writes a character that code page 1251 cannot hold as "<U+XXXX>", and
// people read "Sleipner Øst" where they wrote it. Returns `file`.
const lib::os::file_path& known_name(const lib::os::file_path& file);

// Station text as a JSON string (UTF-8).
json_value json_text(const AnsiString& s);

// A number for JSON; NaN and infinities become null.
json_value json_number(double v);

// A float for JSON with the digits the float holds (1285.4331, not 1285.43310546875).
json_value json_number(float v);

// Prints a JSON document on standard output, indented by two.
void print_json(const json_value& doc);

// Writes a line of station text to standard output.
void say(const AnsiString& line);

// Writes a line of station text to standard output unless the run is --quiet: a report of
// what a command did rather than the data it was asked for.
void note(const AnsiString& line);

// Rows of station text printed as columns, each as wide as its widest cell; columns whose
// index is in `right` are aligned right (numbers).
void print_table(const std::vector<std::vector<AnsiString>>& rows, const std::vector<std::size_t>& right = {},
                 const AnsiString& indent = "  ");

// A count with a space between thousands ("14 400"), as people read it.
AnsiString count_text(long long n);

}  // namespace gti_tool
