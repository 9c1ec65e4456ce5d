// The data block of a LAS 2.0 well log: one row of doubles per depth step, one column per curve.
//
// Reading (values_cont::load), for each line of the ~A block:
//   - tokens are the runs of bytes other than space and TAB; a line without any adds no row;
//   - the row gets as many columns as there are curves; column i is str_to_double of token i
//     (atof's value, see gti/las/text.h), a missing token leaves 0.0 (not the NULL value), a
//     surplus token is ignored. Each line is one depth step, whatever WRAP says.
//   - memory stays proportional to the file: when lines x curves exceeds both 16 Mi values and
//     two values per byte of the block's lines (thousands of curves over lines of a few
//     numbers: a wrapped or a crafted file), rows are not widened with 0.0 and each keeps only
//     the numbers its line holds.
//
// Writing (values_cont::save_to_stream) with p = `precision` (5 unless changed):
//
//   #
//   ~ASCII Log Data
//   1500.0       12.34560 -9999.00000
//   1500.1       12.40000 -9999.00000
//
// Column 0 with 1 decimal, left-aligned; the others with p decimals, right-aligned; every number
// in a field of p + 5 bytes (a longer number is written whole) and followed by one blank, the
// last included; LF ends the row. The digits are those of printf("%.*f") (so of a C++ stream in
// fixed notation with showpoint): exact decimal rounding, ties to even, "nan", "-nan", "inf",
// "-inf"; with p = 0 a point follows the digits; a negative p writes 6 decimals.
//
// Failures: at() and depth() outside the rows or columns throw std::out_of_range "vector".
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/las/lines.h"

namespace lib::las {

// One data row (one depth step): a value per curve, in curve order.
class values_line : public std::vector<double> {
public:
    // Sets the row to `count` columns of 0.0 (none for a negative count), then column i to the
    // number of token i for every i below both `count` and the token count.
    void load_from_strings(const std::vector<std::string_view>& tokens, int count);
    // Sets the column count to `n` (0 when negative); new columns get `fill`.
    void resize(int n, double fill);
    // Writes the row, LF included (layout above).
    void save_to_stream(io::BinaryOutputStream& out, int precision) const;
};

// The data block: the rows of the log and how they are written.
class values_cont {
public:
    // The rows, in file order.
    std::vector<std::shared_ptr<values_line>> lines;
    // The curve count given to the last load(); 0 at first and after clear().
    int param_count = 0;
    // The number that stands for a missing sample.
    int null_value = -9999;
    // Decimals written for the columns after the first.
    int precision = 5;
    // The column of the depth curve; -1 when there is none.
    int depth_index = 0;
    // The current number of curves, asked by add(); when unset, add() uses param_count. A
    // document binds it to its own curve count.
    std::function<int()> param_count_source;

    // No rows.
    values_cont() = default;
    // A copy holds the same rows (shared) and settings but no param_count_source: the source
    // belongs to the container's place in its document.
    values_cont(const values_cont& other);
    // Copies the rows and settings; the target keeps its own param_count_source.
    values_cont& operator=(const values_cont& other);

    // Sets param_count to `count` and appends a row for each line with numbers (see above).
    void load(line_iterator first, line_iterator last, int count);
    // Puts the tokens of a data line into `tokens` (views into `line`).
    static void parse_line(std::string_view line, std::vector<std::string_view>& tokens);
    // Removes every row and sets param_count to 0.
    void clear() noexcept;
    // The number of rows.
    int size() const noexcept { return static_cast<int>(lines.size()); }
    // The value of a column in a row (note the order: column first); checked.
    double& at(int column, int row);
    const double& at(int column, int row) const;
    // The depth of a row: at(depth_index, row).
    double depth(int row) const { return at(depth_index, row); }
    // Appends a row of the current curve count, every column null_value; returns its index.
    int add();
    // Sets every row to `n` columns; new columns get null_value, surplus ones are dropped.
    void on_params_resize(int n);
    // Writes the block: "#", "~ASCII Log Data", then the rows (layout above).
    void save_to_stream(io::BinaryOutputStream& out) const;
};

}  // namespace lib::las
