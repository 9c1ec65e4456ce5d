#include "gti/ui/canvas.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/ui/colors.h"

int TCanvas::TextWidth(const AnsiString& text) {
    TRect r;
    return DrawTextCalc(text, r) ? r.right - r.left : 0;
}

int TCanvas::TextHeight(const AnsiString& text) {
    TRect r;
    return DrawTextCalc(text, r);
}

namespace lib::ui {
namespace {

constexpr int max_side = 16384;

void check_size(int width, int height) {
    if (width < 1 || height < 1 || width > max_side || height > max_side)
        throw std::runtime_error("canvas size " + std::to_string(width) + "x" + std::to_string(height) +
                                 " is outside 1..16384");
}

void set_font(cairo_t* cr, const TFont& font) {
    cairo_select_font_face(cr, font.Name.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           font.Bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.Size > 0 ? font.Size : 1);
}

void set_color(cairo_t* cr, TColor c) {
    int r, g, b;
    lib::color_to_rgb(c, r, g, b);
    cairo_set_source_rgb(cr, r / 255.0, g / 255.0, b / 255.0);
}

// Lays out text: its advance width and the font's line height and ascent.
bool layout(cairo_t* cr, const TFont& font, const std::string& utf8, double& width, double& height, double& ascent) {
    set_font(cr, font);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr, utf8.c_str(), &te);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) return false;
    width = te.x_advance;
    height = fe.ascent + fe.descent;
    ascent = fe.ascent;
    return height > 0;
}

std::string hex_color(TColor c) {
    int r, g, b;
    lib::color_to_rgb(c, r, g, b);
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", r, g, b);
    return buf;
}

std::string xml_escape(const std::string& s) {
    std::string out;
    for (char ch : s) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Control characters have no place in XML text.
                if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\t') out += ch;
        }
    }
    return out;
}

// The centre of a pixel column or row, as text.
std::string pixel_centre(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", v + 0.5);
    return buf;
}

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

void write_file_bytes(const AnsiString& file, const std::string& bytes) {
    // A new file beside the old one that takes its place whole, or not at all.
    lib::os::replacement_file out;
    if (!out.create(file) || !lib::os::write_file(out.handle(), bytes.data(), bytes.size()) || !out.commit())
        throw std::runtime_error((file + ": " + "Невозможно записать в файл!"_cp).str());
}

// ---- text_measurer --------------------------------------------------------------------------

struct text_measurer::state {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
};

text_measurer::text_measurer() : s_(std::make_unique<state>()) {
    s_->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    s_->cr = cairo_create(s_->surface);
}

text_measurer::~text_measurer() {
    cairo_destroy(s_->cr);
    cairo_surface_destroy(s_->surface);
}

bool text_measurer::measure(const TFont& font, const AnsiString& text, int& width, int& height) {
    double w, h, a;
    if (!layout(s_->cr, font, lib::cp1251::to_utf8(text.view()), w, h, a)) return false;
    width = static_cast<int>(std::ceil(w));
    height = static_cast<int>(std::ceil(h));
    return true;
}

// ---- png_canvas -----------------------------------------------------------------------------

struct png_canvas::state {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;

    // Strokes the current path with the pen; integer coordinates land in pixel centres.
    void stroke(const TPen& pen) {
        if (pen.Style == psClear) {
            cairo_new_path(cr);
            return;
        }
        set_color(cr, pen.Color);
        cairo_set_line_width(cr, pen.Width > 0 ? pen.Width : 1);
        const double dash[] = {pen.Style == psDot ? 1.0 : 5.0, pen.Style == psDot ? 2.0 : 3.0};
        cairo_set_dash(cr, dash, pen.Style == psSolid ? 0 : 2, 0);
        cairo_stroke(cr);
    }
};

