// FileStorage: recorded drilling data in memory, and the registration file.
//
// A store is a table: its rows are records (one sample of the drilling process at one moment:
// time, three depths, a tag and one value per parameter) and its columns are parameters (hook
// load, pump strokes, tank levels, ...), up to 128, each identified by its key (global_name,
// compared without regard to letter case). Records are shared: a caller may keep one
// (get_record_shared) and change it, and the next writer stores the change. The store also
// carries the run information (text values) and the named lock "reg_data_file_mutex", which
// it creates for its callers and never takes itself.
//
// The registration file (".realtim", ".realdep", ".reallag") holds one store as a sequence of
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
// Reading problems that end the reading of a file but keep what came before it become warnings
// (get_warnings):
//   a negative block size                   "line_header.size = " + size
//   more than 128 parameters                "слишком много параметров"
//   a record whose value count is not the parameter block's
//                                           "Недопустимое число параметров в файле: " + count
//   a text block without its zero byte      "Повреждён файл в области текстовых данных"
// A block size of 0 ends the reading quietly. A file that ends inside a block fails with
// "InputMappedFile::read: eof"; missing, locked and empty files fail with the file errors of
// gti/io. The reader never reads outside the file.
//
// Writing refuses, before the file is touched, a store whose parameter block or run text does
// not fit a block (FileStorageException "Блок файла регистрации больше 32767 байт: " + size):
// the previous file stays whole, and no file is written that the reader could not read back.
// Every record is written with exactly the store's parameter count of values.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/io/streams.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/system.h"
#include "gti/serial/lock_object.h"
#include "gti/storage/text_values.h"
#include "gti/time/unix_time.h"

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

// One record (row) of a store.
struct FileStorageItem {
    std::uint32_t time = 0;     // the record time (a time value of gti/time), the sort key
    float depth = 0;            // depth of the record
    float second_depth = 0;     // a second depth value
    float third_depth = 0;      // a third depth value
    std::vector<float> values;  // one value per parameter, by parameter index
    bool valid = true;          // false: rejected by depth processing, left out by the old writer
    std::uint8_t tag = 0;       // a code stored with the record

    // Gives the record n values: new ones 0, surplus ones dropped.
    void resize(int n) { values.resize(n > 0 ? static_cast<std::size_t>(n) : 0, 0.0f); }
    // Writes the record block payload with the record's own values.
    void save_to_stream(lib::io::BinaryOutputStream& out) const;
    // Writes the record block payload with exactly `value_count` values (missing ones 0).
    void save_to_stream(lib::io::BinaryOutputStream& out, int value_count) const;
};

// Recorded drilling data: parameters, records and the run information.
class FileStorage {
public:
    // The most parameters a store holds.
    static constexpr int max_params = 128;
    // The name of the lock that every station program takes around its work on data files.
    static constexpr const char* lock_name = "reg_data_file_mutex";

    // An empty store; creates (or opens) the named lock.
    FileStorage();
    FileStorage(const FileStorage&) = delete;
    FileStorage& operator=(const FileStorage&) = delete;

    // The index of the parameter with the key of `p` (letter case ignored), adding `p` when
    // there is none. Throws a non-critical FileStorageException "слишком много параметров" when
    // 128 parameters are in use (even for a key already present).
    int add_parametr(const FileStorageParam& p);
    // Appends a copy of the record, values as they are.
    void add_record(const FileStorageItem& item);
    // The number of records.
    int get_record_count() const noexcept { return static_cast<int>(records_.size()); }
    // Record i, or null outside the store.
    const FileStorageItem* get_record(int i) const noexcept;
    // Record i to change, or null outside the store.
    FileStorageItem* get_record_ptr(int i) noexcept;
    // A shared handle of record i, or empty outside the store; the record lives while it is held.
    std::shared_ptr<FileStorageItem> get_record_shared(int i) const;
    // The number of parameters in use.
    int get_param_count() const noexcept { return param_count_; }
    // Parameter i, or null outside 0..param count - 1.
    const FileStorageParam* get_param(int i) const noexcept;
    // The index of the parameter whose key is exactly `global_name` (letter case counts), or -1.
    int get_param_index(const AnsiString& global_name) const;
    // Sorts the records by time (records of one time in no defined order).
    void sort_by_time();
    // A copy of the warnings of files read in part.
    void get_warnings(std::vector<AnsiString>& out) const { out = warnings_; }
    // Forgets the warnings.
    void clear_warnings() noexcept { warnings_.clear(); }
    // Removes every record and parameter and empties the run text list; the time range, the
    // file name, the file time, the warnings and the typed run fields stay.
    void clear();

