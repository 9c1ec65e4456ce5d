// Header blocks of a LAS 2.0 well log: the tilde line and the lines of mnemonic, unit, value and
// description that describe the well, the curves and the run.
//
// A header block as the writer lays it out (the colon stands at column 53 while the value fits):
//
//   ~Well information block
//   #MNEM.UNIT                                       DATA DESCRIPTION ON MNEMONIC
//   #----------------------- ---------------------------- -----------------------
//   STRT.M                                         1500.0: START DEPTH
//   NULL.                                           -9999: NULL VALUE
//
// Writing a header line (file_value::save_to_stream): the mnemonic padded with blanks to at
// least 4 bytes, '.', the unit, the value right-aligned in a field of 52 - U - max(4, L) bytes
// (U, L: bytes of unit and mnemonic; a longer value is written whole after one blank), ": ", the
// description, LF.
//
// Reading a header line (text_headers::load) by the delimiters of LAS 2.0: the first dot, the
// first blank (space or TAB) after it, the last colon of the line (colons inside braces, a LAS
// 3.0 format such as "{A:0}", do not count).
//
//    GR  .GAPI   95.5 : GAMMA RAY
//        d    b       c
//
// mnemonic = [start, d), unit = (d, b) where b is the first blank after d or the colon if that
// comes first, value = (b, c), description = (c, end), each without blanks at either end. A
// line without a colon after the unit has its value up to the end and an empty description
// (noted as no_colon, except in a curve block, where the colon is often left out). A line
// without a dot or with an empty mnemonic is not read (noted as unplaced_line). In a LAS 1.x
// well block the items that the 1.2 standard lists (COMP, WELL, FLD, LOC, PROV, CNTY, STAT, CTRY,
// SRVC, DATE, UWI, API, LIC, SON) hold their value after the colon and their description before
// it: the reader swaps them, so `value` holds the value whatever the version. A line that the
// writer made reads back to the same four fields when the mnemonic holds no dot, the unit no
// blank or colon, the description no colon, and neither value nor description has blanks at
// its ends.
//
// Failures: item_by_index out of range throws std::runtime_error
// "heavy_vector<T>::check_item_index"; simple_headers::get out of range throws
// std::out_of_range "vector".
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/io/streams.h"
#include "gti/las/diagnostics.h"
#include "gti/las/lines.h"
#include "gti/platform/ansi_string.h"

namespace lib::las {

// One header line: MNEM.UNIT VALUE : DESCRIPTION.
struct file_value {
    AnsiString mnemonic;     // the name before the dot: DEPT, STRT, NULL...
    AnsiString unit;         // the text between the dot and the next blank; may be empty
    AnsiString value;        // the data field
    AnsiString description;  // the text after the colon

    // True when the mnemonic in lower case equals `lower_name` (already in lower case).
    bool have_name(const AnsiString& lower_name) const;
    // Writes the line, LF included (layout above).
    void save_to_stream(io::BinaryOutputStream& out) const;
};

// A vector of owned objects, in order: an item keeps its address while others are added.
template <class T>
class heavy_vector {
public:
    // No items.
    heavy_vector() = default;
    // Copies of every item of `other`.
    heavy_vector(const heavy_vector& other) {
        items_.reserve(other.items_.size());
        for (const auto& item : other.items_)
            items_.push_back(std::make_unique<T>(*item));
    }
    // Replaces the items by copies of those of `other`.
    heavy_vector& operator=(const heavy_vector& other) {
        if (this != &other) {
            heavy_vector copy(other);
            items_.swap(copy.items_);
        }
        return *this;
    }
    heavy_vector(heavy_vector&&) noexcept = default;
    heavy_vector& operator=(heavy_vector&&) noexcept = default;

    // The number of items.
    int size() const noexcept { return static_cast<int>(items_.size()); }
    // Item i; throws std::runtime_error "heavy_vector<T>::check_item_index" outside [0, size).
    T& operator[](int i) {
        check_item_index(i);
        return *items_[static_cast<std::size_t>(i)];
    }
    const T& operator[](int i) const {
        check_item_index(i);
        return *items_[static_cast<std::size_t>(i)];
    }
    // Appends a copy of `item` and returns the new item.
    T& push_back(const T& item) {
        items_.push_back(std::make_unique<T>(item));
        return *items_.back();
    }
    // Removes every item.
    void clear() noexcept { items_.clear(); }

private:
    void check_item_index(int i) const {
        if (i < 0 || i >= size()) throw std::runtime_error("heavy_vector<T>::check_item_index");
    }

