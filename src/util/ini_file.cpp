#include "gti/util/ini_file.h"

#include <charconv>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/platform/os.h"
#include "gti/util/number_text.h"
#include "gti/util/string_list.h"
#include "util/ini_document.h"

using lib::detail::ini_document;
using lib::detail::trim_blanks;

namespace {

bool has_line_break(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

[[noreturn]] void refuse(const char* what) {
    throw std::invalid_argument(std::string("TIniFile: ") + what);
}

// A section name as stored; refuses names that would not read back.
std::string_view checked_section(const AnsiString& section) {
    const std::string_view s = trim_blanks(section.view());
    if (s.empty()) refuse("empty section name");
    if (has_line_break(s) || s.find(']') != std::string_view::npos) refuse("section name holds a line break or ']'");
    return s;
}

// A key as stored; refuses keys that would not read back.
std::string_view checked_key(const AnsiString& key) {
    const std::string_view k = trim_blanks(key.view());
    if (k.empty()) refuse("empty key");
    if (has_line_break(k) || k.find('=') != std::string_view::npos || k.front() == '[' || k.front() == ';')
        refuse("key holds a line break or '=', or starts with '[' or ';'");
    return k;
}

// The stored form of a value: as given, or in double quotes when spaces or tabs at its ends
// would otherwise be lost.
std::string stored_form(const AnsiString& value) {
    const std::string_view v = value.view();
    if (has_line_break(v)) refuse("value holds a line break");
    if (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t'))
        return "\"" + std::string(v) + "\"";
    return std::string(v);
}

std::string_view unquoted(std::string_view v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
    return v;
}

// A whole text as a double; a comma stands for the decimal point.
bool parse_float(std::string_view s, double& out) {
    std::string text(trim_blanks(s));
    for (char& c : text)
        if (c == ',') c = '.';
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    if (first == last) return false;
    const auto r = std::from_chars(first, last, out);
    return r.ec == std::errc() && r.ptr == last;
}

}  // namespace

struct TIniFile::state {
    explicit state(const lib::os::file_path& name) : file(name), doc("") {}

    // The document as the file holds it now; inside an update, as the pending changes leave it.
    const ini_document& current() {
        if (depth > 0 && parsed) return doc;
        if (file.refresh() || !parsed) {
            doc = ini_document(file.contents());
            parsed = true;
        }
        return doc;
    }

    // Changes the file through a document edit that returns whether it changed anything; inside
    // an update the edit waits for the update's end.
    void change(std::function<bool(ini_document&)> edit) {
        if (depth > 0) {
            current();
            edit(doc);
            pending.push_back(std::move(edit));
            return;
        }
        apply({std::move(edit)});
    }

    // Applies edits to the newest contents of the file in one replacement.
    void apply(const std::vector<std::function<bool(ini_document&)>>& edits) {
        try {
            file.update([&](std::string& contents) {
                ini_document d(contents);
                bool changed = false;
                for (const auto& edit : edits)
                    changed = edit(d) || changed;
                if (changed) contents = d.text();
                return changed;
            });
        } catch (...) {
            parsed = false;
            throw;
        }
        doc = ini_document(file.contents());
        parsed = true;
    }

    // Ends an update: the pending changes reach the file.
    void flush() {
        std::vector<std::function<bool(ini_document&)>> edits;
        edits.swap(pending);
        if (!edits.empty()) apply(edits);
    }

    lib::os::shared_file file;
    ini_document doc;
    bool parsed = false;
    int depth = 0;  // nesting of BeginUpdate
    std::vector<std::function<bool(ini_document&)>> pending;
};

TIniFile::TIniFile(const AnsiString& file_name) : s_(std::make_unique<state>(file_name)) {}

TIniFile::TIniFile(const lib::os::file_path& file_name) : s_(std::make_unique<state>(file_name)) {}

TIniFile::~TIniFile() {
    try {
        s_->flush();
    } catch (...) {
        // Destructors do not throw: EndUpdate reports a failed update to callers that ask.
    }
}

void TIniFile::BeginUpdate() {
    if (s_->depth++ == 0) s_->current();
}

void TIniFile::EndUpdate() {
    if (s_->depth == 0) return;
    if (--s_->depth == 0) s_->flush();
}

const AnsiString& TIniFile::FileName() const {
    return s_->file.path();
}

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const {
    const auto v = s_->current().find(trim_blanks(section.view()), trim_blanks(key.view()));
    return v ? AnsiString(unquoted(*v)) : def;
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value) {
    const std::string_view sec = checked_section(section);
    const std::string_view k = checked_key(key);
    const std::string stored = stored_form(value);
    // Nothing to do when the file already holds the value.
    if (s_->current().find(sec, k) == std::optional<std::string_view>(stored)) return;
    s_->change([sec = std::string(sec), k = std::string(k), stored](ini_document& d) { return d.set(sec, k, stored); });
}

int TIniFile::ReadInteger(const AnsiString& section, const AnsiString& key, int def) const {
    int v;
    return lib::str_to_int(ReadString(section, key, ""), v) ? v : def;
}

void TIniFile::WriteInteger(const AnsiString& section, const AnsiString& key, int value) {
    WriteString(section, key, AnsiString(std::to_string(value)));
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const AnsiString& section, const AnsiString& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

double TIniFile::ReadFloat(const AnsiString& section, const AnsiString& key, double def) const {
    double v;
    return parse_float(ReadString(section, key, "").view(), v) ? v : def;
}

void TIniFile::WriteFloat(const AnsiString& section, const AnsiString& key, double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    WriteString(section, key, AnsiString(buf, static_cast<std::size_t>(r.ptr - buf)));
}

bool TIniFile::SectionExists(const AnsiString& section) const {
    return s_->current().has_section(trim_blanks(section.view()));
}

bool TIniFile::ValueExists(const AnsiString& section, const AnsiString& key) const {
    return s_->current().find(trim_blanks(section.view()), trim_blanks(key.view())).has_value();
}

void TIniFile::ReadSection(const AnsiString& section, TStrings* keys) const {
    keys->Clear();
    for (const auto& [k, v] : s_->current().entries(trim_blanks(section.view())))
        keys->Add(AnsiString(k));
}

void TIniFile::ReadSections(TStrings* sections) const {
    sections->Clear();
    for (std::string_view name : s_->current().sections())
        sections->Add(AnsiString(name));
}

void TIniFile::ReadSectionValues(const AnsiString& section, TStrings* lines) const {
    lines->Clear();
    for (const auto& [k, v] : s_->current().entries(trim_blanks(section.view())))
        lines->Add(AnsiString(std::string(k) + "=" + std::string(v)));
}

void TIniFile::EraseSection(const AnsiString& section) {
    const std::string_view sec = trim_blanks(section.view());
    if (!s_->current().has_section(sec)) return;
    s_->change([sec = std::string(sec)](ini_document& d) { return d.erase_section(sec); });
}

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& key) {
    const std::string_view sec = trim_blanks(section.view());
    const std::string_view k = trim_blanks(key.view());
    if (!s_->current().find(sec, k)) return;
    s_->change([sec = std::string(sec), k = std::string(k)](ini_document& d) { return d.erase_key(sec, k); });
}
