// FileStorage: recorded drilling data in memory, read from and written to the data files.
//
// A store is a table: its rows are records (one sample of the drilling process at one moment:
// time, three depths, a tag and one value per parameter) and its columns are parameters (hook
// load, pump strokes, tank levels, ...), up to 128, each identified by its key (global_name,
// compared without regard to letter case). Records are shared: a caller may keep one
// (get_record_shared) and change it, and the next writer stores the change. The store also
// carries the run information (text values) and the named lock "reg_data_file_mutex", which
// it creates for its callers and never takes itself.
//
// The data files each have a unit of their own, with the byte layout in its header:
// gti/storage/registration_file.h (".realtim", ".realdep", ".reallag"), gti/storage/old_file.h
// (".tim", ".dep", ".ldp" with "inpgti.nbl" and the run file), gti/storage/compressed_file.h
// (".creg" and the "CREGFILE" stream); gti/storage/data_file.h tells them apart by name.
//
// File names: each function that reads or writes files takes the name as station text (1251)
// or as a lib::os::file_path, which a std::filesystem::path converts to: readers and writers take
// any name the system allows ("Sleipner Øst", "井"). The store's file_name, and the messages,
// hold the name as lib::os::file_path::display() shows it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"
#include "gti/platform/system.h"
#include "gti/serial/lock_object.h"
#include "gti/storage/byte_reader.h"
#include "gti/storage/record.h"
#include "gti/storage/text_values.h"
#include "gti/time/unix_time.h"

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
    // Takes over the other store's content; the other is left empty, as a new store is. Both
    // keep the one named lock, so a lock held through either stays held.
    FileStorage(FileStorage&& other);
    // Takes over the other store's content, leaving the other empty; this store keeps its lock.
    FileStorage& operator=(FileStorage&& other);

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
    lib::lock_object& get_lock() noexcept { return *lock_; }

    // Writes the whole registration file to a stream (sizes checked first, as for a file).
    void save_all_to_stream(lib::io::BinaryOutputStream& out);
    // Writes one block: type, payload size, payload.
    void save_data_block(int type, lib::io::BinaryMemoryOutputStream& payload, lib::io::BinaryOutputStream& out);
    // Writes the parameter block payload.
    void save_params(lib::io::BinaryMemoryOutputStream& out);
    // Writes the text block payload of the given run information.
    void save_text_values(lib::io::BinaryMemoryOutputStream& out, FileStorageTextValues& values);
    // Writes the registration file `file` through a crash-safe replacement (the old file or the
    // complete new one, whatever happens) and remembers its last-write time in saved_file_time.
    // Refuses, with a critical FileStorageException naming the file and before it is touched, a
    // block too large and a text its reader would not read back: a zero byte in a parameter's
    // text, a zero byte or a line break in a line of the run text.
    void save_with_new_format(const AnsiString& file);
    void save_with_new_format(const lib::os::file_path& file);

    // Reads a registration file into the store under the whole-file lock: parameters merged by
    // key, records inside the time range appended, text values merged, then converted into the
    // run fields. With `text_only` only the text values are read. Returns true. A file damaged
    // or cut short keeps what came before the damage, and a warning says where and how much was
    // not read; a file that is no registration file fails (gti/storage/registration_file.h).
    bool add_new_file(const AnsiString& file, bool text_only);
    bool add_new_file(const lib::os::file_path& file, bool text_only);
    // The same over the bytes of a registration file in memory; `name`, when given, names the
    // file in errors and warnings.
    bool add_new_data(const char* data, std::size_t size, bool text_only, const AnsiString& name = AnsiString());

    // Loaders keep only records whose time lies in [from, to].
    void set_time_range(const lib::unix_time& from, const lib::unix_time& to);
    // Marks the records of a clean, strictly deepening sequence valid and the others invalid;
    // the last record is not touched, and stores of 3 records or fewer not at all.
    void correct_depths();
    // The marks correct_depths would give records in this order, without changing them: each
    // record's `valid` as it is where correct_depths leaves it alone.
    static std::vector<bool> depth_marks(const std::vector<const FileStorageItem*>& records);
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
    // The layouts of the old generation are in gti/storage/old_file.h.

    // The size of an old-generation record, and the number of values it holds.
    static constexpr int old_record_size = 145;
    static constexpr int old_value_count = 32;

    // Loads every file (not folder) that matches the wildcard mask, in the order of their names
    // compared without regard to letter case. An error ends the loading and reaches the caller;
    // files loaded before it stay.
    void add_files_by_mask(const char* mask);
    // The same for a mask of the system; files of any name match (their names compared in the
    // form of lib::os::file_path::display()).
    void add_files_by_mask(const lib::os::file_path& mask);
    // Loads a data file of any kind by its extension (lib::data_file_kind_of: a registration
    // file, an old-generation file or a compressed data file, see add_compressed_file) and
    // remembers its last-write time in saved_file_time; new_format becomes 1 for a registration
    // file, 0 for an old one, and stays for a compressed one.
    // Throws a critical FileStorageException "Неправильное расширение открываемого файла: " +
    // the lower-cased extension for any other file, and loads nothing then.
    bool add_file(const AnsiString& name, bool text_only);
    bool add_file(const lib::os::file_path& name, bool text_only);
    // Loads an old-generation file with its "inpgti.nbl" and run file; with `text_only` only the
    // run file. A data file or list cut short keeps its whole records or entries and warns; the
    // errors name the file (gti/storage/old_file.h). True when the store then holds a record;
    // false with `text_only`.
    bool add_old_file(const AnsiString& name, bool text_only);
    bool add_old_file(const lib::os::file_path& name, bool text_only);
    // Loads an old-generation file from bytes in memory: the data file, the folder's parameter
    // list (none: values in file column order) and the run file's text (none: no run text).
    // The run text merges as load_text_values merges a run file, and the list then holds its
    // lines; the typed run fields are left to the caller (ri_from_data). A data length that is
    // not a multiple of 145 keeps the whole records and warns, as add_old_file does.
    // True when the store then holds a record.
    bool add_old_data(std::string_view data, std::optional<std::string_view> list,
                      std::optional<std::string_view> run_text);
    // Merges the run file of a data file into the text values: its key=value lines, then
    // "нач_глубина", "нач_время", "конеч_глубина", "конеч_время" from the sections
    // "начало_рейса" and "окончание_рейса". A missing or unreadable run file changes nothing.
    void load_text_values(const AnsiString& name);
    void load_text_values(const lib::os::file_path& name);

    // Writes the store to `name` in the kind of its extension (for another extension, in the
    // generation of the file last loaded, new_format). Every file is replaced crash-safe: the
    // old one or the complete new one, whatever happens. A compressed data file is written plain
    // (see the overload with an EncodeType). A registration file is written whole (see
    // save_with_new_format), or with `text_only` only its run block is replaced (the other
    // blocks stay as they are; a missing file gets the run block alone).
    // An old-generation file gets the valid records in the columns of old_columns, then its run
    // file (see RaceInfo), with `text_only` only the run file; a folder whose "inpgti.nbl" has no
    // entry with a key receives one written from the store. The list and the data file are
    // written, and read by add_old_file, under one named lock per folder, so two programs
    // writing into one folder never describe a file by the other's list. Refused before anything
    // is touched, with a critical FileStorageException "FILE: not written: ...": no valid record
    // (an empty old file is unreadable), a zero byte in a parameter's text, a zero byte or a line
    // break in a run text field. What the old generation cannot keep becomes a warning of the
    // store naming it: parameters past 32, or without a column in the folder's list; a third
    // depth of its own; run text lines and fields that the run file has no key for. Throws the
    // file's error when the old data file cannot be written, after the run file was written (the
    // run file's error when only that one failed); a list that exists but cannot be read fails
    // the save before anything is written.
    void save_all(const AnsiString& name, bool text_only);
    void save_all(const lib::os::file_path& name, bool text_only);
    // Saves the store to `name`, first appending the records that another process added to that
    // file since this store last read or wrote it (those later than the store's latest record).
    // The file's last-write time is read twice, 200 ms apart, so that a writer in the middle of
    // appending is noticed. The store's own run information wins over the file's, and the time
    // range is back as it was afterwards. A missing file is simply written. A registration file
    // is not looked at twice: it stays locked from that merge until the new file has replaced
    // it, so an appender that waits for the lock appends to the new file and loses nothing; it
    // counts as changed when its size or its last-write time differs.
    void smart_save_all(const AnsiString& name);
    void smart_save_all(const lib::os::file_path& name);
    // Writes every valid record as a 145-byte old-generation record, values in parameter order
    // (the first 32 parameters; columns without one are 0).
    void old_save_values(lib::io::BinaryOutputStream& out);
    // Writes the "inpgti.nbl" entries of the first 32 parameters.
    void old_save_params(lib::io::BinaryOutputStream& out);
    // The parameter that each column of an old-generation file `name` holds (-1: none): by the
    // keys of the folder's "inpgti.nbl" when it has an entry with a key, else the first 32
    // parameters in order. Throws the list's file error when it exists but cannot be read.
    std::array<int, old_value_count> old_columns(const AnsiString& name) const;
    std::array<int, old_value_count> old_columns(const lib::os::file_path& name) const;
    // Appends a run block with the text of `values` to a registration file, under the
    // whole-file lock, whole or not at all (see lib::io::OSFile::append); the file is reopened
    // when a writer replaced it while this waited for the lock. Throws the critical
    // FileStorageException of an oversized block before the file is touched.
    void append_text_values(const AnsiString& name, FileStorageTextValues& values);
    void append_text_values(const lib::os::file_path& name, FileStorageTextValues& values);
    // Removes every block of the given types from a registration file (other extensions are
    // left alone); `block_types` is sorted. The other blocks keep their order. A block of size 0
    // or an incomplete header ends the file: what follows it, which no reader reads, is dropped.
    // A block whose size is negative or runs past the end is kept with everything after it as
    // it is. The new file replaces the old one crash-safe, under the file's lock: when the file
    // cannot be read, or its new contents cannot be written or cannot take its place, the file
    // stays as it was, whole, and nothing is reported.
    static void exclude_records(const AnsiString& name, std::vector<int>& block_types);
    static void exclude_records(const lib::os::file_path& name, std::vector<int>& block_types);
    // ---- end of the data files of both generations ------------------------------------------

    // ---- The compressed data stream ("CREGFILE") -------------------------------------------
    //
    // The layout of the stream and of the ".creg" file is in gti/storage/compressed_file.h.

    // How save_for_compressing stores the parameter columns.
    enum EncodeType {
        encode_plain = 0,      // floats, bit for bit
        encode_quantized = 1,  // quantized where the tolerance allows, else plain
    };

    // Writes the store to `name` as save_all(name, text_only) does, a compressed data file
    // (".creg") with its columns stored as `encoding` says (save_all(name, text_only) stores them
    // plain). A ".creg" file is always written whole, the run fields converted first
    // (ri_to_data).
    void save_all(const AnsiString& name, bool text_only, EncodeType encoding);
    void save_all(const lib::os::file_path& name, bool text_only, EncodeType encoding);
    // Reads a compressed data file (".creg") into the store like the other data files: its
    // parameters merged by key, its records inside the time range appended, its run text lines
    // merged, then converted into the run fields. With `text_only` only the run text. `progress`,
    // when set, hears the fraction of the file inflated (0 to 1). Throws, the file named, its
    // file error, "not a compressed data file", the zlib stream's errors (gti/io/zlib_streams.h)
    // and those of load_after_decompressing met before the records are whole; the store is
    // unchanged then. A column damaged or cut short, or a damaged end of the zlib stream, becomes
    // a warning instead (gti/storage/compressed_file.h). Returns true when the store then holds a
    // record.
    bool add_compressed_file(const AnsiString& name, bool text_only,
                             const std::function<void(double)>& progress = nullptr);
    bool add_compressed_file(const lib::os::file_path& name, bool text_only,
                             const std::function<void(double)>& progress = nullptr);
    // The same over the bytes of a ".creg" file in memory; `name`, when given, names the file in
    // errors and warnings.
    bool add_compressed_data(const char* data, std::size_t size, bool text_only, const AnsiString& name = AnsiString(),
                             const std::function<void(double)>& progress = nullptr);
    // Writes the store as a compressed data file, deflated; the file is touched only once the
    // whole stream is made (the run text as it is: see save_for_compressing); `progress`, when set, hears the fraction
    // of the columns written. Remembers the file's last-write time in saved_file_time.
    void save_compressed_file(const AnsiString& name, EncodeType encoding,
                              const std::function<void(double)>& progress = nullptr);
    void save_compressed_file(const lib::os::file_path& name, EncodeType encoding,
                              const std::function<void(double)>& progress = nullptr);

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
    // The same from a file, mapped under the whole-file lock like every data file read.
    void load_after_decompressing(const AnsiString& file);
    void load_after_decompressing(const lib::os::file_path& file);
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
    class record_arena;

    void load_params(lib::storage::byte_reader& in);
    void add_values(lib::storage::byte_reader& in, record_arena& arena);
    void load_text_values(lib::storage::byte_reader& in, int size);
    void add_old_records(std::string_view data, const std::string_view* list, const AnsiString& name,
                         const AnsiString& list_name);
    void merge_run_text(std::string_view run_text);
    void check_block_sizes();
    void load_stream(lib::io::BinaryInputStream& in, const AnsiString& file, const char* where);
    void save_old_file(const lib::os::file_path& name, bool text_only);
    void warn_data_losses(const AnsiString& name, const std::array<int, old_value_count>& cols, bool new_list);
    void warn_run_losses(const AnsiString& name, const lib::os::file_path& race_file);
    void merge_newer_records(const std::function<void()>& read);
    static void rewrite_blocks(const lib::os::file_path& name, const std::vector<int>& types, std::string_view extra);
    void swap_content(FileStorage& other) noexcept;

    // Every member below but the lock is content: swap_content exchanges it.
    std::shared_ptr<lib::lock_object> lock_;
    // The size of the data file as this store last read or wrote it, beside saved_file_time: an
    // append within the file system's time step leaves the time as it was.
    std::int64_t saved_file_size_ = -1;
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
