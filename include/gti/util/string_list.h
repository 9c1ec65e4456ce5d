// TStrings and TStringList: ordered lists of station texts.
//
// Much of the station's text passes through a string list: the run information stored in data
// files is the whole text of a list of name=value lines, combo-box histories are the comma text of
// a list, and file sets are sorted lists of names.
//
//   whole text    every item followed by CR LF; assigning splits at CR LF, a lone LF or a lone CR,
//                 and a final line break adds no empty item
//   comma text    items separated by commas; an item that is empty or holds a space, a control
//                 byte, a comma or a double quote is written in double quotes, inner quotes doubled
//   name=value    a line's name is the text before its first "=", its value the text after it;
//                 names are looked up without regard to letter case, Cyrillic included
#pragma once

#include <cstdint>

#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

// An ordered list of texts. Concrete lists supply the five storage operations; everything else
// is built on them.
class TStrings {
public:
    virtual ~TStrings() = default;

    // The number of items.
    virtual int Count() const = 0;
    // The item at `index` (0-based); throws std::out_of_range outside the list.
    virtual AnsiString Get(int index) const = 0;
    // Replaces the item at `index`; throws std::out_of_range outside the list.
    virtual void Put(int index, const AnsiString& s) = 0;
    // Inserts an item before `index` (Count() appends); throws std::out_of_range outside 0..Count().
    virtual void Insert(int index, const AnsiString& s) = 0;
    // Removes the item at `index`; throws std::out_of_range outside the list.
    virtual void Delete(int index) = 0;
    // Removes every item.
    virtual void Clear() = 0;

    // Appends an item and returns its index.
    int Add(const AnsiString& s);
    // Replaces the items by those of another list.
    void Assign(const TStrings& other);

    // The whole text: every item followed by CR LF.
    AnsiString Text() const;
    // Replaces the items by the lines of a text.
    void SetText(const AnsiString& text);

    // The items as comma text.
    AnsiString CommaText() const;
    // Replaces the items by those of a comma text. Outside double quotes, spaces and control
    // bytes separate items like commas; a comma at the very end adds an empty item.
    void SetCommaText(const AnsiString& text);

    // The index of the first item equal to `s` without regard to letter case, or -1.
    int IndexOf(const AnsiString& s) const;
    // The index of the first line whose name is `name` without regard to letter case, or -1.
    int IndexOfName(const AnsiString& name) const;
    // The name of the line at `index`: the text before its first "=", empty when it has none.
    AnsiString Names(int index) const;
    // The value of the first line named `name`; empty when there is no such line.
    AnsiString Values(const AnsiString& name) const;
    // Sets the value of the first line named `name`, appending name=value when there is none; the
    // empty value deletes the line.
    void SetValue(const AnsiString& name, const AnsiString& value);

    // Replaces the items by the lines of a text file. Throws std::runtime_error with "Файл не
    // найден!" for a missing file, "Невозможно прочитать из файла!" when it cannot be read, and
    // lib::os::not_regular_file_message() for a folder, a FIFO or a device.
    void LoadFromFile(const AnsiString& file_name);
    void LoadFromFile(const lib::os::file_path& file_name);
    // The same for a file of at most `max_bytes` (the run file: lib::max_race_text); a longer one
    // is refused with "Файл слишком велик для текста!", read no further than the limit, and the
    // items are kept.
    void LoadFromFile(const AnsiString& file_name, std::uint64_t max_bytes);
    void LoadFromFile(const lib::os::file_path& file_name, std::uint64_t max_bytes);
    // Writes the whole text to a file, replacing it in one step so that no reader ever finds it
    // half written. Throws std::runtime_error with "Невозможно записать в файл!" on failure.
    void SaveToFile(const AnsiString& file_name) const;
    void SaveToFile(const lib::os::file_path& file_name) const;
};

// A string list kept in memory.
class TStringList : public TStrings {
public:
    // An empty list; lists copy by value.
    TStringList() = default;
    TStringList(const TStringList&) = default;
    TStringList& operator=(const TStringList&) = default;
    TStringList(TStringList&&) noexcept = default;
    TStringList& operator=(TStringList&&) noexcept = default;

    // The storage operations of TStrings.
    int Count() const override { return static_cast<int>(items_.size()); }
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& s) override;
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override { items_.clear(); }

    // Sorts the items in ascending order without regard to letter case (not a stable sort).
    void Sort();

    // Direct access to an item; `index` must lie inside the list.
    const AnsiString& operator[](int index) const { return items_[static_cast<std::size_t>(index)]; }
    AnsiString& operator[](int index) { return items_[static_cast<std::size_t>(index)]; }
    // Iteration over the items.
    std::vector<AnsiString>::const_iterator begin() const noexcept { return items_.begin(); }
    std::vector<AnsiString>::const_iterator end() const noexcept { return items_.end(); }

private:
    std::size_t checked(int index, std::size_t limit) const;

    std::vector<AnsiString> items_;
};
