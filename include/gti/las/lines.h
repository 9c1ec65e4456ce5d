// The text lines of a LAS file as the reader keeps them, and how header text is coded.
//
// The reader takes a file apart in three steps (lib::las::file::load):
//   1. text_lines: the file's bytes cut into lines. A line ends at LF; a CR just before the LF
//      is not part of it. Empty lines and lines whose first byte is '#' are dropped (a line of
//      blanks and then '#' is kept). Lines are views into the bytes, which the object owns.
//   2. line ranges: each line that begins with '~' starts a block that runs up to the next such
//      line or the end; lines before the first '~' belong to no block.
//   3. each block fills the document from its lines.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace lib::las {

// A position in a list of kept lines.
using line_iterator = std::vector<std::string_view>::const_iterator;

namespace detailed {

// How the header lines of a file are coded. Data lines are never converted.
enum coding : int {
    oem_text = 0,   // code page 866 (DOS), converted to 1251 before it is parsed or stored
    ansi_text = 1,  // code page 1251, taken as it is (so is any value other than 0)
};

}  // namespace detailed

// The kept lines of a text (rule 1 above), owning the bytes they view.
class text_lines {
public:
    // No lines.
    text_lines() = default;
    // The kept lines of a copy of `text`.
    explicit text_lines(std::string_view text);
    // The kept lines of `size` bytes that the object takes over.
    text_lines(std::unique_ptr<char[]> bytes, std::size_t size);
    // Moving keeps every line valid; copying would not, so there is none.
    text_lines(text_lines&&) noexcept = default;
    text_lines& operator=(text_lines&&) noexcept = default;

    // The kept lines, in file order.
    const std::vector<std::string_view>& lines() const noexcept { return lines_; }
    // The number of kept lines.
    std::size_t size() const noexcept { return lines_.size(); }
    // Line i (unchecked).
    std::string_view operator[](std::size_t i) const noexcept { return lines_[i]; }
    // The first kept line, and the position after the last.
    line_iterator begin() const noexcept { return lines_.begin(); }
    line_iterator end() const noexcept { return lines_.end(); }

private:
    void split(const char* data, std::size_t size);

    std::unique_ptr<char[]> bytes_;
    std::vector<std::string_view> lines_;
};

// The lines [first, last) of one block in a list of kept lines; `first` is its tilde line.
struct line_range {
    std::size_t first = 0;
    std::size_t last = 0;
};

}  // namespace lib::las
