// CSV files in and out of a record store: the form in which most drilling data travel.
//
// Reading (read_csv, load_csv_file). A file may be deflated with gzip (told by its first
// bytes); a UTF-8 byte-order mark is skipped. The first line is the header, every other line a
// record:
//
//   time_epoch_s,Depth (m),HKLD[kN],FLOWIN
//   1475107588,1206,646.5,0.031
//   2016-09-29T00:06:30,1206,,0.032         <- an empty cell: the value is missing
//
//   delimiter   ',' or ';' or TAB: the one the header holds most of (a tie: TAB, then ';');
//               cells may be quoted ("a,b", "" for a quote inside, line breaks inside too);
//               blanks around a cell are dropped; lines end with LF, CR LF or CR
//   header      "name (unit)" or "name[unit]" or "name": the name is the station key and the
//               parameter's name, the unit its unit. Text is UTF-8, or taken as code page 1251
//               bytes when it is not UTF-8; a name 1251 cannot hold is an error (in units ²
//               and ³ become 2 and 3). A delimiter that ends the header (and the lines) adds no
//               column
//   time        the column named with csv_read_options::time_column, else the first whose name
//               is one of time, datetime, date_time, timestamp, time_epoch_s, epoch, unix_time,
//               время ... (letter case ignored); every record needs one. A cell is epoch
//               seconds (fractions dropped; milliseconds when the name ends in "_ms") or a date
//               and time: 2016-09-29T00:06:30, 2016-09-29 00:06, 29.09.2016 00:06:30, fractions
//               of a second dropped. Epoch seconds and times with a zone ("Z", "+03:00") are
//               moments of UTC and become the station time that a clock on UTC shows; a time
//               without a zone is taken as the wall-clock time it says
//   depth       the column named with depth_column, else the first named depth, dept, dmea,
//               md, hole_depth, глубина ...; without one every record's depth is 0
//   parameters  every other column, in order; a --map entry (csv_column_map) for the column
//               gives its key, name, unit and a scale the numbers are multiplied by (the depth
//               column takes its scale too)
//   cells       numbers as C reads them in any locale (a decimal comma where ',' is not the
//               delimiter); empty cells, and cells equal to null_text (as text or as a number),
//               are missing (NaN)
//
// Blank lines and lines of empty cells are skipped. Records keep the file's order; those
// outside the store's time range are left out. Nothing is allocated by a number the file gives:
// the store grows with the records read.
//
// Failures: std::runtime_error, station text (1251), naming the file and the place:
//   "<file>: line 7, column 3 (FLOWIN): "1.2.3" is not a number"
//   "<file>: line 7: 5 cells where the header has 4", "...: no time column (...)",
//   "...: the column "расход" and the column "РАСХОД" are one key", "...: 130 parameters, a
//   store holds at most 128", "...: the quote opened on line 3 is not closed", the time and
//   gzip errors, and those of lib::io::read_whole_file.
//
// Writing (write_csv, save_csv_file): UTF-8, ',' between cells, LF after every line:
//
//   time,depth (m),вес_на_крюке (т),FLOWIN
//   2016-09-29T00:06:28,1206,64.65,0.031
//   2016-09-29T00:06:30,1206,,0.032
//
// Times in ISO 8601 (the station's wall-clock time, no zone), a column "key (unit)" per
// parameter ("key" alone without a unit), numbers with the fewest digits that read back to the
// same float (std::to_chars), an empty cell for a missing value; cells are quoted where they
// hold ',', '"' or a line break. Reading such a file gives the store's records back.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/storage/file_storage.h"

namespace gti_tool {

// How one CSV column becomes a parameter: a row of a map file.
struct csv_column_map {
    AnsiString column;  // the column's name in the header, without its unit
    AnsiString key;     // the station key (empty: the column's name)
    AnsiString name;    // the parameter's name (empty: the key)
    AnsiString unit;    // its unit (empty: the header's)
    double scale = 1;   // the numbers are multiplied by it
};

// What read_csv takes besides the text.
struct csv_read_options {
    AnsiString time_column;                // the time column's name; empty: found by its name
    AnsiString depth_column;               // the depth column's name; empty: found by its name
    std::optional<std::string> null_text;  // cells equal to it are missing
    std::vector<csv_column_map> map;       // columns to rename and rescale
};

// Reads a map file: a CSV file whose header names its columns among column, key, name, unit and
// scale (column required), one line per CSV column, in station text. Throws std::runtime_error
// naming the file and line for a map it cannot use.
std::vector<csv_column_map> read_csv_map(std::string_view text, const AnsiString& file);
// read_csv_map of a file's text.
std::vector<csv_column_map> load_csv_map(const lib::os::file_path& file);

// Adds the records of a CSV text (see above) to the store, its columns merged by key into the
// store's parameters. `file` names the text in messages (a file by lib::os::file_path::display()).
// On failure the store may hold the parameters and records read before it. `progress`, when given,
// hears now and then the fraction of the text read.
void read_csv(std::string_view text, const AnsiString& file, const csv_read_options& options, FileStorage& store,
              const std::function<void(double)>& progress = nullptr);
// read_csv of a file, inflated first when it is gzip data.
void load_csv_file(const lib::os::file_path& file, const csv_read_options& options, FileStorage& store,
                   const std::function<void(double)>& progress = nullptr);

// Writes the store as CSV text (see above); `progress`, when given, hears now and then the
// fraction of the records written.
void write_csv(const FileStorage& store, lib::io::BinaryOutputStream& out,
               const std::function<void(double)>& progress = nullptr);
// Writes the store as a CSV file through lib::io::atomic_file: the old file stays until the
// new one is complete.
void save_csv_file(const FileStorage& store, const lib::os::file_path& file,
                   const std::function<void(double)>& progress = nullptr);

// True for a name ending in ".csv" or ".csv.gz" (letter case ignored).
bool is_csv_file(const AnsiString& name);

}  // namespace gti_tool
