// Option editors: option sets shown and edited in a grid (grid_options), in a ready-made modal
// dialog around it (TSimpleOptsForm, SimpleOptsHelper), and member variables bound to the
// controls of a hand-made dialog (oe::OptEngine).
//
// grid_options fills a grid with one row per descriptor of an options_list, grouped under sector
// headings, in the columns chosen by a bit mask:
//
//   bit  column      heading row        option row
//   1    number      (empty)            running number from 1
//   2    caption     sector caption     the descriptor's caption
//   4    units       (empty)            its units text
//   8    value       (empty)            its value as text; edited by the user
//
// Three filter lists decide what shows: a black-listed name or sector is hidden; with names in
// the white list only those show; a read-only name shows but its cell is not read back.
// Descriptors read bad text as their default, so no typed value throws.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "gti/options/options.h"
#include "gti/options/race_info.h"
#include "gti/ui/controls.h"

namespace lib {

// Shows the descriptors of an option set in a grid and reads the edits back.
class grid_options {
public:
    // Column bits of show_options.
    static constexpr unsigned long number_column = 1, caption_column = 2, units_column = 4, value_column = 8,
                                   all_columns = 15;

    explicit grid_options(TMyGrid* grid) : grid_(grid) {}

    // Fills the grid from `first_row` on and attaches the cell callbacks to it.
    void show_options(options_list& list, int first_row, unsigned long columns);
    // Gives the columns present consecutive indexes from 0 (number, caption, units, value); the
    // others -1.
    void calc_col_indexes(unsigned long columns);
    // True when the option is to be hidden.
    bool check_in_lists(const AnsiString& full_name, const AnsiString& sector) const;
    // True when the row shows a read-only option.
    bool is_read_only_item(int row) const;
    // The descriptor shown in the row, or empty.
    std::shared_ptr<meta_class_base> get_item_by_index(int row) const;
    // Writes a cell unless it holds the text already; the grid grows to hold the row; a column
    // of -1 is ignored.
    void set_value(int column, int row, const AnsiString& text);
    // Reads every edited value back into its variable, read-only options excepted.
    void get_options();
    // A click on the value of a bool option without names toggles its cell between "1" and "0".
    void check_to_click(int column, int row);
    // The choices a cell offers: the names of an enumeration or of a bool with names.
    std::vector<AnsiString> enum_popup_strings(int column, int row) const;

    // The column indexes (-1: not shown).
    int number_col() const noexcept { return cols_[0]; }
    int caption_col() const noexcept { return cols_[1]; }
    int units_col() const noexcept { return cols_[2]; }
    int value_col() const noexcept { return cols_[3]; }

    grid_options_list white_list, black_list, read_only_list;

private:
    TMyGrid* grid_;
    int current_row_ = 0;
    int item_number_ = 0;
    int cols_[4] = {-1, -1, -1, -1};
    AnsiString last_sector_caption_;
    std::map<int, std::shared_ptr<meta_class_base>> rows_;
};

// A modal dialog that edits any option set in a grid.
class TSimpleOptsForm {
public:
    // The dialog on a form and a grid the caller provides (a toolkit's or memory controls).
    TSimpleOptsForm(TForm& form, TMyGrid& grid, options_base& options);

    // Sets the caption, fills the grid, selects the first option and shows the dialog; on OK
    // reads the edits back and returns true, on Cancel returns false with the options untouched.
    bool execute(const char* caption);
    // Fills the grid from the options (all columns, from row 1) and sizes the window to at most
    // two thirds of the screen's height.
    void fill();
    // Reads the grid's edits into the options.
    void read_data() { grid_options_.get_options(); }

    grid_options_list& black_list() noexcept { return grid_options_.black_list; }
    grid_options_list& white_list() noexcept { return grid_options_.white_list; }
    grid_options_list& read_only_list() noexcept { return grid_options_.read_only_list; }

private:
    TForm& form_;
    TMyGrid& grid_;
    grid_options grid_options_;
    options_list list_;
    options_base& options_;
};

// Owns a TSimpleOptsForm with its controls.
class SimpleOptsHelper {
public:
    // With null controls the dialog uses memory controls (which answer Cancel).
    explicit SimpleOptsHelper(options_base& options, std::unique_ptr<TForm> form = nullptr,
                              std::unique_ptr<TMyGrid> grid = nullptr);

    bool execute(const char* caption) { return form_->execute(caption); }
    void fill() { form_->fill(); }
    void read_data() { form_->read_data(); }
    grid_options_list& black_list() noexcept { return form_->black_list(); }
    grid_options_list& white_list() noexcept { return form_->white_list(); }
    grid_options_list& read_only_list() noexcept { return form_->read_only_list(); }

private:
    std::unique_ptr<TForm> window_;
    std::unique_ptr<TMyGrid> grid_;
    std::unique_ptr<TSimpleOptsForm> form_;
};

// Creates the dialog for an option set on the given controls.
std::unique_ptr<TSimpleOptsForm> create_simple_opt_form(TForm& form, TMyGrid& grid, options_base& options);

}  // namespace lib

