// Code page 1251: letter case, the DOS code page 866, and UTF-8.
//
// The station's text is Windows-1251. These tables are the library's own and never consult the
// process locale, so a key compares the same way on every machine:
//  - letter case covers ASCII and every cased letter of the upper half: А-Я/а-я, Ё/ё and the
//    other Cyrillic letters of the code page (Ђ/ђ, Ѓ/ѓ, Љ/љ, Њ/њ, Ќ/ќ, Ћ/ћ, Џ/џ, Ў/ў, Ј/ј, Ґ/ґ,
//    Є/є, Ї/ї, І/і, Ѕ/ѕ);
//  - 866 <-> 1251 maps every character both code pages hold to its place, and pairs the rest
//    (the pseudo-graphics of 866 with the typographic signs of 1251) one to one, so a
//    conversion there and back never loses a byte;
//  - UTF-8 is for the boundary with the file system and with terminals; the undefined byte 0x98
//    stands for U+0098 so that every byte string converts and comes back unchanged.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace lib::cp1251 {

// The upper-case form of one byte.
char to_upper(char c) noexcept;
// The lower-case form of one byte.
char to_lower(char c) noexcept;
// The string in upper case.
std::string to_upper(std::string_view s);
// The string in lower case.
std::string to_lower(std::string_view s);

// True when the two texts are equal without regard to letter case.
bool equal_nocase(std::string_view a, std::string_view b) noexcept;
// Orders two texts without regard to letter case, in the Russian alphabet's order (Ё after Е);
// negative, zero or positive like strcmp.
int compare_nocase(std::string_view a, std::string_view b) noexcept;

// The code page 866 byte of a 1251 byte.
char to_866(char c) noexcept;
// The code page 1251 byte of an 866 byte.
char from_866(char c) noexcept;

// The Unicode code point of a 1251 byte.
char32_t to_unicode(char c) noexcept;
// The text converted from 1251 to UTF-8.
std::string to_utf8(std::string_view s);
// Converts UTF-8 text to 1251. Returns false when the text is not valid UTF-8 or holds a
// character that 1251 cannot represent; `out` is then unspecified.
bool from_utf8(std::string_view s, std::string& out);
// Converts UTF-8 text to 1251 for a person to read: each character 1251 cannot represent comes
// out as "<U+XXXX>" and each byte that is not UTF-8 as "<0xNN>". True when nothing was marked,
// and `out` is then what from_utf8 gives.
bool from_utf8_marked(std::string_view s, std::string& out);

}  // namespace lib::cp1251

namespace lib {

// The text of an exception in UTF-8, for a terminal or a log of the user's program: the
// library's exceptions carry station text (1251), and their what() is converted.
std::string what_utf8(const std::exception& e);

}  // namespace lib
