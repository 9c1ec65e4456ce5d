// Numbers read as the C library reads them in the "C" locale (strtod, atof).
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "gti/util/number_text.h"

namespace lib {
namespace {

// White space of the "C" locale.
bool is_c_space(char c) noexcept {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(char c) noexcept {
    return static_cast<unsigned char>(c - '0') < 10;
}

bool is_hex_digit(char c) noexcept {
    return is_digit(c) || static_cast<unsigned char>((c | 0x20) - 'a') < 6;
}

// The value atof gives for a number that std::from_chars finds beyond the range of a double:
// an infinity when it is too large, zero when it is too small. Which of the two follows from
// the position of the first non-zero digit and the exponent; `hex` numbers count in bits.
double beyond_range(const char* p, const char* end, bool hex) noexcept {
    constexpr std::int64_t cap = 1'000'000'000;
    const auto digit = hex ? is_hex_digit : is_digit;
    std::int64_t whole_digits = 0;   // digits before the point, from the first non-zero one
    std::int64_t leading_zeros = 0;  // zeros after the point before the first non-zero digit
    bool point = false;
    bool nonzero = false;
    for (; p != end; ++p) {
        if (*p == '.' && !point) {
            point = true;
            continue;
        }
        if (!digit(*p)) break;
        nonzero = nonzero || *p != '0';
        if (nonzero && !point && whole_digits < cap) ++whole_digits;
        if (!nonzero && point && leading_zeros < cap) ++leading_zeros;
    }
    std::int64_t exponent = 0;
    if (p != end && (*p | 0x20) == (hex ? 'p' : 'e')) {
        const char* e = p + 1;
        bool negative = false;
        if (e != end && (*e == '+' || *e == '-')) negative = *e++ == '-';
        for (; e != end && is_digit(*e); ++e)
            if (exponent < cap) exponent = exponent * 10 + (*e - '0');
        if (negative) exponent = -exponent;
    }
    // The first non-zero digit stands for base^magnitude.
    const std::int64_t magnitude = whole_digits > 0 ? whole_digits - 1 : -(leading_zeros + 1);
    const std::int64_t scale = (hex ? 4 : 1) * magnitude + exponent;
    return scale > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

// The NaN that glibc makes of "nan(chars)": the quiet NaN with the number that `chars` reads as
// (strtoull, base 0) in its low 51 bits, when all of `chars` is that number.
double nan_with_payload(const char* p, const char* end) noexcept {
    const double quiet = std::numeric_limits<double>::quiet_NaN();
    if (end - p < 5 || p[3] != '(' || end[-1] != ')') return quiet;
    const char* first = p + 4;
    const char* last = end - 1;
    int base = 10;
    if (last - first >= 2 && first[0] == '0' && (first[1] | 0x20) == 'x') {
        base = 16;
        first += 2;
    } else if (first != last && first[0] == '0') {
        base = 8;
    }
    std::uint64_t payload = 0;
    const std::from_chars_result r = std::from_chars(first, last, payload, base);
    if (first == last || r.ptr != last) return quiet;
    if (r.ec == std::errc::result_out_of_range) payload = std::numeric_limits<std::uint64_t>::max();
    payload &= (std::uint64_t{1} << 51) - 1;
    if (payload == 0) return quiet;
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(quiet) | payload);
}

// The end of the hexadecimal number that starts at `p` (after its "0x"), as strtod delimits it:
// hexadecimal digits with at most one point, then a 'p' exponent if a sign and digits follow.
const char* hex_number_end(const char* p, const char* end) noexcept {
    bool point = false;
    for (; p != end && (is_hex_digit(*p) || (*p == '.' && !point)); ++p)
        point = point || *p == '.';
    if (p != end && (*p | 0x20) == 'p') {
        const char* e = p + 1;
        if (e != end && (*e == '+' || *e == '-')) ++e;
        if (e != end && is_digit(*e)) {
            while (e != end && is_digit(*e))
                ++e;
            return e;
        }
    }
    return p;
}

// atof's value of [p, end) by the general road: white space, a '+' sign, hexadecimal numbers,
// infinities, NaNs and numbers beyond the range of a double.
double parse_number_slow(const char* p, const char* end, bool* out_of_range) noexcept {
    while (p != end && is_c_space(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // Without a digit, a point, or the letters of "inf" and "nan" after the sign nothing reads,
    // and then not even a minus sign counts.
    if (p == end || *p == '+' || *p == '-') return 0.0;
    double v = 0.0;
    if (*p == '0' && end - p >= 2 && (p[1] | 0x20) == 'x') {
        // "0x", hexadecimal digits with at most one point, and a binary exponent; without digits
        // only the 0 reads. The number is cut out first: std::from_chars would also take a sign,
        // "inf" or "nan" after the "0x", and a second sign in the exponent.
        const char* digits = p + 2;
        const char* const last = hex_number_end(digits, end);
        const std::from_chars_result r = std::from_chars(digits, last, v, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument) v = 0.0;
        if (r.ec == std::errc::result_out_of_range) {
            v = beyond_range(digits, last, true);
            if (out_of_range != nullptr) *out_of_range = true;
        }
    } else {
        const std::from_chars_result r = std::from_chars(p, end, v);
        if (r.ec == std::errc::invalid_argument) return 0.0;
        if (r.ec == std::errc::result_out_of_range) {
            v = beyond_range(p, end, false);
            if (out_of_range != nullptr) *out_of_range = true;
        }
        if (std::isnan(v)) v = nan_with_payload(p, r.ptr);
    }
    return negative ? -v : v;
}

}  // namespace

double c_atof(const char* first, const char* last, bool* out_of_range) noexcept {
    if (out_of_range != nullptr) *out_of_range = false;
    // Data files hold plain decimal numbers, perhaps negative: std::from_chars reads them and
    // rounds them correctly, as the C library does.
    const char* q = first;
    if (q != last && *q == '-') ++q;
    if (q != last && (static_cast<unsigned char>(*q - '0') < 10 || *q == '.') &&
        !(*q == '0' && last - q >= 2 && (q[1] | 0x20) == 'x')) {
        double v = 0;
        const std::from_chars_result r = std::from_chars(first, last, v);
        if (r.ec == std::errc()) return v;
        if (r.ec == std::errc::invalid_argument) return 0.0;
    }
    return parse_number_slow(first, last, out_of_range);
}

}  // namespace lib
