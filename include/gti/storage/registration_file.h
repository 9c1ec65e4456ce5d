// The registration file (".realtim", ".realdep", ".reallag"): the format of the station's current
// generation of data files, its decoders and encoders.
//
// A registration file holds one store as a sequence of
// blocks, with no header; all numbers are little-endian:
//
//   block        type (1 byte) | payload size (int16, 1..32767) | payload
//   type 2       parameters: count (1 byte), then per parameter name, unit, short_name,
//                global_name (texts with a zero byte), scale_min, scale_max (float32)
//   type 1       a record, 18 + 4n bytes:
//                  0 time (uint32)  4 depth (float)  8 third_depth (float)  12 tag (1 byte)
//                  13 second_depth (float)  17 value count n (1 byte)  18 n values (float)
//   type 3       the run text lines, each followed by CR LF, then one zero byte
//   other        skipped by its size
//
// Written in the order: parameters, every record, the text block. A record block's columns are
// those of the latest parameter block before it, which the reader maps onto the store's
// parameters by key.
//
// A file that does not begin like one (starts_like_file) fails with the critical
// FileStorageException "FILE: not a registration file"; an empty one with "FILE: the file is
// empty". A problem further on ends the reading of the file but keeps everything before it: the
// store's warnings (get_warnings) get
//   FILE: damaged at byte N: WHAT; K records read before it; B bytes not read
// with N the offset of the block where the reading stopped, and WHAT one of
//   "line_header.size = " + size                     a negative block size
//   "слишком много параметров"                       more than 128 parameters
//   "Недопустимое число параметров в файле: " + n    a record whose value count is not the
//                                                    parameter block's
//   "Повреждён файл в области текстовых данных"      a text block without its zero byte
//   "a record block is cut short" (also a parameter block, a run-information block, a block of
//   type T), "the file ends inside a block header"   the file ends inside a block: a recorder
//                                                    cut off in the middle of an append
//   "a block header of size 0 ends the file early"   bytes follow a header of size 0
// A block size of 0 at the very end ends the reading quietly. Missing, locked and
// not-regular files fail with the file errors of gti/io, the file named in front. The reader
// never reads outside the file.
//
// Writing refuses, before the file is touched, a store whose parameter block or run text does
// not fit a block (FileStorageException "Блок файла регистрации больше 32767 байт: " + size):
// the previous file stays whole, and no file is written that the reader could not read back.
// Every record is written with exactly the store's parameter count of values.
//
// The decoders below work on a byte_reader over the whole file; each reads one item whole and
// moves past it, or reports what was wrong and leaves the position where the item began, so the
// position is always where the reading of the file stopped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gti/io/streams.h"
#include "gti/storage/byte_reader.h"
#include "gti/storage/record.h"

namespace lib::registration {

// The largest block payload.
inline constexpr std::size_t max_block_payload = 32767;
// The bytes of a block header: type and size.
inline constexpr std::size_t block_header_size = 3;
// The bytes of a record payload before its values.
inline constexpr std::size_t record_fixed_size = 18;

// The kinds of blocks.
enum block_type : std::uint8_t { record_block = 1, params_block = 2, text_block = 3 };

// What next_block found at the position.
enum class block_status {
    block,          // a block header; the position is at its payload
    end,            // no byte left: the file ends between blocks
    end_mark,       // a header of size 0, which ends the file (the position after it)
    cut_header,     // fewer than 3 bytes left
    negative_size,  // a header whose size is below 0 (the position after it)
};

// A block header.
struct block_header {
    std::uint8_t type = 0;
    std::int16_t size = 0;
};

// Reads the block header at the position.
block_status next_block(storage::byte_reader& in, block_header& header) noexcept;

// True when the bytes begin like a registration file: a first block of a known type (record,
// parameters, text) with a size of 1..32767. Anything else (a text, a LAS file, zeros, fewer than
// 3 bytes) is no registration file.
bool starts_like_file(const char* data, std::size_t size) noexcept;

// The message of a block too large to write: "Блок файла регистрации больше 32767 байт: " + size.
std::string block_too_large(std::size_t size);
// Throws the critical FileStorageException of block_too_large when `size` exceeds a block.
void check_block_payload(std::size_t size);

// Writes a block: header and payload. The payload must fit (check_block_payload).
void write_block(io::BinaryOutputStream& out, int type, const char* payload, std::size_t size);

// The payload of a record block with exactly `n` values (0..255; missing ones missing_value), into `out`
// (room for 18 + 4n bytes). Returns its size.
std::size_t encode_record(const FileStorageItem& r, int n, char* out) noexcept;
// Writes the parameter block payload of `count` parameters (at most 255).
void encode_params(io::BinaryOutputStream& out, const FileStorageParam* params, int count);
// The size of the parameter block payload of `count` parameters.
std::size_t params_payload_size(const FileStorageParam* params, int count) noexcept;

// A record payload as it stands in the file.
struct record_view {
    std::uint32_t time = 0;
    float depth = 0;
    float third_depth = 0;
    std::uint8_t tag = 0;
    float second_depth = 0;
    int count = 0;                 // the value count n
    const char* values = nullptr;  // n floats, unaligned
};

// What decode_record found.
enum class record_status { ok, cut_fields, cut_values };

// Reads a record payload. With cut_fields nothing is read; with cut_values the fixed fields
// and the count are filled but the position stays at the record.
record_status decode_record(storage::byte_reader& in, record_view& r) noexcept;

// What decode_params found.
enum class params_status { ok, too_many, cut };

// Reads a parameter block payload into `out` (replaced): with too_many (a count over 128)
// nothing; with cut the descriptors before the one cut short, the position after the last whole
// one.
params_status decode_params(storage::byte_reader& in, std::vector<FileStorageParam>& out);

// What decode_text found.
enum class text_status { ok, cut, no_zero };

// Reads a text block payload of `size` bytes: the run text lines. With no_zero (the payload's
// last byte is not 0) the position is past the payload all the same.
text_status decode_text(storage::byte_reader& in, std::size_t size, AnsiString& text);

}  // namespace lib::registration
