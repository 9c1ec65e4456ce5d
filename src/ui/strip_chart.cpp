#include "gti/ui/strip_chart.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "gti/ui/colors.h"
#include "gti/util/number_text.h"

namespace lib::ui {
namespace {

constexpr int margin = 12;
constexpr int header_height = 92;
constexpr int index_width = 76;
constexpr int curve_header_height = 38;

const TColor grid_minor = TColor(0xEEEEEE);
const TColor grid_major = TColor(0xB4B4B4);
const TColor frame_color = TColor(0x000000);

// The curve colours, in the order curves take them across the chart.
TColor curve_color(int i) {
    static const TColor palette[] = {rgb_to_color(200, 0, 0),   rgb_to_color(0, 70, 200), rgb_to_color(0, 130, 0),
                                     rgb_to_color(150, 0, 150), rgb_to_color(150, 90, 0), rgb_to_color(0, 130, 140),
                                     rgb_to_color(230, 110, 0), rgb_to_color(60, 60, 60)};
    return palette[i % 8];
}

// The tracks of a mud log, by parameter key: drilling rate and bit weight, hook load, pumps,
// rotary, mud density, gas.
const char* const usual_tracks[][3] = {
    {"скорость_механическая"_cp, "нагрузка"_cp, nullptr},         {"вес_на_крюке"_cp, nullptr, nullptr},
    {"давление_на_входе"_cp, "расход_на_входе"_cp, nullptr},      {"обороты_ротора"_cp, "момент_ротора"_cp, nullptr},
    {"плотность_на_входе"_cp, "плотность_на_выходе"_cp, nullptr}, {"сумм_газ"_cp, "метан_абс"_cp, nullptr},
};

int find_param(const FileStorage& store, const AnsiString& key) {
    for (int i = 0; i < store.get_param_count(); ++i)
        if (cp1251::equal_nocase(store.get_param(i)->global_name.view(), key.view())) return i;
    return -1;
}

// The smallest of 1, 2, 5 times a power of ten that is at least x (x > 0).
double nice_step(double x) {
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= x * (1 - 1e-9)) return m * p;
    return 10 * p;
}

double value_of(const FileStorageItem& item, int param) {
    return param < static_cast<int>(item.values.size()) ? item.values[param] : std::numeric_limits<double>::quiet_NaN();
}

// Opens a group on an SVG canvas; other canvases have none.
void begin_group(TCanvas& canvas, const std::string& id) {
    if (auto* svg = dynamic_cast<svg_canvas*>(&canvas)) svg->begin_group(id);
}

void end_group(TCanvas& canvas) {
    if (auto* svg = dynamic_cast<svg_canvas*>(&canvas)) svg->end_group();
}

void frame(TCanvas& canvas, const TRect& r) {
    canvas.Pen = TPen{frame_color, 1, psSolid};
    const TPoint p[] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.left, r.top}};
    canvas.Polyline(p, 5);
}

void text(TCanvas& canvas, int x, int y, const AnsiString& s, int size, TColor color, bool bold = false) {
    canvas.Font.Size = size;
    canvas.Font.Color = color;
    canvas.Font.Bold = bold;
    canvas.Brush.Style = bsClear;
    canvas.TextOut(x, y, s);
}

// Text centred between left and right.
void centred(TCanvas& canvas, int left, int right, int y, const AnsiString& s, int size, TColor color,
             bool bold = false) {
    canvas.Font.Size = size;
    canvas.Font.Bold = bold;
    text(canvas, left + std::max(0, (right - left - canvas.TextWidth(s)) / 2), y, s, size, color, bold);
}

AnsiString run_date(std::uint32_t t) {
    return date_to_string(t);
}

// An end of a scale with the decimals its span needs (0.01 for a span of 0.1, none from 10 up).
AnsiString scale_label(double v, double span) {
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(span))) + 1, 0, 6);
    return float_to_str(v, decimals);
}

}  // namespace

