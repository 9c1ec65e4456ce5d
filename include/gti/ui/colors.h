// Colour and drawing helpers of the station's windows: readable text colours, lighter shades,
// gradients, lines, polylines of any length and text measuring, on any TCanvas.
//
// A TColor is 0x00BBGGRR. A system colour has the top bit set and the index of the system
// colour in its low byte (0x8000000F is the face of buttons); it is resolved to RGB through the
// platform's table of system colours before it is split.
#pragma once

#include "gti/platform/ansi_string.h"
#include "gti/platform/system.h"
#include "gti/ui/canvas.h"

namespace lib {

// Resolves `c` to RGB (system colours through the platform's table) and splits it: r = bits
// 0-7, g = bits 8-15, b = bits 16-23.
void color_to_rgb(TColor c, int& r, int& g, int& b);

// The colour r + g·256 + b·65536 (no clamping).
TColor rgb_to_color(int r, int g, int b);

// Black or white, whichever reads better on `c`: brightness 0.3·r + 0.5·g + 0.2·b of 120 or
// more gives black.
TColor get_inverse_color(TColor c);

// A lighter (positive delta) or darker (negative delta) shade of `c`: per channel c + delta +
// max(0, base − 64) / 4, kept within 0..255 so the packed colour stays a colour.
TColor transform_color_light(TColor c, int delta, TColor base);

// Fills `r` with a left-to-right gradient from `from` to `to` in min(32, width) vertical bands,
// the first exactly `from` and the last exactly `to`; nothing for a width of 1 or less. Leaves
// the brush solid in the last band's colour.
void draw_gradient(TCanvas* canvas, const TRect& r, TColor from, TColor to);

// Moves the pen to (x1, y1) and draws a line to (x2, y2).
void line(TCanvas* canvas, int x1, int y1, int x2, int y2);

// The most points the station's drawing surface takes in one polyline call.
inline constexpr int max_polyline_points = 2047;

// Draws a polyline of any length as pieces of at most 2047 points; neighbouring pieces share
// their joining point.
void win9x_poly_line(TCanvas* canvas, const TPoint* points, int count);

// Measures a text in the canvas's font: width = measured width + 2, height = the line height;
// both -1 when the canvas cannot measure it. Returns the measured height (0 then).
int calc_text_dims(TCanvas* canvas, const AnsiString& text, int& width, int& height);

// The name of a colour ("clRed", "clBtnFace"), or its decimal number when it has no name.
AnsiString color_to_string(TColor c);

// The colour a name ("clRed", any letter case) or a number (decimal, "$" or "0x" hexadecimal)
// gives; false, and `c` unchanged, for any other text.
bool string_to_color(const AnsiString& text, TColor& c);

}  // namespace lib
