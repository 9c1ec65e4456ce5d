// Text listings of parameters, for tools that show a parameter table or the catalogue.
//
// Every line holds the fields of one parameter separated by tabs, numbers written with
// lib::float_to_str (precision after magnitude), texts as stored (code page 1251):
//
//   list_params     position, global_name, name, short_name, unit, adc_channel, range, zero,
//                   scale_min, scale_max, averaging, flags, number of calibration points, and
//                   the extra values as key=value pieces joined by "; "
//   list_catalogue  group name, index, global_name, name, short_name, unit, adc_channel, range,
//                   scale_min, scale_max, averaging, flags; by ascending group, in table order
//                   within a group
#pragma once

#include "gti/params/all_params.h"
#include "gti/params/par_tabl.h"
#include "gti/util/string_list.h"

namespace lib {

// Appends one line per parameter of `table`, in table order.
void list_params(const ParTabl& table, TStrings& out);

// Appends one line per entry of `catalogue`, grouped by display group.
void list_catalogue(AllParams& catalogue, TStrings& out);

}  // namespace lib
