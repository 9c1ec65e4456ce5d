// Whole decimal numbers in names and fields: run numbers of data files, integer items of records.
#pragma once

#include <string_view>

namespace lib::detail {

// Reads the whole of `s` as a decimal int: an optional sign and at least one digit, nothing
// else. False (and `out` unchanged) when it is not one or does not fit an int.
bool parse_decimal(std::string_view s, int& out) noexcept;

}  // namespace lib::detail