    // The run information.
    FileStorageTextValues& get_text_values() noexcept { return text_values_; }
    const FileStorageTextValues& get_text_values() const noexcept { return text_values_; }
    // The named lock "reg_data_file_mutex", for callers to hold with lib::Locker.
    lib::lock_object& get_lock() noexcept { return lock_; }

    // Writes the whole registration file to a stream (sizes checked first, as for a file).
    void save_all_to_stream(lib::io::BinaryOutputStream& out);
    // Writes one block: type, payload size, payload.
    void save_data_block(int type, lib::io::BinaryMemoryOutputStream& payload, lib::io::BinaryOutputStream& out);
    // Writes the parameter block payload.
    void save_params(lib::io::BinaryMemoryOutputStream& out);
    // Writes the text block payload of the given run information.
    void save_text_values(lib::io::BinaryMemoryOutputStream& out, FileStorageTextValues& values);
    // Writes the registration file `file` under the whole-file lock and remembers its
    // last-write time in saved_file_time.
    void save_with_new_format(const AnsiString& file);

    // Reads a registration file into the store under the whole-file lock: parameters merged by
    // key, records inside the time range appended, text values merged, then converted into the
    // run fields. With `text_only` only the text values are read. Returns true.
    bool add_new_file(const AnsiString& file, bool text_only);
    // The same over the bytes of a registration file in memory.
    bool add_new_data(const char* data, std::size_t size, bool text_only);

    // Loaders keep only records whose time lies in [from, to].
    void set_time_range(const lib::unix_time& from, const lib::unix_time& to);
    // Marks the records of a clean, strictly deepening sequence valid and the others invalid;
    // the last record is not touched, and stores of 3 records or fewer not at all.
    void correct_depths();
    // The most frequent time difference of neighbouring records (the smallest of equally frequent
    // ones); 0 for fewer than two records.
    int calc_time_step();

    // ---- Data files of both generations ---------------------------------------------------
    //
    // Each kind of data file exists in two generations, chosen by the extension (letter case
    // ignored):
    //
    //   kind                 registration file   old generation
    //   time-indexed         .realtim            .tim
    //   depth-indexed        .realdep            .dep
    //   lag-depth-indexed    .reallag            .ldp
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
    // Failures of the old-generation reader, all std::runtime_error from gti/io:
    //   missing, locked or empty data file        the file's error; nothing is loaded
    //   length not a multiple of 145              "InputMappedFile::read: eof" after the whole
    //                                             records were loaded
    //   missing or empty "inpgti.nbl"             its file error, after the records were loaded
    //                                             (values in file column order, no run file)
    // An entry of "inpgti.nbl" cut short by the end of the file is ignored; one that would be
    // the 129th parameter becomes the warning "слишком много параметров".

    // The size of an old-generation record, and the number of values it holds.
    static constexpr int old_record_size = 145;
    static constexpr int old_value_count = 32;

    // Loads every file (not folder) that matches the wildcard mask, in the order of their names
    // compared without regard to letter case. An error ends the loading and reaches the caller;
    // files loaded before it stay.
    void add_files_by_mask(const char* mask);
    // Loads a data file of either generation by its extension and remembers its last-write time
    // in saved_file_time; new_format becomes 1 for a registration file, 0 for an old one.
    // Throws a critical FileStorageException "Неправильное расширение открываемого файла: " +
    // the lower-cased extension for any other file, and loads nothing then.
    bool add_file(const AnsiString& name, bool text_only);
    // Loads an old-generation file with its "inpgti.nbl" and run file; with `text_only` only the
    // run file. True when the store then holds a record; false with `text_only`.
    bool add_old_file(const AnsiString& name, bool text_only);
    // Merges the run file of a data file into the text values: its key=value lines, then
    // "нач_глубина", "нач_время", "конеч_глубина", "конеч_время" from the sections
    // "начало_рейса" and "окончание_рейса". A missing or unreadable run file changes nothing.
    void load_text_values(const AnsiString& name);

