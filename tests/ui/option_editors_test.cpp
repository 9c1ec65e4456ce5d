#include "gti/ui/option_editors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"

using namespace lib;
using namespace lib::literals;
using lib::ui::memory_check_box;
using lib::ui::memory_color_control;
using lib::ui::memory_combo_box;
using lib::ui::memory_edit;
using lib::ui::memory_form;
using lib::ui::memory_grid;
using lib::ui::memory_radio_button;

namespace {

enum class method { rotary, turbine };

// Options in three sectors; the last two share a caption, and the first one's caption returns.
struct well_options : options_base {
    int count = 5;
    double depth = 10.5;
    bool pump = false;
    bool lamp = true;
    method how = method::rotary;
    AnsiString note = "x";
    int extra = 3;

    void enum_values(options_list& list) override {
        list.sector("well", "Скважина"_cp);
        list.add(count, 5, "count", "Количество"_cp, "шт"_cp);
        list.add(depth, 10.5, "depth", "Глубина"_cp, "м"_cp, 2, 1.0);
        list.sector("pumps", "Насосы"_cp);
        list.add(pump, false, "pump", "Насос"_cp);
        list.add(lamp, true, "lamp", "Лампа"_cp, "выкл|вкл"_cp);
        list.sector("pumps2", "Насосы"_cp);
        list.add(how, method::rotary, "how", "Способ"_cp, "Роторное|Турбинное"_cp);
        list.sector("more", "Скважина"_cp);
        list.add(note, "x", "note", "Заметка"_cp);
        list.add(extra, 1, "extra", "Ещё"_cp, "");
    }
};

// The caption column of every row from row 1.
std::vector<std::string> captions(const memory_grid& grid, const grid_options& g) {
    std::vector<std::string> out;
    for (int row = 1; row < grid.RowCount(); ++row)
        out.push_back(std::string(g.get_item_by_index(row) ? "  " : "# ") + grid.Cell(g.caption_col(), row).str());
    return out;
}

TEST(GridOptions, SectorHeadingsAndFilterLists) {
    well_options o;
    options_list list;
    o.enum_values(list);
    memory_grid grid;
    grid_options g(&grid);
    g.show_options(list, 1, grid_options::all_columns);
    EXPECT_EQ(captions(grid, g),
              (std::vector<std::string>{"# " + std::string("Скважина"_cp), "  " + std::string("Количество"_cp),
                                        "  " + std::string("Глубина"_cp), "# " + std::string("Насосы"_cp),
                                        "  " + std::string("Насос"_cp), "  " + std::string("Лампа"_cp),
                                        "  " + std::string("Способ"_cp), "# " + std::string("Скважина"_cp),
                                        "  " + std::string("Заметка"_cp), "  " + std::string("Ещё"_cp)}));
    EXPECT_EQ(grid.Cell(g.number_col(), 9), "6");
    EXPECT_EQ(grid.Cell(g.units_col(), 3), "м"_cp);
    EXPECT_EQ(grid.Cell(g.value_col(), 3), "10.50");
    EXPECT_EQ(g.enum_popup_strings(g.value_col(), 6), (std::vector<AnsiString>{"выкл"_cp, "вкл"_cp}));
    EXPECT_EQ(g.enum_popup_strings(g.value_col(), 7).size(), 2u);
    EXPECT_TRUE(g.enum_popup_strings(g.value_col(), 5).empty());

    // A white list with one name: that option under its heading, nothing else.
    g.white_list.sector("PUMPS");
    g.white_list.add("Lamp");
    g.show_options(list, 1, grid_options::all_columns);
    EXPECT_EQ(captions(grid, g),
              (std::vector<std::string>{"# " + std::string("Насосы"_cp), "  " + std::string("Лампа"_cp)}));
    // A black-listed sector loses its options and its heading.
    g.white_list.clear();
    g.black_list.add_sector("well");
    g.black_list.add_sector("more");
    g.black_list.sector("pumps");
    g.black_list.add("pump");
    g.show_options(list, 1, grid_options::caption_column | grid_options::value_column);
    EXPECT_EQ(g.number_col(), -1);
    EXPECT_EQ(g.value_col(), 1);
    EXPECT_EQ(captions(grid, g),
              (std::vector<std::string>{"# " + std::string("Насосы"_cp), "  " + std::string("Лампа"_cp),
                                        "  " + std::string("Способ"_cp)}));
}

TEST(GridOptions, EditsAreReadBackExceptReadOnlyOnes) {
    well_options o;
    options_list list;
    o.enum_values(list);
    memory_grid grid;
    grid_options g(&grid);
    g.read_only_list.sector("more");
    g.read_only_list.add("note");
    g.show_options(list, 1, grid_options::all_columns);
    const int v = g.value_col();
    // Rewriting a cell with its own text writes nothing.
    const int writes = grid.cell_writes;
    g.set_value(v, 2, "5");
    g.set_value(-1, 2, "9");
    EXPECT_EQ(grid.cell_writes, writes);

    grid.SetCell(v, 2, "12");
    grid.SetCell(v, 3, "глубоко"_cp);  // not a number: 0, as the descriptor reads it
    grid.SetCell(v, 7, "Турбинное"_cp);
    grid.SetCell(v, 9, "changed");
    grid.SetCell(v, 10, "1e99");  // out of range: the default
    g.check_to_click(v, 5);       // the plain bool: "0" -> "1"
    g.check_to_click(v, 6);       // a bool with names: no toggling
    EXPECT_TRUE(g.is_read_only_item(9));
    EXPECT_TRUE(grid.callbacks.read_only(v, 9));
    EXPECT_FALSE(grid.callbacks.read_only(v, 2));
    EXPECT_TRUE(grid.callbacks.is_heading(0, 4));
    g.get_options();
    EXPECT_EQ(o.count, 12);
    EXPECT_EQ(o.depth, 0);
    EXPECT_TRUE(o.pump);
    EXPECT_TRUE(o.lamp);
    EXPECT_EQ(o.how, method::turbine);
    EXPECT_EQ(o.note, "x");
    EXPECT_EQ(o.extra, 1);
    grid.callbacks.click(v, 5);
    EXPECT_EQ(grid.Cell(v, 5), "0");
}

TEST(SimpleOptsForm, CancelLeavesTheOptionsAndOkReadsTheGrid) {
    well_options o;
    auto form = std::make_unique<memory_form>();
    auto grid = std::make_unique<memory_grid>();
    memory_form* f = form.get();
    memory_grid* g = grid.get();
    f->screen_height = 300;
    SimpleOptsHelper helper(o, std::move(form), std::move(grid));
    f->on_show_modal = [&] {
        EXPECT_EQ(g->Row(), 2);  // the first option, below the heading
        g->SetCell(3, 2, "99");
        return mrCancel;
    };
    EXPECT_FALSE(helper.execute("Опции"_cp));
    EXPECT_EQ(o.count, 5);
    EXPECT_EQ(f->caption, "Опции"_cp);
    EXPECT_EQ(f->height, 200);  // two thirds of the screen at most
    f->on_show_modal = [&] {
        g->SetCell(3, 2, "99");
        return mrOk;
    };
    EXPECT_TRUE(helper.execute("Опции"_cp));
    EXPECT_EQ(o.count, 99);
}

TEST(OptEngine, GroupsAndControls) {
    float level = 1.5f;
    double rate = 0.25;
    int scaled = 2500;
    int code = 4;
    bool on = true;
    AnsiString name = "Южная"_cp;
    int choice = 1;
    int index = 2;
    TColor color = TColor(0x123456);
    memory_edit e_level, e_rate, e_scaled, e_code;
    memory_check_box check;
    memory_combo_box list_box("cb", csDropDownList), pick;
    pick.items.SetCommaText("a,b,c");
    memory_radio_button r0, r1, r2;
    TControl* radios[] = {&r0, &r1, &r2, nullptr};
    memory_color_control colour;

    oe::OptEngine engine;
    engine.add(1, level, &e_level, 2, 1.0);
    engine.add(2, rate, &e_rate, 1, 0.01);
    engine.add(2, scaled, &e_scaled, 1, 1000.0);
    engine.add(2, code, &e_code, "N{} kg", 7);
    engine.add(1, on, &check);
    engine.add(2, name, &list_box);
    engine.add(2, choice, radios);
    engine.add(2, index, &pick);
    engine.add(2, color, &colour);

    engine.show(2);
    EXPECT_EQ(e_level.text, "");  // group 1 not shown
    EXPECT_EQ(e_rate.text, "25.0");
    EXPECT_EQ(e_scaled.text, "2.5");
    EXPECT_EQ(e_code.text, "N4 kg");
    EXPECT_EQ(list_box.items.CommaText(), "Южная"_cp);  // added to the fixed list, then selected
    EXPECT_EQ(list_box.item_index, 0);
    EXPECT_EQ((std::vector{r0.checked, r1.checked, r2.checked}), (std::vector{false, true, false}));
    EXPECT_EQ(pick.text, "c");
    EXPECT_EQ(colour.color, TColor(0x123456));

    e_level.text = "9";
    check.checked = false;
    e_rate.text = "30,5";
    e_scaled.text = "много"_cp;  // not a number: unchanged
    e_code.text = "N12 kg";
    r1.checked = false;
    r2.checked = true;
    pick.SetItemIndex(0);
    colour.color = TColor(0xFF);
    engine.get();
    EXPECT_EQ(level, 1.5f);
    EXPECT_TRUE(on);
    EXPECT_DOUBLE_EQ(rate, 0.305);
    EXPECT_EQ(scaled, 2500);
    EXPECT_EQ(code, 12);
    EXPECT_EQ(choice, 2);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(color, TColor(0xFF));

    e_code.text = "lots";
    r2.checked = false;  // no button checked: unchanged
    engine.get();
    EXPECT_EQ(code, 7);
    EXPECT_EQ(choice, 2);
    engine.show(1);
    EXPECT_TRUE(check.checked);
    e_level.text = "9";
    check.checked = false;
    engine.get();
    EXPECT_FALSE(on);
    EXPECT_EQ(level, 9.0f);
}

}  // namespace
