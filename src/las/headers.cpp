#include "gti/las/headers.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "gti/las/text.h"
#include "gti/platform/codepage.h"
#include "las/output.h"

namespace lib::las {
namespace {

// The column heading and the rule under it that open every header block.
constexpr std::string_view column_heading =
    "#MNEM.UNIT                                       DATA DESCRIPTION ON MNEMONIC\n"
    "#----------------------- ---------------------------- -----------------------\n";

// The column of the colon in a header line whose value fits its field.
constexpr std::size_t colon_column = 53;

// Splits a header line into its four fields (positions as in the header); false when one of
// the positions that must be there is missing.
bool parse_header_line(std::string_view line, file_value& item) {
    constexpr std::size_t none = std::string_view::npos;
    const std::size_t s = line.find_first_not_of(' ');
    if (s == none) return false;
    const std::size_t p = line.find_first_of(". ", s);
    if (p == none) return false;
    std::size_t t = p;
    if (line[p] == ' ') {
        const std::size_t next = line.find_first_not_of(' ', p);
        if (next != none && line[next] == '.') t = next;
    }
    const std::size_t u = line.find(' ', t);
    if (u == none) return false;
    const std::size_t v = line.find_first_not_of(' ', u);
    if (v == none) return false;
    const std::size_t c = line.find(':', v);
    if (c == none) return false;
    const std::size_t d = line.find_first_not_of(' ', c + 1);
    item.mnemonic = AnsiString(line.substr(s, p - s));
    item.unit = AnsiString(u > t ? line.substr(t + 1, u - t - 1) : line.substr(t + 1));
    item.value = AnsiString(line.substr(v, c - v));
    item.description = d == none ? AnsiString() : AnsiString(line.substr(d));
    return true;
}

// The line as the block holds it: converted from code page 866 when the file is so coded.
AnsiString header_text(std::string_view line, detailed::coding coding) {
    AnsiString text(line);
    if (coding == detailed::oem_text) convert_to_win(text, text);
    return text;
}

void append_tilde_line(std::string& text, const AnsiString& title) {
    text += '~';
    text += title.view();
    text += '\n';
}

void append_header_line(std::string& text, const file_value& item) {
    const std::size_t name_width = std::max<std::size_t>(4, item.mnemonic.size());
    text += item.mnemonic.view();
    text.append(name_width - item.mnemonic.size(), ' ');
    text += '.';
    text += item.unit.view();
    const std::size_t used = name_width + 1 + item.unit.size();
    const std::size_t field = used < colon_column ? colon_column - used : 0;
    if (item.value.size() < field) text.append(field - item.value.size(), ' ');
    text += item.value.view();
    text += ": ";
    text += item.description.view();
    text += '\n';
}

}  // namespace

bool file_value::have_name(const AnsiString& lower_name) const {
    if (mnemonic.size() != lower_name.size()) return false;
    for (std::size_t i = 0; i < mnemonic.size(); ++i)
        if (cp1251::to_lower(mnemonic[i]) != lower_name[i]) return false;
    return true;
}

void file_value::save_to_stream(io::BinaryOutputStream& out) const {
    std::string text;
    append_header_line(text, *this);
    detail::write_text(out, text);
}

bool las_block_base::begin_with_letter(char letter) const noexcept {
    return !title.empty() && cp1251::to_lower(title[0]) == cp1251::to_lower(letter);
}

void text_headers::load(line_iterator first, line_iterator last, detailed::coding coding) {
    items.clear();
    file_value item;
    for (; first != last; ++first) {
        const AnsiString line = header_text(*first, coding);
        if (parse_header_line(line.view(), item)) items.push_back(item);
    }
}

void text_headers::save(io::BinaryOutputStream& out) const {
    std::string text;
    append_tilde_line(text, title);
    text += column_heading;
    for (int i = 0; i < items.size(); ++i)
        append_header_line(text, items[i]);
    detail::write_text(out, text);
}

int text_headers::find_param(const AnsiString& name) const {
    AnsiString lower;
    convert_to_lower(name, lower);
    for (int i = 0; i < items.size(); ++i)
        if (items[i].have_name(lower)) return i;
    return -1;
}

file_value& text_headers::item_by_name(const AnsiString& name) {
    return add(name);
}

file_value& text_headers::add(const AnsiString& name) {
    const int found = find_param(name);
    if (found >= 0) return items[found];
    file_value& item = items.push_back(file_value{name, {}, {}, {}});
    if (on_resize) on_resize(items.size());
    return item;
}

file_value& text_headers::add(const AnsiString& name, const AnsiString& unit, const AnsiString& value,
                              const AnsiString& description) {
    file_value& item = add(name);
    item.unit = unit;
    item.value = value;
    item.description = description;
    return item;
}

void simple_headers::load(line_iterator first, line_iterator last, detailed::coding coding) {
    lines.clear();
    for (; first != last; ++first)
        lines.push_back(header_text(*first, coding));
}

void simple_headers::save(io::BinaryOutputStream& out) const {
    std::string text;
    append_tilde_line(text, title);
    for (const AnsiString& line : lines) {
        text += line.view();
        text += '\n';
    }
    detail::write_text(out, text);
}

const AnsiString& simple_headers::get(int i) const {
    if (i < 0 || i >= size()) throw std::out_of_range("vector");
    return lines[static_cast<std::size_t>(i)];
}

}  // namespace lib::las
