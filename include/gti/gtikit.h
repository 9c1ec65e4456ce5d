// gtikit: the class library of a mud-logging station. This header includes every public header.
#pragma once

// platform: the station's platform types and the operating-system layer
#include "gti/platform/ansi_string.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/datagram.h"
#include "gti/platform/date_time.h"
#include "gti/platform/dynlib.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/message.h"
#include "gti/platform/os.h"
#include "gti/platform/serial_line.h"
#include "gti/platform/system.h"
#include "gti/platform/tstream.h"
#include "gti/platform/wakeup.h"

// io: binary streams and files
#include "gti/io/atomic_file.h"
#include "gti/io/damage.h"
#include "gti/io/file_streams.h"
#include "gti/io/mapped_file.h"
#include "gti/io/os_file.h"
#include "gti/io/streams.h"

// time: the station's time values and time texts
#include "gti/time/unix_time.h"

// util: number texts, string lists, INI files, the owning array, text functions, file helpers
#include "gti/util/array.h"
#include "gti/util/files.h"
#include "gti/util/ini_file.h"
#include "gti/util/number_text.h"
#include "gti/util/string_list.h"
#include "gti/util/text.h"

// numeric: digital filters, interpolation, running means, root finding
#include "gti/numeric/filters.h"
#include "gti/numeric/interpolation.h"

// serial: serial lists, the module stream, locks
#include "gti/serial/lock_object.h"
#include "gti/serial/serial_list.h"
#include "gti/serial/serializator.h"

// options: option sets, INI elements, the module registry, well options
#include "gti/options/ini_options.h"
#include "gti/options/module_base.h"
#include "gti/options/module_list.h"
#include "gti/options/options.h"
#include "gti/options/pore_options.h"
#include "gti/options/race_info.h"

// storage: the record store and its data files
#include "gti/storage/file_storage.h"
#include "gti/storage/text_values.h"

// las: LAS 2.0 well logs
#include "gti/las/file.h"
#include "gti/las/headers.h"
#include "gti/las/lines.h"
#include "gti/las/text.h"
#include "gti/las/values.h"

// params: parameters and their calibration, the catalogue, the parameter table
#include "gti/params/all_params.h"
#include "gti/params/listing.h"
#include "gti/params/par_tabl.h"
#include "gti/params/param.h"

// comm: the serial port of the measuring unit and its packet protocol, mailslot notices,
// deferred calls and background tasks
#include "gti/comm/comm_port.h"
#include "gti/comm/mailslot.h"
#include "gti/comm/mess_caller.h"

// plugins: dynamic libraries and the plug-in manager
#include "gti/plugins/dll.h"
#include "gti/plugins/plugin_manager.h"

// archive: the block archive of zlib-deflated files
#include "gti/archive/block_archive.h"

// ui: interface logic without a toolkit, and drawing over cairo
#include "gti/ui/canvas.h"
#include "gti/ui/colors.h"
#include "gti/ui/controls.h"
#include "gti/ui/density_dialog.h"
#include "gti/ui/option_editors.h"
#include "gti/ui/properties.h"
#include "gti/ui/strip_chart.h"
#include "gti/ui/window_state.h"
