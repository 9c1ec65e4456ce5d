#include "gti/ui/colors.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/util/number_text.h"

namespace lib {
namespace {

// The system colours of the platform's default scheme, by index, as 0x00BBGGRR.
constexpr std::uint32_t system_colors[] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
    0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
    0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF,
};
constexpr std::uint32_t system_flag = 0x80000000u;

struct named_color {
    const char* name;
    std::uint32_t value;
};

// The platform's colour names; system colours are the flag plus their index.
constexpr named_color color_names[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", system_flag | 0},
    {"clBackground", system_flag | 1},
    {"clActiveCaption", system_flag | 2},
    {"clInactiveCaption", system_flag | 3},
    {"clMenu", system_flag | 4},
    {"clWindow", system_flag | 5},
    {"clWindowFrame", system_flag | 6},
    {"clMenuText", system_flag | 7},
    {"clWindowText", system_flag | 8},
    {"clCaptionText", system_flag | 9},
    {"clActiveBorder", system_flag | 10},
    {"clInactiveBorder", system_flag | 11},
    {"clAppWorkSpace", system_flag | 12},
    {"clHighlight", system_flag | 13},
    {"clHighlightText", system_flag | 14},
    {"clBtnFace", system_flag | 15},
    {"clBtnShadow", system_flag | 16},
    {"clGrayText", system_flag | 17},
    {"clBtnText", system_flag | 18},
    {"clInactiveCaptionText", system_flag | 19},
    {"clBtnHighlight", system_flag | 20},
    {"cl3DDkShadow", system_flag | 21},
    {"cl3DLight", system_flag | 22},
    {"clInfoText", system_flag | 23},
    {"clInfoBk", system_flag | 24},
};

// The RGB value of a colour: system colours through the table (an unknown index is black).
std::uint32_t resolve(TColor c) {
    const auto v = static_cast<std::uint32_t>(c);
    if (!(v & system_flag)) return v;
    const std::uint32_t index = v & 0xFF;
    return index < std::size(system_colors) ? system_colors[index] : 0;
}

}  // namespace

void color_to_rgb(TColor c, int& r, int& g, int& b) {
    const std::uint32_t v = resolve(c);
    r = static_cast<int>(v & 0xFF);
    g = static_cast<int>((v >> 8) & 0xFF);
    b = static_cast<int>((v >> 16) & 0xFF);
}

TColor rgb_to_color(int r, int g, int b) {
    return static_cast<TColor>(r + g * 256 + b * 65536);
}

TColor get_inverse_color(TColor c) {
    int r, g, b;
    color_to_rgb(c, r, g, b);
    const double brightness = 0.2 * b + 0.5 * g + 0.3 * r;
    return brightness >= 120 ? TColor(0x000000) : TColor(0xFFFFFF);
}

TColor transform_color_light(TColor c, int delta, TColor base) {
    int ch[3], bs[3];
    color_to_rgb(c, ch[0], ch[1], ch[2]);
    color_to_rgb(base, bs[0], bs[1], bs[2]);
    // The delta is clamped first so that no sum can overflow.
    const long d = std::clamp(delta, -1024, 1024);
    for (int i = 0; i < 3; ++i)
        ch[i] = static_cast<int>(std::clamp(ch[i] + d + std::max(0, bs[i] - 64) / 4, 0L, 255L));
    return rgb_to_color(ch[0], ch[1], ch[2]);
}

void draw_gradient(TCanvas* canvas, const TRect& r, TColor from, TColor to) {
    const int w = r.right - r.left;
    if (!canvas || w <= 1) return;
    int f[3], t[3];
    color_to_rgb(from, f[0], f[1], f[2]);
    color_to_rgb(to, t[0], t[1], t[2]);
    canvas->Brush.Style = bsSolid;
    const int n = std::min(32, w);
    for (int i = 0; i < n; ++i) {
        int ch[3];
        for (int k = 0; k < 3; ++k)
            ch[k] = f[k] + (t[k] - f[k]) * i / (n - 1);
        canvas->Brush.Color = rgb_to_color(ch[0], ch[1], ch[2]);
        canvas->FillRect(TRect{r.left + i * w / n, r.top, r.left + (i + 1) * w / n, r.bottom});
    }
}

void line(TCanvas* canvas, int x1, int y1, int x2, int y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
}

void win9x_poly_line(TCanvas* canvas, const TPoint* points, int count) {
    if (!canvas || !points || count <= 0) return;
    int pos = 0;
    while (count - pos >= max_polyline_points) {
        canvas->Polyline(points + pos, max_polyline_points);
        pos += max_polyline_points - 1;
    }
    if (count - pos > 0) canvas->Polyline(points + pos, count - pos);
}

int calc_text_dims(TCanvas* canvas, const AnsiString& text, int& width, int& height) {
    TRect r;
    const int h = canvas->DrawTextCalc(text, r);
    if (h) {
        width = r.right - r.left + 2;
        height = h;
    } else {
        width = height = -1;
    }
    return h;
}

AnsiString color_to_string(TColor c) {
    for (const named_color& n : color_names)
        if (n.value == static_cast<std::uint32_t>(c)) return n.name;
    return AnsiString(std::to_string(static_cast<std::int32_t>(c)));
}

bool string_to_color(const AnsiString& text, TColor& c) {
    for (const named_color& n : color_names) {
        if (cp1251::equal_nocase(text.view(), n.name)) {
            c = static_cast<TColor>(n.value);
            return true;
        }
    }
    int v;
    if (!str_to_int(text, v)) return false;
    c = static_cast<TColor>(v);
    return true;
}

}  // namespace lib
