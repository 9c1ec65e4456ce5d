#include "gti/las/headers.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "gti/las/text.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "las/output.h"

namespace lib::las {
namespace {

// The column heading and the rule under it that open every header block.
constexpr std::string_view column_heading =
    "#MNEM.UNIT                                       DATA DESCRIPTION ON MNEMONIC\n"
    "#----------------------- ---------------------------- -----------------------\n";

// The column of the colon in a header line whose value fits its field.
constexpr std::size_t colon_column = 53;

// The well items that LAS 1.x writes with the value after the colon.
bool is_swapped_1x_item(std::string_view mnemonic) {
    static constexpr std::string_view names[] = {"COMP", "WELL", "FLD",  "LOC", "PROV", "CNTY", "STAT",
                                                 "CTRY", "SRVC", "DATE", "UWI", "API",  "LIC",  "SON"};
    for (std::string_view name : names)
        if (cp1251::equal_nocase(mnemonic, name)) return true;
    return false;
}

enum class line_shape { item, no_colon, unplaced };

// Splits a header line into its four fields by the delimiters above.
line_shape parse_header_line(std::string_view line, file_value& item) {
    constexpr std::size_t none = std::string_view::npos;
    const std::size_t dot = line.find('.');
    if (dot == none) return line_shape::unplaced;
    const std::string_view mnemonic = trim_blanks(line.substr(0, dot));
    if (mnemonic.empty()) return line_shape::unplaced;
    // The last colon, not counting those of a LAS 3.0 format in braces ("{A:0}").
    std::size_t colon = none;
    int braces = 0;
    for (std::size_t i = dot + 1; i < line.size(); ++i) {
        if (line[i] == '{') ++braces;
        if (line[i] == '}' && braces > 0) --braces;
        if (line[i] == ':' && braces == 0) colon = i;
    }
    std::size_t blank = dot + 1;
    while (blank < line.size() && !is_blank(line[blank]) && blank != colon)
        ++blank;
    item.mnemonic = AnsiString(mnemonic);
    item.unit = AnsiString(line.substr(dot + 1, blank - dot - 1));
    if (colon == none) {
        item.value = AnsiString(trim_blanks(line.substr(blank)));
        item.description = AnsiString();
        return line_shape::no_colon;
    }
    item.value = AnsiString(trim_blanks(line.substr(blank, colon - blank)));
    item.description = AnsiString(trim_blanks(line.substr(colon + 1)));
    return line_shape::item;
}

// The 1251 byte of a Unicode character; 0 when code page 1251 has none.
char from_unicode(char32_t u) {
    struct table {
        std::array<std::pair<char32_t, char>, 128> high{};
        table() {
            for (int i = 0; i < 128; ++i)
                high[static_cast<std::size_t>(i)] = {cp1251::to_unicode(static_cast<char>(0x80 + i)),
                                                     static_cast<char>(0x80 + i)};
        }
    };
    static const table t;
    if (u < 0x80) return static_cast<char>(u);
    for (const auto& [code, byte] : t.high)
        if (code == u) return byte;
    return 0;
}

// UTF-8 to 1251; characters 1251 lacks and broken sequences become '?'. Returns how many did.
std::size_t utf8_to_1251(std::string_view in, std::string& out) {
    out.clear();
    std::size_t lost = 0;
    for (std::size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        char32_t u = length == 4 ? b & 0x07u : length == 3 ? b & 0x0Fu : b & 0x1Fu;
        bool whole = length > 1 && i + static_cast<std::size_t>(length) <= in.size();
        for (int k = 1; whole && k < length; ++k) {
            const auto c = static_cast<unsigned char>(in[i + static_cast<std::size_t>(k)]);
            whole = (c & 0xC0) == 0x80;
            u = (u << 6) | (c & 0x3Fu);
        }
        const char byte = whole ? from_unicode(u) : 0;
        if (byte == 0) ++lost;
        out += byte == 0 ? '?' : byte;
        i += whole ? static_cast<std::size_t>(length) : 1;
    }
    return lost;
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
    // One blank at least, or the value would read as part of the unit.
    text.append(item.value.size() < field ? field - item.value.size() : 1, ' ');
    text += item.value.view();
    text += ": ";
    text += item.description.view();
    text += '\n';
}

}  // namespace

AnsiString header_text(std::string_view line, int number, const load_context& context) {
    if (context.coding == detailed::utf8_text) {
        std::string converted;
        if (utf8_to_1251(line, converted) != 0 && context.notes != nullptr)
            context.notes->add(number, diagnostic_kind::code_page,
                               "символ вне кодовой страницы 1251 заменён на \"?\""_cp);
        return AnsiString(converted);
    }
    AnsiString text(line);
    if (context.coding == detailed::oem_text) convert_to_win(text, text);
    return text;
}

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
    const char own = kind != 0 ? kind : title.empty() ? '\0' : title[0];
    return own != '\0' && cp1251::to_lower(own) == cp1251::to_lower(letter);
}

void text_headers::load(line_iterator first, line_iterator last, const load_context& context) {
    items.clear();
    const bool curves = begin_with_letter('c');
    const bool swap_1x = context.version_1 && begin_with_letter('w');
    file_value item;
    for (; first != last; ++first) {
        const AnsiString line = header_text(first->text, first->number, context);
        const line_shape shape = parse_header_line(line.view(), item);
        if (shape == line_shape::unplaced) {
            if (context.notes != nullptr)
                context.notes->add(first->number, diagnostic_kind::unplaced_line,
                                   "строка без точки после мнемоники не прочитана: "_cp + line);
            continue;
        }
        if (shape == line_shape::no_colon && !curves && context.notes != nullptr)
            context.notes->add(first->number, diagnostic_kind::no_colon, "строка без двоеточия: описание пусто"_cp);
        if (swap_1x && shape == line_shape::item && is_swapped_1x_item(item.mnemonic.view()))
            std::swap(item.value, item.description);
        items.push_back(item);
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

void simple_headers::load(line_iterator first, line_iterator last, const load_context& context) {
    lines.clear();
    for (; first != last; ++first)
        lines.push_back(header_text(first->text, first->number, context));
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
