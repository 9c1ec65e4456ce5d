#include "gti/options/options.h"

#include <stdexcept>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/util/ini_file.h"
#include "gti/util/number_text.h"
#include "gti/util/text.h"

namespace lib {
namespace options_detailed {
namespace {

AnsiString trimmed_spaces(const AnsiString& text) {
    const std::size_t first = text.view().find_first_not_of(' ');
    if (first == std::string_view::npos) return AnsiString();
    const std::size_t last = text.view().find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The index of `text` among `names`, letter case ignored; -1 when it is none of them.
int index_of(const std::vector<AnsiString>& names, const AnsiString& text) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (cp1251::equal_nocase(names[i].view(), text.view())) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

std::vector<AnsiString> split_names(const AnsiString& text) {
    std::vector<AnsiString> names;
    const AnsiString t = trimmed_spaces(text);
    if (t.empty()) return names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = t.find('|', start);
        names.push_back(t.substr(start, bar == AnsiString::npos ? AnsiString::npos : bar - start));
        if (bar == AnsiString::npos) break;
        start = bar + 1;
    }
    return names;
}

AnsiString meta_class_int::get() const {
    return AnsiString(std::to_string(internal_get()));
}

void meta_class_int::set(const AnsiString& text) {
    int value = def_;
    if (!trimmed_spaces(text).empty() && !str_to_int(text, value)) value = def_;
    internal_set(value);
}

AnsiString meta_class_float::get() const {
    return float_to_str(internal_get() / factor_, decimals_, -1);
}

void meta_class_float::set(const AnsiString& text) {
    internal_set(trimmed_spaces(text).empty() ? def_ * factor_ : str_to_float(text) * factor_);
}

AnsiString meta_class_enum_base::get() const {
    const int i = internal_get();
    return i >= 0 && static_cast<std::size_t>(i) < names_.size() ? names_[static_cast<std::size_t>(i)]
                                                                 : AnsiString("?????");
}

void meta_class_enum_base::set(const AnsiString& text) {
    const int i = index_of(names_, text);
    internal_set(i >= 0 ? i : def_);
}

AnsiString meta_class_enum_base::get_serial_string() const {
    return AnsiString(std::to_string(internal_get())) + " (" + get() + ")";
}

void meta_class_enum_base::set_serial_string(const AnsiString& text) {
    const std::size_t space = text.find(' ');
    int value = def_;
    if (space == AnsiString::npos || !str_to_int(text.substr(0, space), value)) value = def_;
    internal_set(value);
}

AnsiString meta_class<bool>::get() const {
    if (names_.empty()) return *var_ ? "1" : "0";
    const std::size_t i = *var_ ? 1 : 0;
    return i < names_.size() ? names_[i] : AnsiString();
}

void meta_class<bool>::set(const AnsiString& text) {
    if (!names_.empty()) {
        const int i = index_of(names_, text);
        *var_ = i < 0 ? def_ : i > 0;
        return;
    }
    int value = 0;
    *var_ = str_to_int(text, value) ? value != 0 : def_;
}

void meta_class<bool>::set_serial_string(const AnsiString& text) {
    int value = 0;
    *var_ = str_to_int(text, value) && value != 0;
}

AnsiString meta_class<AnsiString>::get_serial_string() const {
    return normal_text_to_file(*var_);
}

void meta_class<AnsiString>::set_serial_string(const AnsiString& text) {
    *var_ = file_text_to_normal(text);
}

}  // namespace options_detailed

using namespace options_detailed;

void options_list::sector(const char* name, const char* caption) {
    sector_ = name;
    sector_caption_ = caption;
}

void options_list::add_item(std::shared_ptr<meta_class_base> item) {
    item->sector = sector_;
    item->sector_caption = sector_caption_;
    items_.push_back(std::move(item));
}

void options_list::add(int& variable, int def, const char* name, const char* caption, const char* units) {
    add_item(std::make_shared<meta_class<int>>(name, caption, units, def, variable));
}

void options_list::add(unsigned& variable, unsigned def, const char* name, const char* caption, const char* units) {
    add_item(std::make_shared<meta_class<unsigned>>(name, caption, units, static_cast<int>(def), variable));
}

void options_list::add(double& variable, double def, const char* name, const char* caption, const char* units,
                       int decimals, double factor) {
    add_item(std::make_shared<meta_class<double>>(name, caption, units, def, factor, decimals, variable));
}

void options_list::add(bool& variable, bool def, const char* name, const char* caption, const char* names) {
    add_item(std::make_shared<meta_class<bool>>(variable, def, name, caption, names));
}

void options_list::add(AnsiString& variable, const char* def, const char* name, const char* caption,
                       const char* units) {
    add_item(std::make_shared<meta_class<AnsiString>>(variable, def, name, caption, units));
}

void options_list::for_each(const std::function<void(std::shared_ptr<meta_class_base>)>& f) const {
    for (const auto& item : items_)
        f(item);
}

void ini_reader::operator()(const std::shared_ptr<meta_class_base>& item) const {
    if (item->name.empty()) return;
    const AnsiString value = ini->ReadString(item->sector, item->name, "");
    if (value.empty())
        item->set_def_value();
    else
        item->set_serial_string(value);
}

void ini_writer::operator()(const std::shared_ptr<meta_class_base>& item) const {
    if (item->name.empty()) return;
    AnsiString value = item->get_serial_string();
    if (item->get_type() == 14) value = "\"" + value + "\"";
    ini->WriteString(item->sector, item->name, value);
}

void options_base::load_from_ini(TIniFile* ini) {
    options_list list;
    enum_values(list);
    list.for_each(ini_reader{ini});
    load_additional_info(ini);
}

void options_base::save_to_ini(TIniFile* ini) {
    options_list list;
    enum_values(list);
    ini_update(ini, [&] {
        list.for_each(ini_writer{ini});
        save_additional_info(ini);
    });
}

void options_base::load_from_ini(const AnsiString& file_name) {
    load_from_ini(os::file_path(file_name));
}

void options_base::load_from_ini(const os::file_path& file_name) {
    TIniFile ini(file_name);
    load_from_ini(&ini);
}

void options_base::save_to_ini(const AnsiString& file_name) {
    save_to_ini(os::file_path(file_name));
}

void options_base::save_to_ini(const os::file_path& file_name) {
    TIniFile ini(file_name);
    save_to_ini(&ini);
}

void options_base::set_defaults() {
    options_list list;
    enum_values(list);
    list.for_each([](const std::shared_ptr<meta_class_base>& item) { item->set_def_value(); });
}

void copy(options_base& src, options_base& dst) {
    options_list from, to;
    src.enum_values(from);
    dst.enum_values(to);
    if (from.items().size() != to.items().size())
        throw std::runtime_error("copy(options_base & src, options_base & dst)");
    for (std::size_t i = 0; i < from.items().size(); ++i)
        to.items()[i]->set_serial_string(from.items()[i]->get_serial_string());
}

}  // namespace lib
