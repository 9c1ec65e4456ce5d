// A canvas that records what drawing code does with it, for the tests of the ui module.
#pragma once

#include <string>
#include <vector>

#include "gti/ui/canvas.h"

namespace gti_test {

class recording_canvas final : public TCanvas {
public:
    struct fill {
        TRect rect;
        TColor color;
    };
    struct text {
        TPoint at;
        AnsiString s;
    };

    void LineTo(int x, int y) override {
        const TPoint p[] = {pen_pos_, {x, y}};
        polylines.emplace_back(p, p + 2);
        pen_pos_ = {x, y};
    }
    void FillRect(const TRect& r) override {
        if (Brush.Style == bsSolid) fills.push_back({r, Brush.Color});
    }
    void Polyline(const TPoint* points, int count) override {
        polylines.emplace_back(points, points + count);
        if (count > 0) pen_pos_ = points[count - 1];
    }
    void TextOut(int x, int y, const AnsiString& s) override { texts.push_back({{x, y}, s}); }
    // Every character is 7 pixels wide and a line 14 high; the text "unmeasurable" cannot be laid out.
    int DrawTextCalc(const AnsiString& s, TRect& r) override {
        if (s == "unmeasurable") return 0;
        r = TRect{0, 0, 7 * static_cast<int>(s.size()), 14};
        return 14;
    }

    std::vector<fill> fills;
    std::vector<std::vector<TPoint>> polylines;
    std::vector<text> texts;
};

}  // namespace gti_test
