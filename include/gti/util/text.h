// Text functions of the station: code pages, one-line escapes, word splitting, list look-ups, and
// a cursor over a list of texts for space- or comma-separated records.
//
// Two byte strings meet here: AnsiString, the station's text, and std::string of code written
// against the standard library (lib::str_borl_2_std turns the first into the second). All text
// is code page 1251 unless a function says otherwise.
//
//   one-line escapes    "\" <-> "\\" and line feed <-> "\n", so that a multi-line text lives on one
//                       line of a text or INI file; the other control bytes (carriage return,
//                       tab, ...) have no place on that line and are dropped, so
//                       file_text_to_normal(normal_text_to_file(s)) == s for texts without them
//   words               separate_words1 and parse_to_words(' '): words between blanks, a word in
//                       double quotes keeps its spaces; parse_to_words with another separator:
//                       the pieces between separators, empty pieces included
//   letter case         to_upper/to_lower of std::string change the ASCII letters only (the C
//                       locale's rule); look-ups in lists fold Cyrillic letters as well
//   code pages          KOI8-R (win_to_coi8r) and DOS 866 (win_to_dos/dos_to_win), byte for byte
//
// Passwords: code_password and encode_password keep a password from standing in a settings file
// in plain sight. That is obscuring, not encryption: anyone holding this library, or a little
// patience, reads the password back.
//
// Nothing here throws for ordinary input (only std::bad_alloc when memory runs out, and the
// setters of StringContainer for a negative index). get_word shares one cache between all
// callers, guarded by a lock.
#pragma once

#include <string>
#include <vector>

#include "gti/platform/ansi_string.h"

class TStrings;

namespace lib {

// Splits `text` into words separated by spaces (byte 0x20 only). A word that begins with a
// double quote runs to the next double quote, or to the end when there is none, and keeps its
// spaces; the quotes are dropped. The k-th word overwrites words[k] when that element exists and
// is appended otherwise. Without `reuse` the vector is emptied first; with it, elements past the
// last word found keep their earlier contents.
void separate_words1(const std::string& text, std::vector<std::string>& words, bool reuse);

// Undoes the one-line escapes in place: "\\" becomes "\" and "\n" a line feed. A backslash before
// any other byte, or as the last byte, stays as it is.
void file_text_to_normal(std::string& s);
// Escapes a text for one line in place: "\" becomes "\\", a line feed "\n"; the other bytes below
// 32 (carriage return, tab, ...) are dropped.
void normal_text_to_file(std::string& s);
// The text with its one-line escapes undone.
AnsiString file_text_to_normal(const AnsiString& s);
// The text escaped for one line.
AnsiString normal_text_to_file(const AnsiString& s);

// `in` with the ASCII letters in upper case; other bytes unchanged. `in` and `out` may be one object.
void to_upper(const std::string& in, std::string& out);
// `in` with the ASCII letters in lower case; other bytes unchanged. `in` and `out` may be one object.
void to_lower(const std::string& in, std::string& out);
// `in` without its leading and trailing spaces (byte 0x20 only). `in` and `out` may be one object.
void trim(const std::string& in, std::string& out);

// Converts a 1251 text to KOI8-R in place, byte for byte. Bytes with no KOI8-R place (the
// control range 0x80-0x9F and the signs KOI8-R lacks) become ".".
void win_to_coi8r(std::string& s);

// Obscures a password for storage as a printable text: decimal numbers separated by spaces, the
// first a key drawn at random from 1 to 255 for each call (never the same key twice in a row on
// one thread, so coding a password twice gives two different texts).
std::string code_password(std::string plain);
// The password of a text made by code_password; the empty text when `coded` is not such a text.
std::string encode_password(std::string coded);

// The bytes of an AnsiString as a standard string.
std::string str_borl_2_std(const AnsiString& s);
// Replaces the contents of `v` by the bytes of `s` and one zero byte.
void string_to_vector(const AnsiString& s, std::vector<char>& v);

// Replaces the items of `list` by the words of `text`; a null list is left alone.
//  - separator other than a space: the pieces between separators, one item each, empty pieces
//    included; a separator at the very end adds no empty item. Line breaks in `text` split too.
//  - space: words between blanks (bytes up to 0x20 at the ends of what is left are dropped); a
//    word that begins with a double quote runs to the next one, or to the end, without the quotes.
void parse_to_words(const AnsiString& text, TStrings* list, char separator);

// The word at `index` of `text` split by parse_to_words, or the empty text outside 0..count-1.
// The last text split and its words are cached for the whole process: called again with the
// same text, it answers from the cache whatever separator is passed now.
AnsiString get_word(const AnsiString& text, int index, char separator);

// The index of the first item of `list` equal to `s` without regard to letter case (Cyrillic
// included), or -1; -1 for a null list.
int get_string_index(const TStrings* list, const AnsiString& s);
// True when get_string_index finds `s`.
bool contains_string(const TStrings* list, const AnsiString& s);
// Clears `list` and appends the texts of a null-terminated array (a null array adds nothing).
void fill_strings(TStrings* list, const char** items);

// `in` converted from code page 1251 to 866, byte for byte. `in` and `out` may be one object.
void win_to_dos(const AnsiString& in, AnsiString& out);
// `in` converted from code page 866 to 1251, byte for byte. `in` and `out` may be one object.
void dos_to_win(const AnsiString& in, AnsiString& out);

// An owned list of texts with a read cursor, for reading and writing records of space- or
// comma-separated fields one after the other.
//
// Every getter takes an index; -1 reads the item at the cursor and moves the cursor on by one,
// whether or not that item exists. An index outside the list reads the empty text (get_string),
// 0 (get_float) or the given default (get_int). The cursor is 0 after construction, clear(),
// set_comma_text, set_space_text and begin_from_start.
class StringContainer {
public:
    // Appends a text.
    void add(const AnsiString& s);
    // Appends a whole number as decimal text.
    void add(int value);
    // Appends a number in the platform's general form: up to 15 significant digits, the
    // decimal separator of lib::get_decimal_separator(), an exponent as in "1E20" or "5E-5".
    void add(double value);

