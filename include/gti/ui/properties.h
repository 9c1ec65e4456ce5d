// Typed property lists: a few member variables of an object shown to a generic property editor
// by name, each with its text form and editor kind, and a callback when an edit changes one.
//
//   kind                  variable     code   text form
//   IntProperty           int          0      decimal; a text that is no integer gives the default
//   FloatProperty         float        1      float_to_str(value, decimals); a change under
//                                             0.0005 is no change; a text that is no finite
//                                             number leaves the value as it is
//   StringProperty        AnsiString   2      the text
//   ColorProperty         TColor       3      the colour's name (clRed) or number; an unknown
//                                             text leaves the value as it is
//   FileNameProperty      AnsiString   4      as StringProperty
//   StringDialogProperty  AnsiString   5      as StringProperty
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/system.h"

namespace lib {

// One property: a name and a bound variable.
class Property {
public:
    explicit Property(const char* name) : name_(name) {}
    virtual ~Property() = default;
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;

    // Stores the text into the variable; true when the variable changed.
    virtual bool set_value(const AnsiString& text) = 0;
    // The variable as text.
    virtual AnsiString get_value() const = 0;
    // The editor kind code.
    virtual int get_type() const = 0;

    // The name.
    const AnsiString& get_name() const noexcept { return name_; }
    // True when `name` equals the property's name without regard to letter case (Cyrillic too).
    bool cmp_name(const char* name) const;
    // set_value(text), then the change callback when the value changed; returns set_value's result.
    bool set(const AnsiString& text);

    // Called after an edit changed the variable; empty by default.
    std::function<void()> on_change;

private:
    AnsiString name_;
};

// An int property.
class IntProperty final : public Property {
public:
    IntProperty(int& variable, const char* name, int def) : Property(name), var_(variable), def_(def) {}
    bool set_value(const AnsiString& text) override;
    AnsiString get_value() const override;
    int get_type() const override { return 0; }

private:
    int& var_;
    int def_;
};

// A float property shown with a number of decimals.
class FloatProperty final : public Property {
public:
    FloatProperty(float& variable, const char* name, int decimals)
        : Property(name), var_(variable), decimals_(decimals) {}
    bool set_value(const AnsiString& text) override;
    AnsiString get_value() const override;
    int get_type() const override { return 1; }

private:
    float& var_;
    int decimals_;
};

// A text property; the file-name and text-dialog kinds differ only in their editor.
class StringProperty : public Property {
public:
    StringProperty(AnsiString& variable, const char* name) : Property(name), var_(variable) {}
    bool set_value(const AnsiString& text) override;
    AnsiString get_value() const override { return var_; }
    int get_type() const override { return 2; }

private:
    AnsiString& var_;
};

// A colour property.
class ColorProperty final : public Property {
public:
    ColorProperty(TColor& variable, const char* name) : Property(name), var_(variable) {}
    bool set_value(const AnsiString& text) override;
    AnsiString get_value() const override;
    int get_type() const override { return 3; }

private:
    TColor& var_;
};

// A file-name property.
class FileNameProperty final : public StringProperty {
public:
    using StringProperty::StringProperty;
    int get_type() const override { return 4; }
};

// A text edited in a dialog of its own.
class StringDialogProperty final : public StringProperty {
public:
    using StringProperty::StringProperty;
    int get_type() const override { return 5; }
};

// The properties of an object, in the order added.
class Properties {
public:
    // Each adds a property bound to the variable and returns it.
    Property& add_int(int& variable, const char* name, int def);
    Property& add_float(float& variable, const char* name, int decimals);
    Property& add_string(AnsiString& variable, const char* name);
    Property& add_color(TColor& variable, const char* name);
    Property& add_file_name(AnsiString& variable, const char* name);
    Property& add_str_dialog(AnsiString& variable, const char* name);

    // The first property of that name (letter case ignored); throws std::runtime_error
    // "Wrong property" when there is none.
    Property& operator[](const char* name);
    // The number of properties, and property i in the order added.
    int size() const noexcept { return static_cast<int>(items_.size()); }
    Property& at(int i) { return *items_.at(static_cast<std::size_t>(i)); }
    // Removes every property.
    void clear() noexcept { items_.clear(); }

private:
    Property& add(std::unique_ptr<Property> p);

    std::vector<std::unique_ptr<Property>> items_;
};

}  // namespace lib
