// Logs of one well joined by time, and the time spans that tell when logs overlap.
//
// A well's station keeps several logs of the same hours (a general log every few seconds, a
// gas log every 15 s, pit volumes every 30 s). Joined, a moment is one record:
//
//   general  10:00:00  hook load 64, flow 31        joined  10:00:00  64  31  0.2
//   gas      10:00:00  total gas 0.2                        10:00:03  65  31  NaN
//   general  10:00:03  hook load 65, flow 31                10:00:15  NaN NaN 0.3
//   gas      10:00:15  total gas 0.3
//
// Merging by concatenation (FileStorage::add_file) keeps such records apart, two of one time.
#pragma once

#include <cstdint>
#include <optional>

#include "gti/storage/file_storage.h"

namespace gti_tool {

// Adds the records of `input` to `joined` by time, `joined`'s records then sorted by time.
// Parameters merge by key (letter case ignored). A record of a time that `joined` has (its
// first record of that time) fills the values that record lacks (NaN) and, where its depths
// are NaN, the depths; a record of a new time is added. The run text lines of names `joined`
// lacks are added and the run fields read from the list. Throws FileStorageException
// "слишком много параметров" when the keys make more than 128 parameters; `joined` then holds no
// record of `input` and keeps its parameters.
void join_by_time(FileStorage& joined, const FileStorage& input);

// Adds the parameters of `from` to `into` (merged by key, letter case ignored) and appends its
// records in order, each with a value (missing or not) of every parameter of `into`, and the
// run text lines of names `into` lacks, as FileStorage::add_file adds a file. Throws the FileStorageException "слишком
// много параметров" before anything changes when the keys make more than 128 parameters.
void append_records(FileStorage& into, const FileStorage& from);

// A record with the time, depths, validity and tag of `from`, and every value of `width`
// parameters missing.
FileStorageItem fields_of(const FileStorageItem& from, int width);

// The first and the last time of some records.
struct time_span {
    std::uint32_t first = 0;
    std::uint32_t last = 0;

    // True when the two spans share a moment.
    bool overlaps(const time_span& other) const noexcept { return first <= other.last && other.first <= last; }
};

// The span of the store's records from index `from` on; none when there are none.
std::optional<time_span> span_of(const FileStorage& store, int from = 0);

}  // namespace gti_tool
