// The tool's commands for the station's notices and plug-ins.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// gti notify SLOT TEXT [--udp ADDRESS:PORT]: sends a notice to the programs listening on SLOT.
int notify_command(const std::vector<AnsiString>& args);

// gti listen SLOT [--json] [--count N] [--udp ADDRESS:PORT]: prints the notices sent to SLOT as
// they arrive, until interrupted or N have come.
int listen_command(const std::vector<AnsiString>& args);

// gti plugins DIR: what a plug-in folder would load, and why a library was skipped.
int plugins_command(const std::vector<AnsiString>& args);

}  // namespace gti_tool
