// The tool's commands for parameters: a parameter-table file and the built-in catalogue.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// gti params FILE: the parameters of a table file with their conversion, calibration points
// and extra values.
int params_command(const std::vector<AnsiString>& args);

// gti catalogue: the built-in catalogue of known parameters, by group.
int catalogue_command(const std::vector<AnsiString>& args);

}  // namespace gti_tool
