#include "gti/las/values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "gti/util/number_text.h"
#include "las/output.h"

namespace lib::las {
namespace {

// A data row is written at once; the block goes to the stream in pieces of about this size.
constexpr std::size_t write_piece = 64 * 1024;

// Rows are widened with 0.0 up to the curve count while the block stays within this many
// values or two values per byte of its lines.
constexpr std::uint64_t widening_floor = std::uint64_t{1} << 24;

// Puts the first `limit` tokens of a data line into `tokens`.
void split_tokens(std::string_view line, std::vector<std::string_view>& tokens, std::size_t limit) {
    tokens.clear();
    const char* p = line.data();
    const char* const end = p + line.size();
    while (tokens.size() < limit) {
        while (p != end && (*p == ' ' || *p == '\t'))
            ++p;
        if (p == end) break;
        const char* const start = p;
        while (p != end && *p != ' ' && *p != '\t')
            ++p;
        tokens.emplace_back(start, static_cast<std::size_t>(p - start));
    }
}

// Appends `value` as a C++ stream in fixed notation with showpoint writes it with
// std::setprecision(decimals) and std::setw(width), aligned left or right: the digits of
// printf("%.*f"), a point even without decimals, blanks up to the width.
void append_fixed(std::string& text, double value, int decimals, std::int64_t width, bool left) {
    // Sign, 309 digits of the largest double, the point and the decimals.
    constexpr std::size_t integral_room = 312;
    char small[integral_room + 64];
    std::unique_ptr<char[]> large;
    char* buffer = small;
    const std::size_t room = integral_room + static_cast<std::size_t>(decimals);
    if (room > sizeof small) {
        large = std::make_unique_for_overwrite<char[]>(room);
        buffer = large.get();
    }
    char* end = std::to_chars(buffer, buffer + room, value, std::chars_format::fixed, decimals).ptr;
    if (decimals == 0 && std::isfinite(value)) *end++ = '.';
    const std::size_t length = static_cast<std::size_t>(end - buffer);
    const std::size_t pad =
        width > 0 && static_cast<std::uint64_t>(width) > length ? static_cast<std::size_t>(width) - length : 0;
    if (!left) text.append(pad, ' ');
    text.append(buffer, length);
    if (left) text.append(pad, ' ');
}

// Appends a data row and its LF.
void append_row(std::string& text, const values_line* row, int precision) {
    if (row != nullptr) {
        // A stream takes a negative precision for the default, 6.
        const int decimals = precision < 0 ? 6 : precision;
        const std::int64_t width = std::int64_t{precision} + 5;
        for (std::size_t j = 0; j < row->size(); ++j) {
            append_fixed(text, (*row)[j], j == 0 ? 1 : decimals, width, j == 0);
            text += ' ';
        }
    }
    text += '\n';
}

int non_negative(int n) {
    return n > 0 ? n : 0;
}

}  // namespace

void values_line::load_from_strings(const std::vector<std::string_view>& tokens, int count) {
    const std::size_t n = static_cast<std::size_t>(non_negative(count));
    std::vector<double>::resize(n, 0.0);
    const std::size_t parsed = std::min(n, tokens.size());
    double* const values = data();
    for (std::size_t i = 0; i < parsed; ++i)
        values[i] = c_atof(tokens[i].data(), tokens[i].data() + tokens[i].size());
}

void values_line::resize(int n, double fill) {
    std::vector<double>::resize(static_cast<std::size_t>(non_negative(n)), fill);
}

void values_line::save_to_stream(io::BinaryOutputStream& out, int precision) const {
    std::string text;
    append_row(text, this, precision);
    detail::write_text(out, text);
}

values_cont::values_cont(const values_cont& other)
    : lines(other.lines),
      param_count(other.param_count),
      null_value(other.null_value),
      precision(other.precision),
      depth_index(other.depth_index) {}

values_cont& values_cont::operator=(const values_cont& other) {
    lines = other.lines;
    param_count = other.param_count;
    null_value = other.null_value;
    precision = other.precision;
    depth_index = other.depth_index;
    return *this;
}

void values_cont::load(line_iterator first, line_iterator last, int count) {
    param_count = count;
    const std::size_t columns = static_cast<std::size_t>(non_negative(count));
    const std::size_t line_count = static_cast<std::size_t>(last - first);
    std::uint64_t bytes = 0;
    for (line_iterator i = first; i != last; ++i)
        bytes += i->size();
    const bool widen = std::uint64_t{line_count} * columns <= std::max(widening_floor, 2 * bytes);

    if (lines.capacity() < lines.size() + line_count)
        lines.reserve(std::max(lines.size() + line_count, 2 * lines.capacity()));
    std::vector<std::string_view> tokens;
    for (; first != last; ++first) {
        // Tokens past the last column are never read, so they are not even collected; one is
        // enough to tell a row from a blank line.
        split_tokens(*first, tokens, std::max<std::size_t>(columns, 1));
        if (tokens.empty()) continue;
        auto row = std::make_shared<values_line>();
        row->load_from_strings(tokens, widen ? count : static_cast<int>(std::min(columns, tokens.size())));
        lines.push_back(std::move(row));
    }
}

void values_cont::parse_line(std::string_view line, std::vector<std::string_view>& tokens) {
    split_tokens(line, tokens, std::numeric_limits<std::size_t>::max());
}

void values_cont::clear() noexcept {
    lines.clear();
    param_count = 0;
}

double& values_cont::at(int column, int row) {
    return const_cast<double&>(static_cast<const values_cont&>(*this).at(column, row));
}

const double& values_cont::at(int column, int row) const {
    if (row < 0 || row >= size()) throw std::out_of_range("vector");
    const values_line* line = lines[static_cast<std::size_t>(row)].get();
    if (line == nullptr || column < 0 || static_cast<std::size_t>(column) >= line->size())
        throw std::out_of_range("vector");
    return (*line)[static_cast<std::size_t>(column)];
}

int values_cont::add() {
    const int count = param_count_source ? param_count_source() : param_count;
    auto row = std::make_shared<values_line>();
    row->resize(count, static_cast<double>(null_value));
    lines.push_back(std::move(row));
    return size() - 1;
}

void values_cont::on_params_resize(int n) {
    for (const auto& row : lines)
        if (row) row->resize(n, static_cast<double>(null_value));
}

void values_cont::save_to_stream(io::BinaryOutputStream& out) const {
    std::string text = "#\n~ASCII Log Data\n";
    text.reserve(write_piece + 1024);
    for (const auto& row : lines) {
        append_row(text, row.get(), precision);
        if (text.size() >= write_piece) {
            detail::write_text(out, text);
            text.clear();
        }
    }
    detail::write_text(out, text);
}

}  // namespace lib::las
