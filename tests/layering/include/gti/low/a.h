// A header of a low module that reaches up: the layering check must refuse it.
#pragma once

#include "gti/high/b.h"
