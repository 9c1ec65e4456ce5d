// The tool's commands for the measuring unit's serial line.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// gti serial read PORT [--json] [options]: prints packets as they arrive with the error
// counters. gti serial send PORT DATA [--hex] [options]: sends DATA as one train.
int serial_command(const std::vector<AnsiString>& args);

// gti serial-sim [--every MS] [--errors] [--count N]: a simulated unit on a pseudo-terminal;
// prints the device to connect to, sends a train every MS, prints and confirms what it gets.
int serial_sim_command(const std::vector<AnsiString>& args);

}  // namespace gti_tool
