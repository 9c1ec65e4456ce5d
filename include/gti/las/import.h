// A LAS well log turned into a record store, so that a log goes wherever a data file goes.
//
// import_storage reads the document's curves (the ~C block, in order) and rows:
//   index    curve 0. It is a time index when it reads as ISO 8601 or its unit is a time unit
//            (S, SEC, SECS, MS, MIN, H, HR, letter case ignored): seconds (or those units) since
//            1970-01-01 00:00:00 local time, as export_storage writes TIME. Otherwise it is the
//            depth.
//   time     the time index; for a depth log the first other curve in a time unit, else the
//            well block's DATE (ISO 8601) for every record, else 1970-01-01 00:00:00.
//   depth    the depth index; for a time log the DEPT curve, else NaN. Depths in feet (F, FT)
//            become metres, the station's unit.
//   params   every other curve, in order: key = the mnemonic, name = the description, unit, short
//            name = the mnemonic, scale = the least and greatest value of the column (0 and 100
//            when it has none). A description "name (key)" whose key makes the mnemonic, as
//            export_storage writes it, gives back that name and key. A mnemonic met before
//            (letter case ignored) gets _2, _3, ...
//   values   a NULL cell (null_value or not a number) is missing_value (NaN).
//   run      WELL and FLD of the well block become the run's well and area, RUN of the parameter
//            block its number.
// Times are local wall-clock times, converted as gti/time/unix_time.h says. A row whose time is
// NULL or outside the station's time values (1969-12-31 00:00:00 to 2106-02-05 06:28:15) is left
// out and counted.
#pragma once

#include "gti/las/file.h"
#include "gti/storage/file_storage.h"

namespace lib::las {

// What import_storage made of a log.
struct import_result {
    int records = 0;  // records added to the store
    int skipped = 0;  // rows left out: their time is NULL or no station time
};

// Replaces the store's records, parameters and run text by the log's (see above). Throws
// std::runtime_error when the document holds no log (not LAS, a refused LAS 3.0 file, no curve)
// or more curves than a store holds parameters.
import_result import_storage(const file& doc, FileStorage& store);

}  // namespace lib::las
