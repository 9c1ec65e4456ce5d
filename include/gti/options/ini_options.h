// INI elements: settings classes that bind member variables to explicit sections and keys.
//
// An ini_options class lists its variables in get_elements_list(); each element is written and
// read with the INI file's typed operations. Unlike option descriptors, elements carry no
// defaults: a key missing from the file leaves its variable unchanged.
//
//   int, unsigned, TColor   an integer (an unsigned as the int of its bits)
//   bool                    "1" or "0"; any non-zero integer reads as true
//   float, double           a decimal text that reads back to the same double
//   AnsiString              the text in double quotes, unescaped
//   TStrings                the list's comma text in double quotes
//   raw bytes, TDateTime    two upper-case hexadecimal digits per byte, in memory order; a
//                           value of the wrong length is ignored
//
// An element that fails (for instance a text holding a line break, which the INI file refuses)
// is skipped and the others go on; the file keeps what it had for that key. A save is one update
// of the INI file (TIniFile::BeginUpdate): its values reach the file together, and a file that
// cannot be written at all fails the save with the INI file's error.
//
// IniSerialData keeps a list of items in one section: the key "size" and the keys item1, item2,
// ... holding each item's text in double quotes. Saving erases the section first, so nothing of
// a longer earlier list remains.
#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "gti/options/module_base.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/date_time.h"
#include "gti/platform/os.h"
#include "gti/platform/system.h"
#include "gti/util/ini_file.h"

class TStrings;

namespace lib {

namespace opt_detailed {

// One variable bound to a section and key.
class ioe_base {
public:
    ioe_base(const AnsiString& the_section, const AnsiString& the_key) : section(the_section), key(the_key) {}
    virtual ~ioe_base() = default;
    // Writes the variable.
    virtual void save(TIniFile* ini) = 0;
    // Reads the variable; a missing key leaves it unchanged.
    virtual void load(TIniFile* ini) = 0;

    // save(), any failure swallowed so that one element never stops the others.
    void save_item(TIniFile* ini) noexcept;
    // load(), any failure swallowed.
    void load_item(TIniFile* ini) noexcept;

    AnsiString section;
    AnsiString key;
};

// An element over a variable of type T, written with the INI file's typed operations.
template <class T>
class ioe_value final : public ioe_base {
public:
    ioe_value(T& variable, const AnsiString& the_section, const AnsiString& the_key)
        : ioe_base(the_section, the_key), var_(&variable) {}

    void save(TIniFile* ini) override {
        if constexpr (std::is_same_v<T, int> || std::is_same_v<T, unsigned>)
            ini->WriteInteger(section, key, static_cast<int>(*var_));
        else if constexpr (std::is_same_v<T, bool>)
            ini->WriteBool(section, key, *var_);
        else if constexpr (std::is_same_v<T, AnsiString>)
            ini->WriteString(section, key, "\"" + *var_ + "\"");
        else
            ini->WriteFloat(section, key, static_cast<double>(*var_));
    }

    void load(TIniFile* ini) override {
        if constexpr (std::is_same_v<T, int> || std::is_same_v<T, unsigned>)
            *var_ = static_cast<T>(ini->ReadInteger(section, key, static_cast<int>(*var_)));
        else if constexpr (std::is_same_v<T, bool>)
            *var_ = ini->ReadBool(section, key, *var_);
        else if constexpr (std::is_same_v<T, AnsiString>)
            *var_ = ini->ReadString(section, key, *var_);
        else
            *var_ = static_cast<T>(ini->ReadFloat(section, key, static_cast<double>(*var_)));
    }

private:
    T* var_;
};

using ioe_int = ioe_value<int>;
using ioe_unsigned = ioe_value<unsigned>;
using ioe_bool = ioe_value<bool>;
using ioe_float = ioe_value<float>;
using ioe_double = ioe_value<double>;
using ioe_String = ioe_value<AnsiString>;

// A TColor element, stored as an integer.
class ioe_TColor final : public ioe_base {
public:
    ioe_TColor(TColor& variable, const AnsiString& the_section, const AnsiString& the_key)
        : ioe_base(the_section, the_key), var_(&variable) {}
    void save(TIniFile* ini) override;
    void load(TIniFile* ini) override;

private:
    TColor* var_;
};

// A string list element, stored as its comma text in double quotes.
class ioe_TStrings final : public ioe_base {
public:
    ioe_TStrings(TStrings* list, const AnsiString& the_section, const AnsiString& the_key)
        : ioe_base(the_section, the_key), list_(list) {}
    void save(TIniFile* ini) override;
    void load(TIniFile* ini) override;

private:
    TStrings* list_;
};

// A block of raw bytes, stored as hexadecimal digits.
class ioe_pod final : public ioe_base {
public:
    ioe_pod(char* data, int size, const AnsiString& the_section, const AnsiString& the_key)
        : ioe_base(the_section, the_key), data_(data), size_(size) {}
    void save(TIniFile* ini) override;
    void load(TIniFile* ini) override;

private:
    char* data_;
    int size_;
};

}  // namespace opt_detailed

// The elements of one ini_options class, in the order added; the list owns them.
class ini_options_elements {
public:
    // Binds an int.
    void add(int& variable, const AnsiString& section, const AnsiString& key);
    // Binds an unsigned, stored as the int of its bits.
    void add(unsigned int& variable, const AnsiString& section, const AnsiString& key);
    // Binds a bool.
    void add(bool& variable, const AnsiString& section, const AnsiString& key);
    // Binds a float, stored widened to double.
    void add(float& variable, const AnsiString& section, const AnsiString& key);
    // Binds a double.
    void add(double& variable, const AnsiString& section, const AnsiString& key);
    // Binds a text, stored in double quotes without escaping.
    void add(AnsiString& variable, const AnsiString& section, const AnsiString& key);
    // Binds a string list, stored as its comma text.
    void add(TStrings* list, const AnsiString& section, const AnsiString& key);
    // Binds a date-time, stored as the hexadecimal bytes of its double.
    void add(TDateTime& variable, const AnsiString& section, const AnsiString& key);
    // Binds a colour, stored as an integer.
    void add(TColor& variable, const AnsiString& section, const AnsiString& key);
    // Binds `size` raw bytes.
    void add_pod(char* data, int size, const AnsiString& section, const AnsiString& key);