    // Writes the store to `name` in the generation of its extension (for another extension, in
    // the generation of the file last loaded, new_format). A registration file is written whole,
    // or with `text_only` only its run block is replaced (the other blocks stay as they are).
    // An old-generation file gets the valid records in the columns of old_columns, then its run
    // file (see RaceInfo), with `text_only` only the run file; a folder whose "inpgti.nbl" has no
    // entry with a key receives one written from the store. Throws the file's error when the
    // old data file cannot be written, after the run file was written (the run file's error when
    // only that one failed); a list that exists but cannot be read fails the save before
    // anything is written.
    void save_all(const AnsiString& name, bool text_only);
    // Saves the store to `name`, first appending the records that another process added to that
    // file since this store last read or wrote it (those later than the store's latest record).
    // The file's last-write time is read twice, 200 ms apart, so that a writer in the middle of
    // appending is noticed. The store's own run information wins over the file's, and the time
    // range is back as it was afterwards. A missing file is simply written.
    void smart_save_all(const AnsiString& name);
    // Writes every valid record as a 145-byte old-generation record, values in parameter order
    // (the first 32 parameters; columns without one are 0).
    void old_save_values(lib::io::BinaryOutputStream& out);
    // Writes the "inpgti.nbl" entries of the first 32 parameters.
    void old_save_params(lib::io::BinaryOutputStream& out);
    // The parameter that each column of an old-generation file `name` holds (-1: none): by the
    // keys of the folder's "inpgti.nbl" when it has an entry with a key, else the first 32
    // parameters in order. Throws the list's file error when it exists but cannot be read.
    std::array<int, old_value_count> old_columns(const AnsiString& name) const;
    // Appends a run block with the text of `values` to a registration file, under the
    // whole-file lock. Throws the critical FileStorageException of an oversized block before the
    // file is touched.
    void append_text_values(const AnsiString& name, FileStorageTextValues& values);
    // Removes every block of the given types from a registration file (other extensions are
    // left alone); `block_types` is sorted. The other blocks keep their order. A block of size 0
    // or an incomplete header ends the file: what follows it, which no reader reads, is dropped.
    // A block whose size is negative or runs past the end is kept with everything after it as
    // it is. When the file cannot be read, or the temporary copy (`name` + ".tmp") cannot be
    // written or cannot replace the file, the file stays as it was and nothing is reported.
    static void exclude_records(const AnsiString& name, std::vector<int>& block_types);
    // ---- end of the data files of both generations ------------------------------------------

    // ---- The compressed data stream ("CREGFILE") -------------------------------------------
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
    // 1e-4. Not counted: values that count as zero (-1e-12 < v < 1e-5; they come back within
    // (H - Lo) / 2L) and the values stored exactly: the worst ones, at most one in 30 (at least
    // one), each at least four times the mean error. NaN and infinities are stored exactly. A
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
    //   a non-critical FileStorageException "слишком много параметров" from add_parametr;
    //   the stream's own error when it ends early.
    // Counts are checked against the bytes left of memory streams, mapped files and file streams
    // before anything is allocated; a stream of another kind is read in pieces, so memory grows
    // only with the bytes that arrive.

    // How save_for_compressing stores the parameter columns.
    enum EncodeType {
        encode_plain = 0,      // floats, bit for bit
        encode_quantized = 1,  // quantized where the tolerance allows, else plain
    };

