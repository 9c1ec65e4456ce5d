// The data block of a LAS well log: one row of doubles per index step, one column per curve.
// The rows stand in one contiguous array, row after row, `param_count` values each.
//
// Reading (values_cont::load) a data block as its header blocks describe it (data_layout):
//   - tokens are separated by blanks (space, TAB) or, in a LAS 3.0 file with DLM COMMA, by
//     commas (blanks around a value are not part of it; an empty field is NULL);
//   - a token that is wholly a number reads as atof reads it; any other token ("(null)", "ERR",
//     "-", "123,420", a date) is NULL (noted as non_numeric). In the index column (column 0) a
//     time written as ISO 8601 ("2024-03-05T07:00:00") reads as seconds since 1970-01-01;
//   - unwrapped: each line is a row; a row with fewer tokens than curves gets NULL in the
//     missing columns (short_row), a surplus is dropped (long_row);
//   - wrapped (WRAP YES): the tokens run on over the lines, and every `param_count` of them make
//     a row (the index on its own line, the values over the lines after it); a row cut short by
//     the end of the block is filled with NULL (short_row);
//   - memory follows the file: the rows hold at most max(4 Mi, bytes / 2) values, which no block
//     of real numbers reaches (each takes two bytes at least); rows past that are not read
//     (too_large).
// NULL is null_value, the number of the well block's NULL item.
//
// Writing (values_cont::save_to_stream) with p = `precision` (5 unless changed):
//
//   #
//   ~ASCII Log Data
//   1500.0       12.34560 -999.25
//   1500.05      12.40000 0.000001234
//
// Column 0 (the index) left-aligned, the others right-aligned, each in a field of p + 5 bytes (a
// longer text is written whole) and followed by one blank, the last included; LF ends the row.
// No number loses a digit: the index is written with the shortest decimals that read back to
// the same double (at least one: "1500.0"); the other columns with p decimals when that reads
// back to the same double, which holds for every number of up to p decimals (for numbers of
// ordinary size these are the digits of printf("%.*f")), else with the shortest decimals that do (scientific notation
// when that is shorter than 24 bytes of plain decimals cannot be). A cell equal to null_value, or not a number (NaN),
// is written as the NULL text: the well block's NULL value as read, or null_value written the same way. With iso_index
// the index is a time written as ISO 8601.
//
// Failures: at() and depth() outside the rows or columns throw std::out_of_range "vector".
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/las/diagnostics.h"
#include "gti/las/lines.h"

namespace lib::las {

// How the data lines of a block are laid out, as the header blocks say.
struct data_layout {
    int columns = 0;       // the number of curves
    bool wrapped = false;  // WRAP YES: a row runs on over several lines
    char delimiter = ' ';  // ' ': blanks; ',': commas (LAS 3.0 DLM COMMA)
    int first_line = 1;    // the number in the file of the block's first line
};

// The data block: the rows of the log and how they are written.
class values_cont {
public:
    // The number of columns of every row.
    int param_count = 0;
    // The number that stands for a missing sample (the well block's NULL).
    double null_value = -9999;
    // Decimals written for the columns after the first.
    int precision = 5;
    // The column of the depth curve; -1 when there is none.
    int depth_index = 0;
    // The index column holds seconds since 1970-01-01 written as ISO 8601 date and time.
    bool iso_index = false;
    // The current number of curves, asked by add(); when unset, add() uses param_count. A
    // document binds it to its own curve count.
    std::function<int()> param_count_source;

    // No rows.
    values_cont() = default;
    // A copy holds the same rows and settings but no param_count_source: the source belongs to
    // the container's place in its document.
    values_cont(const values_cont& other);
    // Copies the rows and settings; the target keeps its own param_count_source.
    values_cont& operator=(const values_cont& other);

    // Appends the rows of a data block's text (the lines after its tilde line; see above). Rows
    // held before are first given layout.columns columns. Notes go to `notes` when not null.
    void load(std::string_view text, const data_layout& layout, diagnostics_list* notes);
    // Puts the blank-separated tokens of a data line into `tokens` (views into `line`).
    static void parse_line(std::string_view line, std::vector<std::string_view>& tokens);
    // True when the token is wholly a number; `value` is then what atof gives for it.
    static bool read_number(std::string_view token, double& value) noexcept;
    // Removes every row and sets param_count to 0.
    void clear() noexcept;
    // The number of rows.
    int size() const noexcept { return static_cast<int>(rows_); }
    // The param_count values of row i (unchecked).
    double* row(int i) noexcept { return cells_.data() + static_cast<std::size_t>(i) * columns(); }
    const double* row(int i) const noexcept { return cells_.data() + static_cast<std::size_t>(i) * columns(); }
    // The value of a column in a row (note the order: column first); checked.
    double& at(int column, int row);
    const double& at(int column, int row) const;
    // The depth of a row: at(depth_index, row).
    double depth(int row) const { return at(depth_index, row); }
    // True when the value is NULL: null_value or NaN.
    bool is_null(double v) const noexcept { return v != v || v == null_value; }
    // Appends a row of the current curve count, every column null_value; returns its index.
    int add();
    // Sets every row to `n` columns; new columns get null_value, surplus ones are dropped.
    void on_params_resize(int n);
    // Writes the block: "#", "~ASCII Log Data", then the rows, NULL cells as null_value.
    void save_to_stream(io::BinaryOutputStream& out) const;
    // The same with NULL cells written as `null_text`.
    void save_to_stream(io::BinaryOutputStream& out, std::string_view null_text) const;

private:
    std::size_t columns() const noexcept { return param_count > 0 ? static_cast<std::size_t>(param_count) : 0; }

    std::vector<double> cells_;
    std::size_t rows_ = 0;
};

// Appends a number as the writer writes it (see above) with at least `decimals` decimals,
// unpadded.
void append_number(std::string& text, double value, int decimals);
// A number as the writer writes a header value: the shortest decimals, at least one.
std::string number_text(double value);
// Seconds since 1970-01-01 as ISO 8601 date and time ("2024-03-05T07:00:00"); outside the years
// 0000 to 9999 (and for infinities and NaN) the number as number_text writes it.
std::string iso_time_text(double seconds);
// Reads an ISO 8601 date and time ("2024-03-05T07:00:00", a blank for the T allowed) as seconds
// since 1970-01-01; false when the text is not one.
bool read_iso_time(std::string_view text, double& seconds) noexcept;

}  // namespace lib::las