png_canvas::png_canvas(int width, int height) : s_(std::make_unique<state>()) {
    check_size(width, height);
    s_->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    s_->cr = cairo_create(s_->surface);
    if (cairo_status(s_->cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(s_->cr);
        cairo_surface_destroy(s_->surface);
        throw std::runtime_error("cannot create an image of " + std::to_string(width) + "x" + std::to_string(height));
    }
    cairo_set_source_rgb(s_->cr, 1, 1, 1);
    cairo_paint(s_->cr);
}

png_canvas::~png_canvas() {
    cairo_destroy(s_->cr);
    cairo_surface_destroy(s_->surface);
}

void png_canvas::LineTo(int x, int y) {
    cairo_move_to(s_->cr, pen_pos_.x + 0.5, pen_pos_.y + 0.5);
    cairo_line_to(s_->cr, x + 0.5, y + 0.5);
    s_->stroke(Pen);
    pen_pos_ = {x, y};
}

void png_canvas::FillRect(const TRect& r) {
    if (Brush.Style == bsClear) return;
    set_color(s_->cr, Brush.Color);
    cairo_rectangle(s_->cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(s_->cr);
}

void png_canvas::Polyline(const TPoint* points, int count) {
    if (!points || count <= 0) return;
    cairo_move_to(s_->cr, points[0].x + 0.5, points[0].y + 0.5);
    for (int i = 1; i < count; ++i)
        cairo_line_to(s_->cr, points[i].x + 0.5, points[i].y + 0.5);
    cairo_set_line_join(s_->cr, CAIRO_LINE_JOIN_ROUND);
    s_->stroke(Pen);
    pen_pos_ = points[count - 1];
}

void png_canvas::TextOut(int x, int y, const AnsiString& text) {
    const std::string utf8 = lib::cp1251::to_utf8(text.view());
    double w, h, a;
    if (!layout(s_->cr, Font, utf8, w, h, a)) return;
    if (Brush.Style == bsSolid) {
        set_color(s_->cr, Brush.Color);
        cairo_rectangle(s_->cr, x, y, w, h);
        cairo_fill(s_->cr);
    }
    set_color(s_->cr, Font.Color);
    cairo_move_to(s_->cr, x, y + a);
    cairo_show_text(s_->cr, utf8.c_str());
    cairo_new_path(s_->cr);
}

int png_canvas::DrawTextCalc(const AnsiString& text, TRect& r) {
    double w, h, a;
    if (!layout(s_->cr, Font, lib::cp1251::to_utf8(text.view()), w, h, a)) return 0;
    r = TRect{0, 0, static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(h))};
    return r.bottom;
}

std::string png_canvas::png_bytes() {
    cairo_surface_flush(s_->surface);
    std::string bytes;
    if (cairo_surface_write_to_png_stream(s_->surface, append_bytes, &bytes) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot encode the image as PNG");
    return bytes;
}

void png_canvas::save(const AnsiString& file) {
    write_file_bytes(file, png_bytes());
}

// ---- svg_canvas -----------------------------------------------------------------------------

svg_canvas::svg_canvas(int width, int height) : width_(width), height_(height) {
    check_size(width, height);
}

svg_canvas::~svg_canvas() = default;

void svg_canvas::add_stroke(std::string& out) const {
    out += " fill=\"none\" stroke=\"" + hex_color(Pen.Color) + "\" stroke-width=\"" +
           std::to_string(Pen.Width > 0 ? Pen.Width : 1) + "\"";
    if (Pen.Style == psDash) out += " stroke-dasharray=\"5,3\"";
    if (Pen.Style == psDot) out += " stroke-dasharray=\"1,2\"";
}

void svg_canvas::LineTo(int x, int y) {
    const TPoint points[] = {pen_pos_, {x, y}};
    Polyline(points, 2);
}

void svg_canvas::FillRect(const TRect& r) {
    if (Brush.Style == bsClear) return;
    body_ += "<rect x=\"" + std::to_string(r.left) + "\" y=\"" + std::to_string(r.top) + "\" width=\"" +
             std::to_string(r.Width()) + "\" height=\"" + std::to_string(r.Height()) + "\" fill=\"" +
             hex_color(Brush.Color) + "\"/>\n";
}

void svg_canvas::Polyline(const TPoint* points, int count) {
    if (!points || count <= 0) return;
    pen_pos_ = points[count - 1];
    if (Pen.Style == psClear) return;
    body_ += "<polyline points=\"";
    for (int i = 0; i < count; ++i) {
        if (i) body_ += ' ';
        // Pixel centres, as the PNG draws them.
        body_ += pixel_centre(points[i].x) + "," + pixel_centre(points[i].y);
    }
    body_ += "\"";
    add_stroke(body_);
    body_ += "/>\n";
}

void svg_canvas::TextOut(int x, int y, const AnsiString& text) {
    int w, h;
    if (!measurer_.measure(Font, text, w, h)) return;
    if (Brush.Style == bsSolid) {
        body_ += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(w) +
                 "\" height=\"" + std::to_string(h) + "\" fill=\"" + hex_color(Brush.Color) + "\"/>\n";
    }
    body_ += "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
             "\" dominant-baseline=\"text-before-edge\" font-family=\"" +
             xml_escape(lib::cp1251::to_utf8(Font.Name.view())) + "\" font-size=\"" + std::to_string(Font.Size) + "\"" +
             (Font.Bold ? " font-weight=\"bold\"" : "") + " fill=\"" + hex_color(Font.Color) + "\">" +
             xml_escape(lib::cp1251::to_utf8(text.view())) + "</text>\n";
}

int svg_canvas::DrawTextCalc(const AnsiString& text, TRect& r) {
    int w, h;
    if (!measurer_.measure(Font, text, w, h)) return 0;
    r = TRect{0, 0, w, h};
    return h;
}

void svg_canvas::begin_group(const std::string& id) {
    body_ += "<g id=\"" + xml_escape(id) + "\">\n";
    ++open_groups_;
}

void svg_canvas::end_group() {
    if (open_groups_ == 0) return;
    body_ += "</g>\n";
    --open_groups_;
}

std::string svg_canvas::document() const {
    const std::string w = std::to_string(width_), h = std::to_string(height_);
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n<rect width=\"" + w +
                      "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
    doc += body_;
    for (int i = 0; i < open_groups_; ++i)
        doc += "</g>\n";
    doc += "</svg>\n";
    return doc;
}

void svg_canvas::save(const AnsiString& file) {
    write_file_bytes(file, document());
}

}  // namespace lib::ui
