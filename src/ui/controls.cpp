#include "gti/ui/controls.h"

#include <algorithm>

namespace lib::ui {

void memory_combo_box::SetText(const AnsiString& t) {
    if (style == csDropDownList) {
        item_index = items.IndexOf(t);
        text = item_index >= 0 ? t : AnsiString();
        return;
    }
    text = t;
    item_index = items.IndexOf(t);
}

void memory_combo_box::SetItemIndex(int index) {
    item_index = index >= 0 && index < items.Count() ? index : -1;
    text = item_index >= 0 ? items.Get(item_index) : AnsiString();
}

TCoolBandState memory_cool_bar::Band(int index) const {
    return index >= 0 && index < BandCount() ? bands[static_cast<std::size_t>(index)] : TCoolBandState{};
}

void memory_cool_bar::SetBand(int index, const TCoolBandState& band) {
    if (index >= 0 && index < BandCount()) bands[static_cast<std::size_t>(index)] = band;
}

void memory_cool_bar::MoveBand(int from, int to) {
    if (from < 0 || from >= BandCount()) return;
    to = std::clamp(to, 0, BandCount() - 1);
    const TCoolBandState band = bands[static_cast<std::size_t>(from)];
    bands.erase(bands.begin() + from);
    bands.insert(bands.begin() + to, band);
}

void memory_form::SetWindowState(TWindowState s) {
    // The window system keeps the restored placement while the window is not normal.
    if (state == wsNormal && s != wsNormal) {
        has_normal_placement = true;
        normal_placement = TRect{left, top, left + width, top + height};
    }
    if (s == wsMaximized) {
        left = top = 0;
        width = screen_height * 16 / 9;
        height = screen_height;
    }
    if (s == wsNormal && has_normal_placement) {
        left = normal_placement.left;
        top = normal_placement.top;
        width = normal_placement.Width();
        height = normal_placement.Height();
        has_normal_placement = false;
    }
    state = s;
}

bool memory_form::NormalPlacement(TRect& r) const {
    if (!has_normal_placement) return false;
    r = normal_placement;
    return true;
}

memory_grid::memory_grid(AnsiString name, int cols, int rows) : name(std::move(name)), cols_(0), rows_(0) {
    SetColCount(cols);
    SetRowCount(rows);
}

void memory_grid::SetColCount(int count) {
    cols_ = std::max(0, count);
    for (auto& r : cells_)
        r.resize(static_cast<std::size_t>(cols_));
}

void memory_grid::SetRowCount(int count) {
    rows_ = std::max(0, count);
    cells_.resize(static_cast<std::size_t>(rows_), std::vector<AnsiString>(static_cast<std::size_t>(cols_)));
}

AnsiString memory_grid::Cell(int c, int r) const {
    if (c < 0 || r < 0 || c >= cols_ || r >= rows_) return {};
    return cells_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
}

void memory_grid::SetCell(int c, int r, const AnsiString& text) {
    if (c < 0 || r < 0 || c >= cols_ || r >= rows_) return;
    cells_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = text;
    ++cell_writes;
}

message_answer memory_message_box::Show(const AnsiString& text, const AnsiString& caption, message_kind kind) {
    shown.push_back({text, caption, kind});
    return kind == mb_yes_no ? answer : answer_ok;
}

}  // namespace lib::ui
