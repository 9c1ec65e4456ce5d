#include "gti/ui/option_editors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "gti/platform/cp_literal.h"
#include "gti/util/number_text.h"

namespace lib {
namespace {

using options_detailed::meta_class;
using options_detailed::meta_class_enum_base;

// A bool descriptor shown as "0"/"1".
bool is_plain_bool(const meta_class_base* item) {
    const auto* b = dynamic_cast<const meta_class<bool>*>(item);
    return b && b->names().empty();
}

}  // namespace

void grid_options::calc_col_indexes(unsigned long columns) {
    int next = 0;
    for (int i = 0; i < 4; ++i)
        cols_[i] = columns & (1ul << i) ? next++ : -1;
}

bool grid_options::check_in_lists(const AnsiString& full_name, const AnsiString& sector) const {
    if (black_list.has_names() && black_list.contains(full_name)) return true;
    if (black_list.has_sectors() && black_list.contains_sector(sector)) return true;
    if (white_list.has_names()) return !white_list.contains(full_name);
    return false;
}

bool grid_options::is_read_only_item(int row) const {
    const auto item = get_item_by_index(row);
    return item && read_only_list.contains(item->get_full_name());
}

std::shared_ptr<meta_class_base> grid_options::get_item_by_index(int row) const {
    const auto it = rows_.find(row);
    return it == rows_.end() ? nullptr : it->second;
}

void grid_options::set_value(int column, int row, const AnsiString& text) {
    if (column < 0 || row < 0) return;
    if (grid_->RowCount() <= row) grid_->SetRowCount(row + 1);
    if (grid_->ColCount() <= column) grid_->SetColCount(column + 1);
    if (grid_->Cell(column, row) == text) return;
    grid_->SetCell(column, row, text);
}

void grid_options::show_options(options_list& list, int first_row, unsigned long columns) {
    item_number_ = 1;
    current_row_ = std::max(0, first_row);
    last_sector_caption_.clear();
    calc_col_indexes(columns);
    rows_.clear();
    for (const auto& item : list.items()) {
        if (check_in_lists(item->get_full_name(), item->sector)) continue;
        if (item->sector_caption != last_sector_caption_) {
            last_sector_caption_ = item->sector_caption;
            set_value(number_col(), current_row_, "");
            set_value(caption_col(), current_row_, item->sector_caption);
            set_value(units_col(), current_row_, "");
            set_value(value_col(), current_row_, "");
            ++current_row_;
        }
        set_value(number_col(), current_row_, AnsiString(std::to_string(item_number_)));
        set_value(caption_col(), current_row_, item->caption);
        set_value(units_col(), current_row_, item->units);
        set_value(value_col(), current_row_, item->get());
        rows_[current_row_] = item;
        ++current_row_;
        ++item_number_;
    }
    // Rows of an earlier, longer filling go.
    grid_->SetRowCount(std::max(current_row_, first_row + 1));
    grid_->SetCallbacks(grid_callbacks{
        [this](int col, int row) { return col != value_col() || !get_item_by_index(row) || is_read_only_item(row); },
        [this](int col, int row) { return enum_popup_strings(col, row); },
        [this](int, int row) { return row >= 0 && !get_item_by_index(row); },
        [this](int col, int row) { check_to_click(col, row); },
    });
}

void grid_options::get_options() {
    if (value_col() < 0) return;
    for (const auto& [row, item] : rows_) {
        if (read_only_list.contains(item->get_full_name())) continue;
        item->set(grid_->Cell(value_col(), row));
    }
}

void grid_options::check_to_click(int column, int row) {
    if (column != value_col() || column < 0) return;
    const auto item = get_item_by_index(row);
    if (!item || !is_plain_bool(item.get()) || is_read_only_item(row)) return;
    int v = 0;
    const bool was_set = str_to_int(grid_->Cell(column, row), v) && v != 0;
    set_value(column, row, was_set ? "0" : "1");
}

std::vector<AnsiString> grid_options::enum_popup_strings(int column, int row) const {
    if (column != value_col() || column < 0) return {};
    const auto item = get_item_by_index(row);
    if (const auto* e = dynamic_cast<const meta_class_enum_base*>(item.get())) return e->names();
    if (const auto* b = dynamic_cast<const meta_class<bool>*>(item.get())) return b->names();
    return {};
}

// ---- TSimpleOptsForm ------------------------------------------------------------------------

TSimpleOptsForm::TSimpleOptsForm(TForm& form, TMyGrid& grid, options_base& options)
    : form_(form), grid_(grid), grid_options_(&grid), options_(options) {}

void TSimpleOptsForm::fill() {
    list_.clear();
    options_.enum_values(list_);
    grid_.SetColCount(4);
    grid_options_.show_options(list_, 1, grid_options::all_columns);
    grid_.SetCell(grid_options_.caption_col(), 0, "Параметр"_cp);
    grid_.SetCell(grid_options_.units_col(), 0, "Ед. изм."_cp);
    grid_.SetCell(grid_options_.value_col(), 0, "Значение"_cp);
    // Rows of 20 pixels and the window's frame, at most two thirds of the screen.
    const int wanted = grid_.RowCount() * 20 + 80;
    form_.SetHeight(std::min(wanted, form_.ScreenHeight() * 2 / 3));
}

bool TSimpleOptsForm::execute(const char* caption) {
    form_.SetCaption(caption);
    fill();
    for (int row = 1; row < grid_.RowCount(); ++row) {
        if (grid_options_.get_item_by_index(row)) {
            grid_.SetRow(row);
            break;
        }
    }
    if (form_.ShowModal() != mrOk) return false;
    read_data();
    return true;
}

SimpleOptsHelper::SimpleOptsHelper(options_base& options, std::unique_ptr<TForm> form, std::unique_ptr<TMyGrid> grid)
    : window_(form ? std::move(form) : std::make_unique<ui::memory_form>("SimpleOptsForm")),
      grid_(grid ? std::move(grid) : std::make_unique<ui::memory_grid>("grid")),
      form_(std::make_unique<TSimpleOptsForm>(*window_, *grid_, options)) {}

std::unique_ptr<TSimpleOptsForm> create_simple_opt_form(TForm& form, TMyGrid& grid, options_base& options) {
    return std::make_unique<TSimpleOptsForm>(form, grid, options);
}

}  // namespace lib