strip_chart::strip_chart(const FileStorage& store, const strip_chart_options& options)
    : store_(store), options_(options) {
    if (options_.body_height < 100 || options_.body_height > 12000)
        throw std::runtime_error("the chart's height must be 100..12000 pixels");
    options_.track_width = std::clamp(options_.track_width, 80, 600);

    // Tracks: the keys asked for, or the usual ones the store holds.
    std::vector<std::vector<AnsiString>> keys = options_.tracks;
    if (keys.empty()) {
        for (const auto& usual : usual_tracks) {
            std::vector<AnsiString> present;
            for (const char* key : usual)
                if (key && find_param(store, key) >= 0) present.push_back(key);
            if (!present.empty()) keys.push_back(present);
        }
        for (int i = 0; keys.empty() && i < std::min(4, store.get_param_count()); ++i)
            keys.push_back({store.get_param(i)->global_name});
        if (keys.empty()) throw std::runtime_error("the data file has no parameters to draw");
    }
    if (keys.size() > static_cast<std::size_t>(max_tracks)) throw std::runtime_error("at most 12 tracks fit a chart");
    int curves = 0;
    for (const auto& group : keys) {
        if (group.empty() || group.size() > max_curves_per_track)
            throw std::runtime_error("a track holds 1 to 4 curves");
        track t;
        for (const AnsiString& key : group) {
            const int p = find_param(store, key);
            if (p < 0) throw std::runtime_error(("no parameter with the key " + key).str());
            t.push_back(curve{p, 0, 1, curve_color(curves++)});
        }
        tracks_.push_back(std::move(t));
    }

    // Rows: by time; in depth mode only those that deepen the hole.
    std::vector<const FileStorageItem*> all;
    for (int i = 0; i < store.get_record_count(); ++i)
        all.push_back(store.get_record(i));
    std::stable_sort(all.begin(), all.end(), [](auto* a, auto* b) { return a->time < b->time; });
    double deepest = -std::numeric_limits<double>::infinity();
    for (const FileStorageItem* item : all) {
        if (!options_.by_time) {
            if (!std::isfinite(item->depth) || item->depth <= deepest) continue;
            deepest = item->depth;
        }
        rows_.push_back(item);
    }
    if (rows_.empty()) throw std::runtime_error("the data file has no records to draw");
    from_ = options_.has_from ? options_.from : index_of(*rows_.front());
    to_ = options_.has_to ? options_.to : index_of(*rows_.back());
    if (!options_.has_from && !options_.has_to && to_ <= from_) to_ = from_ + (options_.by_time ? 60 : 1);
    if (!std::isfinite(from_) || !std::isfinite(to_) || to_ <= from_ || !std::isfinite(to_ - from_))
        throw std::runtime_error("the range to draw is empty or reversed");
    std::erase_if(rows_, [&](const FileStorageItem* item) {
        const double v = index_of(*item);
        return v < from_ || v > to_;
    });
    if (rows_.empty()) throw std::runtime_error("the data file has no records in the range to draw");

    // Scales: the parameter's own when it fits the data, else the data's range made round.
    for (track& t : tracks_) {
        for (curve& c : t) {
            double lo = std::numeric_limits<double>::infinity(), hi = -lo;
            for (const FileStorageItem* item : rows_) {
                const double v = value_of(*item, c.param);
                if (!std::isfinite(v)) continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            const FileStorageParam& p = *store.get_param(c.param);
            if (lo > hi) lo = p.scale_min, hi = p.scale_max;
            if (p.scale_max > p.scale_min && lo >= p.scale_min && hi <= p.scale_max &&
                hi - lo >= 0.25 * (p.scale_max - p.scale_min)) {
                c.min = p.scale_min;
                c.max = p.scale_max;
                continue;
            }
            if (!(hi > lo)) lo -= 1, hi += 1;
            const double step = nice_step((hi - lo) / 5);
            c.min = std::floor(lo / step) * step;
            c.max = std::ceil(hi / step) * step;
        }
    }

    std::size_t most_curves = 1;
    for (const track& t : tracks_)
        most_curves = std::max(most_curves, t.size());
    track_header_height_ = 8 + curve_header_height * static_cast<int>(most_curves);
    body_top_ = margin + header_height + track_header_height_;
    width_ = 2 * margin + index_width + options_.track_width * static_cast<int>(tracks_.size());
    height_ = body_top_ + options_.body_height + margin;
}

double strip_chart::index_of(const FileStorageItem& item) const {
    return options_.by_time ? static_cast<double>(item.time) : static_cast<double>(item.depth);
}

int strip_chart::y_of(double index) const {
    return body_top_ + static_cast<int>(std::lround((index - from_) / (to_ - from_) * options_.body_height));
}

void strip_chart::draw(TCanvas& canvas) const {
    canvas.Font.Name = "DejaVu Sans";
    canvas.Brush = TBrush{TColor(0xFFFFFF), bsSolid};
    canvas.FillRect(TRect{0, 0, width_, height_});
    begin_group(canvas, "header");
    draw_header(canvas);
    end_group(canvas);
    begin_group(canvas, "index");
    draw_index(canvas);
    end_group(canvas);
    for (int i = 0; i < track_count(); ++i) {
        begin_group(canvas, "track-" + std::to_string(i + 1));
        draw_track(canvas, i);
        end_group(canvas);
    }
}

void strip_chart::draw_header(TCanvas& canvas) const {
    const TRect box{margin, margin, width_ - margin, margin + header_height - 6};
    draw_gradient(&canvas, box, rgb_to_color(196, 216, 238), TColor(0xFFFFFF));
    frame(canvas, box);
    const FileStorageTextValues& run = store_.get_text_values();
    const TColor ink = get_inverse_color(rgb_to_color(196, 216, 238));
    const auto given = [](const AnsiString& s) { return !s.empty() && !s.starts_with("::"); };

    AnsiString title = "Скважина "_cp + (given(run.well) ? run.well : AnsiString("?"));
    if (given(run.area)) title += ", площадь "_cp + run.area;
    if (given(run.oilfield)) title += ", месторождение "_cp + run.oilfield;
    text(canvas, box.left + 10, box.top + 6, title, 17, ink, true);

    std::uint32_t first = rows_.front()->time, last = rows_.back()->time;
    for (const FileStorageItem* item : rows_)
        first = std::min(first, item->time), last = std::max(last, item->time);
    AnsiString race = "Рейс № "_cp + AnsiString(std::to_string(run.race_number));
    if (run.start_time != 0xFFFFFFFFu && run.end_time != 0xFFFFFFFFu)
        race += ": с "_cp + run_date(run.start_time) + " по "_cp + run_date(run.end_time);
    if (given(run.bit_type)) race += ";  долото "_cp + run.bit_type;
    if (given(run.bit_number)) race += " № "_cp + run.bit_number;
    text(canvas, box.left + 10, box.top + 32, race, 13, ink);

    AnsiString shown;
    if (options_.by_time) {
        shown = "По времени: с "_cp + run_date(static_cast<std::uint32_t>(from_)) + " по "_cp +
                run_date(static_cast<std::uint32_t>(to_));
    } else {
        // Pixels of 0.2646 mm (96 per inch) on paper.
        const double scale = (to_ - from_) * 1000 / (options_.body_height * 0.2646);
        shown = "По глубине: "_cp + float_to_str(from_, 2) + " – "_cp + float_to_str(to_, 2) + " м, масштаб 1:"_cp +
                AnsiString(std::to_string(static_cast<long>(std::lround(scale)))) + ";  записи с "_cp +
                run_date(first) + " по "_cp + run_date(last);
    }
    shown += ";  точек: "_cp + AnsiString(std::to_string(rows_.size()));
    text(canvas, box.left + 10, box.top + 52, shown, 12, ink);
    if (!store_.file_name.empty()) text(canvas, box.left + 10, box.top + 70, store_.file_name, 10, grid_major);
}

void strip_chart::draw_index(TCanvas& canvas) const {
    const int left = margin, right = margin + index_width, bottom = body_top_ + options_.body_height;
    const int top = margin + header_height;
    canvas.Brush = TBrush{TColor(0xF4F4F4), bsSolid};
    canvas.FillRect(TRect{left, top, right, body_top_});
    centred(canvas, left, right, top + 8, options_.by_time ? "Время"_cp : "Глубина"_cp, 12, frame_color, true);
    centred(canvas, left, right, top + 26, options_.by_time ? "ч:мин"_cp : "м"_cp, 11, frame_color);

    // Major steps at least 70 pixels apart, minor ones between them.
    const double per_pixel = (to_ - from_) / options_.body_height;
    double major = 0, minor = 0;
    if (options_.by_time) {
        static const int steps[][2] = {{60, 10},      {120, 30},     {300, 60},     {600, 120},
                                       {900, 300},    {1800, 300},   {3600, 600},   {7200, 1800},
                                       {10800, 3600}, {21600, 3600}, {43200, 7200}, {86400, 21600}};
        for (const auto& s : steps) {
            major = s[0], minor = s[1];
            if (s[0] >= 70 * per_pixel) break;
        }
    } else {
        major = nice_step(70 * per_pixel);
        minor = major / 5;
    }
    const int right_edge = width_ - margin;
    for (int pass = 0; pass < 2; ++pass) {
        const double step = pass == 0 ? minor : major;
        if (!std::isfinite(step) || !(step / per_pixel >= 4)) continue;
        canvas.Pen = TPen{pass == 0 ? grid_minor : grid_major, 1, psSolid};
        // Counted steps: adding a step to a far larger number could leave it unchanged.
        const double first = std::ceil(from_ / step);
        for (int k = 0; k <= options_.body_height; ++k) {
            const double v = (first + k) * step;
            if (!(v <= to_)) break;
            const int y = y_of(v);
            line(&canvas, right, y, right_edge, y);
            if (pass == 1) {
                line(&canvas, right - 8, y, right, y);
                const AnsiString label = options_.by_time ? get_only_hour_min(static_cast<std::uint32_t>(v))
                                                          : float_to_str(v, major < 1 ? 1 : 0);
                canvas.Font.Size = 12;
                const int h = canvas.TextHeight(label);
                text(canvas, right - 12 - canvas.TextWidth(label), std::clamp(y - h / 2, body_top_, bottom - h), label,
                     12, frame_color);
            }
        }
    }
    frame(canvas, TRect{left, top, right, bottom});
    line(&canvas, left, body_top_, right, body_top_);
}

void strip_chart::draw_track(TCanvas& canvas, int number) const {
    const track& t = tracks_[number];
    const int left = margin + index_width + number * options_.track_width;
    const int right = left + options_.track_width, top = margin + header_height;
    const int bottom = body_top_ + options_.body_height;

    // Header: per curve its name, a sample of its line and its scale, on a tint of the first
    // curve's colour.
    const TColor tint = transform_color_light(t.front().color, 150, TColor(0xFFFFFF));
    canvas.Brush = TBrush{tint, bsSolid};
    canvas.FillRect(TRect{left, top, right, body_top_});
    for (std::size_t k = 0; k < t.size(); ++k) {
        const curve& c = t[k];
        const FileStorageParam& p = *store_.get_param(c.param);
        const int y = top + 4 + curve_header_height * static_cast<int>(k);
        const AnsiString name = p.name.empty() ? p.global_name : p.name;
        centred(canvas, left + 2, right - 2, y, name, 12, c.color, true);
        canvas.Pen = TPen{c.color, 2, psSolid};
        line(&canvas, left + 6, y + 20, right - 6, y + 20);
        const TColor ink = get_inverse_color(tint);
        const AnsiString lo = scale_label(c.min, c.max - c.min), hi = scale_label(c.max, c.max - c.min);
        text(canvas, left + 5, y + 23, lo, 11, ink);
        centred(canvas, left, right, y + 23, p.unit, 11, ink);
        canvas.Font.Size = 11;
        text(canvas, right - 5 - canvas.TextWidth(hi), y + 23, hi, 11, ink);
    }

    // Body: ten divisions of the scale across, then the curves.
    for (int d = 1; d < 10; ++d) {
        canvas.Pen = TPen{d == 5 ? grid_major : grid_minor, 1, psSolid};
        const int x = left + d * options_.track_width / 10;
        line(&canvas, x, body_top_, x, bottom);
    }
    for (std::size_t k = 0; k < t.size(); ++k) {
        const curve& c = t[k];
        begin_group(canvas, "curve-" + std::to_string(number + 1) + "-" + std::to_string(k + 1));
        canvas.Pen = TPen{c.color, 1, psSolid};
        // One point per pixel row: the mean of the values that fall on it.
        std::vector<TPoint> points;
        const auto flush = [&] {
            win9x_poly_line(&canvas, points.data(), static_cast<int>(points.size()));
            points.clear();
        };
        const auto x_of = [&](double v) {
            double share = std::clamp((v - c.min) / (c.max - c.min), 0.0, 1.0);
            if (!std::isfinite(share)) share = 0;
            return left + 1 + static_cast<int>(std::lround(share * (options_.track_width - 2)));
        };
        double sum = 0;
        int n = 0, row_y = 0;
        for (const FileStorageItem* item : rows_) {
            const int y = y_of(index_of(*item));
            if (n > 0 && y != row_y) {
                points.push_back(TPoint{x_of(sum / n), row_y});
                sum = 0, n = 0;
            }
            const double v = value_of(*item, c.param);
            if (!std::isfinite(v)) {
                flush();
                continue;
            }
            sum += v;
            ++n;
            row_y = y;
        }
        if (n > 0) points.push_back(TPoint{x_of(sum / n), row_y});
        flush();
        end_group(canvas);
    }
    frame(canvas, TRect{left, top, right, bottom});
    line(&canvas, left, body_top_, right, body_top_);
}

}  // namespace lib::ui
