// The compressed data file (".creg") and the compressed data stream ("CREGFILE") it holds.
//
// A ".creg" file is the stream below deflated with zlib at level 9 (one zlib stream, RFC 1950),
// as the station keeps such streams. FileStorage reads and writes it by its extension like the
// other data files (add_file, save_all); load_after_decompressing and save_for_compressing work
// on the inflated stream.
//
// A whole store as one stream shaped for a general-purpose compressor; the station deflates
// it, this class neither compresses nor inflates. Data go column by column, and every
// multi-byte column byte plane by byte plane, so that the slowly changing high bytes of
// neighbouring values stand together. Numbers are little-endian; a text is its bytes and a
// zero byte.
//
//   plane array of T (1, 2 or 4 bytes):
//     count N (u32) | byte 0 of elements 0..N-1 | byte 1 of elements 0..N-1 | ... (byte 0
//     is the least significant); the u32 elements 0x01020304, 0x05060708 are written
//     02 00 00 00 | 04 08 | 03 07 | 02 06 | 01 05
//
//   stream:
//     "CREGFILE" (text) | version 1 (u32) | parameter count P (u32)
//     P descriptors: name, short_name, unit, global_name (texts), scale_min, scale_max (f32)
//     the run text lines, each followed by CR LF (one text) | record count R (u32)
//     time (plane u32) | depth, second_depth, third_depth (plane f32 each) | tag (plane u8)
//     P columns, in parameter order, R values each, as one of:
//       1 (u32) | values (plane f32)                                              plain
//       2 (u32) | code width w (u32: 1, 2 or 4 bytes) | levels L (u32) | high H (f32) |
//         low Lo (f32) | value count n (u32) | exact positions (plane i32, ascending) |
//         exact values (plane f32) | codes (plane of w-byte codes, one per value that is
//         not exact, in record order)                                           quantized
//     a value that is not exact is code * (H - Lo) / L + Lo
//
// Quantizing a column tries 8-bit codes with 255 levels, then 16-bit codes with 1024, 2048,
// ..., 32768 and 65535 levels, over the range Lo..H of the column (H = Lo + 1 for a constant
// column), and keeps the first that brings every value back within a relative error of
// 1e-4. Not counted: values that count as zero against the column's magnitude M, the larger
// of |Lo| and |H| (|v| < 1e-5 * min(1, M); they come back within (H - Lo) / 2L), so a column of
// small values (a gas fraction near 1e-8) is judged value by value; and the values stored exactly: the worst ones, at
// most one in 30 (at least one), each at least four times the mean error. NaN and infinities are stored exactly. A
// column that no code width keeps within the tolerance is stored plain: no reading is ever
// degraded beyond it. valid is not stored; every record read back is valid.
//
// Reading fails, with the store cleared first and then partly filled, with:
//   a critical FileStorageException "FileStorage::load_after_decompressing: " followed by
//     "Некорркетный заголовок файла"                 the magic text is not "CREGFILE"
//     "Некорркетная версия файла"                    the version is not 1
//     "Неизвестный тип столбца: " + tag              a column tag other than 1 or 2
//     "Неизвестная разрядность кодов: " + w          a code width other than 1, 2 or 4
//     "Длина массива больше остатка данных: " + N    a count the bytes left cannot hold
//     "Длина массива не равна числу записей: " + N   a record field or column of another length
//     "Точные позиции не возрастают или выходят за столбец"
//     "Число точных значений не равно числу позиций: " + count
//     "Число кодов не равно числу неточных значений: " + count
//     "Число уровней равно нулю"                     codes with L = 0
//     "a text is longer than 16,777,216 bytes"
//   a non-critical FileStorageException "слишком много параметров" from add_parametr;
//   the stream's own error when it ends early.
// Once the five record fields are whole, a damaged or missing column no longer fails: the
// columns before it are kept with their parameters, the other parameters are left out, and the
// store's warnings get "damaged at byte N of the stream: WHAT; K of P columns read before it,
// the others left out". From a file, errors and warnings name it and count N in its inflated data:
//   FILE: not a compressed data file           the bytes are no zlib stream (critical)
//   FILE: FileStorage::load_after_decompressing: Некорркетный заголовок файла
//   FILE: damaged at byte N of the inflated data: the compressed data end early
// Counts are checked against the bytes left of memory streams, mapped files and file streams
// before anything is allocated; a stream of another kind is read in pieces, and records are made
// only once all their fields and columns have arrived, so memory grows only with the bytes that
// arrive (a few times the inflated bytes, never a count alone).

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace lib::compressed {

// The extension of compressed data files.
inline constexpr const char* extension = ".creg";
// The magic text and the version at the start of the stream.
inline constexpr const char* magic = "CREGFILE";
inline constexpr std::uint32_t version = 1;
// The tags of the column encodings.
enum column_tag : std::uint32_t { plain_column = 1, quantized_column = 2 };
// The largest relative error a quantized value may come back with.
inline constexpr float tolerance = 0.0001f;

// True when the bytes begin like a ".creg" file: a zlib stream header (deflate, checksum good).
inline bool starts_like_file(const char* data, std::size_t size) noexcept {
    if (size < 2) return false;
    const auto cmf = static_cast<unsigned char>(data[0]), flg = static_cast<unsigned char>(data[1]);
    return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (cmf * 256u + flg) % 31 == 0;
}

// The unsigned integer of T's size, for taking values apart byte by byte.
template <class T>
using bits_of =
    std::conditional_t<sizeof(T) == 1, std::uint8_t, std::conditional_t<sizeof(T) == 2, std::uint16_t, std::uint32_t>>;

// Writes n values as byte planes into `out` (n * sizeof(T) bytes).
template <class T>
void to_planes(const T* values, std::size_t n, char* out) noexcept {
    using U = bits_of<T>;
    for (std::size_t j = 0; j < n; ++j) {
        U u;
        std::memcpy(&u, values + j, sizeof u);
        for (std::size_t b = 0; b < sizeof(T); ++b)
            out[b * n + j] = static_cast<char>(u >> (8 * b));
    }
}

// Reads n values from byte planes (n * sizeof(T) bytes at `planes`).
template <class T>
void from_planes(const char* planes, std::size_t n, T* values) noexcept {
    using U = bits_of<T>;
    for (std::size_t j = 0; j < n; ++j) {
        U u = 0;
        for (std::size_t b = 0; b < sizeof(T); ++b)
            u |= static_cast<U>(static_cast<U>(static_cast<unsigned char>(planes[b * n + j])) << (8 * b));
        std::memcpy(values + j, &u, sizeof u);
    }
}

// The value a code stands for: code * (H - Lo) / L + Lo, in double. The writer measures its
// errors with this very arithmetic, so what it accepts is what comes back.
inline float restore(double code, float low, float high, unsigned levels) noexcept {
    return static_cast<float>(code * (static_cast<double>(high) - static_cast<double>(low)) / levels +
                              static_cast<double>(low));
}

}  // namespace lib::compressed
