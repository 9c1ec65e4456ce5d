#include "gti/ui/window_state.h"

#include <sstream>
#include <string>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/util/number_text.h"
#include "gti/util/string_list.h"
#include "gti/util/text.h"

namespace lib {
namespace {

AnsiString band_key(int i) {
    return AnsiString("CoolBand" + std::to_string(i));
}

// The words of a band's value, split at spaces.
std::vector<AnsiString> words(const AnsiString& value) {
    std::vector<AnsiString> out;
    std::istringstream in(value.str());
    std::string w;
    while (in >> w)
        out.push_back(AnsiString(w));
    return out;
}

int find_band(TCoolBar* bar, const AnsiString& control_name) {
    for (int i = 0; i < bar->BandCount(); ++i)
        if (cp1251::equal_nocase(bar->Band(i).control_name.view(), control_name.view())) return i;
    return -1;
}

}  // namespace

void save_window_pos(TForm* form, const AnsiString& section, TIniFile* ini) {
    TRect r;
    if (!form->NormalPlacement(r))
        r = TRect{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
    ini_update(ini, [&] {
        ini->WriteInteger(section, "top", r.top);
        ini->WriteInteger(section, "left", r.left);
        ini->WriteInteger(section, "width", r.right - r.left);
        ini->WriteInteger(section, "height", r.bottom - r.top);
        ini->WriteInteger(section, "state", static_cast<int>(form->WindowState()));
    });
}

void load_window_pos(TForm* form, const AnsiString& section, TIniFile* ini) {
    form->SetTop(ini->ReadInteger(section, "top", form->Top()));
    form->SetLeft(ini->ReadInteger(section, "left", form->Left()));
    const int width = ini->ReadInteger(section, "width", form->Width());
    if (width > 0) form->SetWidth(width);
    const int height = ini->ReadInteger(section, "height", form->Height());
    if (height > 0) form->SetHeight(height);
    const int state = ini->ReadInteger(section, "state", static_cast<int>(form->WindowState()));
    if (state >= wsNormal && state <= wsMaximized) form->SetWindowState(static_cast<TWindowState>(state));
}

void store_last_cb_values(TIniFile* ini, TComboBox* box, const AnsiString& section, bool store_text) {
    std::string trimmed;
    trim(box->Text().str(), trimmed);
    const AnsiString text(trimmed);
    if (text.empty()) return;
    TStrings& items = box->Items();
    const int old = items.IndexOf(text);
    if (old >= 0) items.Delete(old);
    items.Insert(0, text);
    while (items.Count() > max_cb_history)
        items.Delete(max_cb_history);
    ini_update(ini, [&] {
        ini->WriteString(section, box->Name() + "->Items", "\"" + items.CommaText() + "\"");
        if (store_text) ini->WriteString(section, box->Name() + "->Text", "\"" + text + "\"");
    });
    box->SetText(text);
}

void restore_last_cb_values(TIniFile* ini, TComboBox* box, const AnsiString& section, bool restore_text) {
    TStrings& items = box->Items();
    items.SetCommaText(ini->ReadString(section, box->Name() + "->Items", items.CommaText()));
    if (restore_text) box->SetText(ini->ReadString(section, box->Name() + "->Text", ""));
}

void save_cool_bar(TCoolBar* bar, TIniFile* ini, AnsiString section) {
    ini_update(ini, [&] {
        ini->EraseSection(section);
        for (int i = 0; i < bar->BandCount(); ++i) {
            const TCoolBandState b = bar->Band(i);
            ini->WriteString(section, band_key(i),
                             b.control_name + " " + (b.break_line ? "1" : "0") + " " + (b.visible ? "1" : "0") + " " +
                                 AnsiString(std::to_string(b.width)));
        }
    });
}

void load_cool_bar(TCoolBar* bar, TIniFile* ini, AnsiString section) {
    std::vector<std::vector<AnsiString>> saved;
    for (int i = 0;; ++i) {
        const std::vector<AnsiString> w = words(ini->ReadString(section, band_key(i), ""));
        if (w.empty()) break;
        saved.push_back(w);
    }
    // Moving each saved band to the end in saved order leaves them in that order.
    for (const auto& w : saved) {
        const int i = find_band(bar, w[0]);
        if (i >= 0) bar->MoveBand(i, bar->BandCount() - 1);
    }
    for (const auto& w : saved) {
        const int i = find_band(bar, w[0]);
        if (i < 0) continue;
        TCoolBandState b = bar->Band(i);
        b.break_line = false;
        int v;
        if (w.size() > 2 && str_to_int(w[2], v)) b.visible = v != 0;
        if (w.size() > 3 && str_to_int(w[3], v) && v >= 0) b.width = v;
        bar->SetBand(i, b);
    }
}

}  // namespace lib
