// The text of an INI file as a list of lines, parsed and printed without loss.
//
//   [Section]        a section header: "[" as the first non-blank byte, the name up to "]"
//   key=value        an entry: the key before the first "=", the value after it, both trimmed of
//                    spaces and tabs
//   ; anything       a comment; blank lines and any other line are kept as they stand
//
// Section and key names compare without regard to letter case (code page 1251). Lookups find the
// first section of a name and the first key of a name within it. Printing an unchanged document
// gives back the bytes it was parsed from; changes touch only the lines they concern.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lib::detail {

// An INI text that can be looked up and changed line by line.
class ini_document {
public:
    // Parses any bytes (at most 4 GiB); lines end at CR LF, a lone LF or a lone CR.
    explicit ini_document(std::string text);

    // The document as bytes.
    const std::string& text() const noexcept { return text_; }

    // The stored (trimmed) value of a key, or nothing when the section or key is missing.
    std::optional<std::string_view> find(std::string_view section, std::string_view key) const;
    // True when the document has a section of that name.
    bool has_section(std::string_view section) const;
    // The section names in file order.
    std::vector<std::string_view> sections() const;
    // The keys and stored values of the first section of that name, in file order.
    std::vector<std::pair<std::string_view, std::string_view>> entries(std::string_view section) const;

    // Stores `value` under the key; the value is stored as given. Returns false when it was
    // already stored so. A new key goes after the last entry of its section, a new section at the
    // end of the document.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every section of that name with all its lines; false when there was none.
    bool erase_section(std::string_view section);
    // Removes the key from the first section of that name; false when it was not there.
    bool erase_key(std::string_view section, std::string_view key);

private:
    enum class kind : std::uint8_t { other, section, entry };
    // One line: its text is text_[begin, end), its line break runs to `next`.
    struct line {
        std::uint32_t begin;
        std::uint32_t end;
        std::uint32_t next;
        kind type;
    };

    void parse();
    std::string_view text_of(const line& l) const;
    std::string_view name_of(const line& l) const;   // section name or key
    std::string_view value_of(const line& l) const;  // stored value of an entry
    // The index of the first header of the section, or lines_.size().
    std::size_t find_section(std::string_view section) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t section_end(std::size_t header) const;
    // The index of the key's entry in the section at `header`, or lines_.size().
    std::size_t find_key(std::size_t header, std::string_view key) const;
    // The offset where line `index` starts (the end of the text for lines_.size()).
    std::size_t offset(std::size_t index) const;
    // Puts new lines before line `index`, each followed by the document's line break.
    void insert(std::size_t index, std::initializer_list<std::string_view> texts);
    // Replaces text_[from, to) and parses again.
    void splice(std::size_t from, std::size_t to, std::string_view replacement);

    std::string text_;
    std::vector<line> lines_;
    std::string eol_;  // the line break of new lines: the document's first one, else CR LF
};

// The text with spaces and tabs removed at both ends.
std::string_view trim_blanks(std::string_view s) noexcept;

}  // namespace lib::detail
