#include "gti/util/files.h"

#include <algorithm>
#include <array>
#include <climits>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>

#include "gti/io/mapped_file.h"
#include "gti/platform/codepage.h"
#include "gti/util/string_list.h"
#include "gti/util/text.h"
#include "util/decimal.h"

namespace lib {
namespace {

constexpr std::string_view separators = "\\/";
constexpr AnsiString::size_type npos = AnsiString::npos;

// The bits that keep an entry out of a search unless the search asks for them.
constexpr int special_bits = fa_hidden | fa_sys_file | fa_volume_id | fa_directory;
// Every kind of entry but a directory.
constexpr int file_bits = fa_read_only | fa_hidden | fa_sys_file | fa_archive;

bool is_separator(char c) noexcept {
    return c == '\\' || c == '/';
}

// The index just past the last separator of `path` (0 when it has none).
std::size_t file_part_start(const AnsiString& path) noexcept {
    const std::size_t sep = path.find_last_of(separators);
    return sep == npos ? 0 : sep + 1;
}

AnsiString file_part(const AnsiString& path) {
    return path.substr(file_part_start(path));
}

// `dir` and a name joined by the native separator unless `dir` ends with one already.
AnsiString join(const AnsiString& dir, const AnsiString& name) {
    if (dir.empty() || is_separator(dir.back())) return dir + name;
    return dir + "/" + name;
}

bool has_wildcards(const AnsiString& pattern) noexcept {
    return pattern.find_first_of("*?") != npos;
}

// Matches a name against a pattern of "*" and "?" without regard to letter case. Linear in
// practice: a "*" remembers where to resume instead of recursing.
bool wildcard_match(std::string_view pattern, std::string_view name) noexcept {
    std::size_t p = 0, n = 0, star = npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || cp1251::to_lower(pattern[p]) == cp1251::to_lower(name[n]))) {
            ++p;
            ++n;
        } else if (star != npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The platform's mask rule: "*" and "?", and a trailing ".*" (or ".") that a name without an
// extension satisfies as well.
bool mask_match(std::string_view pattern, std::string_view name) noexcept {
    if (wildcard_match(pattern, name)) return true;
    if (name.find('.') != std::string_view::npos) return false;
    if (pattern.ends_with(".*")) return wildcard_match(pattern.substr(0, pattern.size() - 2), name);
    if (pattern.ends_with('.')) return wildcard_match(pattern.substr(0, pattern.size() - 1), name);
    return false;
}

bool wanted(const os::dir_entry& e, int attributes) noexcept {
    const int excluded = ~attributes & special_bits;
    return (static_cast<int>(e.attributes) & excluded) == 0;
}

// The entries that match `mask`, as the platform's find-first and find-next deliver them: the
// ordinary entries and those whose special bits are all among `attributes`.
// `Path` is AnsiString (names that are not station text are left out) or os::file_path (every
// name, matched in its display form).
template <class Path>
std::vector<os::dir_entry> matching_in(const Path& dir, const AnsiString& pattern, const Path& mask, int attributes) {
    std::vector<os::dir_entry> found;
    if (pattern.empty()) return found;
    if (!has_wildcards(pattern)) {
        os::dir_entry e;
        if (os::entry_info(mask, e)) {
            if (wanted(e, attributes)) found.push_back(std::move(e));
            return found;
        }
    }
    std::vector<os::dir_entry> entries;
    os::list_directory(dir, entries);
    for (os::dir_entry& e : entries) {
        if (mask_match(pattern.view(), e.name.view()) && wanted(e, attributes)) found.push_back(std::move(e));
    }
    return found;
}

std::vector<os::dir_entry> matching(const AnsiString& mask, int attributes) {
    const std::size_t start = file_part_start(mask);
    return matching_in(mask.substr(0, start), mask.substr(start), mask, attributes);
}

std::vector<os::dir_entry> matching(const os::file_path& mask, int attributes) {
    const std::string& native = mask.native();
    const std::size_t sep = native.find_last_of(separators);
    const std::size_t start = sep == std::string::npos ? 0 : sep + 1;
    const os::file_path dir = os::file_path::from_native(native.substr(0, start));
    const os::file_path pattern = os::file_path::from_native(native.substr(start));
    return matching_in(dir, pattern.display(), mask, attributes);
}

// A path and a name of the system joined by the native separator.
os::file_path join(const os::file_path& dir, const std::string& native_name) {
    return os::file_path(dir.path() / os::file_path::from_native(native_name).path());
}

int clamped_int(std::uint64_t v) noexcept {
    return v > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(v);
}

// The run number a sort by run uses: the name without its extension, 0 when it is no integer.
int race_key(const FindedFile& f) {
    int n = 0;
    return detail::parse_decimal(f.get_only_name().view(), n) ? n : 0;
}

// The letters of one code page that check_file_coding counts: А-Я and а-я without Й and й, with
// Ё and ё, as 1251 bytes.
std::array<unsigned char, 64> russian_letters_1251() {
    std::array<unsigned char, 64> letters{};
    std::size_t k = 0;
    for (int c = 0xC0; c <= 0xFF; ++c) {
        if (c != 0xC9 && c != 0xE9) letters[k++] = static_cast<unsigned char>(c);
    }
    letters[k++] = 0xA8;
    letters[k++] = 0xB8;
    return letters;
}

// The Latin spelling of the 1251 capitals А..Я for FTP names, in alphabetical order; Й has none.
constexpr const char* ftp_capitals[32] = {"A",  "B",  "V",  "G",   "D", "E",  "J", "Z",  "I",  "",  "K",
                                          "L",  "M",  "N",  "O",   "P", "R",  "S", "T",  "U",  "F", "H",
                                          "TS", "CH", "SH", "CSH", "",  "YY", "",  "YE", "YU", "YA"};

}  // namespace

AnsiString FindedFile::get_only_name() const {
    const std::size_t dot = name.rfind('.');
    return dot == npos ? name : name.substr(0, dot);
}

void FileFinder::find(const AnsiString& mask, int attributes, bool recursive) {
    const std::size_t start = file_part_start(mask);
    const AnsiString dir = mask.substr(0, start);
    if (recursive) {
        FileFinder subdirectories;
        subdirectories.find(dir + "*.*", fa_directory | (attributes & (fa_hidden | fa_sys_file)), false);
        const AnsiString pattern = mask.substr(start);
        for (const FindedFile& sub : subdirectories.files) {
            if ((sub.attr & os::attr_link) == 0) find(sub.path + sub.name + "/" + pattern, attributes, true);
        }
    }
    for (const os::dir_entry& e : matching(mask, attributes)) {
        if ((attributes & fa_directory) != 0 && (e.attributes & os::attr_directory) == 0) continue;
        FindedFile f;
        f.attr = static_cast<int>(e.attributes);
        f.size = clamped_int(e.size);
        f.time = static_cast<int>(os::dos_date_time(e.last_write));
        f.name = e.name;
        f.path = dir;
        files.push_back(std::move(f));
        total_size += e.size;
    }
}

void FileFinder::sort_results(ffSortStyles style) {
    switch (style) {
        case ff_by_name:
            std::sort(files.begin(), files.end(),
                      [](const FindedFile& a, const FindedFile& b) { return a.name < b.name; });
            break;
        case ff_by_race:
            std::sort(files.begin(), files.end(),
                      [](const FindedFile& a, const FindedFile& b) { return race_key(a) < race_key(b); });
            break;
        case ff_by_time:
            // Compared as unsigned, so that the dates after 2043 (the sign bit) still come last.
            std::sort(files.begin(), files.end(), [](const FindedFile& a, const FindedFile& b) {
                return static_cast<unsigned>(a.time) < static_cast<unsigned>(b.time);
            });
            break;
    }
}

AnsiString get_only_name(const AnsiString& path) {
    const AnsiString file = file_part(path);
    return file.substr(0, file.find('.'));
}

AnsiString only_name(const AnsiString& path) {
    return get_only_name(path);
}

AnsiString race_from_filename(const AnsiString& path) {
    const AnsiString file = file_part(path);
    return file.substr(0, file.rfind('.'));
}

int extract_race_num(const AnsiString& path) {
    const AnsiString file = file_part(path);
    const std::size_t dot = file.find('.');
    int n = -1;
    if (dot == npos || !detail::parse_decimal(file.view().substr(0, dot), n)) return -1;
    return n;
}

AnsiString pore_from_filename(const AnsiString& path) {
    const std::size_t start = file_part_start(path);
    if (start == 0) return AnsiString();
    const AnsiString dir = path.substr(0, start - 1);
    return dir.substr(file_part_start(dir));
}

AnsiString check_path_string(const AnsiString& path) {
    if (path.size() >= 3 && !is_separator(path.back())) return path + "/";
    return path;
}

AnsiString check_dir_string(const AnsiString& path) {
    if (path.size() >= 3 && is_separator(path.back())) return path.substr(0, path.size() - 1);
    return path;
}

AnsiString check_file_name(const AnsiString& name) {
    AnsiString safe;
    safe.reserve(name.size());
    for (char c : name) {
        switch (c) {
            case '*':
            case '&':
            case '?':
                safe += '-';
                break;
            case ',':
                safe += '.';
                break;
            case '"':
                safe += "''";
                break;
            default:
                safe += c;
        }
    }
    return safe;
}

AnsiString correct_ftp_pore_name(const AnsiString& name) {
    AnsiString latin;
    for (char c : cp1251::to_upper(name.view())) {
        const auto b = static_cast<unsigned char>(c);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
            latin += c;
        else if (b >= 0xC0 && b <= 0xDF)
            latin += ftp_capitals[b - 0xC0];
        else if (b == 0xA8)  // Ё
            latin += "YO";
    }
    return latin;
}

std::uint64_t get_file_size(const AnsiString& path) {
    const std::vector<os::dir_entry> found = matching(path, fa_any_file);
    return found.empty() ? 0xFFFFFFFF : found.front().size;
}

std::uint64_t get_file_size(const os::file_path& path) {
    const std::vector<os::dir_entry> found = matching(path, fa_any_file);
    return found.empty() ? 0xFFFFFFFF : found.front().size;
}

namespace {

bool first_times(const std::vector<os::dir_entry>& found, FILETIME* created, FILETIME* written) {
    if (found.empty()) return false;
    if (created != nullptr) *created = found.front().creation;
    if (written != nullptr) *written = found.front().last_write;
    return true;
}

template <class Path>
bool load_text_file(TStrings* list, const Path& path, int tries) {
    os::dir_entry e;
    if (list == nullptr || !os::entry_info(path, e) || (e.attributes & os::attr_directory) != 0) return false;
    for (int attempt = 1; attempt <= tries; ++attempt) {
        try {
            list->LoadFromFile(path);
            return true;
        } catch (const std::runtime_error&) {
            if (attempt < tries) sleep_ms(100);
        }
    }
    return tries <= 0;
}

template <class Path>
int file_coding(const Path& path) {
    mapped_file file;
    if (!file.open(path, om_read, 0)) throw std::runtime_error("File not found");
    std::array<std::uint64_t, 256> histogram{};
    char buffer[65536];
    int n;
    while ((n = file.read(buffer, sizeof buffer)) > 0) {
        for (int i = 0; i < n; ++i)
            ++histogram[static_cast<unsigned char>(buffer[i])];
    }
    if (file.get_size() == 0) return 0;
    std::uint64_t letters_1251 = 0, letters_866 = 0;
    for (unsigned char c : russian_letters_1251()) {
        letters_1251 += histogram[c];
        letters_866 += histogram[static_cast<unsigned char>(cp1251::to_866(static_cast<char>(c)))];
    }
    // Both scores divide by the same length: comparing the counts compares the scores exactly.
    return letters_866 >= letters_1251 ? 1 : 0;
}

// Removes what `dir` holds, deepest first, never passing through a symbolic link.
void remove_tree_contents(const os::file_path& dir) {
    std::vector<os::dir_entry> entries;
    os::list_directory(dir, entries);
    for (const os::dir_entry& e : entries) {
        const os::file_path entry = join(dir, e.native_name);
        if ((e.attributes & os::attr_directory) != 0 && (e.attributes & os::attr_link) == 0) {
            remove_tree_contents(entry);
            os::remove_directory(entry);
        } else if ((e.attributes & os::attr_directory) != 0) {
            os::remove_directory(entry);
        } else {
            os::clear_attributes(entry);
            os::delete_file(entry);
        }
    }
}

}  // namespace

bool get_file_times(const AnsiString& path, FILETIME* created, FILETIME* written) {
    return first_times(matching(path, fa_any_file), created, written);
}

bool get_file_times(const os::file_path& path, FILETIME* created, FILETIME* written) {
    return first_times(matching(path, fa_any_file), created, written);
}

bool try_to_load_text_file(TStrings* list, const AnsiString& path, int tries) {
    return load_text_file(list, path, tries);
}

bool try_to_load_text_file(TStrings* list, const os::file_path& path, int tries) {
    return load_text_file(list, path, tries);
}

int check_file_coding(const AnsiString& path) {
    return file_coding(path);
}

int check_file_coding(const os::file_path& path) {
    return file_coding(path);
}

void clear_dir(const AnsiString& dir) {
    if (dir.empty()) return;
    for (const os::dir_entry& e : matching(join(dir, "*.*"), file_bits))
        os::delete_file(join(dir, e.name));
}

void clear_dir(const os::file_path& dir) {
    if (dir.native().empty()) return;
    for (const os::dir_entry& e : matching(join(dir, "*.*"), file_bits))
        os::delete_file(join(dir, e.native_name));
}
void remove_directory_with_files(const AnsiString& dir) {
    if (dir.empty()) return;
    FileFinder files;
    files.find(join(dir, "*.*"), file_bits, true);
    for (const FindedFile& f : files.files) {
        os::clear_attributes(f.path + f.name);
        os::delete_file(f.path + f.name);
    }
    FileFinder directories;
    directories.find(join(dir, "*.*"), fa_directory | fa_hidden | fa_sys_file, true);
    for (const FindedFile& d : directories.files)
        os::remove_directory(d.path + d.name);
}

void remove_directory_with_files(const os::file_path& dir) {
    if (dir.native().empty()) return;
    remove_tree_contents(dir);
}

void get_dir_list(const AnsiString& dir, TStrings* list) {
    if (list == nullptr) return;
    FileFinder finder;
    finder.find(join(dir, "*.*"), fa_directory, false);
    for (const FindedFile& f : finder.files)
        list->Add(f.name);
}

void get_dir_list(const os::file_path& dir, TStrings* list) {
    if (list == nullptr) return;
    for (const os::dir_entry& e : matching(join(dir, "*.*"), fa_directory)) {
        if ((e.attributes & os::attr_directory) != 0) list->Add(e.name);
    }
}

namespace {

void add_entries(const std::vector<os::dir_entry>& found, TStrings* list, int* total_size) {
    for (const os::dir_entry& e : found) {
        if (list != nullptr) list->Add(e.name);
        if (total_size != nullptr) {
            const std::int64_t sum = std::int64_t{*total_size} + clamped_int(e.size);
            *total_size = sum > INT_MAX ? INT_MAX : static_cast<int>(sum);
        }
    }
}

}  // namespace

void get_file_list(const AnsiString& mask, TStrings* list, int attributes, int* total_size) {
    add_entries(matching(mask, attributes), list, total_size);
}

void get_file_list(const os::file_path& mask, TStrings* list, int attributes, int* total_size) {
    add_entries(matching(mask, attributes), list, total_size);
}

bool copy_by_mask(const AnsiString& source_dir, const AnsiString& destination_dir, const AnsiString& mask) {
    bool all = true;
    for (const os::dir_entry& e : matching(join(source_dir, mask), fa_any_file)) {
        if ((e.attributes & os::attr_directory) != 0) continue;
        if (!os::copy_file(join(source_dir, e.name), join(destination_dir, e.name))) all = false;
    }
    return all;
}

std::vector<os::file_path> find_paths(const os::file_path& mask, int attributes) {
    const std::string& native = mask.native();
    const std::size_t sep = native.find_last_of(separators);
    const std::string folder = sep == std::string::npos ? std::string() : native.substr(0, sep + 1);
    std::vector<os::file_path> paths;
    for (const os::dir_entry& e : matching(mask, attributes))
        paths.push_back(os::file_path::from_native(folder + e.native_name));
    return paths;
}

std::vector<os::file_path> find_paths(const os::file_path& mask, int attributes, bool recursive) {
    if (!recursive) return find_paths(mask, attributes);
    const std::string& native = mask.native();
    const std::size_t start = native.find_last_of(separators) + 1;  // 0 without a separator
    const std::string folder = native.substr(0, start);
    std::vector<os::file_path> paths;
    for (const os::dir_entry& sub : matching(os::file_path::from_native(folder + "*.*"),
                                             fa_directory | (attributes & (fa_hidden | fa_sys_file)))) {
        if ((sub.attributes & os::attr_directory) == 0 || (sub.attributes & os::attr_link) != 0) continue;
        std::vector<os::file_path> more = find_paths(
            os::file_path::from_native(folder + sub.native_name + "/" + native.substr(start)), attributes, true);
        paths.insert(paths.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    std::vector<os::file_path> own = find_paths(mask, attributes);
    paths.insert(paths.end(), std::make_move_iterator(own.begin()), std::make_move_iterator(own.end()));
    return paths;
}

bool copy_by_mask(const os::file_path& source_dir, const os::file_path& destination_dir, const AnsiString& mask) {
    bool all = true;
    for (const os::dir_entry& e : matching(join(source_dir, os::file_path(mask).native()), fa_any_file)) {
        if ((e.attributes & os::attr_directory) != 0) continue;
        if (!os::copy_file(join(source_dir, e.native_name), join(destination_dir, e.native_name))) all = false;
    }
    return all;
}

os::process_id my_shell_execute(const AnsiString& file, const AnsiString& parameters, bool) {
    std::vector<std::string> words;
    separate_words1(parameters.str(), words, false);
    return os::open_document(file, std::vector<AnsiString>(words.begin(), words.end()));
}

}  // namespace lib
