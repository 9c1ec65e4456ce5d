// Option sets: settings classes that list their member variables once.
//
// An option set keeps its settings in ordinary member variables and lists them in enum_values()
// as descriptors: each binds one variable to an INI key, a caption for dialogs, a units text, a
// default and a text form. Loading, saving, resetting to defaults, copying and the option dialogs
// all work from that one list:
//
//     void enum_values(lib::options_list& list) override {
//         list.sector("рейс_главн", "Основные данные");
//         list.add(race_number, 1, "номер_рейса", "Номер рейса", "");
//         list.add(bit_diameter, 0.0, "диаметр_долота", "Диаметр долота", "мм", 1, 1.0);
//     }
//
// INI layout: one section per sector, in it one key=value line per descriptor in the order of
// enum_values. Text values are written in double quotes, so spaces at their ends survive, and
// escaped with lib::normal_text_to_file (gti/util/text.h): a multi-line text stays on one line.
// A key that is missing or empty loads the default.
//
// Text forms (display text / text stored in the INI file):
//   int, unsigned   decimal (an unsigned is handled as the int of its bits)
//   double          float_to_str(value / factor, decimals); the variable holds shown value x factor
//   enumeration     its name ("?????" for an index outside the names) / "3 (Имя)"
//   bool            "1"/"0", or its two names (false, true) / "1" or "0"
//   text            the text / the escaped text in quotes
// Text that does not parse never fails: it gives the default.
#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"

class TIniFile;

namespace lib {

// The descriptor of one setting.
class meta_class_base {
public:
    meta_class_base(const AnsiString& the_name, const AnsiString& the_caption, const AnsiString& the_units)
        : name(the_name), caption(the_caption), units(the_units) {}
    virtual ~meta_class_base() = default;

    // The current value as display text.
    virtual AnsiString get() const = 0;
    // Takes a display text into the variable.
    virtual void set(const AnsiString& text) = 0;
    // The text stored in an INI file.
    virtual AnsiString get_serial_string() const { return get(); }
    // Takes a stored text into the variable.
    virtual void set_serial_string(const AnsiString& text) { set(text); }
    // Puts the default into the variable.
    virtual void set_def_value() = 0;
    // The type code: 1 enumeration, 2 bool, 7 int, 8 unsigned, 12 double, 14 text.
    virtual int get_type() const = 0;

    // sector + "." + name.
    AnsiString get_full_name() const { return sector + "." + name; }

