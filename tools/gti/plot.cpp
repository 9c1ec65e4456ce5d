#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/ui/canvas.h"
#include "gti/ui/strip_chart.h"
#include "gti/util/number_text.h"
#include "info.h"
#include "output.h"
#include "select.h"

using namespace lib::literals;

// fontconfig keeps its configuration for the life of the process, as cairo's fonts use it; the
// leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace gti_tool {
namespace {

// "k1,k2+k3": tracks separated by commas, curves of one track by "+".
std::vector<std::vector<AnsiString>> parse_tracks(const AnsiString& text) {
    std::vector<std::vector<AnsiString>> tracks(1);
    AnsiString key;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c != ',' && c != '+') {
            key += c;
            continue;
        }
        if (key.empty())
            throw std::runtime_error(("--params: " + tr("an empty key in ", "пустой ключ в "_cp) + text).str());
        tracks.back().push_back(key);
        key.clear();
        if (c == ',' && i < text.size()) tracks.emplace_back();
    }
    return tracks;
}

bool ends_with_nocase(const AnsiString& s, const char* tail) {
    const std::string lower = lib::cp1251::to_lower(s.view());
    return lower.ends_with(tail);
}

struct plot_options {
    std::string input, output, params, from, to;
    bool time = false, depth = false, force = false, json = false;
    int height = 0;
};

int plot(const plot_options& o) {
    lib::ui::strip_chart_options options;
    if (!o.params.empty()) options.tracks = parse_tracks(station(o.params));
    options.by_time = o.time;
    if (o.height > 0) options.body_height = o.height;
    const lib::os::file_path file = file_argument(o.input);
    const lib::os::file_path out = file_argument(o.output);
    const AnsiString from = station(o.from);
    const AnsiString to = station(o.to);
    const bool svg = ends_with_nocase(out.display(), ".svg");
    if (!svg && !ends_with_nocase(out.display(), ".png"))
        throw std::runtime_error((out.display() + tr(": the chart is written as .png or .svg",
                                                     ": диаграмма записывается как .png или .svg"_cp))
                                     .str());
    check_output(out, {file}, {".png", ".svg"}, o.force);

    FileStorage store;
    load_data_file(store, file);
    for (const std::vector<AnsiString>& track : options.tracks)
        check_keys(store, track, file.display());
    const std::uint32_t first = first_time(store);
    options.has_from = !from.empty();
    options.has_to = !to.empty();
    if (options.has_from) options.from = options.by_time ? parse_time(from, first) : parse_depth(from);
    if (options.has_to) options.to = options.by_time ? parse_time(to, first) : parse_depth(to);

    const lib::ui::strip_chart chart(store, options);
    write_output(out, [&] {
        if (svg) {
            lib::ui::svg_canvas canvas(chart.width(), chart.height());
            chart.draw(canvas);
            replace_file(out, canvas.document());
        } else {
            lib::ui::png_canvas canvas(chart.width(), chart.height());
            chart.draw(canvas);
            replace_file(out, canvas.png_bytes());
        }
    });
    if (o.json)
        print_json({{"written", json_text(out.display())},
                    {"width", chart.width()},
                    {"height", chart.height()},
                    {"tracks", chart.track_count()},
                    {"points", chart.row_count()},
                    {"bytes", file_size(out)}});
    else
        note(tr("Written chart ", "Записана диаграмма "_cp) + out.display() + " (" +
             AnsiString(std::to_string(chart.width())) + "x" + AnsiString(std::to_string(chart.height())) +
             tr(", tracks: ", ", дорожек: "_cp) + AnsiString(std::to_string(chart.track_count())) +
             tr(", points: ", ", точек: "_cp) + count_text(chart.row_count()) + ", " +
             count_text(static_cast<long long>(file_size(out))) + tr(" bytes)", " байт)"_cp));
    return print_warnings(store) == 0 ? exit_done : exit_damaged;
}

}  // namespace

void add_plot_command(CLI::App& tool) {
    auto o = std::make_shared<plot_options>();
    CLI::App* c = add_command(tool, "plot",
                              help_text("a data file as a mud-log strip chart (PNG or SVG)",
                                        "файл данных как диаграмма ГТИ (PNG или SVG)"_cp),
                              [o] { return plot(*o); });
    add_details(
        c,
        help_text(
            "Depth (or time) down the page, a track per key; \"+\" joins curves into one track. Without --params, the "
            "usual tracks of a mud log.",
            "Глубина (или время) вниз по странице, дорожка на ключ; \"+\" объединяет кривые в одну дорожку. Без --params — обычные дорожки диаграммы ГТИ."_cp));
    c->add_option("in", o->input, help_text("the data file to read", "файл данных, который прочитать"_cp))->required();
    c->add_option(
         "-o,--output", o->output,
         help_text("the chart to write: OUT.png or OUT.svg", "диаграмма, которую записать: OUT.png или OUT.svg"_cp))
        ->required();
    add_params(
        c, o->params,
        help_text("tracks by key, \"+\" joins curves into one track (default: the usual tracks of a mud log)",
                  "дорожки по ключам, \"+\" объединяет кривые в одну дорожку (по умолчанию обычные дорожки ГТИ)"_cp));
    CLI::Option* time = c->add_flag("--time", o->time, help_text("time down the page", "время вниз по странице"_cp));
    c->add_flag("--depth", o->depth,
                help_text("depth down the page (the default)", "глубина вниз по странице (по умолчанию)"_cp))
        ->excludes(time);
    add_range(c, o->from, o->to);
    c->add_option("--height", o->height,
                  help_text("the height of the chart body in pixels", "высота поля диаграммы в точках"_cp))
        ->check(CLI::Range(100, 100000));
    add_force(c, o->force);
    add_json(c, o->json);
}

}  // namespace gti_tool
