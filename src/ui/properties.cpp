#include "gti/ui/properties.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/ui/colors.h"
#include "gti/util/number_text.h"

namespace lib {

bool Property::cmp_name(const char* name) const {
    return cp1251::equal_nocase(name_.view(), name ? name : "");
}

bool Property::set(const AnsiString& text) {
    const bool changed = set_value(text);
    if (changed && on_change) on_change();
    return changed;
}

bool IntProperty::set_value(const AnsiString& text) {
    int v;
    if (!str_to_int(text, v)) v = def_;
    if (v == var_) return false;
    var_ = v;
    return true;
}

AnsiString IntProperty::get_value() const {
    return AnsiString(std::to_string(var_));
}

bool FloatProperty::set_value(const AnsiString& text) {
    const double v = str_to_float(text);
    if (!std::isfinite(v) || std::fabs(v - var_) < 0.0005) return false;
    var_ = static_cast<float>(v);
    return true;
}

AnsiString FloatProperty::get_value() const {
    return float_to_str(var_, decimals_, -1);
}

bool StringProperty::set_value(const AnsiString& text) {
    if (text == var_) return false;
    var_ = text;
    return true;
}

bool ColorProperty::set_value(const AnsiString& text) {
    TColor c = var_;
    if (!string_to_color(text, c) || c == var_) return false;
    var_ = c;
    return true;
}

AnsiString ColorProperty::get_value() const {
    return color_to_string(var_);
}

Property& Properties::add(std::unique_ptr<Property> p) {
    items_.push_back(std::move(p));
    return *items_.back();
}

Property& Properties::add_int(int& variable, const char* name, int def) {
    return add(std::make_unique<IntProperty>(variable, name, def));
}

Property& Properties::add_float(float& variable, const char* name, int decimals) {
    return add(std::make_unique<FloatProperty>(variable, name, decimals));
}

Property& Properties::add_string(AnsiString& variable, const char* name) {
    return add(std::make_unique<StringProperty>(variable, name));
}

Property& Properties::add_color(TColor& variable, const char* name) {
    return add(std::make_unique<ColorProperty>(variable, name));
}

Property& Properties::add_file_name(AnsiString& variable, const char* name) {
    return add(std::make_unique<FileNameProperty>(variable, name));
}

Property& Properties::add_str_dialog(AnsiString& variable, const char* name) {
    return add(std::make_unique<StringDialogProperty>(variable, name));
}

Property& Properties::operator[](const char* name) {
    for (auto& p : items_)
        if (p->cmp_name(name)) return *p;
    throw std::runtime_error("Wrong property");
}

}  // namespace lib
