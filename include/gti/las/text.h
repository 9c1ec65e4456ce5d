// Text helpers of the LAS reader and writer: letter case, the DOS code page, and numbers read the
// way the C library's atof reads them.
//
// Header texts of a LAS file written on a DOS machine are in code page 866; the station keeps
// text in code page 1251, so the reader converts such lines with convert_to_win. Letter case
// follows code page 1251, Cyrillic included, whatever the process locale.
//
// str_to_double gives exactly the double that atof gives in the "C" locale, never consulting the
// process locale (a comma is not a decimal separator here: "1,5" reads as 1):
//   - white space (space, TAB, LF, VT, FF, CR) before the number is skipped;
//   - an optional sign, then the longest prefix that is a decimal number ("12.5e-3"), a
//     hexadecimal one ("0x1.8p3"), "inf", "infinity", "nan" or "nan(chars)", letters in any case;
//   - a number too large for a double gives an infinity, one too small gives zero or the nearest
//     subnormal, both correctly rounded; "nan(n)" carries n in the NaN's low bits as glibc does;
//   - no number at all gives 0.0.
#pragma once

#include <string_view>

#include "gti/platform/ansi_string.h"

namespace lib {

// Puts `src` in upper case into `dst`, byte by byte by the 1251 rules; they may be one object.
void convert_to_upper(const AnsiString& src, AnsiString& dst);
// Puts `src` in lower case into `dst`, byte by byte by the 1251 rules; they may be one object.
void convert_to_lower(const AnsiString& src, AnsiString& dst);
// Converts `src` from code page 866 to code page 1251 into `dst`; they may be one object.
void convert_to_win(const AnsiString& src, AnsiString& dst);

// The number at the start of the text, read as atof reads it in the "C" locale (see above).
double str_to_double(std::string_view text) noexcept;
// The same for a station text.
double str_to_double(const AnsiString& text) noexcept;
// The same for a zero-terminated text; null reads as 0.
double str_to_double(const char* text) noexcept;

}  // namespace lib
