// File and directory helpers: searches of directory trees, well and run names derived from the
// paths of data files, names made safe for files and FTP, the code page of text files, and
// copying and removing groups of files.
//
// The station keeps one directory per well, named after the well, and names each data file after
// its drilling run: the run 12 of the well "Южная-7" is "<data>/Южная-7/12.<extension>". The name
// functions encode that convention.
//
// Paths. Both "\" (the station's own paths) and "/" separate the parts of a path that is taken
// apart, so "D:\data\well7\12.tim" and "/data/well7/12.tim" both name the run 12 of the well
// "well7". Where a helper adds a separator it adds "/", the separator of this system:
// check_path_string appends "/", a recursive search descends into "<directory>/<subdirectory>/",
// and FindedFile::path is the directory of the mask as the caller spelled it, ending with the
// separator it had (the empty text for a mask without a directory), so that path + name always
// names the file found.
//
// Masks. The file part of a mask may hold "*" (any run of characters) and "?" (any one
// character); names match without regard to letter case, Cyrillic included, as on the station's
// own platform. "*.*" matches every name, and "name.*" a name without an extension too.
//
// Attributes (fa_* below; the entries' bits are described in gti/platform/os.h). A search finds
// the ordinary entries plus those that carry requested attributes: an entry that is hidden
// (a name beginning with "."), a system file or a directory is left out unless the attributes
// name that bit. Symbolic links to directories are listed but never descended into, so neither a
// search nor a removal ever leaves the tree it was given.
//
// Names of any characters. Each helper that lists or removes files also takes a lib::os::file_path
// (a std::filesystem::path): its folders may then have any names the system allows, and its
// listings give every entry, an entry whose name is not station text under its display form
// (lib::os::file_path::display()). The 1251 forms leave such entries out, as the station does.
//
// Failures: searches that find nothing give empty results; check_file_coding alone throws
// (std::runtime_error "File not found" when the file cannot be opened).
#pragma once

#include <cstdint>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"
#include "gti/platform/system.h"

class TStrings;

namespace lib {

// Attribute bits of searches.
inline constexpr int fa_read_only = 0x01;
inline constexpr int fa_hidden = 0x02;
inline constexpr int fa_sys_file = 0x04;
inline constexpr int fa_volume_id = 0x08;
inline constexpr int fa_directory = 0x10;
inline constexpr int fa_archive = 0x20;
inline constexpr int fa_any_file = 0x3F;

// One hit of a search.
struct FindedFile {
    int attr = 0;     // attribute bits; 0x10 marks a directory
    int size = 0;     // bytes (a file of 2 GiB or more shows 2147483647)
    int time = 0;     // last write, packed DOS date-time of local time (lib::os::dos_date_time)
    AnsiString name;  // the name without its directory
    AnsiString path;  // the directory searched, as the mask spelled it, with its separator

    // The name without its last extension: the text before the last point, or the whole name.
    AnsiString get_only_name() const;
};

// The orders of FileFinder::sort_results.
enum ffSortStyles {
    ff_by_name = 0,  // the names, byte by byte
    ff_by_race = 1,  // the run numbers: FindedFile::get_only_name() as an integer, 0 when it is none
    ff_by_time = 2,  // the last-write times
};

// Searches directories and collects the hits; both members grow with every find.
class FileFinder {
public:
    // The sum of the sizes of all hits.
    std::uint64_t total_size = 0;
    // The hits, in the order found.
    std::vector<FindedFile> files;

    // Appends the entries that match `mask` with `attributes`. With fa_directory among the
    // attributes only directories are kept. With `recursive`, the subdirectories of the mask's
    // directory are searched first, each with the same file part and in name order, so the hits
    // of a subdirectory come before those of its parent and deeper levels before shallower ones.
    // Hidden subdirectories are searched only when the attributes ask for hidden entries.
    void find(const AnsiString& mask, int attributes, bool recursive);

