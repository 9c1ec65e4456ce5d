// A mud-log strip chart of a record store, as mud loggers read one.
//
//   +------------------------------------------------------------+
//   | well, area, field; run number and dates; depth range, scale |  header
//   +--------+-----------------+-----------------+---------------+
//   | index  | curve name      | curve name      |               |  track headers: per curve
//   |        | min  unit  max  | min  unit  max  |               |  its name and scale
//   +--------+-----------------+-----------------+---------------+
//   | 1250   |    \            |        |        |               |  depth (or time) down the
//   |        |     )           |       /         |               |  page, gridlines across,
//   | 1255   |    /            |       \         |               |  one track per group of
//   +--------+-----------------+-----------------+---------------+  curves
//
// In depth mode the chart shows the drilled hole: the records, in time order, that reach a depth
// deeper than every record before them. In time mode it shows every record by time. A curve's
// scale is its parameter's scale when that holds the data shown and is not much wider, and
// otherwise the data's own range widened to round numbers. A curve has one point per pixel row,
// the mean of the values that fall on it, drawn with lib::win9x_poly_line; a value beyond the
// scale is drawn at the track's edge.
//
// On an svg_canvas the parts are groups: "header", "index", "track-N" (N from 1) holding
// "curve-N-M" (M from 1), each curve one or more polylines.
#pragma once

#include <cstdint>
#include <vector>

#include "gti/storage/file_storage.h"
#include "gti/ui/canvas.h"

namespace lib::ui {

// What a strip chart shows and how large.
struct strip_chart_options {
    // The parameter keys of each track (letter case ignored); empty: the usual tracks of a mud
    // log among the store's parameters, or its first parameters when it has none of those.
    std::vector<std::vector<AnsiString>> tracks;
    // Time down the page instead of depth.
    bool by_time = false;
    // The index range shown: depth in metres, or time values; each end defaults to the data's.
    bool has_from = false;
    double from = 0;
    bool has_to = false;
    double to = 0;
    // The height of the tracks' body and the width of one track, in pixels.
    int body_height = 1200;
    int track_width = 190;
};

// A strip chart laid out for one store: rows, tracks and scales chosen, ready to draw.
class strip_chart {
public:
    // The most tracks and curves in one track.
    static constexpr int max_tracks = 12;
    static constexpr int max_curves_per_track = 4;

    // Lays the chart out. Throws std::runtime_error for a key the store does not hold, too many
    // tracks or curves, a range that is empty or reversed, and a store without records in it.
    strip_chart(const FileStorage& store, const strip_chart_options& options);

    // The size of the whole chart in pixels.
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    // The number of records drawn, and of tracks.
    int row_count() const noexcept { return static_cast<int>(rows_.size()); }
    int track_count() const noexcept { return static_cast<int>(tracks_.size()); }

    // Draws the chart with its top-left corner at (0, 0).
    void draw(TCanvas& canvas) const;

private:
    struct curve {
        int param = 0;
        double min = 0, max = 1;
        TColor color = TColor(0);
    };
    using track = std::vector<curve>;

    void draw_header(TCanvas& canvas) const;
    void draw_index(TCanvas& canvas) const;
    void draw_track(TCanvas& canvas, int number) const;
    int y_of(double index) const;
    double index_of(const FileStorageItem& item) const;

    const FileStorage& store_;
    strip_chart_options options_;
    std::vector<const FileStorageItem*> rows_;
    std::vector<track> tracks_;
    double from_ = 0, to_ = 1;
    int width_ = 0, height_ = 0;
    int body_top_ = 0, track_header_height_ = 0;
};

}  // namespace lib::ui
