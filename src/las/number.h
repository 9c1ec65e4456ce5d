// Numbers of LAS files read as atof reads them in the "C" locale, fast for the usual case.
#pragma once

#include <charconv>
#include <system_error>

namespace lib::las::detail {

// atof's value of [p, end) by the general road: white space, a '+' sign, hexadecimal numbers,
// infinities, NaNs and numbers beyond the range of a double.
double parse_number_slow(const char* p, const char* end) noexcept;

// atof's value of [p, end) in the "C" locale.
inline double parse_number(const char* p, const char* end) noexcept {
    // A data file holds plain decimal numbers, perhaps negative: std::from_chars reads them and
    // rounds them correctly, as the C library does.
    const char* q = p;
    if (q != end && *q == '-') ++q;
    if (q != end && (static_cast<unsigned char>(*q - '0') < 10 || *q == '.') &&
        !(*q == '0' && end - q >= 2 && (q[1] | 0x20) == 'x')) {
        double v = 0;
        const std::from_chars_result r = std::from_chars(p, end, v);
        if (r.ec == std::errc()) return v;
        if (r.ec == std::errc::invalid_argument) return 0.0;
    }
    return parse_number_slow(p, end);
}

}  // namespace lib::las::detail
