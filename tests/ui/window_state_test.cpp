#include "gti/ui/window_state.h"

#include <gtest/gtest.h>

#include <string>

#include "gti/platform/cp_literal.h"
#include "support.h"

using namespace lib;
using namespace lib::literals;
using lib::ui::memory_combo_box;
using lib::ui::memory_cool_bar;
using lib::ui::memory_form;

namespace {

TEST(WindowState, MaximisedWindowReopensMaximisedWithItsRestoredSize) {
    gti_test::temp_dir dir;
    TIniFile ini(dir.file("state.ini"));
    memory_form form("MainForm");
    form.left = 40, form.top = 120, form.width = 800, form.height = 600;
    form.SetWindowState(wsMaximized);
    save_window_pos(&form, "Main", &ini);
    EXPECT_EQ(gti_test::read_bytes(dir.file("state.ini")),
              "[Main]\r\ntop=120\r\nleft=40\r\nwidth=800\r\nheight=600\r\nstate=2\r\n");

    memory_form again("MainForm");
    load_window_pos(&again, "Main", &ini);
    EXPECT_EQ(again.WindowState(), wsMaximized);
    again.SetWindowState(wsNormal);
    EXPECT_EQ((std::vector{again.left, again.top, again.width, again.height}), (std::vector{40, 120, 800, 600}));

    // Missing keys keep the form's values; unusable ones are not taken.
    ini.WriteString("Other", "width", "wide");
    ini.WriteInteger("Other", "height", -5);
    ini.WriteInteger("Other", "state", 7);
    memory_form other;
    load_window_pos(&other, "Other", &ini);
    EXPECT_EQ((std::vector{other.left, other.top, other.width, other.height}), (std::vector{0, 0, 400, 300}));
    EXPECT_EQ(other.WindowState(), wsNormal);
}

TEST(WindowState, ComboBoxHistoryIsMostRecentFirstWithoutDuplicates) {
    gti_test::temp_dir dir;
    TIniFile ini(dir.file("state.ini"));
    memory_combo_box box("cbWell");
    for (const char* text : {"a", "b", "c", "  b  "}) {
        box.text = text;
        store_last_cb_values(&ini, &box, "Hist", true);
    }
    EXPECT_EQ(box.items.CommaText(), "b,c,a");
    EXPECT_EQ(box.text, "b");
    EXPECT_EQ(ini.ReadString("Hist", "cbWell->Items", ""), "b,c,a");
    EXPECT_EQ(ini.ReadString("Hist", "cbWell->Text", ""), "b");

    // Empty and all-space texts change nothing.
    const std::string before = gti_test::read_bytes(dir.file("state.ini"));
    for (const char* text : {"", "   "}) {
        box.text = text;
        store_last_cb_values(&ini, &box, "Hist", true);
        EXPECT_EQ(box.items.CommaText(), "b,c,a");
        EXPECT_EQ(box.text, text);
    }
    EXPECT_EQ(gti_test::read_bytes(dir.file("state.ini")), before);

    for (int i = 0; i < 20; ++i) {
        box.text = AnsiString("Скв "_cp) + AnsiString(std::to_string(i));
        store_last_cb_values(&ini, &box, "Hist", false);
    }
    ASSERT_EQ(box.items.Count(), 15);
    EXPECT_EQ(box.items.Get(0), "Скв 19"_cp);
    EXPECT_EQ(box.items.Get(14), "Скв 5"_cp);

    memory_combo_box restored("cbWell");
    restore_last_cb_values(&ini, &restored, "Hist", true);
    EXPECT_EQ(restored.items.CommaText(), box.items.CommaText());
    EXPECT_EQ(restored.text, "b");  // the text of the last store that kept one
    memory_combo_box fresh("cbOther");
    fresh.items.SetCommaText("x,y");
    restore_last_cb_values(&ini, &fresh, "Hist", true);
    EXPECT_EQ(fresh.items.CommaText(), "x,y");
    EXPECT_EQ(fresh.text, "");
}

TEST(WindowState, CoolBarBandsComeBackInTheirOrderAndState) {
    gti_test::temp_dir dir;
    TIniFile ini(dir.file("state.ini"));
    memory_cool_bar bar;
    bar.bands = {{"tbMain", true, true, 220}, {"tbView", false, false, 140}, {"tbTools", false, true, 90}};
    ini.WriteString("Bar", "stale", "1");
    save_cool_bar(&bar, &ini, "Bar");
    EXPECT_EQ(gti_test::read_bytes(dir.file("state.ini")),
              "[Bar]\r\nCoolBand0=tbMain 1 1 220\r\nCoolBand1=tbView 0 0 140\r\nCoolBand2=tbTools 0 1 90\r\n");

    memory_cool_bar other;
    other.bands = {{"tbTools", true, false, 10},
                   {"tbNew", true, true, 50},
                   {"tbMain", false, false, 10},
                   {"tbView", true, true, 10}};
    ini.WriteString("Bar", "CoolBand3", "tbGone 0 1 10");
    ini.WriteString("Bar", "CoolBand5", "tbNew 0 0 1");  // after the gap: not read
    ini.WriteString("Bar", "CoolBand2", "tbTools 0 x y");
    load_cool_bar(&other, &ini, "Bar");
    std::vector<std::string> order;
    for (const auto& b : other.bands)
        order.push_back(b.control_name.str() + " " + std::to_string(b.break_line) + std::to_string(b.visible) + " " +
                        std::to_string(b.width));
    EXPECT_EQ(order, (std::vector<std::string>{"tbNew 11 50", "tbMain 01 220", "tbView 00 140", "tbTools 00 10"}));
}

}  // namespace
