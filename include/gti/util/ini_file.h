// TIniFile: settings in a text file of [sections] and key=value lines.
//
// INI files are shared by the station's programs, so the class works on the file, not on a copy:
//  - every write has reached the file when the call returns (inside an update: when the update
//    ends, see below). It rereads the file under an
//    exclusive lock, changes only the line it concerns and replaces the file in one rename, so
//    two objects or two programs that write different keys of one file both keep their values,
//    and other sections, keys, comments and blank lines survive as they were;
//  - every read sees the file as it is now (it is reread when another writer has changed it);
//  - section and key names compare without regard to letter case, Cyrillic included, and lose
//    the spaces and tabs around them;
//  - values are bytes: whatever is written reads back unchanged, code page 1251 and all, with
//    the one rule of the station's INI files that a stored value that begins and ends with a
//    double quote reads back without that pair of quotes (option sets store texts as "text"
//    so that spaces at their ends survive). A value that begins or ends with a space or a tab
//    is stored in such quotes by the writer itself.
//  - a value holding a line break (CR or LF) is refused with std::invalid_argument before the
//    file is touched: it would split into a second line and plant a foreign key in the file.
//    A multi-line text must be escaped by its owner first. A section name holding "]",
//    a key holding "=" or starting with "[" or ";", and empty names are refused the same way.
//
// Updates: between BeginUpdate and EndUpdate the writes of one object are collected (and seen by
// its reads) and reach the file together, in one replacement, when EndUpdate returns; an option
// set of forty keys is then one rewrite of the file instead of forty. Updates nest; the
// outermost EndUpdate writes. The destructor writes what an unfinished update collected,
// swallowing a failure that EndUpdate would have thrown.
//
// A missing or unreadable file reads as empty, so every read gives its default; so does a file
// over 8 MiB, which no settings file reaches. Writes throw std::runtime_error when the file
// cannot be locked, read or written; the file is then unchanged.
#pragma once

#include <memory>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

class TStrings;
class TIniFile;

namespace lib {

// Runs `writes` as one update of the INI file: its changes reach the file together when the call
// returns (also when `writes` throws; then its exception is the one that comes out).
template <class Writes>
void ini_update(TIniFile* ini, Writes&& writes);

}  // namespace lib

// An INI file of the station, read and written in place.
class TIniFile {
public:
    // Works on the file of that name; nothing is read or created until a call needs it.
    explicit TIniFile(const AnsiString& file_name);
    explicit TIniFile(const lib::os::file_path& file_name);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    // The name given at construction (for a name that is not station text, as
    // lib::os::file_path::display() gives it).
    const AnsiString& FileName() const;

    // The value of a key, one pair of enclosing double quotes removed; `def` when it is missing.
    AnsiString ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const;
    // Stores a value.
    void WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value);

    // A decimal integer (hexadecimal with "$" or "0x" also reads); `def` when the key is missing or
    // its value is not a 32-bit integer.
    int ReadInteger(const AnsiString& section, const AnsiString& key, int def) const;
    // Stores an integer as decimal text.
    void WriteInteger(const AnsiString& section, const AnsiString& key, int value);

    // True for any non-zero integer; `def` when the key is missing or not an integer.
    bool ReadBool(const AnsiString& section, const AnsiString& key, bool def) const;
    // Stores "1" or "0".
    void WriteBool(const AnsiString& section, const AnsiString& key, bool value);

    // A decimal number (a comma serves as the decimal point too); `def` when the key is missing
    // or its value is not a number as a whole.
    double ReadFloat(const AnsiString& section, const AnsiString& key, double def) const;
    // Stores the shortest decimal text that reads back as the same double.
    void WriteFloat(const AnsiString& section, const AnsiString& key, double value);

    // True when the file has the section.
    bool SectionExists(const AnsiString& section) const;
    // True when the section has the key.
    bool ValueExists(const AnsiString& section, const AnsiString& key) const;
    // Replaces `keys` by the keys of a section, in file order.
    void ReadSection(const AnsiString& section, TStrings* keys) const;
    // Replaces `sections` by the section names, in file order.
    void ReadSections(TStrings* sections) const;
    // Replaces `lines` by the key=value lines of a section as stored.
    void ReadSectionValues(const AnsiString& section, TStrings* lines) const;

    // Removes a whole section (every section of that name) with its keys and comments.
    void EraseSection(const AnsiString& section);
    // Removes one key.
    void DeleteKey(const AnsiString& section, const AnsiString& key);

    // Starts collecting writes (see Updates above).
    void BeginUpdate();
    // Ends the outermost update by writing what it collected; throws as a write does.
    void EndUpdate();

private:
    struct state;
    std::unique_ptr<state> s_;
};

template <class Writes>
void lib::ini_update(TIniFile* ini, Writes&& writes) {
    ini->BeginUpdate();
    try {
        writes();
    } catch (...) {
        try {
            ini->EndUpdate();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    ini->EndUpdate();
}