    // Sorts the hits in ascending order; hits that compare equal may change places.
    void sort_results(ffSortStyles style);
};

// The file part of `path` cut before its first point; the whole file part when it has none.
AnsiString get_only_name(const AnsiString& path);
// The same as get_only_name.
AnsiString only_name(const AnsiString& path);
// The file part of `path` without its last extension: the text between the last separator and
// the last point; the whole file part when it has no point.
AnsiString race_from_filename(const AnsiString& path);
// The run number of a data file: its file part up to the first point read as a decimal
// integer; -1 when the file part has no point or that text is no integer.
int extract_race_num(const AnsiString& path);
// The name of the well directory of a data file: the last part of the file's directory.
AnsiString pore_from_filename(const AnsiString& path);
// `path` with "/" appended when it has at least 3 characters and does not end with "\" or "/".
AnsiString check_path_string(const AnsiString& path);
// `path` without its last character when it has at least 3 characters and ends with "\" or "/".
AnsiString check_dir_string(const AnsiString& path);
// A name safe for the file system: "*", "&" and "?" become "-", "," becomes ".", and a double
// quote becomes two apostrophes.
AnsiString check_file_name(const AnsiString& name);
// A well name safe for FTP: in upper case, the Cyrillic letters transliterated (Ё "YO", Ж "J",
// Х "H", Ц "TS", Ч "CH", Ш "SH", Щ "CSH", Ы "YY", Э "YE", Ю "YU", Я "YA", Ъ and Ь dropped, the
// others one Latin letter each), digits and Latin letters kept, everything else dropped (Й,
// spaces, hyphens and underscores among them). "Южная-1" gives "YUJNAYA1".
AnsiString correct_ftp_pore_name(const AnsiString& name);

// The size in bytes of the first entry matching `path` (any attributes), or 0xFFFFFFFF when
// there is none.
std::uint64_t get_file_size(const AnsiString& path);
std::uint64_t get_file_size(const os::file_path& path);
// The creation and last-write times of the first entry matching `path` (any attributes); either
// pointer may be null. False when there is no such entry.
bool get_file_times(const AnsiString& path, FILETIME* created, FILETIME* written);
bool get_file_times(const os::file_path& path, FILETIME* created, FILETIME* written);
// Loads the lines of a text file into `list`. False when the file does not exist (or the list is
// null); true without loading when `tries` is 0 or less. Otherwise up to `tries` attempts 100 ms
// apart (another program may be replacing the file): true once one succeeds, false when all fail,
// and the list is then left as it was.
bool try_to_load_text_file(TStrings* list, const AnsiString& path, int tries);
bool try_to_load_text_file(TStrings* list, const os::file_path& path, int tries);
// Guesses whether a text file is in code page 866 (1) or 1251 (0): each code page scores the share
// of the file's bytes that are Russian letters in it (А-Я and а-я without Й and й, with Ё and ё);
// 1 when the 866 score is at least the 1251 score (a file without Russian letters gives 1). An
// empty file gives 0. Throws std::runtime_error "File not found" when the file cannot be opened.
int check_file_coding(const AnsiString& path);
int check_file_coding(const os::file_path& path);
// Deletes the files directly in `dir`; subdirectories and read-only files stay. An empty `dir`
// does nothing.
void clear_dir(const AnsiString& dir);
void clear_dir(const os::file_path& dir);
// Empties `dir`: the files of the whole tree are made writable and deleted, then the
// subdirectories are removed deepest first; `dir` itself stays. What cannot be deleted stays
// (and so do the directories above it). An empty `dir` does nothing.
void remove_directory_with_files(const AnsiString& dir);
void remove_directory_with_files(const os::file_path& dir);
// Appends the names of the subdirectories of `dir` (not hidden ones) to `list`.
void get_dir_list(const AnsiString& dir, TStrings* list);
void get_dir_list(const os::file_path& dir, TStrings* list);
// Appends the names of the entries matching `mask` with `attributes` (files and the entries
// carrying requested attributes) to `list`, and adds their sizes to *total_size when that is not
// null (stopping at 2147483647).
void get_file_list(const AnsiString& mask, TStrings* list, int attributes, int* total_size);
void get_file_list(const os::file_path& mask, TStrings* list, int attributes, int* total_size);
// The paths of the entries matching `mask` with `attributes` (as get_file_list finds them, in
// byte order of their names), each joined from the mask's folder and the name the system spells,
// so that every one of them can be opened.
std::vector<os::file_path> find_paths(const os::file_path& mask, int attributes);
// The same, with `recursive` the matches in the subfolders too, as FileFinder::find gives them:
// each subfolder's (in name order, links not followed) before the folder's own.
std::vector<os::file_path> find_paths(const os::file_path& mask, int attributes, bool recursive);
// Copies every file matching `source_dir` + `mask` to `destination_dir` under the same name,
// overwriting existing files (lib::os::copy_file). True when every one was copied.
bool copy_by_mask(const AnsiString& source_dir, const AnsiString& destination_dir, const AnsiString& mask);
bool copy_by_mask(const os::file_path& source_dir, const os::file_path& destination_dir, const AnsiString& mask);
// Opens `file` with the desktop's handler (lib::os::open_document), `parameters` split into
// words like separate_words1 (spaces between words, double quotes around a word with spaces) and
// handed over as separate arguments, never through a shell. Returns the started program's id, or
// 0 when it cannot be started. The flag has no effect; nothing is shown minimized on this system.
os::process_id my_shell_execute(const AnsiString& file, const AnsiString& parameters, bool);

}  // namespace lib
