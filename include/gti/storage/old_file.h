// The old generation of data files (".tim", ".dep", ".ldp"), with the parameter list
// "inpgti.nbl" and the run file of their folder: layouts, decoders and encoders.
//
// An old-generation data file is a run of 145-byte records, with no header; all numbers are
// little-endian:
//
//   0 tag (1 byte)  1 time (uint32)  5 depth (float)  9 second_depth (float)
//   13 32 values (float each, value k at 13 + 4k)  141 zero (4 bytes, ignored on reading)
//
// third_depth is not stored: a record read takes its depth there. Its companions lie in the
// same folder: "inpgti.nbl", one entry per column (entry k describes value k), shared by the
// old files of the folder,
//
//   name, short_name, unit, global_name (texts with a zero byte) | 12 unused bytes |
//   scale_min, scale_max (float) | 5 unused bytes
//
// where an entry with an empty key describes an unused column; and the run file (the data
// file's name up to the first point of its file part, then "rac"): the INI sections of
// RaceInfo. Columns are matched to the store's parameters by key, so a list with unused
// columns, or a store that already holds other parameters, keeps every value under its own
// parameter. A record whose time is 0 is never loaded.
//
// Failures of the old-generation reader, the file named in front of each:
//   a folder that does not exist              "folder F does not exist"
//   an empty data file                        "the file is empty"
//   shorter than a record, or a first record  critical FileStorageException "not an
//   not ending in its zero bytes              old-generation data file"
//   missing or locked data file               the file's error from gti/io; nothing is loaded
//   missing "inpgti.nbl"                      its file error, named, after the records were
//                                             loaded (values in file column order)
// and the warnings (the whole part before the damage is kept):
//   length not a multiple of 145              FILE: damaged at byte N: a record is cut short;
//                                             K records read before it; B bytes not read
//   an entry of "inpgti.nbl" cut short        the same about the list: "an entry is cut
//                                             short", the entries read before it
//   a 129th parameter                         "слишком много параметров", the list named
//
// The run file's lines merge into the run text values: its key=value lines, then "нач_глубина",
// "нач_время", "конеч_глубина", "конеч_время" from the keys "глубина" and "время" of the
// sections "начало_рейса" and "окончание_рейса".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/storage/byte_reader.h"
#include "gti/storage/record.h"

class TStrings;

namespace lib::old_file {

// The bytes of a record, and the values it holds.
inline constexpr std::size_t record_size = 145;
inline constexpr int value_count = 32;
// The parameter list of a folder of old files.
inline constexpr const char* list_name = "inpgti.nbl";
// The unused bytes of a list entry before and after its scale.
inline constexpr std::size_t entry_unused_before = 12;
inline constexpr std::size_t entry_unused_after = 5;

// The parameter that each column holds (-1: none).
using columns = std::array<int, value_count>;

// A record as it stands in the file.
struct record_view {
    std::uint8_t tag = 0;
    std::uint32_t time = 0;
    float depth = 0;
    float second_depth = 0;
    const char* values = nullptr;  // 32 floats, unaligned
};

// True when the bytes begin like an old-generation data file: one whole record at least, and the
// first one ending in its 4 zero bytes.
bool starts_like_file(const char* data, std::size_t size) noexcept;
// Reads a record; false, unmoved, when fewer than 145 bytes are left.
bool decode_record(storage::byte_reader& in, record_view& r) noexcept;
// Writes a record into `out` (145 bytes): column k holds the value of parameter cols[k] (0 for
// -1 or a value the record lacks); the 4 bytes at the end are zero.
void encode_record(const FileStorageItem& r, const columns& cols, char* out) noexcept;

// Reads a list entry. False when it runs past the end; the position is then at the end.
bool decode_entry(storage::byte_reader& in, FileStorageParam& p);
// The entries of a list, in column order; an entry cut short ends it.
std::vector<FileStorageParam> decode_list(const char* data, std::size_t size);
// Writes the entries of the first 32 of `count` parameters.
void encode_list(io::BinaryOutputStream& out, const FileStorageParam* params, int count);

// Merges the lines of a run file into a text-value list (see above).
void merge_run_text(std::string_view run_text, TStrings& list);

}  // namespace lib::old_file
