// gti merge: several data files, or masks of them, into one.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// Loads every input (a data file, or a mask of "*" and "?" whose files load in the order of
// their names, letter case ignored) into one store, parameters merged by key and records in the
// order read, and saves it as args[0] in the generation of its extension. Prints a summary and
// the warnings of inputs read in part.
int merge(const std::vector<AnsiString>& args);

}  // namespace gti_tool
