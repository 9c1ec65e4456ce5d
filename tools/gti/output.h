// The tool's boundary with the terminal: station text (code page 1251) goes out as UTF-8, and
// arguments come in as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// Station text for the terminal.
std::string u8(const AnsiString& s);

// An argument as station text; throws std::runtime_error when 1251 cannot hold it. Every
// message the tool throws is station text, like the library's.
AnsiString from_argument(const char* arg);

// A JSON string literal of station text.
std::string json_string(const AnsiString& s);

// A JSON number; NaN and infinities become null.
std::string json_number(double v);

// Writes a line of station text to standard output.
void say(const AnsiString& line);

}  // namespace gti_tool
