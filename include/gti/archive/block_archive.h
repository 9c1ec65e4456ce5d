// The block archive: whole files and named byte arrays packed one after another, each deflated
// on its own with zlib, with the archive's creation time and an optional comment.
//
// GZIP_COMPRESS writes an archive record by record; GZIP_DECOMPRESS maps an archive, indexes its
// records once and then finds, decompresses or extracts them. Despite the names the file is not
// gzip: it is a flat sequence of records with no header and no trailer, and each payload of a
// data record is a zlib stream as compress2 makes it. Integers are 32-bit little-endian.
//
//   record    0        1                 n+2          n+6
//             +------+-----------------+------------+--------------------+
//             | mark | name (n bytes) 0| size (i32) | payload (size bytes)|
//             +------+-----------------+------------+--------------------+
//
//   mark 2  GZIP_MARK_FILE     name: the file's name without folder; size 8 + C;
//                              payload: u32 uncompressed length O | u32 C | C bytes of zlib
//                              stream (compress2, level 9)
//   mark 3  GZIP_MARK_COMMENT  name: the comment itself; size 0, no payload
//   mark 4  GZIP_MARK_TIME     name "TIME"; size 4; payload: u32 time (lib::get_local_time)
//
// Names are station text (code page 1251). add_data writes any mark the caller gives with the
// payload layout of mark 2; the reader interprets marks 2, 3 and 4 and indexes the others.
//
// Writing is crash-safe: open() creates a temporary file beside the archive, the records go
// there, and close() flushes it and renames it over the archive. A crash, a full disk or a
// failed write therefore never leaves a torn archive under its name: it holds the old file (or
// nothing) until close() succeeds. Reading trusts no byte: every length is checked against the
// mapping before it is used. Where the station's archive code was unsafe this one differs:
//   - writing to an archive that is not open throws GZIP_EXCEPTION instead of losing records;
//   - close() returns false when a write, the flush or the rename failed (the archive's name
//     then keeps what it held before);
//   - a name or comment holding a zero byte is refused, since the reader would cut it there;
//   - archives are at most 4 GiB - 1 bytes (offsets are 32-bit): a record that would pass that
//     is refused before anything of it is written, as is a record over 2 GiB;
//   - add_file throws when the file changes size while it is read;
//   - a negative size ends the indexing (it would walk backwards forever); a record cut short
//     by the end of the file ends it too, and index_warning() says where;
//   - a compressed length past the end of its record or of the file, or an uncompressed length
//     beyond what deflate can make of the compressed bytes (1032:1), throws GZIP_EXCEPTION
//     before anything is allocated; uncompress producing fewer bytes than recorded throws as
//     well; on any failure the output array is left as it was;
//   - extract_to writes only inside its folder: a name with a separator of either kind, "." or
//     "..", a colon (a drive letter), a control character, or an empty name is never written
//     but returned with the files that could not be written; each file is written crash-safe;
//     the folder may end with a separator or not;
//   - open() of the reader closes an archive that is open, and returns false when the file
//     cannot be opened or mapped (files of 4 GiB or more cannot).
//
// Messages of GZIP_EXCEPTION read "ERROR: <call> response '<text>' at function '<where>'"; those
// about a particular archive are preceded by its name and the byte offset of the record, as in
// "run.arc: record "12.realtim" at byte 13: ERROR: uncompress response 'the input data was
// corrupted' at function 'GZIP_DECOMPRESS::decompress_section'".
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gti/io/mapped_file.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "gti/util/array.h"

// The marks of archive records.
enum GZIP_MARKS {
    GZIP_MARK_FILE = 2,     // a deflated file or byte array
    GZIP_MARK_COMMENT = 3,  // the comment, held in the name
    GZIP_MARK_TIME = 4,     // the archive's creation time
};