    AnsiString name;            // the INI key; an empty name is neither read nor written
    AnsiString caption;         // the text shown to the user
    AnsiString units;           // shown beside the value; "UNIX_TIME" marks a time value
    AnsiString sector;          // the INI section, set by options_list
    AnsiString sector_caption;  // the sector's display text, set by options_list
};

namespace options_detailed {

// Access to the variable behind a numeric descriptor.
template <class T>
class getter_n_setter {
public:
    // The variable's value.
    virtual T internal_get() const = 0;
    // Stores a value in the variable.
    virtual void internal_set(const T& value) = 0;

protected:
    ~getter_n_setter() = default;
};

// The names of an enumeration or a bool: "a|b|c", trimmed of spaces at both ends, then cut at
// every "|" (empty pieces kept, pieces not trimmed); an empty text has no names.
std::vector<AnsiString> split_names(const AnsiString& text);

// A setting held as an int.
class meta_class_int : public virtual meta_class_base, public getter_n_setter<int> {
public:
    explicit meta_class_int(int def) : def_(def) {}
    AnsiString get() const override;
    void set(const AnsiString& text) override;
    void set_def_value() override { internal_set(def_); }

protected:
    int def_;
};

// The descriptor of a variable of type T.
template <class T>
class meta_class;

// An int setting.
template <>
class meta_class<int> final : public meta_class_int {
public:
    meta_class(const AnsiString& the_name, const AnsiString& the_caption, const AnsiString& the_units, int def,
               int& variable)
        : meta_class_base(the_name, the_caption, the_units), meta_class_int(def), var_(variable) {}
    int internal_get() const override { return var_; }
    void internal_set(const int& value) override { var_ = value; }
    int get_type() const override { return 7; }

private:
    int& var_;
};

// An unsigned setting, handled as the int of its bits.
template <>
class meta_class<unsigned int> final : public meta_class_int {
public:
    meta_class(const AnsiString& the_name, const AnsiString& the_caption, const AnsiString& the_units, int def,
               unsigned& variable)
        : meta_class_base(the_name, the_caption, the_units), meta_class_int(def), var_(variable) {}
    int internal_get() const override { return static_cast<int>(var_); }
    void internal_set(const int& value) override { var_ = static_cast<unsigned>(value); }
    int get_type() const override { return 8; }

private:
    unsigned& var_;
};

// A setting held as a double in its own unit: the variable holds the shown value x factor.
class meta_class_float : public virtual meta_class_base, public getter_n_setter<double> {
public:
    meta_class_float(double def, double factor, int decimals) : factor_(factor), def_(def), decimals_(decimals) {}
    AnsiString get() const override;
    void set(const AnsiString& text) override;
    void set_def_value() override { internal_set(def_ * factor_); }

protected:
    double factor_;
    double def_;
    int decimals_;
};

// A double setting.
template <>
class meta_class<double> final : public meta_class_float {
public:
    meta_class(const AnsiString& the_name, const AnsiString& the_caption, const AnsiString& the_units, double def,
               double factor, int decimals, double& variable)
        : meta_class_base(the_name, the_caption, the_units), meta_class_float(def, factor, decimals), var_(variable) {}
    double internal_get() const override { return var_; }
    void internal_set(const double& value) override { var_ = value; }
    int get_type() const override { return 12; }

private:
    double& var_;
};

// A setting that picks one of several names, held as its index.
class meta_class_enum_base : public meta_class_int {
public:
    meta_class_enum_base(int def, const AnsiString& names) : meta_class_int(def), names_(split_names(names)) {}
    AnsiString get() const override;
    void set(const AnsiString& text) override;
    AnsiString get_serial_string() const override;
    void set_serial_string(const AnsiString& text) override;
    // The names, by index.
    const std::vector<AnsiString>& names() const noexcept { return names_; }

private:
    std::vector<AnsiString> names_;
};

// An enumeration setting.
template <class E>
class meta_class_enum final : public meta_class_enum_base {
public:
    meta_class_enum(int def, const AnsiString& the_name, const AnsiString& the_caption, const AnsiString& names,
                    E& variable)
        : meta_class_base(the_name, the_caption, ""), meta_class_enum_base(def, names), var_(variable) {}
    int internal_get() const override { return static_cast<int>(var_); }
    void internal_set(const int& value) override { var_ = static_cast<E>(value); }
    int get_type() const override { return 1; }

private:
    E& var_;
};

// A bool setting, shown as "1"/"0" or by its two names (false first).
template <>
class meta_class<bool> final : public virtual meta_class_base {
public:
    meta_class(bool& variable, bool def, const AnsiString& the_name, const AnsiString& the_caption,
               const AnsiString& names)
        : meta_class_base(the_name, the_caption, ""), var_(&variable), def_(def), names_(split_names(names)) {}
    AnsiString get() const override;
    void set(const AnsiString& text) override;
    AnsiString get_serial_string() const override { return *var_ ? "1" : "0"; }
    void set_serial_string(const AnsiString& text) override;
    void set_def_value() override { *var_ = def_; }
    int get_type() const override { return 2; }
    // The names of false and true; empty when the value shows as "0"/"1".
    const std::vector<AnsiString>& names() const noexcept { return names_; }

private:
    bool* var_;
    bool def_;
    std::vector<AnsiString> names_;
};

// A text setting; stored escaped (see file_text_to_normal).
template <>
class meta_class<AnsiString> final : public virtual meta_class_base {
public:
    meta_class(AnsiString& variable, const AnsiString& def, const AnsiString& the_name, const AnsiString& the_caption,
               const AnsiString& the_units)
        : meta_class_base(the_name, the_caption, the_units), var_(&variable), def_(def) {}
    AnsiString get() const override { return *var_; }
    void set(const AnsiString& text) override { *var_ = text; }
    AnsiString get_serial_string() const override;
    void set_serial_string(const AnsiString& text) override;
    void set_def_value() override { *var_ = def_; }
    int get_type() const override { return 14; }

private:
    AnsiString* var_;
    AnsiString def_;
};

}  // namespace options_detailed

// The descriptors of one option set, grouped in sectors, in the order added.
class options_list {
public:
    // The following descriptors belong to this sector (INI section) and its caption.
    void sector(const char* name, const char* caption);
    // Stamps the current sector into the descriptor and appends it.
    void add_item(std::shared_ptr<meta_class_base> item);

