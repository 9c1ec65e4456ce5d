// The command line on Windows, where argv holds the arguments in the ANSI code page and loses the
// characters it lacks ("井" in a folder's name).
#pragma once

#include <string>
#include <vector>

namespace gti_tool {

// The arguments of the process, program name first, from the wide command line in UTF-8; empty
// when the system cannot give them.
std::vector<std::string> wide_arguments();

}  // namespace gti_tool
