// Station text literals: UTF-8 source text turned into code page 1251 bytes by the compiler.
//
//   using namespace lib::literals;            // code inside namespace lib sees it already
//   AnsiString key = "вес_на_крюке"_cp;      // the station's 12 bytes, under any compiler
//
// Sources are UTF-8 and no compiler flag recodes their literals: a literal that is station text
// says so with `_cp`. The conversion runs at compile time; a literal that is not valid UTF-8 or
// holds a character 1251 cannot represent ("°C" can, "m³/s" and "井" cannot) does not compile. The value
// is a pointer to a zero-terminated array of static storage, so it may be kept anywhere a plain
// literal may. Text that arrives at run time converts with `lib::cp1251::from_utf8`.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <string_view>

namespace lib::cp1251 {

// Unicode code points of the 1251 bytes 0x80-0xFF; the undefined byte 0x98 stands for U+0098.
// clang-format off
inline constexpr char16_t upper_half_code_points[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// clang-format on

// The 1251 byte of a code point, or -1 when the code page has none.
constexpr int byte_of_code_point(char32_t cp) noexcept {
    if (cp < 0x80) return static_cast<int>(cp);
    for (int i = 0; i < 128; ++i) {
        if (upper_half_code_points[i] == cp) return 0x80 + i;
    }
    return -1;
}

// Decodes the UTF-8 character that starts at `pos` and moves `pos` past it. Returns -1 for a
// byte sequence that is not valid UTF-8 (cut short, a stray continuation byte, an overlong form).
constexpr long decode_utf8(std::string_view s, std::size_t& pos) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b = byte(pos);
    char32_t cp;
    std::size_t len;
    if (b < 0x80) {
        cp = b;
        len = 1;
    } else if ((b & 0xE0) == 0xC0) {
        cp = b & 0x1F;
        len = 2;
    } else if ((b & 0xF0) == 0xE0) {
        cp = b & 0x0F;
        len = 3;
    } else if ((b & 0xF8) == 0xF0) {
        cp = b & 0x07;
        len = 4;
    } else {
        return -1;
    }
    if (pos + len > s.size()) return -1;
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(pos + k) & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (byte(pos + k) & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)) return -1;
    pos += len;
    return static_cast<long>(cp);
}

namespace detail {

// Called only when a literal cannot become 1251; being no constant expression, it stops the
// build at the literal.
inline void literal_is_not_utf8_or_not_in_code_page_1251() {}

// The number of characters of the UTF-8 text C... .
template <char... C>
consteval std::size_t character_count() {
    const char bytes[] = {C..., 0};
    const std::string_view text(bytes, sizeof...(C));
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count) {
        const long cp = decode_utf8(text, pos);
        if (cp < 0 || byte_of_code_point(static_cast<char32_t>(cp)) < 0) literal_is_not_utf8_or_not_in_code_page_1251();
    }
    return count;
}

// The UTF-8 text C... in 1251, zero-terminated.
template <char... C>
consteval std::array<char, character_count<C...>() + 1> to_code_page() {
    const char bytes[] = {C..., 0};
    const std::string_view text(bytes, sizeof...(C));
    std::array<char, character_count<C...>() + 1> out{};
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < text.size();)
        out[n++] = static_cast<char>(byte_of_code_point(static_cast<char32_t>(decode_utf8(text, pos))));
    return out;
}

template <char... C>
inline constexpr auto converted = to_code_page<C...>();

}  // namespace detail
}  // namespace lib::cp1251

namespace lib {
inline namespace literals {

// The characters of a literal arrive as a template argument pack, a form GCC and clang both
// offer; the standard's own form (a class-type template argument) crashes clang 14.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#ifdef __clang__
#pragma clang diagnostic ignored "-Wgnu-string-literal-operator-template"
#endif
// "text"_cp: the UTF-8 literal as code page 1251 bytes (see the top of this header).
template <typename Char, Char... C>
requires std::same_as<Char, char>
constexpr const char* operator""_cp() {
    return cp1251::detail::converted<C...>.data();
}
#pragma GCC diagnostic pop

}  // namespace literals
}  // namespace lib
