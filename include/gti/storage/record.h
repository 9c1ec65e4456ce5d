// The record store's values: a parameter (column), a record (row) and the store's error.
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/io/streams.h"
#include "gti/platform/ansi_string.h"
#include "gti/storage/arena.h"

// An error of the record store or of one of its files. A reader turns a non-critical one into a
// warning and stops reading that file; a critical one reaches the caller.
class FileStorageException : public std::runtime_error {
public:
    explicit FileStorageException(const std::string& message, bool critical = false)
        : std::runtime_error(message), critical_(critical) {}
    // True when the error must reach the caller.
    bool is_critical() const noexcept { return critical_; }

private:
    bool critical_;
};

// One parameter (column) of a store.
struct FileStorageParam {
    AnsiString name;         // full name
    AnsiString short_name;   // short name
    AnsiString unit;         // unit of measure
    AnsiString global_name;  // the key: equal keys are one column
    float scale_min = 0;     // the scale's ends, kept for the caller
    float scale_max = 100;

    FileStorageParam() = default;
    // A parameter from its texts and scale.
    FileStorageParam(const AnsiString& the_name, const AnsiString& the_short_name, const AnsiString& the_unit,
                     const AnsiString& the_global_name, float the_scale_min = 0, float the_scale_max = 100)
        : name(the_name),
          short_name(the_short_name),
          unit(the_unit),
          global_name(the_global_name),
          scale_min(the_scale_min),
          scale_max(the_scale_max) {}
};

// The value of a parameter that a record does not have: a quiet NaN, never a number that could
// pass for a reading. Records are given it wherever they gain columns (a short record of a file,
// a parameter another file added, a merge) and the writers store it for a value a record lacks.
// Files written before keep the values they hold.
inline constexpr float missing_value = std::numeric_limits<float>::quiet_NaN();

// One record (row) of a store.
struct FileStorageItem {
    // The values of a record: a vector of float, whose memory, for a record that a file was
    // loaded into, lies in the arena of that load (gti/storage/arena.h).
    using value_vector = std::vector<float, lib::storage::arena_allocator<float>>;

    std::uint32_t time = 0;  // the record time (a time value of gti/time), the sort key
    float depth = 0;         // depth of the record
    float second_depth = 0;  // a second depth value
    float third_depth = 0;   // a third depth value
    value_vector values;     // one value per parameter, by parameter index
    bool valid = true;       // false: rejected by depth processing, left out by the old writer
    std::uint8_t tag = 0;    // a code stored with the record

    // Gives the record n values: new ones missing_value, surplus ones dropped.
    void resize(int n) { values.resize(n > 0 ? static_cast<std::size_t>(n) : 0, missing_value); }
    // Writes the record block payload with the record's own values.
    void save_to_stream(lib::io::BinaryOutputStream& out) const;
    // Writes the record block payload with exactly `value_count` values (missing ones missing_value).
    void save_to_stream(lib::io::BinaryOutputStream& out, int value_count) const;
};
