// The controls of the station's windows, as the interface logic sees them.
//
// Each class states only what the option editors, the window-state helpers and the density
// dialog ask of a platform control: its texts, check states, positions, bands, cells. The logic
// works on these interfaces; an adapter to a real toolkit implements them, and the memory_*
// classes of lib::ui implement them in memory for tests and for programs without a toolkit.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/system.h"
#include "gti/ui/canvas.h"
#include "gti/util/string_list.h"

// Any control: it has a component name, by which settings files know it.
class TControl {
public:
    virtual ~TControl() = default;
    // The component name.
    virtual AnsiString Name() const = 0;
};

// A one-line edit field.
class TEdit : public TControl {
public:
    virtual AnsiString Text() const = 0;
    virtual void SetText(const AnsiString& text) = 0;
};

// How a combo box takes text: typed freely, or only picked from its list.
enum TComboBoxStyle { csDropDown, csDropDownList };

// A combo box: an edit field with a list of items.
class TComboBox : public TControl {
public:
    virtual AnsiString Text() const = 0;
    // Sets the text; a drop-down list selects the item of that text (none when it has none).
    virtual void SetText(const AnsiString& text) = 0;
    virtual TStrings& Items() = 0;
    // The selected item, or -1.
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int index) = 0;
    virtual TComboBoxStyle Style() const = 0;
};

// A push button with a caption.
class TButton : public TControl {
public:
    virtual AnsiString Caption() const = 0;
    virtual void SetCaption(const AnsiString& caption) = 0;
};

// A control with a published "Checked" state: a check box or a radio button.
class TCheckable : public TControl {
public:
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool checked) = 0;
};

// A check box.
class TCheckBox : public TCheckable {};
// A radio button; a window's logic clears the others of its group itself.
class TRadioButton : public TCheckable {};

// A control with a published "ColorValue": a colour picker.
class TColorControl : public TControl {
public:
    virtual TColor ColorValue() const = 0;
    virtual void SetColorValue(TColor color) = 0;
};

// The saved state of one band of a cool bar.
struct TCoolBandState {
    AnsiString control_name;  // the component name of the band's control
    bool break_line = false;  // the band starts a new line
    bool visible = true;
    int width = 0;
};

// A cool bar: tool bars on movable bands.
class TCoolBar : public TControl {
public:
    virtual int BandCount() const = 0;
    virtual TCoolBandState Band(int index) const = 0;
    virtual void SetBand(int index, const TCoolBandState& band) = 0;
    // Moves the band at `from` to position `to`; the bands between shift by one.
    virtual void MoveBand(int from, int to) = 0;
};

// The state of a window.
enum TWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// The result of a modal dialog.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// A form (window).
class TForm : public TControl {
public:
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetLeft(int v) = 0;
    virtual void SetTop(int v) = 0;
    virtual void SetWidth(int v) = 0;
    virtual void SetHeight(int v) = 0;
    virtual TWindowState WindowState() const = 0;
    virtual void SetWindowState(TWindowState state) = 0;
    // The placement the window has when restored, from the window system; false when it
    // cannot tell.
    virtual bool NormalPlacement(TRect& r) const = 0;
    virtual AnsiString Caption() const = 0;
    virtual void SetCaption(const AnsiString& caption) = 0;
    // The height of the screen the form is on, in pixels.
    virtual int ScreenHeight() const = 0;
    // Shows the form as a modal dialog until the user closes it.
    virtual TModalResult ShowModal() = 0;
};

// What a grid asks of the logic behind it about its cells.
struct grid_callbacks {
    std::function<bool(int col, int row)> read_only;                         // the cell cannot be edited
    std::function<std::vector<AnsiString>(int col, int row)> popup_strings;  // choices offered for it
    std::function<bool(int col, int row)> is_heading;                        // the row is a heading
    std::function<void(int col, int row)> click;                             // the cell was clicked
};

