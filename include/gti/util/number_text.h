// Numbers as the station shows and stores them.
//
// Parsing takes a comma or a point as the decimal separator, so values typed on machines set up
// either way read alike. Formatting picks the number of decimals from the magnitude of the value,
// so a small gas reading keeps its significant digits while a depth shows one decimal.
//
// Rounding: a value is rounded from its exact binary value to the nearest text of the chosen
// number of decimals; a value exactly halfway goes away from zero (0.125 with 2 decimals is
// "0.13", -2.5 with none is "-3"). A value that rounds to zero is written without a minus sign.
// Infinities and NaN are written "INF", "-INF" and "NAN".
#pragma once

#include "gti/platform/ansi_string.h"

namespace lib {

// Reads a number: commas become points, then the number is read as the C library reads it
// (c_atof). Gives 0 when there is none and when the number is out of the range of a double.
double str_to_float(const AnsiString& text) noexcept;

// The same for a zero-terminated text; null reads as 0.
double str_to_float(const char* text) noexcept;

// Reads the number at the start of [first, last) exactly as the C library's strtod (and atof)
// does in the "C" locale: white space and one sign allowed, decimal and hexadecimal forms,
// infinities, NaNs; 0 when no number starts there; a number beyond the range of a double gives an
// infinity or 0 and sets `*out_of_range` (when given). A point is the only decimal separator.
double c_atof(const char* first, const char* last, bool* out_of_range = nullptr) noexcept;

// Reads a whole text as a 32-bit integer: decimal, or hexadecimal after "$" or "0x" (whose
// eight digits may spell the bits of a negative number: "$FFFFFFFF" is -1), with a sign and with
// spaces or tabs around it. False, `value` untouched, when the text is no such number.
bool str_to_int(const AnsiString& text, int& value) noexcept;

// Formats a value. With `decimals` -1 the precision follows the magnitude a = |value|:
//   a <= 0.0001: 7 decimals   a <= 0.001: 6   a <= 0.01: 5   a <= 0.1: 4
//   a <= 1: 3                 a <= 10: 2      a > 10: 1
// and trailing zeros are then removed, the decimal separator too when nothing follows it; 0 is
// "0". Otherwise exactly `decimals` decimals are written (none and no separator for 0; a negative
// count counts as 0; more than 100 count as 100). With `width` of 1 or more the text is padded
// with spaces on the left to `width` characters.
AnsiString float_to_str(double value, int decimals = -1, int width = 0);

// Formats a label of a logarithmic scale: the number of decimals follows the signed value, one
// more for each tenfold step below 0.95 (0.95 and above: none; 0.095: one; ... ), at most 8;
// zeros are kept. Zero and negative values take 8 decimals.
AnsiString get_log_string(double value);

// The decimal separator that float_to_str and get_log_string write (a point unless set).
char get_decimal_separator() noexcept;

// Sets the decimal separator for the whole process.
void set_decimal_separator(char separator) noexcept;

}  // namespace lib
