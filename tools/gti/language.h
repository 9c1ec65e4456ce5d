// The language of the tool's own words: Russian when the locale says so, English otherwise.
#pragma once

#include "gti/platform/ansi_string.h"

namespace gti_tool {

// True when the locale (LC_ALL, else LC_MESSAGES, else LANG) asks for Russian.
bool russian();

// The tool's own words in the language of the run: `en` (ASCII) or `ru` (station text).
AnsiString tr(const char* en, const char* ru);

}  // namespace gti_tool
