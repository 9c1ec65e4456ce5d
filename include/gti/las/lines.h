// The text lines of a LAS file as the reader takes them, and how header text is coded.
//
// Lines end at LF, at CR LF and at a bare CR; a UTF-8 byte-order mark before the first line is
// skipped. Blanks are spaces and TABs. A line that is empty or blank, or whose first non-blank
// is '#', is a comment and is dropped; a line whose first non-blank is '~' opens a block. Every
// line keeps its number in the file (from 1), for the diagnostics.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace lib::las {

// One kept line of a header block: its text and its number in the file.
struct text_line {
    std::string_view text;
    int number = 0;
};

// A position in a list of kept lines.
using line_iterator = std::vector<text_line>::const_iterator;

namespace detailed {

// How the header lines of a file are coded. Data lines are never converted.
enum coding : int {
    oem_text = 0,     // code page 866 (DOS), converted to 1251 before it is parsed or stored
    ansi_text = 1,    // code page 1251, taken as it is
    utf8_text = 2,    // UTF-8, converted to 1251 (a character 1251 lacks becomes '?')
    detect_text = 3,  // told by the bytes: a byte-order mark or valid UTF-8 with letters beyond
                      // ASCII is UTF-8; else 866 when its letters read better so; else 1251
};

}  // namespace detailed

// True for the two blanks of a LAS line, space and TAB.
constexpr bool is_blank(char c) noexcept {
    return c == ' ' || c == '\t';
}

// The text without blanks at either end.
std::string_view trim_blanks(std::string_view text) noexcept;

// Walks the lines of a text: next() gives each line without its end, and its number.
class line_scanner {
public:
    // Lines of `text`, a UTF-8 byte-order mark at its start skipped.
    explicit line_scanner(std::string_view text) noexcept;
    // The next line and its number; false at the end of the text.
    bool next(std::string_view& line, int& number) noexcept;
    // The bytes not yet given out.
    std::string_view rest() const noexcept { return {p_, static_cast<std::size_t>(end_ - p_)}; }
    // True when the text began with a UTF-8 byte-order mark.
    bool had_bom() const noexcept { return bom_; }

private:
    const char* p_;
    const char* end_;
    int number_ = 0;
    bool bom_ = false;
};

}  // namespace lib::las