// An error of the archive or of zlib, with the message layout described above.
class GZIP_EXCEPTION : public std::exception {
public:
    // "ERROR: " + function_called + " response '" + response + "' at function '" + where + "'".
    GZIP_EXCEPTION(const char* function_called, const char* response, const char* where);
    // The same message preceded by `place` and ": " (an archive's name, a record).
    GZIP_EXCEPTION(const AnsiString& place, const char* function_called, const char* response, const char* where);

    // Returns when `code` is 0 (Z_OK); otherwise throws with the text of the zlib code:
    // -2 "level parameter is invalid", -3 "the input data was corrupted", -4 "not enough memory",
    // -5 "there is not enough room in the output buffer", any other "#unrecognazed#".
    static void check_result(int code, const char* function_called, const char* where);

    // The message.
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The reader's index entry of one record.
struct GZIP_FILE_BLOCK {
    AnsiString name;           // the record's name
    int mark = -1;             // the mark byte, sign-extended
    int size = 0;              // the size field: the payload's length
    std::uint32_t offset = 0;  // where the record's mark byte lies, from the start of the file
};

// Writes an archive, crash-safe (see above).
class GZIP_COMPRESS {
public:
    GZIP_COMPRESS() = default;
    // Closes (see close()); a failure there goes unreported, so call close() to learn of it.
    ~GZIP_COMPRESS();
    GZIP_COMPRESS(const GZIP_COMPRESS&) = delete;
    GZIP_COMPRESS& operator=(const GZIP_COMPRESS&) = delete;

    // Starts a new archive `name` (closing one that is open) and writes its time record. The
    // file named `name` is not touched until close(). False when the temporary file cannot be
    // created in the archive's folder or the time record cannot be written.
    bool open(const AnsiString& name);
    bool open(const lib::os::file_path& name);
    // Puts the archive in place: flushes the records and renames them over `name`. True when the
    // archive is complete under its name, or when none was open; false when an earlier write,
    // the flush or the rename failed (the name then keeps its old file, and the records are lost).
    bool close();
    // True between a successful open() and close().
    bool is_open() const noexcept { return is_open_; }

    // Writes a time record with the current local time.
    void add_time();
    // Writes a comment record; the comment may not hold a zero byte.
    void add_comment(const AnsiString& text);
    // Deflates `data` (compress2, level 9) and writes it as a record with `mark`. A zlib failure
    // is thrown before anything is written, leaving the archive as it was.
    void add_data(const AnsiString& name, const lib::array<char>& data, GZIP_MARKS mark);
    // Reads the whole file and writes it as a GZIP_MARK_FILE record named after the last
    // component of `path` (either separator). False, writing nothing, when the file cannot be
    // opened or its size cannot be read; throws GZIP_EXCEPTION when the file changes size while
    // it is read, or is 2 GiB or more.
    bool add_file(const AnsiString& path);
    // The same for a file of any path; the name it gets in the archive must be station text:
    // a name that code page 1251 cannot hold throws std::invalid_argument naming it, before
    // the file is read.
    bool add_file(const lib::os::file_path& path);

    // The bytes written so far.
    std::uint64_t written() const noexcept { return written_; }

private:
    std::string begin_record(const char* where, char mark, const AnsiString& name, std::size_t rest) const;
    void write_record(const char* where, const std::string& record);
    void check_writable(const char* where) const;

