// ParTabl: the station's table of configured parameters, its files and its dependency rules.
//
// The table lists the channels a station records, each a Param (gti/params/param.h) found by
// its key (global_name, letter case and surrounding blanks ignored). It lives in a table file
// with a ".extended" companion, travels in the module stream as "ParTable", and keeps itself
// consistent: a tank level brings its tank volume, an absolute gas reading its relative one, and
// so on (check()).
//
// Table file (little-endian):
//
//   +--------------------------------+-------+------------------------------------------------+
//   | parameter records, list order  | 0A 00 | calibration section, up to the end of the file |
//   +--------------------------------+-------+------------------------------------------------+
//
//   calibration entry, one for every parameter whose adc_channel is 0 or more, in list order:
//
//   +----------------+---------------+--------------------------------------+
//   | position int32 | count n int32 | n x (voltage float64, value float64) |
//   +----------------+---------------+--------------------------------------+
//
//   Curves of parameters without a converter input (adc_channel -1) are not stored.
//
// Extended file (the table file's name + ".extended"):
//
//   "EXT_NBL_FILE" 00 | entry count int32 | count x extended-information record (param.h)
//
// Module stream payload: a uint32 count, then each parameter's serial list (Param::get_serial_list).
//
// Reading keeps what is sound and never reports an error:
//  - a record with an empty global_name is dropped; the list ends at the end marker, and a table
//    cut short keeps the records it holds whole (its calibration section is then not read);
//  - a calibration entry's position counts the records of the file, dropped ones included, so a
//    curve always reaches the parameter it was written for, or none;
//  - a calibration entry with position or count -1 ends the section, as does an entry whose
//    points the rest of the file cannot hold or an incomplete entry at the end; an entry with
//    another negative count is skipped, and so are the points of an entry whose position lies
//    outside the list;
//  - an ".extended" file that does not begin with "EXT_NBL_FILE" changes nothing; an entry whose
//    key is not in the table is dropped; reading stops at the first incomplete entry, keeping
//    the entries before it.
// Writing builds the files in memory and replaces each file in one step, so a program reading
// the table never sees half of it; failures show as a false result, never as an exception.
//
// Failures (programmer errors, std::out_of_range): the const operator[] outside the list
// "vector"; erase() outside the list "ParTabl::erase: index out of range"; resize() to a negative
// count "ParTabl::resize: negative count".
#pragma once

#include <vector>

#include "gti/io/file_streams.h"
#include "gti/io/streams.h"
#include "gti/options/module_list.h"
#include "gti/params/param.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"
#include "gti/serial/serial_list.h"
#include "gti/util/string_list.h"

// The table of configured parameters.
class ParTabl : public lib::SerialModule {
public:
    // An empty table, saved.
    ParTabl() = default;

    // The parameter at `index`, or with key `global_name`. A miss hands out the spare parameter,
    // reset to a new Param first: changes made through it reach no parameter of the table.
    Param& operator[](int index);
    Param& operator[](const AnsiString& global_name);
    // A copy of the parameter at `index`; std::out_of_range "vector" outside the list.
    Param operator[](int index) const;

    // The number of parameters.
    int get_items_count() const noexcept { return static_cast<int>(params.size()); }
    // The position of the first parameter whose key equals `global_name` trimmed of blanks,
    // letter case ignored; -1 when there is none or the trimmed name is empty.
    int find_global(const AnsiString& global_name) const;
    // True when find_global finds the key.
    bool param_exists(const AnsiString& global_name) const { return find_global(global_name) != -1; }

    // Appends a copy of `p`, whatever its key.
    void add(const Param& p);
    // Appends the catalogue's defaults for `global_name` unless the key is in the table already
    // or unknown to the catalogue.
    void add(const AnsiString& global_name);
    // Removes the parameter at `index` (std::out_of_range outside the list).
    void erase(int index);
    // Cuts the list to `count` parameters or lengthens it with new ones.
    void resize(int count);
    // Removes every parameter.
    void clear() noexcept { params.clear(); }

    // Appends to `list` the name of every parameter whose name is not blank, in list order.
    void get_params_list(TStrings* list) const;
    // Replaces `out` by a copy of the list.
    void get_all_params(std::vector<Param>& out) const { out = params; }

    // Sounds a short beep (1000 Hz, 40 ms), then loads file_name, or backup_file_name when
    // file_name cannot be opened.
    void load();
    // Replaces the list by the table file `file` and the extra values of its ".extended"
    // companion, then applies check(). A file that cannot be opened leaves the table as it was.
    void load_from(const AnsiString& file);
    void load_from(const lib::os::file_path& file);
    // Writes file_name; see save_to.
    bool save() const { return save_to(file_name); }
    // Writes the table file `file` and its ".extended" companion and sets `saved`. False, with
    // `saved` unchanged, when `file` is empty or a file cannot be written.
    bool save_to(const AnsiString& file) const;
    bool save_to(const lib::os::file_path& file) const;
    // Applies the extra values of an ".extended" file to the parameters of the same keys. A
    // missing, unreadable or foreign file changes nothing.
    void load_extended_info(const AnsiString& file);
    void load_extended_info(const lib::os::file_path& file);
    // Writes an ".extended" file; false when it cannot be written.
    bool save_extended_info(const AnsiString& file) const;
    bool save_extended_info(const lib::os::file_path& file) const;

    // Replaces the list by a table file's contents held in a stream (no extra values, no check).
    void read_table(lib::io::InputMappedFile& in);
    void read_table(lib::io::BinaryMemoryInputStream& in);
    // Writes the table file's contents.
    void write_table(lib::io::BinaryOutputStream& out) const;
    // Applies an ".extended" file's contents held in a stream.
    void read_extended_info(lib::io::BinaryInputStream& in);
    // Writes an ".extended" file's contents.
    void write_extended_info(lib::io::BinaryOutputStream& out) const;

    // Applies the dependency rules between parameters in their order (a level brings its
    // volume, conductivity and resistivity bring each other, absolute gas brings relative gas
    // and the gas sum; a dependent without any of its sources goes), then check_values().
    void check();
    // One rule over two comma-separated key lists: when any source is in the table every
    // dependent is (as far as the catalogue knows it), and when none is no dependent is.
    void check_depend(const char* sources, const char* dependents);
    // When no source is in the table, removes every dependent; true when one was removed.
    bool check_remove_exists(TStringList* sources, TStringList* dependents);
    // When a source is in the table, adds every missing dependent by key; true when one was tried.
    bool check_add_depend(TStringList* sources, TStringList* dependents);

    // Lists the parameters for the module stream; `version` plays no part. Reading replaces the
    // list only once the whole list has been read.
    void get_serial_list(lib::serial_list& list, unsigned version) override;
    // The module stream name "ParTable".
    void get_serial_name(AnsiString& name) override { name = "ParTable"; }

    std::vector<Param> params;    // the parameters, in table order
    mutable bool saved = true;    // true after construction and after save_to wrote the files
    AnsiString file_name;         // the table file, set by the table's owner
    AnsiString backup_file_name;  // the file load() reads when file_name cannot be opened

private:
    Param spare_;
};
