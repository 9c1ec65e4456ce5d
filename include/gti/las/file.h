// A LAS 2.0 well log (log ASCII standard) in memory: header blocks in order, then the data.
//
// Reading (load) keeps the lines of the file (gti/las/lines.h), cuts them into blocks at the
// tilde lines and gives each block to its kind by the first byte after the tilde:
//
//   ~A...  data: rows appended to `values`, as many columns as get_curve_block() has items
//   ~C...  a text_headers block; values.depth_index becomes its DEPT item (-1 without one)
//   ~O...  a simple_headers block (raw lines)
//   other  a text_headers block (~V, ~W, ~P and unknown letters)
//   "~"    a tilde line of one byte: the block is ignored
//
// Letters are taken in either case. Blocks of one kind are not merged: look-ups find the first.
// Data blocks are read after every header block of the file, so data that stand before their
// ~C block (the standard puts ~A last) still get its columns. A file without a curve block
// gets an empty one, and its rows hold no columns. With `coding` 0 header lines (tilde lines
// included) are code page 866 and converted to 1251; data lines are never converted.
//
// Writing (save): the NULL entry of the well block is set from values.null_value, then every
// block is written in list order, then the data (gti/las/headers.h and gti/las/values.h show
// the layouts). Lines end with LF. Texts are written as held (code page 1251): `coding` applies
// to reading only, so a file this library wrote with Cyrillic text reads back with
// coding = detailed::ansi_text. Blocks come out in the order in which they were loaded or first
// asked for; an exporter asks for them in file order:
//
//   lib::las::file doc;
//   doc.set_standart_version_info();                       // ~V: VERS 2.00, WRAP NO
//   auto well = doc.get_well_block();                      // ~W
//   well->add("STRT", "M", "1500.0", "START DEPTH");
//   well->add("STOP", "M", "1500.2", "STOP DEPTH");
//   well->add("STEP", "M", "0.1", "STEP");
//   auto curves = doc.get_curve_block();                   // ~C: a column per curve
//   curves->add("DEPT", "M", "", "DEPTH");
//   curves->add("WOB", "T", "", "вес на крюке");
//   for (double depth : {1500.0, 1500.1, 1500.2}) {
//       const int row = doc.values.add();                  // a row of NULL values
//       doc.values.at(0, row) = depth;
//       doc.values.at(1, row) = weight_at(depth);
//   }
//   lib::io::BinaryOutputFileStream out;
//   out.open("well.las", false, false);
//   doc.save(out);                                         // NULL goes into ~W
//   out.close();
//
// Failures of load (std::runtime_error); nothing inside a file makes it fail, whatever the
// bytes (malformed lines, binary junk, no blocks at all are read as the rules above say):
//   the file cannot be opened or read   "Could not open file '<name>'" / "Could not read file '<name>'"
//   the file is 4 GiB or more           "Файл слишком велик (4 ГиБ и больше)!"
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/las/headers.h"
#include "gti/las/lines.h"
#include "gti/las/values.h"
#include "gti/platform/ansi_string.h"

namespace lib::las {

// A well log: header blocks and data. Not copyable: its data container and its curve block are
// bound to it.
class file {
public:
    // How header lines of the files loaded are coded (0: code page 866).
    detailed::coding coding = detailed::oem_text;
    // Header blocks in the order loaded or created.
    std::vector<std::shared_ptr<las_block_base>> blocks;
    // The data; values.depth_index is the depth column.
    values_cont values;

    // An empty document.
    file();
    // Unbinds the curve block, which may outlive the document.
    ~file();
    file(const file&) = delete;
    file& operator=(const file&) = delete;

    // clear(), then reads the file (see above).
    void load(const AnsiString& name);
    // clear(), then reads a LAS text held in memory.
    void load_text(std::string_view text);
    // Removes the rows and the blocks; coding, null_value, precision and depth_index stay.
    void clear();
    // Reads the file's kept lines (step 1 of load).
    static void load_to_strings(const AnsiString& name, text_lines& lines);
    // Cuts kept lines into blocks, each range starting at its tilde line (step 2 of load).
    static void cut_to_blocks(const text_lines& lines, std::vector<line_range>& ranges);
    // Reads one block (step 3 of load, for one range).
    void load_block(const text_lines& lines, const line_range& range);

    // The first block whose title begins with `letter` (either case); null when there is none.
    std::shared_ptr<las_block_base> find_block(char letter) const;
    // The first block of that letter as a T (null when it is of the other kind), or, when there
    // is none, a new T with `title` appended to the blocks.
    template <class T>
    std::shared_ptr<T> find_or_create_block(char letter, const AnsiString& title);

    // The version block ('v'), created when missing; null when the first 'v' block is raw.
    std::shared_ptr<text_headers> get_version_block();
    // The well block ('w'), created when missing; null when the first 'w' block is raw.
    std::shared_ptr<text_headers> get_well_block();
    // The parameter block ('p'), created when missing; null when the first 'p' block is raw.
    std::shared_ptr<text_headers> get_param_block();
    // The curve block ('c'), created when missing and bound so that adding a curve widens
    // every data row; null when the first 'c' block is raw.
    std::shared_ptr<text_headers> get_curve_block();
    // The other-information block ('o') as lines (`simple`) or as header items, created when
    // missing; null when the first 'o' block is of the other kind.
    std::shared_ptr<las_block_base> get_other_info_block(bool simple);
    // The number of curves: the curve block's item count (creating the block when missing).
    int get_param_count();

    // Writes the document (see above).
    void save(io::BinaryOutputStream& out);
    // Makes the version block hold exactly VERS 2.00 and WRAP NO (nothing when it is raw).
    void set_standart_version_info();
    // Sets the well block's NULL item to values.null_value, adding it at the end if missing
    // (nothing when the well block is raw).
    void check_for_null_param();

private:
    struct resize_link;

    void load_blocks(const text_lines& lines);
    void unbind_curve_block() noexcept;

    std::weak_ptr<text_headers> bound_curve_;
};

template <class T>
std::shared_ptr<T> file::find_or_create_block(char letter, const AnsiString& title) {
    if (std::shared_ptr<las_block_base> found = find_block(letter)) return std::dynamic_pointer_cast<T>(found);
    auto block = std::make_shared<T>(title);
    blocks.push_back(block);
    return block;
}

}  // namespace lib::las