namespace oe {

// One variable bound to its control(s), in a group of a bit mask.
class Item {
public:
    explicit Item(unsigned long the_group) : group(the_group) {}
    virtual ~Item() = default;
    // Variable to control.
    virtual void show() = 0;
    // Control to variable; a text that does not parse leaves the variable as it is (or gives
    // the item's default where it has one).
    virtual void get() = 0;

    // The text of an edit field or a combo box; other controls give the empty text.
    static AnsiString get_control_text(TControl* control);
    // Sets the text of an edit field or a combo box (a drop-down list gets the text added to
    // its items when missing, then selected); other controls take no text.
    static void set_control_text(TControl* control, const AnsiString& text);
    // The "Checked" state of a check box or radio button; false for other controls.
    static bool get_check_state(TControl* control);
    static void set_check_state(TControl* control, bool checked);

    unsigned long group;
};

// A number shown with decimals; the variable holds the shown value × factor. Works for float,
// double and int variables (an int is rounded).
template <class T>
class FloatTemplate final : public Item {
public:
    FloatTemplate(unsigned long the_group, T& variable, TControl* control, int decimals, double factor,
                  AnsiString format = "")
        : Item(the_group),
          var_(variable),
          control_(control),
          decimals_(decimals),
          factor_(factor ? factor : 1),
          format_(std::move(format)) {}
    void show() override;
    void get() override;

private:
    T& var_;
    TControl* control_;
    int decimals_;
    double factor_;
    AnsiString format_;
};
using FloatItem = FloatTemplate<float>;
using DoubleItem = FloatTemplate<double>;

// An integer shown through a format ("{}" stands for the number; no "{}": the number alone);
// a text that holds no integer gives `def`.
class IntItem final : public Item {
public:
    IntItem(unsigned long the_group, int& variable, TControl* control, AnsiString format, int def)
        : Item(the_group), var_(variable), control_(control), format_(std::move(format)), def_(def) {}
    void show() override;
    void get() override;

private:
    int& var_;
    TControl* control_;
    AnsiString format_;
    int def_;
};

// A bool in a check box.
class Booltem final : public Item {
public:
    Booltem(unsigned long the_group, bool& variable, TControl* control)
        : Item(the_group), var_(variable), control_(control) {}
    void show() override { set_check_state(control_, var_); }
    void get() override { var_ = get_check_state(control_); }

private:
    bool& var_;
    TControl* control_;
};

// A text in an edit field or combo box.
class StringItem final : public Item {
public:
    StringItem(unsigned long the_group, AnsiString& variable, TControl* control)
        : Item(the_group), var_(variable), control_(control) {}
    void show() override { set_control_text(control_, var_); }
    void get() override { var_ = get_control_text(control_); }

private:
    AnsiString& var_;
    TControl* control_;
};

// An index shown as the one checked button of a list of radio buttons.
class RadioButtonsItem final : public Item {
public:
    RadioButtonsItem(unsigned long the_group, int& variable, std::vector<TControl*> buttons)
        : Item(the_group), var_(variable), buttons_(std::move(buttons)) {}
    void show() override;
    void get() override;

private:
    int& var_;
    std::vector<TControl*> buttons_;
};

// An index shown as the selected item of a combo box.
class IntComboItem final : public Item {
public:
    IntComboItem(unsigned long the_group, int& variable, TComboBox* box) : Item(the_group), var_(variable), box_(box) {}
    void show() override { box_->SetItemIndex(var_); }
    void get() override { var_ = box_->ItemIndex(); }

private:
    int& var_;
    TComboBox* box_;
};

// A colour in a colour control's "ColorValue".
class ColorItem final : public Item {
public:
    ColorItem(unsigned long the_group, TColor& variable, TControl* control)
        : Item(the_group), var_(variable), control_(control) {}
    void show() override;
    void get() override;

private:
    TColor& var_;
    TControl* control_;
};

// Member variables bound to the controls of a dialog, shown and read back by groups.
class OptEngine {
public:
    void add(unsigned long group, float& v, TControl* c, int decimals, double factor);
    void add(unsigned long group, double& v, TControl* c, int decimals, double factor);
    void add(unsigned long group, int& v, TControl* c, int decimals, double factor);
    void add(unsigned long group, int& v, TControl* c, const char* format, int def);
    void add(unsigned long group, float& v, TControl* c, const char* format, double factor, int decimals);
    void add(unsigned long group, bool& v, TControl* check);
    void add(unsigned long group, AnsiString& v, TControl* c);
    // Radio buttons: a null-terminated list.
    void add(unsigned long group, int& v, TControl* const* radio_buttons);
    void add(unsigned long group, int& v, TComboBox* box);
    void add(unsigned long group, TColor& v, TColorControl* c);

    // Remembers the mask and shows every item whose group shares a bit with it.
    void show(unsigned long mask);
    // Reads back every item whose group shares a bit with the remembered mask.
    void get();

private:
    std::vector<std::unique_ptr<Item>> items_;
    unsigned long mask_ = 0;
};

}  // namespace oe
