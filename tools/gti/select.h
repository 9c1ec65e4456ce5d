// The part of a store that a command takes: some parameters by key (--params) and the records of
// a time or depth range (--from/--to). The same words mean the same in every command:
//
//   --params KEY,...   only these parameters (letter case ignored); a key the data lacks is an
//                      error naming it and the keys there are
//   --from / --to      a time, "YYYY-MM-DDTHH:MM[:SS]" (or with a blank for the "T") or "HH:MM[:SS]"
//                      on the first day of the data, or a depth in metres ("1500", "1500,5");
//                      both ends included, either may be left out, both of one kind
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "gti/storage/file_storage.h"

namespace gti_tool {

// A depth in metres (a comma serves as the decimal point too); throws std::runtime_error naming
// the text when it is no finite number.
double parse_depth(const AnsiString& text);

// A time value (gti/time): "YYYY-MM-DD HH:MM[:SS]" (or with a "T"), or "HH:MM[:SS]" on the day of
// the time value `first`; throws std::runtime_error naming the text when it is neither.
double parse_time(const AnsiString& text, std::uint32_t first);

// The first time of the store's records (0 for a store without records).
std::uint32_t first_time(const FileStorage& store);

// The records that --from/--to take: by time or by depth, each end included when given.
struct record_range {
    bool by_time = false;
    std::optional<double> from, to;

    // True when neither end is given: every record is taken.
    bool whole() const noexcept { return !from && !to; }
    // True when the record lies in the range (a depth range takes no record of a NaN depth).
    bool contains(const FileStorageItem& record) const noexcept;
};

// The range of --from and --to (station text, empty when not given): times when they read as
// times (they hold a ':', or a '-' after the first character), depths otherwise; "HH:MM" falls
// on the day of the time value `first`. Throws std::runtime_error for a text that is neither,
// for a time and a depth together, and for a start after the end.
record_range parse_range(const AnsiString& from, const AnsiString& to, std::uint32_t first);

// Throws std::runtime_error when a key of `keys` names no parameter of the store (letter case
// ignored, nor its alias when `alias` is given): the message names `where` (the data), the key
// and the keys there are.
void check_keys(const FileStorage& store, const std::vector<AnsiString>& keys, const AnsiString& where,
                AnsiString (*alias)(const AnsiString& key) = nullptr);

// Keeps of the store only the parameters of `keys` (by key or `alias`; all when empty; in the
// store's order) and the records in `range` (in their order), with the run information.
// Returns the number of records left out.
int select_records(FileStorage& store, const std::vector<AnsiString>& keys, const record_range& range,
                   AnsiString (*alias)(const AnsiString& key) = nullptr);

}  // namespace gti_tool