    std::unique_ptr<lib::os::file_replacement> out_;  // the archive being written, until close
    AnsiString name_;
    std::uint64_t written_ = 0;
    bool is_open_ = false;
    bool failed_ = false;
};

namespace lib {

// A file of an archive that extract_to did not write, and why.
struct archive_skip {
    AnsiString name;       // the record's name
    std::uint32_t offset;  // where the record lies
    bool unsafe_name;      // true: the name would leave the folder; false: the file could not be written
};

// True when `name` may be written as a file inside a folder: not empty, not "." or "..", and
// free of separators of either kind, colons and control characters.
bool safe_archive_name(std::string_view name) noexcept;

// The lengths in the payload of a data record, checked against the archive's bytes.
struct archive_payload {
    std::uint32_t original = 0;    // O, the uncompressed length
    std::uint32_t compressed = 0;  // C, the length of the zlib stream
    const char* stream = nullptr;  // the C bytes of the stream, inside the archive's bytes
};

// Builds the index of an archive's bytes (see GZIP_DECOMPRESS::open). `warning` receives why
// indexing stopped before the end, or is emptied when it reached it.
std::vector<GZIP_FILE_BLOCK> index_archive(std::string_view bytes, AnsiString& warning);

// Locates and checks the payload of the data record at `offset` of an archive's bytes. Throws
// GZIP_EXCEPTION, preceded by `place` and the record, when its lengths pass the record or the
// file or promise more than deflate can give.
archive_payload locate_payload(std::string_view bytes, std::uint32_t offset, const AnsiString& place);

}  // namespace lib

// Reads an archive through a read-only mapping.
class GZIP_DECOMPRESS {
public:
    GZIP_DECOMPRESS() = default;
    // Closes.
    virtual ~GZIP_DECOMPRESS();
    GZIP_DECOMPRESS(const GZIP_DECOMPRESS&) = delete;
    GZIP_DECOMPRESS& operator=(const GZIP_DECOMPRESS&) = delete;

    // Closes an open archive, remembers `name`, maps the file and indexes its records. False,
    // with no records, when it cannot be opened or mapped; an empty file has no records.
    bool open(const AnsiString& name);
    bool open(const lib::os::file_path& name);
    // Unmaps the file and drops the index; entries handed out before are invalid afterwards.
    void close();

    // The comment: the name of the first comment record; empty when there is none.
    AnsiString read_comment() const;
    // The time of the first time record; 0 when there is none or its payload is cut short.
    std::uint32_t get_time() const;
    // The first entry whose name equals `name` without regard to letter case (Cyrillic
    // included); null when there is none.
    GZIP_FILE_BLOCK* find_block(const AnsiString& name);
    // Decompresses a data record into `out`, replacing its contents; throws GZIP_EXCEPTION (see
    // above) and then leaves `out` as it was.
    void decompress_section(const GZIP_FILE_BLOCK* block, lib::array<char>& out);
    // Writes every GZIP_MARK_FILE record as a file in `dir`, joined with the native separator,
    // and returns those it did not write (see above). A record is inflated and written piece by
    // piece, so extraction needs no memory of the record's size; a damaged one leaves no file. A zlib failure ends the
    // extraction with GZIP_EXCEPTION. Does nothing when no archive is open. `before_each`, when given, is called with
    // each data record before it is written (for a progress display).
    std::vector<lib::archive_skip> extract_to(const AnsiString& dir,
                                              const std::function<void(const GZIP_FILE_BLOCK&)>& before_each = {});
    std::vector<lib::archive_skip> extract_to(const lib::os::file_path& dir,
                                              const std::function<void(const GZIP_FILE_BLOCK&)>& before_each = {});

    // The index, in file order.
    const std::vector<GZIP_FILE_BLOCK>& blocks() const noexcept { return blocks_; }
    // The name given to the last open() (as lib::os::file_path::display() shows it).
    const AnsiString& get_archive_name() const noexcept { return archive_name; }
    // Why indexing stopped before the end of the file; empty when it read every record.
    const AnsiString& index_warning() const noexcept { return warning_; }
    // The checked lengths of a data record (throws like decompress_section).
    lib::archive_payload payload(const GZIP_FILE_BLOCK& block) const;

private:
    std::string_view bytes() const noexcept;

    std::vector<GZIP_FILE_BLOCK> blocks_;
    AnsiString archive_name;
    AnsiString warning_;
    // The mapping, with its bytes reachable for the indexing.
    struct mapping : lib::mapped_file {
        std::string_view bytes() const noexcept { return {view_, is_open() ? get_size() : 0u}; }
    } file_;
};
