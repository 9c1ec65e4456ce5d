#include "gti/options/ini_options.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "gti/util/ini_file.h"
#include "gti/util/string_list.h"

namespace lib {
namespace opt_detailed {
namespace {

AnsiString quoted(const AnsiString& text) {
    return "\"" + text + "\"";
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void ioe_base::save_item(TIniFile* ini) noexcept {
    try {
        save(ini);
    } catch (...) {
        // One element that cannot be stored must not keep the others from being stored.
    }
}

void ioe_base::load_item(TIniFile* ini) noexcept {
    try {
        load(ini);
    } catch (...) {
        // The variable keeps what it had.
    }
}

void ioe_TColor::save(TIniFile* ini) {
    ini->WriteInteger(section, key, *var_);
}

void ioe_TColor::load(TIniFile* ini) {
    *var_ = static_cast<TColor>(ini->ReadInteger(section, key, *var_));
}

void ioe_TStrings::save(TIniFile* ini) {
    ini->WriteString(section, key, quoted(list_->CommaText()));
}

void ioe_TStrings::load(TIniFile* ini) {
    list_->SetCommaText(ini->ReadString(section, key, list_->CommaText()));
}

void ioe_pod::save(TIniFile* ini) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(static_cast<std::size_t>(size_) * 2);
    for (int i = 0; i < size_; ++i) {
        const auto b = static_cast<unsigned char>(data_[i]);
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    ini->WriteString(section, key, AnsiString(std::move(text)));
}

void ioe_pod::load(TIniFile* ini) {
    const AnsiString text = ini->ReadString(section, key, "");
    if (text.empty() || text.size() / 2 != static_cast<std::size_t>(size_)) return;
    for (int i = 0; i < size_; ++i) {
        const int high = hex_digit(text[2 * static_cast<std::size_t>(i)]);
        const int low = hex_digit(text[2 * static_cast<std::size_t>(i) + 1]);
        data_[i] = static_cast<char>(high < 0 || low < 0 ? 0 : high * 16 + low);
    }
}

}  // namespace opt_detailed

using namespace opt_detailed;

void ini_options_elements::add(int& variable, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_int>(variable, section, key));
}

void ini_options_elements::add(unsigned int& variable, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_unsigned>(variable, section, key));
}

void ini_options_elements::add(bool& variable, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_bool>(variable, section, key));
}

void ini_options_elements::add(float& variable, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_float>(variable, section, key));
}

void ini_options_elements::add(double& variable, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_double>(variable, section, key));
}

void ini_options_elements::add(AnsiString& variable, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_String>(variable, section, key));
}

void ini_options_elements::add(TStrings* list, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_TStrings>(list, section, key));
}

void ini_options_elements::add(TDateTime& variable, const AnsiString& section, const AnsiString& key) {
    static_assert(sizeof(TDateTime) == 8, "a date-time is stored as the 8 bytes of its double");
    add_pod(reinterpret_cast<char*>(&variable), 8, section, key);
}

void ini_options_elements::add(TColor& variable, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_TColor>(variable, section, key));
}

void ini_options_elements::add_pod(char* data, int size, const AnsiString& section, const AnsiString& key) {
    items_.push_back(std::make_unique<ioe_pod>(data, size, section, key));
}

void ini_options::save(TIniFile* ini) {
    ini_update(ini, [&] {
        before_save(ini);
        ini_options_elements elements;
        get_elements_list(elements);
        for (const auto& e : elements.items())
            e->save_item(ini);
        save_additional_info(ini);
    });
}

void ini_options::load(TIniFile* ini) {
    before_load(ini);
    ini_options_elements elements;
    get_elements_list(elements);
    for (const auto& e : elements.items())
        e->load_item(ini);
    load_additional_info(ini);
}

namespace {

bool blank(const AnsiString& name) {
    return name.view().find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

void ini_options::save(const AnsiString& name) {
    save(os::file_path(name));
}

void ini_options::save(const os::file_path& name) {
    if (blank(name.display())) return;
    file_name = name.display();
    TIniFile ini(name);
    save(&ini);
}

void ini_options::load(const AnsiString& name) {
    load(os::file_path(name));
}

void ini_options::load(const os::file_path& name) {
    if (blank(name.display())) return;
    file_name = name.display();
    TIniFile ini(name);
    load(&ini);
}

void IniSerialData::save(TIniFile* ini) {
    ini_update(ini, [&] {
        const int n = size();
        ini->EraseSection(name);
        ini->WriteInteger(name, "size", n);
        for (int i = 0; i < n; ++i) {
            AnsiString text;
            item(i)->to_string(text);
            ini->WriteString(name, "item" + std::to_string(i + 1), "\"" + text + "\"");
        }
        after_save(ini);
    });
}

void IniSerialData::load(TIniFile* ini) {
    const int n = ini->ReadInteger(name, "size", -1);
    if (n == -1) return;
    // The section holds "size" and one key per item: a count beyond its keys is not honest.
    TStringList keys;
    ini->ReadSection(name, &keys);
    if (n < 0 || n > keys.Count()) throw std::runtime_error("IniSerialData::load: item count out of range");
    resize(n);
    for (int i = 0; i < n; ++i)
        item(i)->from_string(ini->ReadString(name, "item" + std::to_string(i + 1), ""));
    after_load(ini);
}

void IniSerialData::save(const AnsiString& file_name) {
    save(os::file_path(file_name));
}

void IniSerialData::save(const os::file_path& file_name) {
    TIniFile ini(file_name);
    save(&ini);
}

void IniSerialData::load(const AnsiString& file_name) {
    load(os::file_path(file_name));
}

void IniSerialData::load(const os::file_path& file_name) {
    TIniFile ini(file_name);
    load(&ini);
}

}  // namespace lib
