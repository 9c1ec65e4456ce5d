// What the LAS reader tolerated in a file, with the line where it happened.
//
// Nothing inside a file makes loading fail; the reader reads what it can and notes the rest here.
// Two kinds say that the document holds no log: not_las (no '~' block at all) and refused (a
// LAS 3.0 file whose data the reader cannot place). A file full of faults (a short row in
// each of a million lines) keeps the first `kept` notes and counts the others.
#pragma once

#include <cstddef>
#include <vector>

#include "gti/platform/ansi_string.h"

namespace lib::las {

// The kinds of notes.
enum class diagnostic_kind {
    not_las,          // no line opens a '~' block: not a LAS file
    refused,          // a LAS 3.0 layout the reader cannot place; its data were not read
    unknown_version,  // VERS is not 1.x, 2.x or 3.x, or missing; read as LAS 2.0
    unplaced_line,    // a line outside every block, or a header line without a dot
    no_colon,         // a header line (not a curve) without a colon: its value runs to the end
    bad_null,         // the NULL value is not a number; -9999 stands for it
    short_row,        // a data row with fewer numbers than curves: the missing ones are NULL
    long_row,         // a data row with more numbers than curves: the surplus is dropped
    non_numeric,      // a data token that is not wholly a number: NULL
    several_data,     // another data block: its rows follow those of the first
    code_page,        // a character that code page 1251 lacks: "?"
    too_large,        // rows beyond what the file's size can justify were not read
};

// One note: the line (from 1; 0 for the file as a whole), the kind and a text for people.
struct diagnostic {
    int line = 0;
    diagnostic_kind kind = diagnostic_kind::unplaced_line;
    AnsiString text;
};

// The short English name of a kind ("short-row"), for listings and JSON.
const char* kind_name(diagnostic_kind kind) noexcept;

// The notes of one load.
class diagnostics_list {
public:
    // The most notes kept; later ones are only counted.
    static constexpr std::size_t kept = 1000;

    // Adds a note (or only counts it once `kept` are held).
    void add(int line, diagnostic_kind kind, const AnsiString& text);
    // The notes kept, in the order found.
    const std::vector<diagnostic>& items() const noexcept { return items_; }
    // Every note found, those not kept included.
    std::size_t total() const noexcept { return total_; }
    // True when a note of that kind was found.
    bool has(diagnostic_kind kind) const noexcept;
    // Forgets every note.
    void clear() noexcept;

private:
    std::vector<diagnostic> items_;
    std::size_t total_ = 0;
    unsigned found_kinds_ = 0;
};

}  // namespace lib::las