namespace oe {
namespace {

// The pattern with "{}" replaced by the number; the number alone without "{}".
AnsiString apply_format(const AnsiString& format, const AnsiString& number) {
    const std::size_t at = format.find("{}");
    if (at == AnsiString::npos) return number;
    return format.substr(0, at) + number + format.substr(at + 2);
}

// The text with the format's prefix and suffix around "{}" removed when present.
AnsiString strip_format(const AnsiString& format, AnsiString text) {
    const std::size_t at = format.find("{}");
    if (at == AnsiString::npos) return text;
    const AnsiString prefix = format.substr(0, at), suffix = format.substr(at + 2);
    if (!prefix.empty() && text.starts_with(prefix.view())) text = text.substr(prefix.size());
    if (!suffix.empty() && text.ends_with(suffix.view())) text = text.substr(0, text.size() - suffix.size());
    return text;
}

// A whole text as a finite number, a comma serving as the decimal point too.
bool parse_number(const AnsiString& text, double& value) {
    std::string s = text.str();
    std::replace(s.begin(), s.end(), ',', '.');
    const std::size_t first = s.find_first_not_of(" \t");
    const std::size_t last = s.find_last_not_of(" \t");
    if (first == std::string::npos) return false;
    s = s.substr(first, last - first + 1);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (*end || !std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace

AnsiString Item::get_control_text(TControl* control) {
    if (auto* e = dynamic_cast<TEdit*>(control)) return e->Text();
    if (auto* b = dynamic_cast<TComboBox*>(control)) return b->Text();
    return {};
}

void Item::set_control_text(TControl* control, const AnsiString& text) {
    if (auto* e = dynamic_cast<TEdit*>(control)) {
        e->SetText(text);
    } else if (auto* b = dynamic_cast<TComboBox*>(control)) {
        if (b->Style() == csDropDownList && b->Items().IndexOf(text) < 0) b->Items().Add(text);
        b->SetText(text);
    }
}

bool Item::get_check_state(TControl* control) {
    const auto* c = dynamic_cast<TCheckable*>(control);
    return c && c->Checked();
}

void Item::set_check_state(TControl* control, bool checked) {
    if (auto* c = dynamic_cast<TCheckable*>(control)) c->SetChecked(checked);
}

template <class T>
void FloatTemplate<T>::show() {
    set_control_text(control_, apply_format(format_, lib::float_to_str(var_ / factor_, decimals_)));
}

template <class T>
void FloatTemplate<T>::get() {
    double v;
    if (!parse_number(strip_format(format_, get_control_text(control_)), v)) return;
    v *= factor_;
    if constexpr (std::is_integral_v<T>) {
        if (!(v >= -2147483648.0 && v <= 2147483647.0)) return;
        var_ = static_cast<T>(std::lround(v));
    } else {
        var_ = static_cast<T>(v);
    }
}

template class FloatTemplate<float>;
template class FloatTemplate<double>;
template class FloatTemplate<int>;

void IntItem::show() {
    set_control_text(control_, apply_format(format_, AnsiString(std::to_string(var_))));
}

void IntItem::get() {
    int v;
    var_ = lib::str_to_int(strip_format(format_, get_control_text(control_)), v) ? v : def_;
}

void RadioButtonsItem::show() {
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        set_check_state(buttons_[i], static_cast<int>(i) == var_);
}

void RadioButtonsItem::get() {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (get_check_state(buttons_[i])) {
            var_ = static_cast<int>(i);
            return;
        }
    }
}

void ColorItem::show() {
    if (auto* c = dynamic_cast<TColorControl*>(control_)) c->SetColorValue(var_);
}

void ColorItem::get() {
    if (const auto* c = dynamic_cast<TColorControl*>(control_)) var_ = c->ColorValue();
}

void OptEngine::add(unsigned long group, float& v, TControl* c, int decimals, double factor) {
    items_.push_back(std::make_unique<FloatItem>(group, v, c, decimals, factor));
}

void OptEngine::add(unsigned long group, double& v, TControl* c, int decimals, double factor) {
    items_.push_back(std::make_unique<DoubleItem>(group, v, c, decimals, factor));
}

void OptEngine::add(unsigned long group, int& v, TControl* c, int decimals, double factor) {
    items_.push_back(std::make_unique<FloatTemplate<int>>(group, v, c, decimals, factor));
}

void OptEngine::add(unsigned long group, int& v, TControl* c, const char* format, int def) {
    items_.push_back(std::make_unique<IntItem>(group, v, c, format, def));
}

void OptEngine::add(unsigned long group, float& v, TControl* c, const char* format, double factor, int decimals) {
    items_.push_back(std::make_unique<FloatItem>(group, v, c, decimals, factor, format));
}

void OptEngine::add(unsigned long group, bool& v, TControl* check) {
    items_.push_back(std::make_unique<Booltem>(group, v, check));
}

void OptEngine::add(unsigned long group, AnsiString& v, TControl* c) {
    items_.push_back(std::make_unique<StringItem>(group, v, c));
}

void OptEngine::add(unsigned long group, int& v, TControl* const* radio_buttons) {
    std::vector<TControl*> buttons;
    for (; radio_buttons && *radio_buttons; ++radio_buttons)
        buttons.push_back(*radio_buttons);
    items_.push_back(std::make_unique<RadioButtonsItem>(group, v, std::move(buttons)));
}

void OptEngine::add(unsigned long group, int& v, TComboBox* box) {
    items_.push_back(std::make_unique<IntComboItem>(group, v, box));
}

void OptEngine::add(unsigned long group, TColor& v, TColorControl* c) {
    items_.push_back(std::make_unique<ColorItem>(group, v, c));
}

void OptEngine::show(unsigned long mask) {
    mask_ = mask;
    for (auto& item : items_)
        if (item->group & mask) item->show();
}

void OptEngine::get() {
    for (auto& item : items_)
        if (item->group & mask_) item->get();
}

}  // namespace oe
