// Must not compile: "井" has no place in code page 1251, so the literal cannot be station text.
#include "gti/platform/cp_literal.h"

using namespace lib::literals;

const char* const key = "井"_cp;
