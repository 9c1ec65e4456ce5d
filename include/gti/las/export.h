// Recorded drilling data as a LAS 2.0 well log.
//
// export_storage fills a LAS document from a record store:
//   ~V  VERS 2.00, WRAP NO
//   ~W  STRT, STOP, STEP of the index (STEP 0 when the steps differ), NULL, WELL and FLD (the
//       run's well and area), DATE (the first record's time, as the station writes dates)
//   ~P  RUN, the run number
//   ~C  the index curve, DEPT (m) or, indexed by time, TIME (s, the station's time values) with
//       DEPT as the second curve; then one curve per parameter: an ASCII mnemonic made from its
//       key (Cyrillic transliterated, unique in the file), its unit, and "name (key)" as the
//       description
//   ~A  one row per record in index order (records of one index keep their time order); a
//       value the record does not have, or that is not a number, is the NULL value
#pragma once

#include "gti/las/file.h"
#include "gti/storage/file_storage.h"

namespace lib::las {

// What export_storage takes from the store.
struct export_options {
    bool valid_only = false;  // only the records that depth processing (correct_depths) keeps
    bool by_time = false;     // indexed by time instead of depth
};

// The ASCII mnemonic of a parameter key: upper-case Latin letters, digits and underscores.
AnsiString mnemonic_of(const AnsiString& key);

// Fills `doc` (cleared first) with the store's records. With valid_only the store's records are
// sorted by time and marked by correct_depths; otherwise the store is not changed.
void export_storage(FileStorage& store, const export_options& options, file& doc);

}  // namespace lib::las
