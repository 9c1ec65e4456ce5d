// TCanvas: the drawing surface of the station's windows, and its surfaces over cairo.
//
// A canvas carries the current pen, brush and font and offers the few primitives the station's
// drawing code uses: filled rectangles, lines from the pen position, polylines, text and text
// measuring. Coordinates are device pixels, x to the right and y down. Colours are TColor
// (0x00BBGGRR; system colours are resolved through lib::color_to_rgb). Text is station text
// (code page 1251).
//
// Two surfaces draw for real: png_canvas renders with cairo into an image and writes a PNG
// file; svg_canvas writes an SVG document whose texts stay text elements (searchable, and
// readable by tests), measured with the same cairo fonts as the PNG. Both replace their file
// as a whole (a temporary file renamed over the old one), so a failed write keeps the old file.
// Tests record what drawing code does with a canvas of their own derived from TCanvas.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/system.h"

// A point in device pixels.
struct TPoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle from (left, top) up to, not including, (right, bottom).
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // The width, right - left.
    int Width() const noexcept { return right - left; }
    // The height, bottom - top.
    int Height() const noexcept { return bottom - top; }

    friend bool operator==(const TRect&, const TRect&) = default;
};

// How a pen draws lines.
enum TPenStyle { psSolid, psDash, psDot, psClear };
// How a brush fills areas.
enum TBrushStyle { bsSolid, bsClear };

// The pen that draws lines and outlines.
struct TPen {
    TColor Color = TColor(0x000000);
    int Width = 1;
    TPenStyle Style = psSolid;
};

// The brush that fills rectangles and the background of text.
struct TBrush {
    TColor Color = TColor(0xFFFFFF);
    TBrushStyle Style = bsSolid;
};

// The font of text; Size is the height of the letters in pixels.
struct TFont {
    AnsiString Name = "DejaVu Sans";
    int Size = 12;
    TColor Color = TColor(0x000000);
    bool Bold = false;
};

// A drawing surface: current pen, brush and font, and the drawing primitives.
class TCanvas {
public:
    TPen Pen;
    TBrush Brush;
    TFont Font;

    virtual ~TCanvas() = default;

    // The pen position that LineTo starts from.
    TPoint PenPos() const noexcept { return pen_pos_; }
    // Moves the pen without drawing.
    virtual void MoveTo(int x, int y) { pen_pos_ = {x, y}; }
    // Draws a line with the pen from the pen position to (x, y), which becomes the pen position.
    virtual void LineTo(int x, int y) = 0;
    // Fills the rectangle with the brush (nothing with a clear brush).
    virtual void FillRect(const TRect& r) = 0;
    // Draws `count` points joined by lines with the pen; the pen position becomes the last point.
    virtual void Polyline(const TPoint* points, int count) = 0;
    // Draws text with its top-left corner at (x, y) in the font's colour.
    virtual void TextOut(int x, int y, const AnsiString& text) = 0;
    // Measures text in the current font as laid out from (0, 0): sets r.right and r.bottom to
    // its extent and returns its height; returns 0 when the text cannot be measured.
    virtual int DrawTextCalc(const AnsiString& text, TRect& r) = 0;

    // The width of a text in pixels in the current font (0 when it cannot be measured).
    int TextWidth(const AnsiString& text);
    // The height of a line of text in pixels in the current font.
    int TextHeight(const AnsiString& text);

protected:
    TPoint pen_pos_;
};

namespace lib::ui {

// Measures text with cairo's fonts (the installed TrueType fonts); shared by both surfaces so
// that an SVG lays out exactly like the PNG of the same drawing.
class text_measurer {
public:
    text_measurer();
    ~text_measurer();
    text_measurer(const text_measurer&) = delete;
    text_measurer& operator=(const text_measurer&) = delete;

    // The extent of a station text in the font: width and height in pixels; false when cairo
    // cannot lay it out.
    bool measure(const TFont& font, const AnsiString& text, int& width, int& height);

private:
    struct state;
    std::unique_ptr<state> s_;
};

// A canvas that renders into an image of width × height pixels with cairo; save() writes it as
// a PNG file. The image starts white.
class png_canvas final : public TCanvas {
public:
    // Throws std::runtime_error for a size outside 1..16384 in either direction.
    png_canvas(int width, int height);
    ~png_canvas() override;

    void LineTo(int x, int y) override;
    void FillRect(const TRect& r) override;
    void Polyline(const TPoint* points, int count) override;
    void TextOut(int x, int y, const AnsiString& text) override;
    int DrawTextCalc(const AnsiString& text, TRect& r) override;

    // The PNG file's bytes.
    std::string png_bytes();
    // Writes the PNG file, replacing `file` as a whole; throws std::runtime_error naming the
    // file when it cannot be written.
    void save(const AnsiString& file);

private:
    struct state;
    std::unique_ptr<state> s_;
};

// A canvas that writes an SVG document of width × height pixels. Lines and polylines are
// polyline elements, rectangles rect elements and texts text elements in UTF-8; a group opened
// with begin_group() lets readers find the parts of a drawing by id.
class svg_canvas final : public TCanvas {
public:
    // Throws std::runtime_error for a size outside 1..16384 in either direction.
    svg_canvas(int width, int height);
    ~svg_canvas() override;

    void LineTo(int x, int y) override;
    void FillRect(const TRect& r) override;
    void Polyline(const TPoint* points, int count) override;
    void TextOut(int x, int y, const AnsiString& text) override;
    int DrawTextCalc(const AnsiString& text, TRect& r) override;

    // Opens a group element with the id (ASCII) that holds what is drawn until end_group().
    void begin_group(const std::string& id);
    // Closes the innermost open group.
    void end_group();

    // The SVG document (open groups closed).
    std::string document() const;
    // Writes the document, replacing `file` as a whole; throws std::runtime_error naming the
    // file when it cannot be written.
    void save(const AnsiString& file);

private:
    void add_stroke(std::string& out) const;

    int width_;
    int height_;
    int open_groups_ = 0;
    std::string body_;
    text_measurer measurer_;
};

// Writes bytes as the whole new contents of `file`: a new file beside it, flushed, then renamed
// over it, so a failure at any point leaves the old file whole. Throws std::runtime_error
// "<file>: Невозможно записать в файл!" when that fails.
void write_file_bytes(const AnsiString& file, const std::string& bytes);

}  // namespace lib::ui
