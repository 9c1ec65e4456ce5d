// A LAS well log (log ASCII standard 1.2, 2.0, and the log of a 3.0 file) in memory: header
// blocks in order, then the data.
//
// Reading (load) goes line by line (gti/las/lines.h: LF, CR LF or CR; blanks are spaces and
// TABs; a UTF-8 byte-order mark is skipped; comment and blank lines dropped). A line whose first
// non-blank is '~' opens a block; its title is the rest of the line. The title gives the kind:
//
//   ~A..., ~Log_Data...    the log's data: rows appended to `values`, one column per curve
//   ~C..., ~Log_Definition a text_headers block of curves; values.depth_index is its DEPT item
//   ~P..., ~Log_Parameter  a text_headers block of parameters
//   ~O...                  a simple_headers block (raw lines)
//   ~X_Definition          a LAS 3.0 definition of another data set (~Core_Definition): a
//                          text_headers block of kind '-', never taken for the curves
//   ~X | Y                 a LAS 3.0 data section of another set (~Core[1] | Core_Definition):
//                          a simple_headers block of kind '-'
//   other letters          a text_headers block (~V, ~W and unknown letters)
//
// Letters are taken in either case. Blocks of one kind are not merged: look-ups find the first.
// The header blocks are read first (the version block before the others), then the data, so
// data that stand before their ~C block still get its columns. From the header blocks:
//   - VERS 1.x: the 1.2 well items hold their value after the colon (gti/las/headers.h);
//   - WRAP YES: rows run on over several lines;
//   - NULL (well block): values.null_value, fractional as it may be (-999.25);
//   - DLM (LAS 3.0): SPACE, TAB or COMMA between data values.
// A LAS 3.0 file whose log data name a definition that is not a curve block, that has no curve
// block, or whose DLM is none of the three is refused: its data are not read (a `refused` note).
// Header text is converted to 1251 as `coding` says; data lines are never converted.
//
// What the reader tolerated goes to `diagnostics` with line numbers (gti/las/diagnostics.h);
// nothing inside a file makes load throw. is_log() is false for a file with no '~' block at all
// (not LAS) and for a refused one.
//
// Writing (save): the version block is made to say what the writer writes (VERS 2.0 for a 1.x
// file, WRAP NO and DLM SPACE where it has those items), the NULL item of the well block is set from values.null_value
// (a NULL item read from a file whose number equals null_value keeps its text, "-999.25" stays
// "-999.25"), then every block is written in list order, then the data, NULL cells as the NULL
// item's text (gti/las/headers.h and gti/las/values.h show the layouts). Lines end with LF.
// Texts are written as held (code page 1251). Blocks come out in the order in which they were
// loaded or first asked for; an exporter asks for them in file order:
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
// Failures of load (std::runtime_error), about the file, never its contents:
//   the file cannot be opened or read   "Could not open file '<name>'" / "Could not read file '<name>'"
//   the file is 4 GiB or more           "Файл слишком велик (4 ГиБ и больше)!"
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gti/io/streams.h"
#include "gti/las/diagnostics.h"
#include "gti/las/headers.h"
#include "gti/las/lines.h"
#include "gti/las/values.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib::las {

// A well log: header blocks and data. Not copyable: its data container and its curve block are
// bound to it.
class file {
public:
    // How header lines of the files loaded are coded; told by the bytes unless set.
    detailed::coding coding = detailed::detect_text;
    // Header blocks in the order loaded or created.
    std::vector<std::shared_ptr<las_block_base>> blocks;
    // The data; values.depth_index is the depth column.
    values_cont values;
    // What the last load tolerated, with line numbers.
    diagnostics_list diagnostics;

    // An empty document.
    file();
    // Unbinds the curve block, which may outlive the document.
    ~file();
    file(const file&) = delete;
    file& operator=(const file&) = delete;

    // clear(), then reads the file (see above).
    void load(const AnsiString& name);
    void load(const os::file_path& name);
    // clear(), then reads a LAS text held in memory.
    void load_text(std::string_view text);
    // Removes the rows, the blocks and the diagnostics; coding, null_value, precision and
    // depth_index stay.
    void clear();
    // False when the last load found no log: not a LAS file, or a refused LAS 3.0 file.
    bool is_log() const noexcept;

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
    // Writes the document as the file `name`, which takes the old file's place whole (see
    // gti/io/atomic_file.h for the failures).
    void save(const AnsiString& name);
    void save(const os::file_path& name);
    // Makes the version block hold exactly VERS 2.00 and WRAP NO (nothing when it is raw).
    void set_standart_version_info();
    // Sets the well block's NULL item to values.null_value, adding it at the end if missing
    // (nothing when the well block is raw); an item whose number is null_value keeps its text.
    void check_for_null_param();
    // The text that stands for NULL in the data: the well block's NULL value as it is held, or
    // null_value written as a number.
    std::string null_text();

private:
    struct resize_link;
    struct section;

    void parse(std::string_view text);
    void fit_version_block();
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