    // An int setting.
    void add(int& variable, int def, const char* name, const char* caption, const char* units);
    // An unsigned setting (a time value takes the units "UNIX_TIME").
    void add(unsigned& variable, unsigned def, const char* name, const char* caption, const char* units);
    // A double setting shown with `decimals` decimals; the variable holds shown value x factor.
    void add(double& variable, double def, const char* name, const char* caption, const char* units, int decimals,
             double factor);
    // A bool setting with the names of false and true ("" for none), "|"-separated.
    void add(bool& variable, bool def, const char* name, const char* caption, const char* names = "");
    // A text setting.
    void add(AnsiString& variable, const char* def, const char* name, const char* caption, const char* units = "");
    // An enumeration setting with its names in index order, "|"-separated.
    template <class E>
    requires std::is_enum_v<E>
    void add(E& variable, E def, const char* name, const char* caption, const char* names) {
        add_item(std::make_shared<options_detailed::meta_class_enum<E>>(static_cast<int>(def), name, caption, names,
                                                                        variable));
    }

    // Calls `f` on every descriptor in order.
    void for_each(const std::function<void(std::shared_ptr<meta_class_base>)>& f) const;
    // Removes every descriptor.
    void clear() noexcept { items_.clear(); }
    // The descriptors in order.
    const std::vector<std::shared_ptr<meta_class_base>>& items() const noexcept { return items_; }

private:
    AnsiString sector_ = "default";
    AnsiString sector_caption_ = "[Без названия]"_cp;
    std::vector<std::shared_ptr<meta_class_base>> items_;
};

// A settings class that lists its members as descriptors.
class options_base {
public:
    virtual ~options_base() = default;
    // Called after save_to_ini has written the descriptors.
    virtual void save_additional_info(TIniFile*) {}
    // Called after load_from_ini has read the descriptors.
    virtual void load_additional_info(TIniFile*) {}
    // Adds the set's descriptors, opening sectors as it goes.
    virtual void enum_values(options_list& list) = 0;

    // Reads every setting from the INI file; a missing or empty key gives the default.
    void load_from_ini(TIniFile* ini);
    // Writes every setting to the INI file.
    void save_to_ini(TIniFile* ini);
    // load_from_ini on the INI file of that name.
    void load_from_ini(const AnsiString& file_name);
    void load_from_ini(const os::file_path& file_name);
    // save_to_ini on the INI file of that name.
    void save_to_ini(const AnsiString& file_name);
    void save_to_ini(const os::file_path& file_name);
    // Puts every setting to its default.
    void set_defaults();
};

// Reads one descriptor from an INI file.
struct ini_reader {
    TIniFile* ini;
    void operator()(const std::shared_ptr<meta_class_base>& item) const;
};

// Writes one descriptor to an INI file.
struct ini_writer {
    TIniFile* ini;
    void operator()(const std::shared_ptr<meta_class_base>& item) const;
};

// Copies every setting of `src` into `dst`, paired by position in enum_values. Throws
// std::runtime_error "copy(options_base & src, options_base & dst)" when the two lists differ in
// length; nothing is copied then.
void copy(options_base& src, options_base& dst);

}  // namespace lib
