// A drilling run made up for demonstrations and benchmarks.
#pragma once

#include <cstdint>

#include "gti/storage/file_storage.h"

namespace gti_tool {

// Fills an empty store with `seconds` records, one a second from `start`, of a run drilled
// from 1250 m: drilling with connections, a wiper trip and circulation, the usual surface
// channels (hook load, pressures, pump strokes, rotation, mud, tanks, gas) and the run
// information. The same arguments always give the same data.
void generate_run(FileStorage& store, std::uint32_t start, int seconds);

}  // namespace gti_tool