    // Writes the store as a compressed data stream. `progress` (may be empty) is kept, replacing
    // any earlier one, and called once per parameter column, after the column is written, with
    // the column's index (0 .. P - 1). The run text is the list as it is: call ri_to_data first
    // to store changed run fields.
    void save_for_compressing(lib::io::BinaryOutputStream& out, EncodeType encoding, std::function<void(int)> progress);
    // Writes one column block: plain (tag 1) or quantized where the tolerance allows.
    static void save_vector(lib::io::BinaryOutputStream& out, const std::vector<float>& column, EncodeType encoding);
    // Writes a quantized column block (tag 2) with the first code width and level count that
    // keep the column within the tolerance, or a plain one (tag 1) when none does.
    static void try_to_compress(lib::io::BinaryOutputStream& out, const std::vector<float>& column);
    // Quantizes a column with codes of T (std::uint8_t, std::uint16_t) and `levels` levels; when
    // every value comes back within the tolerance, or `force`, writes the quantized column (from
    // its code width on) and returns true; otherwise writes nothing and returns false. Throws
    // std::invalid_argument when `levels` is 0 or more than T holds.
    template <class T>
    static bool try_to_copmpress(lib::io::BinaryOutputStream& out, const std::vector<float>& column, unsigned levels,
                                 bool force);
    // Writes one field of every record, in record order, as a plane array (T: std::uint32_t,
    // float, std::uint8_t).
    template <class T>
    void add_new_reg_any_values(lib::io::BinaryOutputStream& out, T FileStorageItem::*field) const;
    // Writes a plane array (T: char, unsigned char, unsigned short, int, unsigned int, float).
    template <class T>
    static void add_new_reg_file_vector(lib::io::BinaryOutputStream& out, const std::vector<T>& values);

    // Replaces the store's content by a compressed data stream, then converts the run text into
    // the run fields (ri_from_data). The stream is left just after the last column.
    void load_after_decompressing(lib::io::BinaryInputStream& in);
    // The same from a file, mapped without the lock.
    void load_after_decompressing(const AnsiString& file);
    // Reads a plane array (the types of add_new_reg_file_vector).
    template <class T>
    static void read_new_reg_file_vector(lib::io::BinaryInputStream& in, std::vector<T>& values);
    // Reads a plane array of the record count's length into one field of every record.
    template <class T>
    void read_new_reg_any_values(lib::io::BinaryInputStream& in, T FileStorageItem::*field);
    // Reads a quantized column after its tag 2, and decodes it.
    static void smart_read_vector(lib::io::BinaryInputStream& in, std::vector<float>& column);
    // Reads the codes of a quantized column (T: std::uint8_t, std::uint16_t, std::uint32_t) and
    // decodes its n values; the exact positions must be ascending and below n, one exact value
    // each.
    template <class T>
    static void smart_read_vector2(lib::io::BinaryInputStream& in, std::vector<float>& column,
                                   const std::vector<std::int32_t>& exact_positions,
                                   const std::vector<float>& exact_values, float low, float high, unsigned levels,
                                   unsigned n);
    // ---- end of the compressed data stream ---------------------------------------------------

    FILETIME saved_file_time{};                  // last-write time of the data file last read or written
    std::uint32_t time_range_start = 0;          // loaders keep records from this time ...
    std::uint32_t time_range_end = 0xFFFFFFFFu;  // ... to this one, both included
    int new_format = 0;                          // the generation of the data file read
    AnsiString file_name;                        // the data file of the store

private:
    struct reader;

    void load_params(reader& in);
    void add_values(reader& in);
    void load_text_values(reader& in, int size);
    void check_block_sizes();
    void save_old_file(const AnsiString& name, bool text_only);

    lib::lock_object lock_;
    std::vector<std::shared_ptr<FileStorageItem>> records_;
    std::array<int, max_params> file_param_map_{};
    std::array<FileStorageParam, max_params> params_;
    int param_count_ = 0;
    int file_param_count_ = 0;
    std::vector<AnsiString> warnings_;
    FileStorageTextValues text_values_;

    // The compressed data stream.
    std::function<void(int)> compress_progress_;  // the latest progress callback of save_for_compressing
};