    std::vector<std::unique_ptr<T>> items_;
};

// What a block needs to read its lines.
struct load_context {
    // How the lines are coded: oem_text, ansi_text or utf8_text (never detect_text).
    detailed::coding coding = detailed::ansi_text;
    // LAS 1.x: well items listed by the 1.2 standard hold their value after the colon.
    bool version_1 = false;
    // Where notes go; none are kept when null.
    diagnostics_list* notes = nullptr;
};

// A header line converted to code page 1251 as `context` says (characters 1251 lacks become
// '?', noted as code_page on line `number`).
AnsiString header_text(std::string_view line, int number, const load_context& context);

// A header block. Its kind is the first byte of its title, compared without regard to case:
// 'v' version, 'w' well, 'c' curves, 'p' parameters, 'o' other information.
class las_block_base {
public:
    // The text of the block's tilde line after the tilde.
    AnsiString title;
    // The kind letter when it is not the title's first byte (a LAS 3.0 ~Log_Definition is a
    // curve block, 'c'); 0 otherwise.
    char kind = 0;

    // Fills the block from the lines that follow its tilde line.
    virtual void load(line_iterator first, line_iterator last, const load_context& context) = 0;
    // Writes the block, its tilde line first.
    virtual void save(io::BinaryOutputStream& out) const = 0;
    virtual ~las_block_base() = default;

    // True when the kind letter (`kind`, else the title's first byte) equals `letter` without
    // regard to case (false for an empty title without a kind).
    bool begin_with_letter(char letter) const noexcept;

protected:
    explicit las_block_base(const AnsiString& block_title) : title(block_title) {}
    las_block_base(const las_block_base&) = default;
    las_block_base& operator=(const las_block_base&) = default;
};

// A block of header lines (version, well, curves, parameters).
class text_headers : public las_block_base {
public:
    // The lines, in file order.
    heavy_vector<file_value> items;
    // When set, add() calls it with the new item count after appending an item. The document
    // sets it on its curve block so that data rows follow the curve count.
    std::function<void(int)> on_resize;

    // An empty block with that title.
    explicit text_headers(const AnsiString& block_title) : las_block_base(block_title) {}
    // A copy has the title and items but no on_resize: that belongs to the block in its document.
    text_headers(const text_headers& other) : las_block_base(other), items(other.items) {}
    // Copies the title and items; the target keeps its own on_resize.
    text_headers& operator=(const text_headers& other) {
        las_block_base::operator=(other);
        items = other.items;
        return *this;
    }

    // Replaces the items by the lines that parse (layout above); on_resize is not called.
    void load(line_iterator first, line_iterator last, const load_context& context) override;
    // Writes the tilde line, the column heading, the rule and every item.
    void save(io::BinaryOutputStream& out) const override;

    // The number of items.
    int size() const noexcept { return items.size(); }
    // Item i (checked, see the failures above).
    file_value& item_by_index(int i) { return items[i]; }
    const file_value& item_by_index(int i) const { return items[i]; }
    // The index of the first item whose mnemonic equals `name` without regard to case (the
    // whole mnemonic: "DEPT" does not find "DEPTH"); -1 when there is none.
    int find_param(const AnsiString& name) const;
    // The item of that name, added (as add(name) does) when there is none.
    file_value& item_by_name(const AnsiString& name);
    // The item of that name if there is one, unchanged; otherwise a new item with that mnemonic
    // and empty fields, appended, after which on_resize is called with the new count.
    file_value& add(const AnsiString& name);
    // add(name), then sets the item's unit, value and description (an existing item is
    // updated in place and keeps its position).
    file_value& add(const AnsiString& name, const AnsiString& unit, const AnsiString& value,
                    const AnsiString& description);
};

// A block kept as raw lines (other information: free text).
class simple_headers : public las_block_base {
public:
    // The lines, in file order.
    std::vector<AnsiString> lines;

    // An empty block with that title.
    explicit simple_headers(const AnsiString& block_title) : las_block_base(block_title) {}

    // Replaces the lines by the given ones, converted to 1251.
    void load(line_iterator first, line_iterator last, const load_context& context) override;
    // Writes the tilde line and the lines as they are held, each ended by LF, so that a block
    // read from a file goes back into it.
    void save(io::BinaryOutputStream& out) const override;
    // The number of lines.
    virtual int size() const noexcept { return static_cast<int>(lines.size()); }
    // Line i; throws std::out_of_range "vector" outside [0, size).
    const AnsiString& get(int i) const;
};

}  // namespace lib::las