// A grid of text cells (columns and rows from 0), with a current cell.
class TMyGrid : public TControl {
public:
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    virtual void SetColCount(int count) = 0;
    virtual void SetRowCount(int count) = 0;
    // The cell's text; empty outside the grid.
    virtual AnsiString Cell(int col, int row) const = 0;
    // Writes a cell inside the grid.
    virtual void SetCell(int col, int row, const AnsiString& text) = 0;
    virtual int Col() const = 0;
    virtual int Row() const = 0;
    virtual void SetRow(int row) = 0;
    // Attaches the callbacks through which the grid asks about its cells.
    virtual void SetCallbacks(grid_callbacks callbacks) = 0;
};

// A line chart of one series.
class TChart : public TControl {
public:
    virtual void SetTitle(const AnsiString& title) = 0;
    virtual void SetAxisTitles(const AnsiString& value_axis, const AnsiString& count_axis) = 0;
    // The series' points, as (x, y).
    virtual void SetPoints(const std::vector<std::pair<double, double>>& points) = 0;
};

// The buttons and the kind of a message box.
enum message_kind { mb_information, mb_warning, mb_yes_no };
// The answer to a message box.
enum message_answer { answer_ok, answer_yes, answer_no };

// Shows messages to the user and returns the answer.
class TMessageBox {
public:
    virtual ~TMessageBox() = default;
    virtual message_answer Show(const AnsiString& text, const AnsiString& caption, message_kind kind) = 0;
};

// A timer that calls its handler every Interval milliseconds while enabled.
class TTimer {
public:
    virtual ~TTimer() = default;
    virtual void SetInterval(unsigned ms) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetOnTimer(std::function<void()> handler) = 0;
};

namespace lib::ui {

// The memory_* controls keep their state in public fields and implement the interfaces on them.

// An edit field in memory.
class memory_edit final : public TEdit {
public:
    explicit memory_edit(AnsiString the_name = "", AnsiString the_text = "")
        : name(std::move(the_name)), text(std::move(the_text)) {}
    AnsiString Name() const override { return name; }
    AnsiString Text() const override { return text; }
    void SetText(const AnsiString& t) override { text = t; }

    AnsiString name, text;
};

// A button in memory.
class memory_button final : public TButton {
public:
    explicit memory_button(AnsiString the_name = "", AnsiString the_caption = "")
        : name(std::move(the_name)), caption(std::move(the_caption)) {}
    AnsiString Name() const override { return name; }
    AnsiString Caption() const override { return caption; }
    void SetCaption(const AnsiString& c) override { caption = c; }

    AnsiString name, caption;
};

// A combo box in memory.
class memory_combo_box final : public TComboBox {
public:
    explicit memory_combo_box(AnsiString the_name = "", TComboBoxStyle the_style = csDropDown)
        : name(std::move(the_name)), style(the_style) {}
    AnsiString Name() const override { return name; }
    AnsiString Text() const override { return text; }
    void SetText(const AnsiString& t) override;
    TStrings& Items() override { return items; }
    int ItemIndex() const override { return item_index; }
    void SetItemIndex(int index) override;
    TComboBoxStyle Style() const override { return style; }

    AnsiString name, text;
    TComboBoxStyle style;
    TStringList items;
    int item_index = -1;
};

// A check box or a radio button in memory.
template <class Base>
class memory_checkable final : public Base {
public:
    explicit memory_checkable(AnsiString the_name = "", bool the_checked = false)
        : name(std::move(the_name)), checked(the_checked) {}
    AnsiString Name() const override { return name; }
    bool Checked() const override { return checked; }
    void SetChecked(bool c) override { checked = c; }

    AnsiString name;
    bool checked;
};
using memory_check_box = memory_checkable<TCheckBox>;
using memory_radio_button = memory_checkable<TRadioButton>;

// A colour picker in memory.
class memory_color_control final : public TColorControl {
public:
    explicit memory_color_control(AnsiString the_name = "") : name(std::move(the_name)) {}
    AnsiString Name() const override { return name; }
    TColor ColorValue() const override { return color; }
    void SetColorValue(TColor c) override { color = c; }

