#include "output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli.h"
#include "gti/platform/codepage.h"

namespace gti_tool {

std::string u8(const AnsiString& s) {
    return lib::cp1251::to_utf8(s.view());
}

json_value json_text(const AnsiString& s) {
    return u8(s);
}

json_value json_number(double v) {
    return std::isfinite(v) ? json_value(v) : json_value(nullptr);
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
    // One byte of code page 1251 is one character on the terminal.
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], row[c].size());
        }
    for (const auto& row : rows) {
        AnsiString line = indent;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const AnsiString pad(std::string(widths[c] - row[c].size(), ' '));
            const bool last = c + 1 == row.size();
            if (std::find(right.begin(), right.end(), c) != right.end())
                line += pad + row[c];
            else
                line += last ? row[c] : row[c] + pad;
            if (!last) line += "  ";
        }
        say(line);
    }
}

AnsiString count_text(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), " ");
    return AnsiString((n < 0 ? "-" : "") + digits);
}

}  // namespace gti_tool
