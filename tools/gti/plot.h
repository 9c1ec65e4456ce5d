// gti plot: a recorded data file as a mud-log strip chart, in PNG or SVG.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// gti plot FILE -o OUT.png|OUT.svg [--params k1,k2+k3,...] [--depth|--time] [--from X --to Y]
// [--height PIXELS]: draws the chart; "+" joins curves into one track. Throws
// std::runtime_error for bad arguments and for files it cannot read or write.
int plot(const std::vector<AnsiString>& args);

}  // namespace gti_tool
