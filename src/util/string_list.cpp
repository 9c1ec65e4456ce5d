#include "gti/util/string_list.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "gti/io/atomic_file.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"

using namespace lib::literals;

namespace {

// A comma-text item that must be written in double quotes.
bool needs_quotes(std::string_view item) {
    if (item.empty()) return true;
    for (char c : item) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') return true;
    }
    return false;
}

bool is_blank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view name_of(std::string_view line) {
    const std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}

}  // namespace

int TStrings::Add(const AnsiString& s) {
    const int index = Count();
    Insert(index, s);
    return index;
}

void TStrings::Assign(const TStrings& other) {
    if (&other == this) return;
    Clear();
    for (int i = 0; i < other.Count(); ++i)
        Add(other.Get(i));
}

AnsiString TStrings::Text() const {
    AnsiString text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const AnsiString& text) {
    Clear();
    const std::string_view s = text.view();
    std::size_t start = 0;
    while (start < s.size()) {
        std::size_t end = s.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            Add(AnsiString(s.substr(start)));
            break;
        }
        Add(AnsiString(s.substr(start, end - start)));
        start = end + (s[end] == '\r' && end + 1 < s.size() && s[end + 1] == '\n' ? 2 : 1);
    }
}

AnsiString TStrings::CommaText() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) text += ',';
        const AnsiString item = Get(i);
        if (!needs_quotes(item.view())) {
            text += item.str();
            continue;
        }
        text += '"';
        for (char c : item) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return AnsiString(std::move(text));
}

void TStrings::SetCommaText(const AnsiString& text) {
    Clear();
    const std::string_view s = text.view();
    std::size_t i = 0;
    while (i < s.size() && is_blank(s[i]))
        ++i;
    while (i < s.size()) {
        std::string item;
        if (s[i] == '"') {
            // A quoted item ends at a single quote; a doubled quote stands for one.
            ++i;
            while (i < s.size()) {
                if (s[i] == '"') {
                    if (i + 1 < s.size() && s[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += s[i++];
            }
        } else {
            const std::size_t start = i;
            while (i < s.size() && static_cast<unsigned char>(s[i]) > ' ' && s[i] != ',')
                ++i;
            item.assign(s.substr(start, i - start));
        }
        Add(AnsiString(std::move(item)));
        while (i < s.size() && is_blank(s[i]))
            ++i;
        if (i < s.size() && s[i] == ',') {
            if (i + 1 == s.size()) Add(AnsiString());
            do {
                ++i;
            } while (i < s.size() && is_blank(s[i]));
        }
    }
}

int TStrings::IndexOf(const AnsiString& s) const {
    for (int i = 0; i < Count(); ++i) {
        if (lib::cp1251::equal_nocase(Get(i).view(), s.view())) return i;
    }
    return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i) {
        const AnsiString line = Get(i);
        const std::size_t eq = line.find('=');
        if (eq != AnsiString::npos && lib::cp1251::equal_nocase(line.view().substr(0, eq), name.view())) return i;
    }
    return -1;
}

AnsiString TStrings::Names(int index) const {
    return AnsiString(name_of(Get(index).view()));
}

AnsiString TStrings::Values(const AnsiString& name) const {
    const int i = IndexOfName(name);
    if (i < 0) return AnsiString();
    const AnsiString line = Get(i);
    return line.substr(line.find('=') + 1);
}

void TStrings::SetValue(const AnsiString& name, const AnsiString& value) {
    const int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    if (i >= 0) {
        const AnsiString line = Get(i);
        Put(i, line.substr(0, line.find('=') + 1) + value);
    } else {
        Add(name + "=" + value);
    }
}

void TStrings::LoadFromFile(const AnsiString& file_name) {
    LoadFromFile(file_name, UINT64_MAX);
}

void TStrings::LoadFromFile(const lib::os::file_path& file_name) {
    LoadFromFile(file_name, UINT64_MAX);
}

void TStrings::LoadFromFile(const AnsiString& file_name, std::uint64_t max_bytes) {
    LoadFromFile(lib::os::file_path(file_name), max_bytes);
}

void TStrings::LoadFromFile(const lib::os::file_path& file_name, std::uint64_t max_bytes) {
    const lib::os::open_result r =
        lib::os::open_shared(file_name, lib::os::access::read, lib::os::disposition::open_existing);
    if (r.status == lib::os::open_status::not_found) throw std::runtime_error("Файл не найден!"_cp);
    if (r.status == lib::os::open_status::not_regular) throw std::runtime_error(lib::os::not_regular_file_message());
    if (r.status != lib::os::open_status::ok) throw std::runtime_error("Невозможно открыть файл!"_cp);
    std::string text;
    char buffer[65536];
    std::int64_t n;
    // The size is checked as the bytes come: the file may grow while it is read.
    while ((n = lib::os::read_file(r.handle, buffer, sizeof buffer)) > 0 && text.size() <= max_bytes)
        text.append(buffer, static_cast<std::size_t>(n));
    lib::os::close_file(r.handle);
    if (n < 0) throw std::runtime_error("Невозможно прочитать из файла!"_cp);
    if (text.size() > max_bytes) throw std::runtime_error("Файл слишком велик для текста!"_cp);
    SetText(AnsiString(std::move(text)));
}

void TStrings::SaveToFile(const AnsiString& file_name) const {
    const AnsiString text = Text();
    lib::io::atomic_file file(file_name);
    file.write(text.c_str(), static_cast<unsigned>(text.size()));
    file.commit();
}

void TStrings::SaveToFile(const lib::os::file_path& file_name) const {
    const std::string text = Text().str();
    lib::os::shared_file file(file_name);
    file.update([&](std::string& contents) {
        contents = text;
        return true;
    });
}

std::size_t TStringList::checked(int index, std::size_t limit) const {
    if (index < 0 || static_cast<std::size_t>(index) >= limit)
        throw std::out_of_range("TStringList: index " + std::to_string(index) + " out of bounds");
    return static_cast<std::size_t>(index);
}

AnsiString TStringList::Get(int index) const {
    return items_[checked(index, items_.size())];
}

void TStringList::Put(int index, const AnsiString& s) {
    items_[checked(index, items_.size())] = s;
}

void TStringList::Insert(int index, const AnsiString& s) {
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(checked(index, items_.size() + 1)), s);
}

void TStringList::Delete(int index) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(checked(index, items_.size())));
}

void TStringList::Sort() {
    std::sort(items_.begin(), items_.end(), [](const AnsiString& a, const AnsiString& b) {
        return lib::cp1251::compare_nocase(a.view(), b.view()) < 0;
    });
}