    // The item at `index` (-1: at the cursor).
    AnsiString get_string(int index);
    // The item at `index` (-1: at the cursor) read as a decimal whole number (an optional sign and
    // digits, nothing else); `default_value` when it is not one or does not fit an int.
    int get_int(int index, int default_value);
    // The item at `index` (-1: at the cursor) read with lib::str_to_float (a comma or a point).
    double get_float(int index);

    // Stores `s` at `index`, appending empty items first until the list is long enough. Throws
    // std::out_of_range "StringContainer::set_string: negative index" for an index below 0.
    void set_string(int index, const AnsiString& s);
    // Stores a whole number as decimal text at `index` (see set_string).
    void set_int(int index, int value);
    // Stores a number in the form of add(double) at `index` (see set_string).
    void set_float(int index, double value);

    // Replaces the items by those of a comma text (TStrings::SetCommaText).
    void set_comma_text(const AnsiString& text);
    // The items as comma text (TStrings::CommaText).
    AnsiString get_comma_text() const;
    // Replaces the items by the words of `text` (parse_to_words with `separator`).
    void set_space_text(const AnsiString& text, char separator = ' ');
    // The items joined by single spaces; an item that is empty or holds a space is written in
    // double quotes.
    AnsiString get_space_text() const;

    // Moves the cursor back to the first item.
    void begin_from_start() noexcept { cursor_ = 0; }
    // Removes every item.
    void clear();
    // The number of items.
    int count() const noexcept { return static_cast<int>(items_.size()); }
    // The index the cursor stands at.
    int get_cursor() const noexcept { return cursor_; }

private:
    // The item that `index` selects, or null; moves the cursor for -1.
    const AnsiString* item(int index);

    std::vector<AnsiString> items_;
    int cursor_ = 0;
};

// A private zero-terminated copy of a text, for calls that want a character pointer.
class StrCharCvt {
public:
    // Copies the bytes of `s`.
    explicit StrCharCvt(const AnsiString& s);
    explicit StrCharCvt(const std::string& s);
    explicit StrCharCvt(const char* s);

    // The copy, followed by a zero byte; valid as long as this object.
    const char* c_str() const noexcept { return bytes_.data(); }

private:
    std::vector<char> bytes_;
};

}  // namespace lib
