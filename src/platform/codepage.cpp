#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace lib::cp1251 {
namespace {

using byte_table = std::array<unsigned char, 256>;

// Pairs of (upper, lower) case letters in the upper half of code page 1251.
constexpr unsigned char cased_pairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2},
    {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

constexpr byte_table make_case_table(bool upper) {
    byte_table t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int i = 0; i < 26; ++i) {
        if (upper)
            t['a' + i] = static_cast<unsigned char>('A' + i);
        else
            t['A' + i] = static_cast<unsigned char>('a' + i);
    }
    for (int i = 0; i < 32; ++i) {
        if (upper)
            t[0xE0 + i] = static_cast<unsigned char>(0xC0 + i);
        else
            t[0xC0 + i] = static_cast<unsigned char>(0xE0 + i);
    }
    for (const auto& p : cased_pairs) {
        if (upper)
            t[p[1]] = p[0];
        else
            t[p[0]] = p[1];
    }
    return t;
}

constexpr byte_table upper_table = make_case_table(true);
constexpr byte_table lower_table = make_case_table(false);

// Sort weight of a byte once folded to lower case: the byte itself, doubled, with ё placed
// right after е as the alphabet has it.
constexpr std::array<std::uint16_t, 256> make_weights() {
    std::array<std::uint16_t, 256> w{};
    for (int i = 0; i < 256; ++i)
        w[i] = static_cast<std::uint16_t>(lower_table[i] * 2);
    w[0xA8] = w[0xB8] = 0xE5 * 2 + 1;
    return w;
}

constexpr auto weights = make_weights();

// Code page 866 bytes of the 1251 bytes 0x80-0xFF. Letters, Ё/ё, Є/є, Ї/ї, Ў/ў, °, ·, №, ¤ and
// the no-break space go to their own places; the remaining 51 bytes of each side are paired in
// ascending order, so the table is a permutation and the conversion can be undone.
// clang-format off
constexpr unsigned char to_866_upper_half[128] = {
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xFF, 0xF6, 0xF7, 0xD0, 0xFD, 0xD1, 0xD2, 0xD3, 0xF0, 0xD4, 0xF2, 0xD5, 0xD6, 0xD7, 0xD8, 0xF4,
    0xF8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xFA, 0xF1, 0xFC, 0xF3, 0xDF, 0xF9, 0xFB, 0xFE, 0xF5,
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
};
// clang-format on

constexpr byte_table make_from_866() {
    byte_table t{};
    for (int i = 0; i < 128; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int i = 0; i < 128; ++i)
        t[to_866_upper_half[i]] = static_cast<unsigned char>(0x80 + i);
    return t;
}

constexpr byte_table from_866_table = make_from_866();

unsigned char u8(char c) {
    return static_cast<unsigned char>(c);
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

char to_upper(char c) noexcept {
    return static_cast<char>(upper_table[u8(c)]);
}
char to_lower(char c) noexcept {
    return static_cast<char>(lower_table[u8(c)]);
}

std::string to_upper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = to_upper(c);
    return r;
}

std::string to_lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = to_lower(c);
    return r;
}

bool equal_nocase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower_table[u8(a[i])] != lower_table[u8(b[i])]) return false;
    }
    return true;
}

int compare_nocase(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int d = weights[u8(a[i])] - weights[u8(b[i])];
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

char to_866(char c) noexcept {
    const unsigned char b = u8(c);
    return static_cast<char>(b < 0x80 ? b : to_866_upper_half[b - 0x80]);
}

char from_866(char c) noexcept {
    return static_cast<char>(from_866_table[u8(c)]);
}

char32_t to_unicode(char c) noexcept {
    const unsigned char b = u8(c);
    return b < 0x80 ? b : upper_half_code_points[b - 0x80];
}

std::string to_utf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char c : s)
        append_utf8(out, to_unicode(c));
    return out;
}

bool from_utf8(std::string_view s, std::string& out) {
    out.clear();
    out.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();) {
        const long cp = decode_utf8(s, pos);
        const int byte = cp < 0 ? -1 : byte_of_code_point(static_cast<char32_t>(cp));
        if (byte < 0) return false;
        out += static_cast<char>(byte);
    }
    return true;
}

bool from_utf8_marked(std::string_view s, std::string& out) {
    out.clear();
    out.reserve(s.size());
    bool whole = true;
    char mark[32];
    for (std::size_t pos = 0; pos < s.size();) {
        const std::size_t start = pos;
        const long cp = decode_utf8(s, pos);
        const int byte = cp < 0 ? -1 : byte_of_code_point(static_cast<char32_t>(cp));
        if (byte >= 0) {
            out += static_cast<char>(byte);
            continue;
        }
        whole = false;
        if (cp < 0) {
            std::snprintf(mark, sizeof mark, "<0x%02X>", static_cast<unsigned>(u8(s[start])));
            pos = start + 1;
        } else {
            std::snprintf(mark, sizeof mark, "<U+%04lX>", static_cast<unsigned long>(cp));
        }
        out += mark;
    }
    return whole;
}

}  // namespace lib::cp1251

namespace lib {

std::string what_utf8(const std::exception& e) {
    return cp1251::to_utf8(e.what());
}

}  // namespace lib
