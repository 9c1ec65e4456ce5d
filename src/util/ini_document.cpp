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

std::string_view ini_document::line::name() const {
    const std::string_view t = text;
    if (type == kind::section) {
        const std::size_t open = t.find('[');
        return trim_blanks(t.substr(open + 1, t.find(']', open) - open - 1));
    }
    if (type == kind::entry) return trim_blanks(t.substr(0, t.find('=')));
    return {};
}

std::string_view ini_document::line::value() const {
    const std::string_view t = text;
    return type == kind::entry ? trim_blanks(t.substr(t.find('=') + 1)) : std::string_view();
}

ini_document::line ini_document::make_line(std::string text, std::string eol) {
    line l{std::move(text), std::move(eol), kind::other};
    const std::string_view t = l.text;
    const std::size_t first = t.find_first_not_of(" \t");
    if (first == std::string_view::npos || t[first] == ';') return l;
    if (t[first] == '[') {
        if (t.find(']', first) != std::string_view::npos) l.type = kind::section;
    } else if (t.find('=') != std::string_view::npos) {
        l.type = kind::entry;
    }
    return l;
}

ini_document::ini_document(std::string_view text) {
    bool eol_seen = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.push_back(make_line(std::string(text.substr(start)), ""));
            break;
        }
        const std::size_t eol_len = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
        std::string eol(text.substr(end, eol_len));
        if (!eol_seen) {
            eol_ = eol;
            eol_seen = true;
        }
        lines_.push_back(make_line(std::string(text.substr(start, end - start)), std::move(eol)));
        start = end + eol_len;
    }
}

std::string ini_document::text() const {
    std::string out;
    for (const line& l : lines_) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

std::size_t ini_document::find_section(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].type == kind::section && cp1251::equal_nocase(lines_[i].name(), section)) return i;
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
        if (lines_[i].type == kind::entry && cp1251::equal_nocase(lines_[i].name(), key)) return i;
    }
    return lines_.size();
}

std::optional<std::string_view> ini_document::find(std::string_view section, std::string_view key) const {
    const std::size_t header = find_section(section);
    if (header == lines_.size()) return std::nullopt;
    const std::size_t at = find_key(header, key);
    if (at == lines_.size()) return std::nullopt;
    return lines_[at].value();
}

bool ini_document::has_section(std::string_view section) const {
    return find_section(section) != lines_.size();
}

std::vector<std::string_view> ini_document::sections() const {
    std::vector<std::string_view> names;
    for (const line& l : lines_) {
        if (l.type == kind::section) names.push_back(l.name());
    }
    return names;
}

std::vector<std::pair<std::string_view, std::string_view>> ini_document::entries(std::string_view section) const {
    std::vector<std::pair<std::string_view, std::string_view>> result;
    const std::size_t header = find_section(section);
    if (header == lines_.size()) return result;
    const std::size_t end = section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].type == kind::entry) result.emplace_back(lines_[i].name(), lines_[i].value());
    }
    return result;
}

void ini_document::insert(std::size_t at, std::string text) {
    // The line before a new one must end with a line break.
    if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = eol_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), make_line(std::move(text), eol_));
}

bool ini_document::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::size_t header = find_section(section);
    if (header == lines_.size()) {
        insert(lines_.size(), "[" + std::string(section) + "]");
        insert(lines_.size(), std::string(key) + "=" + std::string(value));
        return true;
    }
    const std::size_t at = find_key(header, key);
    if (at != lines_.size()) {
        // The key keeps the spelling it has in the file.
        std::string text = std::string(lines_[at].name()) + "=" + std::string(value);
        if (text == lines_[at].text) return false;
        lines_[at] = make_line(std::move(text), lines_[at].eol);
        return true;
    }
    std::size_t after = header;
    const std::size_t end = section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].type == kind::entry) after = i;
    }
    insert(after + 1, std::string(key) + "=" + std::string(value));
    return true;
}

bool ini_document::erase_section(std::string_view section) {
    bool erased = false;
    for (std::size_t header = find_section(section); header != lines_.size(); header = find_section(section)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(section_end(header)));
        erased = true;
    }
    return erased;
}

bool ini_document::erase_key(std::string_view section, std::string_view key) {
    const std::size_t header = find_section(section);
    if (header == lines_.size()) return false;
    const std::size_t at = find_key(header, key);
    if (at == lines_.size()) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

}  // namespace lib::detail