    AnsiString name;
    TColor color = TColor(0);
};

// A cool bar in memory.
class memory_cool_bar final : public TCoolBar {
public:
    explicit memory_cool_bar(AnsiString the_name = "") : name(std::move(the_name)) {}
    AnsiString Name() const override { return name; }
    int BandCount() const override { return static_cast<int>(bands.size()); }
    TCoolBandState Band(int index) const override;
    void SetBand(int index, const TCoolBandState& band) override;
    void MoveBand(int from, int to) override;

    AnsiString name;
    std::vector<TCoolBandState> bands;
};

// A form in memory. ShowModal calls `on_show_modal` (the user's part in a test) and returns its
// result, or mrCancel when it is empty.
class memory_form final : public TForm {
public:
    explicit memory_form(AnsiString the_name = "") : name(std::move(the_name)) {}
    AnsiString Name() const override { return name; }
    int Left() const override { return left; }
    int Top() const override { return top; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetLeft(int v) override { left = v; }
    void SetTop(int v) override { top = v; }
    void SetWidth(int v) override { width = v; }
    void SetHeight(int v) override { height = v; }
    TWindowState WindowState() const override { return state; }
    void SetWindowState(TWindowState s) override;
    bool NormalPlacement(TRect& r) const override;
    AnsiString Caption() const override { return caption; }
    void SetCaption(const AnsiString& c) override { caption = c; }
    int ScreenHeight() const override { return screen_height; }
    TModalResult ShowModal() override { return on_show_modal ? on_show_modal() : mrCancel; }

    AnsiString name, caption;
    int left = 0, top = 0, width = 400, height = 300;
    TWindowState state = wsNormal;
    // The restored placement the window system keeps while the form is maximised or minimised.
    bool has_normal_placement = false;
    TRect normal_placement;
    int screen_height = 1080;
    std::function<TModalResult()> on_show_modal;
};

// A grid in memory.
class memory_grid final : public TMyGrid {
public:
    explicit memory_grid(AnsiString name = "", int cols = 4, int rows = 1);
    AnsiString Name() const override { return name; }
    int ColCount() const override { return cols_; }
    int RowCount() const override { return rows_; }
    void SetColCount(int count) override;
    void SetRowCount(int count) override;
    AnsiString Cell(int col, int row) const override;
    void SetCell(int col, int row, const AnsiString& text) override;
    int Col() const override { return col; }
    int Row() const override { return row; }
    void SetRow(int r) override { row = r; }
    void SetCallbacks(grid_callbacks c) override { callbacks = std::move(c); }

    // Counts the writes of cells, so tests see which cells were rewritten.
    int cell_writes = 0;
    AnsiString name;
    int col = 0, row = 0;
    grid_callbacks callbacks;

private:
    int cols_, rows_;
    std::vector<std::vector<AnsiString>> cells_;  // by row, then column
};

// A line chart in memory.
class memory_chart final : public TChart {
public:
    AnsiString Name() const override { return "chart"; }
    void SetTitle(const AnsiString& t) override { title = t; }
    void SetAxisTitles(const AnsiString& v, const AnsiString& c) override { value_axis = v, count_axis = c; }
    void SetPoints(const std::vector<std::pair<double, double>>& p) override { points = p; }

    AnsiString title, value_axis, count_axis;
    std::vector<std::pair<double, double>> points;
};

// A message box in memory: records every message and answers with `answer` (Yes/No boxes) or OK.
class memory_message_box final : public TMessageBox {
public:
    struct message {
        AnsiString text, caption;
        message_kind kind;
    };
    message_answer Show(const AnsiString& text, const AnsiString& caption, message_kind kind) override;

    std::vector<message> shown;
    message_answer answer = answer_yes;
};

// A timer in memory: tick() calls the handler when enabled.
class memory_timer final : public TTimer {
public:
    void SetInterval(unsigned ms) override { interval = ms; }
    void SetEnabled(bool e) override { enabled = e; }
    bool Enabled() const override { return enabled; }
    void SetOnTimer(std::function<void()> h) override { handler = std::move(h); }
    // One period has passed.
    void tick() {
        if (enabled && handler) handler();
    }

    unsigned interval = 1000;
    bool enabled = false;
    std::function<void()> handler;
};

}  // namespace lib::ui
