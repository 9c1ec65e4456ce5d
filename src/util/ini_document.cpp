#include "util/ini_document.h"

#include "gti/platform/codepage.h"

namespace lib::detail {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string_view trim_blanks(std::string_view s) noexcept {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

ini_document::ini_document(std::string text) : text_(std::move(text)) {
    parse();
}

void ini_document::parse() {
    lines_.clear();
    eol_.clear();
    const std::string_view t = text_;
    std::size_t start = 0;
    while (start < t.size()) {
        std::size_t end = t.find_first_of("\r\n", start);
        std::size_t next = t.size();
        if (end == std::string_view::npos) {
            end = t.size();
        } else {
            next = end + (t[end] == '\r' && end + 1 < t.size() && t[end + 1] == '\n' ? 2 : 1);
            if (eol_.empty()) eol_ = t.substr(end, next - end);
        }
        line l{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(next),
               kind::other};
        const std::string_view s = text_of(l);
        const std::size_t first = s.find_first_not_of(" \t");
        if (first != std::string_view::npos && s[first] != ';') {
            if (s[first] == '[') {
                if (s.find(']', first) != std::string_view::npos) l.type = kind::section;
            } else if (s.find('=') != std::string_view::npos) {
                l.type = kind::entry;
            }
        }
        lines_.push_back(l);
        start = next;
    }
    if (eol_.empty()) eol_ = "\r\n";
}

std::string_view ini_document::text_of(const line& l) const {
    return std::string_view(text_).substr(l.begin, l.end - l.begin);
}

std::string_view ini_document::name_of(const line& l) const {
    const std::string_view t = text_of(l);
    if (l.type == kind::section) {
        const std::size_t open = t.find('[');
        return trim_blanks(t.substr(open + 1, t.find(']', open) - open - 1));
    }
    if (l.type == kind::entry) return trim_blanks(t.substr(0, t.find('=')));
    return {};
}

std::string_view ini_document::value_of(const line& l) const {
    const std::string_view t = text_of(l);
    return l.type == kind::entry ? trim_blanks(t.substr(t.find('=') + 1)) : std::string_view();
}

std::size_t ini_document::find_section(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].type == kind::section && cp1251::equal_nocase(name_of(lines_[i]), section)) return i;
    }
    return lines_.size();
}

std::size_t ini_document::section_end(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].type != kind::section)
        ++i;
    return i;
}

std::size_t ini_document::find_key(std::size_t header, std::string_view key) const {
    const std::size_t end = section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].type == kind::entry && cp1251::equal_nocase(name_of(lines_[i]), key)) return i;
    }
    return lines_.size();
}

std::size_t ini_document::offset(std::size_t index) const {
    return index < lines_.size() ? lines_[index].begin : text_.size();
}

std::optional<std::string_view> ini_document::find(std::string_view section, std::string_view key) const {
    const std::size_t header = find_section(section);
    if (header == lines_.size()) return std::nullopt;
    const std::size_t at = find_key(header, key);
    if (at == lines_.size()) return std::nullopt;
    return value_of(lines_[at]);
}

bool ini_document::has_section(std::string_view section) const {
    return find_section(section) != lines_.size();
}

std::vector<std::string_view> ini_document::sections() const {
    std::vector<std::string_view> names;
    for (const line& l : lines_) {
        if (l.type == kind::section) names.push_back(name_of(l));
    }
    return names;
}

std::vector<std::pair<std::string_view, std::string_view>> ini_document::entries(std::string_view section) const {
    std::vector<std::pair<std::string_view, std::string_view>> result;
    const std::size_t header = find_section(section);
    if (header == lines_.size()) return result;
    const std::size_t end = section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].type == kind::entry) result.emplace_back(name_of(lines_[i]), value_of(lines_[i]));
    }
    return result;
}

void ini_document::splice(std::size_t from, std::size_t to, std::string_view replacement) {
    text_.replace(from, to - from, replacement);
    parse();
}

void ini_document::insert(std::size_t index, std::initializer_list<std::string_view> texts) {
    std::string added;
    // The line before the new ones must end with a line break.
    if (index > 0 && lines_[index - 1].end == lines_[index - 1].next) added = eol_;
    for (std::string_view t : texts)
        added.append(t).append(eol_);
    const std::size_t at = offset(index);
    splice(at, at, added);
}

bool ini_document::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::size_t header = find_section(section);
    if (header == lines_.size()) {
        const std::string head = "[" + std::string(section) + "]";
        const std::string entry = std::string(key) + "=" + std::string(value);
        insert(lines_.size(), {head, entry});
        return true;
    }
    const std::size_t at = find_key(header, key);
    // The key keeps the spelling it has in the file.
    const std::string entry = std::string(at != lines_.size() ? name_of(lines_[at]) : key) + "=" + std::string(value);
    if (at != lines_.size()) {
        if (entry == text_of(lines_[at])) return false;
        splice(lines_[at].begin, lines_[at].end, entry);
        return true;
    }
    std::size_t after = header;
    const std::size_t end = section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].type == kind::entry) after = i;
    }
    insert(after + 1, {entry});
    return true;
}

bool ini_document::erase_section(std::string_view section) {
    bool erased = false;
    for (std::size_t header = find_section(section); header != lines_.size(); header = find_section(section)) {
        splice(lines_[header].begin, offset(section_end(header)), {});
        erased = true;
    }
    return erased;
}

bool ini_document::erase_key(std::string_view section, std::string_view key) {
    const std::size_t header = find_section(section);
    if (header == lines_.size()) return false;
    const std::size_t at = find_key(header, key);
    if (at == lines_.size()) return false;
    splice(lines_[at].begin, lines_[at].next, {});
    return true;
}

}  // namespace lib::detail