    // The elements in order.
    const std::vector<std::unique_ptr<opt_detailed::ioe_base>>& items() const noexcept { return items_; }

private:
    std::vector<std::unique_ptr<opt_detailed::ioe_base>> items_;
};

// A settings class whose members are bound to INI sections and keys.
class ini_options : public virtual ModuleBase {
public:
    // Adds the elements.
    virtual void get_elements_list(ini_options_elements& elements) = 0;
    // Called after the elements are saved.
    virtual void save_additional_info(TIniFile*) {}
    // Called after the elements are loaded.
    virtual void load_additional_info(TIniFile*) {}
    // Called before the elements are saved.
    virtual void before_save(TIniFile*) {}
    // Called before the elements are loaded.
    virtual void before_load(TIniFile*) {}

    // Writes every element.
    void save(TIniFile* ini);
    // Reads every element; missing keys leave their variables unchanged.
    void load(TIniFile* ini);
    // Saves to the INI file of that name and remembers the name (a name that is not station text
    // as os::file_path::display() gives it); a name of spaces does nothing.
    void save(const AnsiString& file_name);
    void save(const os::file_path& file_name);
    // Loads from the INI file of that name and remembers the name as save() does; a name of
    // spaces does nothing.
    void load(const AnsiString& file_name);
    void load(const os::file_path& file_name);
    // Saves to an INI object the caller owns.
    void save(std::unique_ptr<TIniFile>& ini) { save(ini.get()); }
    // Loads from an INI object the caller owns.
    void load(std::unique_ptr<TIniFile>& ini) { load(ini.get()); }

    // The file last given to save or load by name.
    AnsiString file_name;
};

// One item of an IniSerialData list.
class IniSerialItem {
public:
    virtual ~IniSerialItem() = default;
    // The item as one line of text.
    virtual void to_string(AnsiString& text) = 0;
    // Takes the item from its text.
    virtual void from_string(const AnsiString& text) = 0;
};

// A list of items kept in one INI section.
class IniSerialData {
public:
    // A list kept in the section `name`.
    explicit IniSerialData(const char* the_name) : name(the_name) {}
    virtual ~IniSerialData() = default;

    // The number of items.
    virtual int size() = 0;
    // The item at `index`.
    virtual IniSerialItem* item(int index) = 0;
    // Makes the list hold `count` items.
    virtual void resize(int count) = 0;
    // Called after saving.
    virtual void after_save(TIniFile*) {}
    // Called after loading.
    virtual void after_load(TIniFile*) {}

    // Replaces the section by the list: "size", then item1, item2, ...
    void save(TIniFile* ini);
    // Reads the list back; a missing section leaves it unchanged. Throws std::runtime_error
    // "IniSerialData::load: item count out of range" when "size" is negative or larger than the
    // section's number of keys, before anything is allocated.
    void load(TIniFile* ini);
    // save() on the INI file of that name.
    void save(const AnsiString& file_name);
    void save(const os::file_path& file_name);
    // load() on the INI file of that name.
    void load(const AnsiString& file_name);
    void load(const os::file_path& file_name);

    // The section name.
    AnsiString name;
};

}  // namespace lib
