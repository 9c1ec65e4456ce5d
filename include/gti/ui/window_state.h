// Small pieces of window state kept in an INI file between runs: a form's placement, the recent
// entries of a combo box, the layout of a cool bar.
//
//   [section]                              written by
//   top=120  left=40  width=800            save_window_pos (width = right - left of the
//   height=600  state=2                    restored placement; state 0 normal, 1 minimised,
//                                          2 maximised)
//   cbWell->Items="Южная-7,Северная-2"     store_last_cb_values (the comma text, newest first,
//   cbWell->Text="Южная-7"                 at most 15 entries)
//   CoolBand0=tbMain 0 1 220               save_cool_bar: control name, break flag, visible,
//   CoolBand1=tbView 0 0 140               width, one key per band in band order
#pragma once

#include "gti/platform/ansi_string.h"
#include "gti/ui/controls.h"
#include "gti/util/ini_file.h"

namespace lib {

// The most entries a combo-box history keeps.
inline constexpr int max_cb_history = 15;

// Writes the form's restored placement (its own position and size when the window system
// cannot tell) and window state in `section`.
void save_window_pos(TForm* form, const AnsiString& section, TIniFile* ini);

// Reads what save_window_pos wrote, each value defaulting to the form's current one, and sets
// top, left, width, height and window state in this order. A width or height below 1 and a
// state other than 0, 1, 2 are not taken: they would make the window unreachable.
void load_window_pos(TForm* form, const AnsiString& section, TIniFile* ini);

// Puts the box's text (trimmed of spaces) at the top of its list, without duplicates and with at
// most 15 entries, saves the list under name + "->Items" (and, with `store_text`, the text under
// name + "->Text"), and leaves the trimmed text in the box. An empty text changes nothing.
void store_last_cb_values(TIniFile* ini, TComboBox* box, const AnsiString& section, bool store_text);

// Restores the list (and, with `restore_text`, the text) that store_last_cb_values saved; a
// missing list keeps the box's current one, a missing text gives the empty text.
void restore_last_cb_values(TIniFile* ini, TComboBox* box, const AnsiString& section, bool restore_text);

// Replaces `section` with one key per band, "CoolBand0", "CoolBand1", ...
void save_cool_bar(TCoolBar* bar, TIniFile* ini, AnsiString section);

// Puts the bands in the saved order (names the bar does not have are passed over) and gives each
// saved band no line break, its saved visibility and its saved width; a word that is not a
// number leaves that property as it is.
void load_cool_bar(TCoolBar* bar, TIniFile* ini, AnsiString section);

}  // namespace lib
