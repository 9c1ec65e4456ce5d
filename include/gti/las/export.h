// Recorded drilling data as a LAS 2.0 well log.
//
// export_storage fills a LAS document from a record store. The index, by export_options::index:
//   depth    a depth log: one row per `step` of new hole (default 0.1 m). Records are taken in
//            time order; a record whose depth lies below every depth before it drilled new hole,
//            and it belongs to the step that ends at or below its depth (steps end at whole
//            multiples of `step`). Each curve of a row is the mean (or the last, the least, the
//            greatest: `agg`) of the numbers its records hold, a mean to the precision of a float;
//            NULL where no record fell. Rows
//            run from the first step below the depth of the first record to the deepest one.
//   time     one row per record in time order, indexed by TIME: seconds since 1970-01-01
//            00:00:00 local time (unit "S"), or that time as ISO 8601 text ("ISO8601") with
//            `iso_time`; DEPT is the second curve.
//   records  one row per record in depth order (records of one depth keep their time order).
// Blocks:
//   ~V  VERS 2.00, WRAP NO
//   ~W  STRT, STOP, STEP of the index as the rows hold it (STEP 0 when the steps differ), NULL,
//       WELL and FLD (the run's well and area), DATE (the first record's time, ISO 8601)
//   ~P  RUN, the run number
//   ~C  the index curve, then one curve per parameter chosen: an ASCII mnemonic made from its
//       key (Cyrillic transliterated, unique in the file), its unit, and "name (key)" as the
//       description
//   ~A  the rows; a value the record does not have, or that is not a number, is NULL.
// Depths and values are the station's floats written with their shortest decimals (1500.1, not
// 1500.0999755859375). Every header text reads back unchanged through file::load: blanks in
// units become '_', colons in descriptions ';', blanks at the ends of values are dropped.
#pragma once

#include <vector>

#include "gti/las/file.h"
#include "gti/storage/file_storage.h"

namespace lib::las {

// What the rows of an export stand for.
enum class export_index {
    depth,    // a row per depth step of new hole
    time,     // a row per record, by time
    records,  // a row per record, by depth
};

// How the records of one depth step make a value.
enum class aggregation { mean, last, min, max };

// What export_storage takes from the store.
struct export_options {
    bool valid_only = false;                   // only the records that depth processing keeps
    export_index index = export_index::depth;  // the rows (see above)
    double step = 0.1;                         // the depth step of a depth log, > 0
    aggregation agg = aggregation::mean;       // the value of a depth step
    bool iso_time = false;                     // a time index as ISO 8601 text
    std::vector<AnsiString> params;            // the keys or mnemonics to export; empty: all
};

// The ASCII mnemonic of a parameter key: upper-case Latin letters, digits and underscores.
AnsiString mnemonic_of(const AnsiString& key);

// Fills `doc` (cleared first) with the store's records; the store is not changed. With valid_only
// only the records that correct_depths would mark valid once sorted by time go in. Returns the
// number of rows; a depth log of a store in which no new hole was drilled has none. Throws
// std::runtime_error for a step that is not a positive number (or makes more than 50 million
// rows) and for a parameter of `params` that the store does not have.
int export_storage(const FileStorage& store, const export_options& options, file& doc);

}  // namespace lib::las
