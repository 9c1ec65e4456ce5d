#include "output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli.h"
#include "gti/options/race_info.h"
#include "gti/platform/codepage.h"

namespace gti_tool {
namespace {

// The names known to u8: display() in UTF-8 and the name as the system spells it, the longest
// first so that a file's whole name goes before its folder's.
std::vector<std::pair<std::string, std::string>> known_names;

void know(const lib::os::file_path& name) {
    if (name.is_station_text()) return;
    std::pair<std::string, std::string> entry{lib::cp1251::to_utf8(name.display().view()), name.native()};
    if (std::find(known_names.begin(), known_names.end(), entry) != known_names.end()) return;
    known_names.push_back(std::move(entry));
    std::stable_sort(known_names.begin(), known_names.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
}

}  // namespace

std::string u8(const AnsiString& s) {
    std::string text = lib::cp1251::to_utf8(s.view());
    if (text.find('<') == std::string::npos) return text;
    for (const auto& [shown, native] : known_names)
        for (std::size_t at = text.find(shown); at != std::string::npos; at = text.find(shown, at + native.size()))
            text.replace(at, shown.size(), native);
    return text;
}

const lib::os::file_path& known_name(const lib::os::file_path& file) {
    know(file);
    know(lib::os::file_path(file.path().parent_path()));
    // The warnings of an old-generation data file name the run file beside it.
    know(RaceInfo::get_race_file(file));
    return file;
}

json_value json_text(const AnsiString& s) {
    return u8(s);
}

json_value json_number(double v) {
    return std::isfinite(v) ? json_value(v) : json_value(nullptr);
}

json_value json_number(float v) {
    if (!std::isfinite(v)) return nullptr;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::strtod(std::string(text, end).c_str(), nullptr);
}

void print_json(const json_value& doc) {
    std::printf("%s\n", doc.dump(2, ' ', false, json_value::error_handler_t::replace).c_str());
}

void say(const AnsiString& line) {
    std::printf("%s\n", u8(line).c_str());
}

void note(const AnsiString& line) {
    if (!run().quiet) say(line);
}

void print_table(const std::vector<std::vector<AnsiString>>& rows, const std::vector<std::size_t>& right,
                 const AnsiString& indent) {
    // Widths in characters of the text as printed (a known name may differ from its display()).
    const auto characters = [](const std::string& text) {
        return static_cast<std::size_t>(std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    std::vector<std::vector<std::string>> cells;
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        cells.emplace_back();
        for (std::size_t c = 0; c < row.size(); ++c) {
            cells.back().push_back(u8(row[c]));
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], characters(cells.back().back()));
        }
    }
    for (const auto& row : cells) {
        std::string line = u8(indent);
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - characters(row[c]), ' ');
            const bool last = c + 1 == row.size();
            if (std::find(right.begin(), right.end(), c) != right.end())
                line += pad + row[c];
            else
                line += last ? row[c] : row[c] + pad;
            if (!last) line += "  ";
        }
        std::printf("%s\n", line.c_str());
    }
}

AnsiString count_text(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), " ");
    return AnsiString((n < 0 ? "-" : "") + digits);
}

}  // namespace gti_tool
