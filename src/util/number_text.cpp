#include "gti/util/number_text.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace lib {
namespace {

std::atomic<char> decimal_separator{'.'};

constexpr int max_decimals = 100;

// Reads a number as the C library does; a number out of the range of a double reads as 0.
double parse(const char* p, const char* end) {
    bool out_of_range = false;
    const double v = c_atof(p, end, &out_of_range);
    return out_of_range ? 0.0 : v;
}

// Rounds the decimal digits of |value| to `decimals` places; ties go up in magnitude. Returns
// the digits with a point, no sign, e.g. "12.35".
std::string round_magnitude(double magnitude, int decimals) {
    // Rounding the text with one more decimal is exact unless that decimal is a 5 that might
    // stand for a value just below or exactly at the halfway point; then the digits are taken
    // to as many places as the binary value can have in that range, which is exact.
    char buf[1024];
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, decimals + 1);
    std::string digits(buf, r.ptr);
    if (digits.back() == '5') {
        r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, 5 * decimals + 60);
        digits.assign(buf, r.ptr);
    }
    const std::size_t point = digits.find('.');
    const std::size_t cut = point + 1 + static_cast<std::size_t>(decimals);
    const bool up = digits[cut] >= '5';
    digits.resize(decimals == 0 ? point : cut);
    if (up) {
        std::size_t i = digits.size();
        for (;;) {
            if (i == 0) {
                digits.insert(digits.begin(), '1');
                break;
            }
            --i;
            if (digits[i] == '.') continue;
            if (digits[i] == '9') {
                digits[i] = '0';
                continue;
            }
            ++digits[i];
            break;
        }
    }
    return digits;
}

std::string format_fixed(double value, int decimals) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (decimals < 0) decimals = 0;
    if (decimals > max_decimals) decimals = max_decimals;
    std::string text = round_magnitude(std::fabs(value), decimals);
    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (value < 0 && !zero) text.insert(text.begin(), '-');
    const std::size_t point = text.find('.');
    if (point != std::string::npos) text[point] = decimal_separator.load(std::memory_order_relaxed);
    return text;
}

AnsiString pad_left(std::string text, int width) {
    if (width >= 1 && text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return AnsiString(std::move(text));
}

}  // namespace

bool str_to_int(const AnsiString& text, int& value) noexcept {
    std::string_view s = text.view();
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.starts_with("$")) {
        base = 16;
        s.remove_prefix(1);
    } else if (s.starts_with("0x") || s.starts_with("0X")) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.front() == '-' || s.front() == '+') return false;
    long long v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    if (negative) v = -v;
    if (base == 16 && !negative && v > 0x7FFFFFFFLL && v <= 0xFFFFFFFFLL) v -= 0x100000000LL;
    if (v < -2147483648LL || v > 2147483647LL) return false;
    value = static_cast<int>(v);
    return true;
}

double str_to_float(const AnsiString& text) noexcept {
    const std::string_view s = text.view();
    // The C library stops at a zero byte.
    const std::size_t end = s.find('\0');
    std::string copy(s.substr(0, end));
    for (char& c : copy)
        if (c == ',') c = '.';
    return parse(copy.data(), copy.data() + copy.size());
}

double str_to_float(const char* text) noexcept {
    if (text == nullptr) return 0;
    const std::size_t n = std::strlen(text);
    if (std::memchr(text, ',', n) == nullptr) return parse(text, text + n);
    std::string copy(text, n);
    for (char& c : copy)
        if (c == ',') c = '.';
    return parse(copy.data(), copy.data() + n);
}

AnsiString float_to_str(double value, int decimals, int width) {
    if (decimals != -1) return pad_left(format_fixed(value, decimals), width);
    if (value == 0) return pad_left("0", width);
    const double a = std::fabs(value);
    int places = 1;
    if (a <= 0.0001)
        places = 7;
    else if (a <= 0.001)
        places = 6;
    else if (a <= 0.01)
        places = 5;
    else if (a <= 0.1)
        places = 4;
    else if (a <= 1)
        places = 3;
    else if (a <= 10)
        places = 2;
    std::string text = format_fixed(value, places);
    const char separator = decimal_separator.load(std::memory_order_relaxed);
    if (std::isfinite(value) && !text.empty() && text.back() == '0') {
        const std::size_t last = text.find_last_not_of('0');
        text.resize(last + 1);
        if (text.back() == separator) text.pop_back();
    }
    return pad_left(std::move(text), width);
}

AnsiString get_log_string(double value) {
    int places = 8;
    if (value > 0.95)
        places = 0;
    else if (value > 0.095)
        places = 1;
    else if (value > 0.0095)
        places = 2;
    else if (value > 0.00095)
        places = 3;
    else if (value > 9.5e-5)
        places = 4;
    else if (value > 9.5e-6)
        places = 5;
    else if (value > 9.5e-7)
        places = 6;
    else if (value > 9.5e-8)
        places = 7;
    return AnsiString(format_fixed(value, places));
}

char get_decimal_separator() noexcept {
    return decimal_separator.load(std::memory_order_relaxed);
}

void set_decimal_separator(char separator) noexcept {
    decimal_separator.store(separator, std::memory_order_relaxed);
}

}  // namespace lib
