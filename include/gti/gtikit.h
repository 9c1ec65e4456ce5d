// gtikit: the class library of a mud-logging station. This header includes every public header.
#pragma once

// platform: the station's platform types and the operating-system layer
#include "gti/platform/ansi_string.h"
#include "gti/platform/codepage.h"
#include "gti/platform/date_time.h"
#include "gti/platform/os.h"
#include "gti/platform/system.h"

// util: number texts, string lists, INI files
#include "gti/util/ini_file.h"
#include "gti/util/number_text.h"
#include "gti/util/string_list.h"

// time: the station's time values and time texts
#include "gti/time/unix_time.h"

// io: binary streams and files
#include "gti/io/file_streams.h"
#include "gti/io/os_file.h"
#include "gti/io/streams.h"

// las: LAS 2.0 well logs
#include "gti/las/file.h"
#include "gti/las/headers.h"
#include "gti/las/lines.h"
#include "gti/las/text.h"
#include "gti/las/values.h"
