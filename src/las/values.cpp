#include "gti/las/values.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <system_error>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "gti/util/number_text.h"
#include "las/output.h"

namespace lib::las {
namespace {

// The block goes to the stream in pieces of about this size.
constexpr std::size_t write_piece = 64 * 1024;

// The fewest values the rows may hold whatever the size of the block.
constexpr std::size_t cell_floor = std::size_t{1} << 22;

// Plain decimals longer than this are written in scientific notation when that is shorter.
constexpr std::size_t longest_plain = 24;

int non_negative(int n) {
    return n > 0 ? n : 0;
}

bool equal_nocase(std::string_view a, std::string_view b) {
    return cp1251::equal_nocase(a, b);
}

// inf, infinity, nan and nan(chars), in any case, as strtod takes them.
bool is_special_word(std::string_view t) {
    if (equal_nocase(t, "inf") || equal_nocase(t, "infinity") || equal_nocase(t, "nan")) return true;
    if (t.size() < 5 || !equal_nocase(t.substr(0, 4), "nan(") || t.back() != ')') return false;
    for (char c : t.substr(4, t.size() - 5))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

// The row's cells from its tokens: numbers, NULL for the rest; notes for what was tolerated.
struct row_filler {
    const values_cont& values;
    diagnostics_list* notes;

    void fill(double* cells, std::string_view token, std::size_t column, int line) const {
        double v;
        if (values_cont::read_number(token, v)) {
            cells[column] = v;
            return;
        }
        if (column == 0 && read_iso_time(token, v)) {
            cells[column] = v;
            return;
        }
        cells[column] = values.null_value;
        if (notes != nullptr && !token.empty())
            notes->add(line, diagnostic_kind::non_numeric,
                       "не число в столбце "_cp + AnsiString(std::to_string(column + 1)) + ": \"" + AnsiString(token) +
                           "\" - NULL");
    }
};

// Cuts the next token off `line`: blank-separated, or comma-separated when `comma`.
bool next_token(std::string_view& line, bool comma, std::string_view& token) {
    std::size_t i = 0;
    while (i < line.size() && is_blank(line[i]))
        ++i;
    if (i == line.size()) return false;
    if (!comma) {
        std::size_t j = i;
        while (j < line.size() && !is_blank(line[j]))
            ++j;
        token = line.substr(i, j - i);
        line.remove_prefix(j);
        return true;
    }
    const std::size_t comma_at = line.find(',', i);
    const std::size_t j = comma_at == std::string_view::npos ? line.size() : comma_at;
    token = trim_blanks(line.substr(i, j - i));
    line.remove_prefix(comma_at == std::string_view::npos ? line.size() : comma_at + 1);
    return true;
}

void append_padded(std::string& text, std::string_view number, std::size_t width, bool left) {
    const std::size_t pad = width > number.size() ? width - number.size() : 0;
    if (!left) text.append(pad, ' ');
    text += number;
    if (left) text.append(pad, ' ');
}

}  // namespace

void append_number(std::string& text, double value, int decimals) {
    char buffer[400];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::size_t length = r.ec == std::errc{} ? static_cast<std::size_t>(r.ptr - buffer) : sizeof buffer;
    if (length > longest_plain) {
        char shortest[64];
        const auto s = std::to_chars(shortest, shortest + sizeof shortest, value);
        text.append(shortest, static_cast<std::size_t>(s.ptr - shortest));
        return;
    }
    const std::string_view digits(buffer, length);
    text += digits;
    if (!std::isfinite(value)) return;
    const std::size_t point = digits.find('.');
    const std::size_t have = point == std::string_view::npos ? 0 : length - point - 1;
    if (point == std::string_view::npos) text += '.';
    if (have < static_cast<std::size_t>(non_negative(decimals)))
        text.append(static_cast<std::size_t>(decimals) - have, '0');
}

std::string number_text(double value) {
    std::string text;
    append_number(text, value, 1);
    return text;
}

std::string iso_time_text(double seconds) {
    // Outside the years 0000 to 9999 the text would not read back: the number stands instead.
    constexpr double limit = 1e13;
    const AnsiString text = std::isfinite(seconds) && std::abs(seconds) < limit
                                ? to_iso8601(std::chrono::local_seconds{
                                      std::chrono::seconds{static_cast<std::int64_t>(std::floor(seconds))}})
                                : AnsiString();
    return text.empty() ? number_text(seconds) : text.str();
}

bool read_iso_time(std::string_view t, double& seconds) noexcept {
    std::chrono::local_seconds local;
    if (!from_iso8601(t, local)) return false;
    seconds = static_cast<double>(local.time_since_epoch().count());
    return true;
}

bool values_cont::read_number(std::string_view token, double& value) noexcept {
    if (token.empty()) return false;
    const char* const first = token.data();
    const char* const last = first + token.size();
    auto r = std::from_chars(first, last, value);
    if (r.ptr == last) {
        if (r.ec == std::errc{}) return true;
        // Out of range: atof's infinity or zero.
        value = c_atof(first, last);
        return true;
    }
    // What from_chars does not take and atof does: a plus sign, hexadecimal numbers.
    std::string_view body = token;
    if (body.front() == '+' || body.front() == '-') body.remove_prefix(1);
    if (body.empty()) return false;
    if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        const std::string_view hex = body.substr(2);
        double h;
        r = std::from_chars(hex.data(), hex.data() + hex.size(), h, std::chars_format::hex);
        if (r.ptr != hex.data() + hex.size() || hex.front() == '+' || hex.front() == '-') return false;
        value = c_atof(first, last);
        return true;
    }
    if (is_special_word(body)) {
        value = c_atof(first, last);
        return true;
    }
    if (token.front() != '+' || body.front() == '-') return false;
    r = std::from_chars(body.data(), last, value);
    if (r.ptr != last) return false;
    if (r.ec != std::errc{}) value = c_atof(first, last);
    return true;
}

values_cont::values_cont(const values_cont& other)
    : param_count(other.param_count),
      null_value(other.null_value),
      precision(other.precision),
      depth_index(other.depth_index),
      iso_index(other.iso_index),
      cells_(other.cells_),
      rows_(other.rows_) {}

values_cont& values_cont::operator=(const values_cont& other) {
    param_count = other.param_count;
    null_value = other.null_value;
    precision = other.precision;
    depth_index = other.depth_index;
    iso_index = other.iso_index;
    cells_ = other.cells_;
    rows_ = other.rows_;
    return *this;
}

void values_cont::load(std::string_view text, const data_layout& layout, diagnostics_list* notes) {
    on_params_resize(layout.columns);
    const std::size_t width = columns();
    const std::size_t limit = std::max(cell_floor, text.size() / 2);
    const bool comma = layout.delimiter == ',';
    const bool wrapped = layout.wrapped && width != 0;
    const row_filler filler{*this, notes};
    if (!wrapped) {
        const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        cells_.reserve(std::min(limit, cells_.size() + lines * width));
    }
    line_scanner scanner(text);
    std::string_view line;
    int number = 0;
    std::size_t filled = width;  // cells of the last row filled (wrapped rows run on)
    int row_line = 0;            // the line where the last row began
    std::string_view token;
    while (scanner.next(line, number)) {
        const int line_number = layout.first_line + number - 1;
        std::size_t i = 0;
        while (i < line.size() && is_blank(line[i]))
            ++i;
        if (i == line.size() || line[i] == '#') continue;
        line.remove_prefix(i);
        if (!wrapped || filled == width) {
            if (cells_.size() + width > limit || rows_ >= limit) {
                if (notes != nullptr)
                    notes->add(line_number, diagnostic_kind::too_large,
                               "строки данных дальше не прочитаны: их больше, чем допускает размер файла"_cp);
                return;
            }
            cells_.resize(cells_.size() + width, null_value);
            ++rows_;
            filled = 0;
            row_line = line_number;
        }
        std::size_t surplus = 0;
        while (next_token(line, comma, token)) {
            if (filled == width) {
                if (!wrapped) {
                    ++surplus;
                    continue;
                }
                // A wrapped row is complete: the token begins the next one.
                if (cells_.size() + width > limit) break;
                cells_.resize(cells_.size() + width, null_value);
                ++rows_;
                filled = 0;
                row_line = line_number;
            }
            filler.fill(cells_.data() + cells_.size() - width, token, filled++, line_number);
        }
        if (wrapped || notes == nullptr) continue;
        if (surplus != 0)
            notes->add(line_number, diagnostic_kind::long_row,
                       "лишних значений: "_cp + AnsiString(std::to_string(surplus)) + " (кривых "_cp +
                           AnsiString(std::to_string(width)) + ")");
        else if (filled < width)
            notes->add(line_number, diagnostic_kind::short_row,
                       "значений "_cp + AnsiString(std::to_string(filled)) + " из "_cp +
                           AnsiString(std::to_string(width)) + ", остальные NULL"_cp);
    }
    if (wrapped && filled < width && rows_ != 0 && notes != nullptr)
        notes->add(row_line, diagnostic_kind::short_row,
                   "значений "_cp + AnsiString(std::to_string(filled)) + " из "_cp + AnsiString(std::to_string(width)) +
                       ", остальные NULL"_cp);
}

void values_cont::parse_line(std::string_view line, std::vector<std::string_view>& tokens) {
    tokens.clear();
    std::string_view token;
    while (next_token(line, false, token))
        tokens.push_back(token);
}

void values_cont::clear() noexcept {
    cells_.clear();
    cells_.shrink_to_fit();
    rows_ = 0;
    param_count = 0;
}

double& values_cont::at(int column, int row) {
    return const_cast<double&>(static_cast<const values_cont&>(*this).at(column, row));
}

const double& values_cont::at(int column, int r) const {
    if (r < 0 || r >= size() || column < 0 || column >= param_count) throw std::out_of_range("vector");
    return row(r)[column];
}

int values_cont::add() {
    const int count = param_count_source ? param_count_source() : param_count;
    if (count != param_count) on_params_resize(count);
    cells_.resize(cells_.size() + columns(), null_value);
    ++rows_;
    return size() - 1;
}

void values_cont::on_params_resize(int n) {
    const auto to = static_cast<std::size_t>(non_negative(n));
    const std::size_t from = columns();
    if (to == from) {
        param_count = non_negative(n);
        return;
    }
    std::vector<double> cells(rows_ * to, null_value);
    const std::size_t keep = std::min(from, to);
    for (std::size_t r = 0; r < rows_; ++r)
        std::copy_n(cells_.data() + r * from, keep, cells.data() + r * to);
    cells_.swap(cells);
    param_count = non_negative(n);
}

void values_cont::save_to_stream(io::BinaryOutputStream& out) const {
    save_to_stream(out, number_text(null_value));
}

void values_cont::save_to_stream(io::BinaryOutputStream& out, std::string_view null_text) const {
    std::string text = "#\n~ASCII Log Data\n";
    text.reserve(write_piece + 1024);
    // A stream takes a negative precision for the default, 6.
    const int decimals = precision < 0 ? 6 : precision;
    const auto width = static_cast<std::size_t>(std::max(0, precision + 5));
    std::string number;
    const std::size_t n = columns();
    for (std::size_t r = 0; r < rows_; ++r) {
        const double* cells = cells_.data() + r * n;
        for (std::size_t j = 0; j < n; ++j) {
            const double v = cells[j];
            number.clear();
            if (is_null(v))
                number = null_text;
            else if (j == 0 && iso_index)
                number = iso_time_text(v);
            else
                append_number(number, v, j == 0 ? 1 : decimals);
            append_padded(text, number, width, j == 0);
            text += ' ';
        }
        text += '\n';
        if (text.size() >= write_piece) {
            detail::write_text(out, text);
            text.clear();
        }
    }
    detail::write_text(out, text);
}

}  // namespace lib::las
