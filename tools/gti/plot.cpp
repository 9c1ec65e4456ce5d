#include "plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "gti/ui/canvas.h"
#include "gti/ui/strip_chart.h"
#include "gti/util/number_text.h"
#include "info.h"
#include "output.h"

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
        if (key.empty()) throw std::runtime_error(("--params: an empty key in " + text).str());
        tracks.back().push_back(key);
        key.clear();
        if (c == ',' && i < text.size()) tracks.emplace_back();
    }
    return tracks;
}

// A depth in metres (a comma serves as the decimal point too).
double parse_depth(const AnsiString& text) {
    std::string s = text.str();
    std::replace(s.begin(), s.end(), ',', '.');
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end || !std::isfinite(v)) throw std::runtime_error(("not a depth: " + text).str());
    return v;
}

// A time: "YYYY-MM-DD HH:MM[:SS]" (or with a "T"), or "HH:MM[:SS]" on the day of `first`.
double parse_time(const AnsiString& text, std::uint32_t first) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char sep = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &mo, &d, &sep, &h, &mi, &s) >= 6 &&
        (sep == ' ' || sep == 'T'))
        return lib::time_2_long(y, mo, d, h, mi, s);
    s = 0;
    if (std::sscanf(text.c_str(), "%2d:%2d:%2d", &h, &mi, &s) >= 2 && h < 24 && mi < 60 && s < 60)
        return first - first % 86400 + h * 3600 + mi * 60 + s;
    throw std::runtime_error(("not a time (YYYY-MM-DD HH:MM or HH:MM): " + text).str());
}

bool ends_with_nocase(const AnsiString& s, const char* tail) {
    const std::string lower = lib::cp1251::to_lower(s.view());
    return lower.ends_with(tail);
}

}  // namespace

int plot(const std::vector<AnsiString>& args) {
    lib::ui::strip_chart_options options;
    AnsiString file, out, from, to;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const AnsiString& a = args[i];
        const auto value = [&]() -> const AnsiString& {
            if (i + 1 >= args.size()) throw std::runtime_error(("plot: " + a + " needs a value").str());
            return args[++i];
        };
        if (a == "-o")
            out = value();
        else if (a == "--params")
            options.tracks = parse_tracks(value());
        else if (a == "--time")
            options.by_time = true;
        else if (a == "--depth")
            options.by_time = false;
        else if (a == "--from")
            from = value();
        else if (a == "--to")
            to = value();
        else if (a == "--height") {
            if (!lib::str_to_int(value(), options.body_height))
                throw std::runtime_error(("plot: --height takes pixels, not " + args[i]).str());
        } else if (a.starts_with("-"))
            throw std::runtime_error(("plot: unknown option " + a).str());
        else if (file.empty())
            file = a;
        else
            throw std::runtime_error("plot takes one data file");
    }
    if (file.empty() || out.empty()) throw std::runtime_error("plot takes a data file and -o OUT.png or OUT.svg");
    const bool svg = ends_with_nocase(out, ".svg");
    if (!svg && !ends_with_nocase(out, ".png"))
        throw std::runtime_error((out + ": the chart is written as .png or .svg").str());

    FileStorage store;
    load_data_file(store, file);
    std::uint32_t first = 0xFFFFFFFFu;
    for (int i = 0; i < store.get_record_count(); ++i)
        first = std::min(first, store.get_record(i)->time);
    options.has_from = !from.empty();
    options.has_to = !to.empty();
    if (options.has_from) options.from = options.by_time ? parse_time(from, first) : parse_depth(from);
    if (options.has_to) options.to = options.by_time ? parse_time(to, first) : parse_depth(to);

    const lib::ui::strip_chart chart(store, options);
    if (svg) {
        lib::ui::svg_canvas canvas(chart.width(), chart.height());
        chart.draw(canvas);
        canvas.save(out);
    } else {
        lib::ui::png_canvas canvas(chart.width(), chart.height());
        chart.draw(canvas);
        canvas.save(out);
    }
    say("Записана диаграмма: "_cp + out + " (" + AnsiString(std::to_string(chart.width())) + "x" +
        AnsiString(std::to_string(chart.height())) + ", дорожек: "_cp +
        AnsiString(std::to_string(chart.track_count())) + ", точек: "_cp +
        AnsiString(std::to_string(chart.row_count())) + ")");
    return 0;
}

}  // namespace gti_tool
