// The tool's boundary with the terminal: station text (code page 1251) goes out as UTF-8, in
// aligned tables for people or as JSON for scripts.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// JSON documents of the tool: members in the order they are added.
using json_value = nlohmann::ordered_json;

// Station text for the terminal.
std::string u8(const AnsiString& s);

// Station text as a JSON string (UTF-8).
json_value json_text(const AnsiString& s);

// A number for JSON; NaN and infinities become null.
json_value json_number(double v);

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
