#include "gti/las/export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "gti/util/files.h"
#include "gti/util/number_text.h"

using namespace lib::literals;

namespace lib::las {
namespace {

// A mnemonic not yet in `taken`: the wanted one, else with _2, _3, ... after it.
AnsiString unique(const AnsiString& wanted, std::set<AnsiString>& taken) {
    AnsiString name = wanted.empty() ? AnsiString("PARAM") : wanted;
    for (int n = 2; taken.count(name) != 0; ++n)
        name = (wanted.empty() ? AnsiString("PARAM") : wanted) + "_" + AnsiString(std::to_string(n));
    taken.insert(name);
    return name;
}

// A unit as the curve line can hold it: blanks would end the unit field early.
AnsiString unit_field(const AnsiString& unit) {
    AnsiString u = unit;
    for (char& c : u)
        if (c == ' ' || c == '\t') c = '_';
    return u;
}

// A text as a header value holds it: no blanks at the ends.
AnsiString value_field(const AnsiString& value) {
    return AnsiString(trim_blanks(value.view()));
}

// A description that reads back whole: the reader splits at the last colon.
AnsiString description_field(const AnsiString& text) {
    AnsiString d(trim_blanks(text.view()));
    for (char& c : d)
        if (c == ':') c = ';';
    return d;
}

// The double that the float's shortest decimals name: 1500.1f gives 1500.1.
double widen(float v) {
    if (!std::isfinite(v)) return v;
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v);
    double d = v;
    std::from_chars(text, r.ptr, d);
    return d;
}

// Seconds of local time since 1970-01-01 of a station time value (see gti/time/unix_time.h).
double epoch_seconds(std::uint32_t t) {
    return static_cast<double>(to_local_epoch_seconds(t));
}

// The number of decimals of a step's shortest text ("0.25": 2).
int decimals_of(double step) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, step, std::chars_format::fixed);
    const std::string_view s(text, static_cast<std::size_t>(r.ptr - text));
    const std::size_t point = s.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(s.size() - point - 1);
}

// One cell of a depth step: the numbers of its records folded as `agg` says.
struct cell {
    double value = 0;
    int count = 0;

    void add(double v, aggregation agg) {
        if (count == 0 || agg == aggregation::last)
            value = v;
        else if (agg == aggregation::mean)
            value += v;
        else if (agg == aggregation::min)
            value = std::min(value, v);
        else
            value = std::max(value, v);
        ++count;
    }
    // A mean is no more precise than the station's floats it comes from.
    double result(aggregation agg) const {
        return agg == aggregation::mean ? widen(static_cast<float>(value / count)) : value;
    }
};

constexpr std::int64_t most_rows = 50'000'000;

// A run text as the log shows it: empty while the station has it unset.
AnsiString known(const AnsiString& s) {
    return cp1251::equal_nocase(s.view(), "::не задано::"_cp) ? AnsiString() : s;
}

}  // namespace

AnsiString mnemonic_of(const AnsiString& key) {
    // Each piece between underscores transliterated on its own, so the underscores stay.
    AnsiString result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = key.find('_', start);
        const AnsiString piece =
            correct_ftp_pore_name(key.substr(start, bar == AnsiString::npos ? AnsiString::npos : bar - start));
        if (!piece.empty()) {
            if (!result.empty()) result += '_';
            result += piece;
        }
        if (bar == AnsiString::npos) break;
        start = bar + 1;
    }
    return result;
}

int export_storage(const FileStorage& store, const export_options& options, file& doc) {
    doc.clear();
    const bool by_depth = options.index == export_index::depth;
    const bool by_time = options.index == export_index::time;
    if (by_depth && !(options.step > 0 && options.step <= 1e6))
        throw std::runtime_error("Шаг по глубине должен быть положительным числом"_cp);

    // The curves chosen, in store order.
    std::vector<int> chosen;
    std::vector<AnsiString> names;
    std::set<AnsiString> taken{"DEPT", "TIME"};
    for (int p = 0; p < store.get_param_count(); ++p) {
        const AnsiString name = unique(mnemonic_of(store.get_param(p)->global_name), taken);
        bool wanted = options.params.empty();
        for (const AnsiString& w : options.params)
            wanted = wanted || cp1251::equal_nocase(w.view(), store.get_param(p)->global_name.view()) ||
                     cp1251::equal_nocase(w.view(), name.view());
        if (!wanted) continue;
        chosen.push_back(p);
        names.push_back(name);
    }
    for (const AnsiString& w : options.params) {
        bool found = false;
        for (std::size_t i = 0; i < chosen.size() && !found; ++i)
            found = cp1251::equal_nocase(w.view(), store.get_param(chosen[i])->global_name.view()) ||
                    cp1251::equal_nocase(w.view(), names[i].view());
        if (!found) throw std::runtime_error(("Нет такого параметра: "_cp + w).str());
    }

    std::vector<const FileStorageItem*> rows;
    rows.reserve(static_cast<std::size_t>(store.get_record_count()));
    for (int i = 0; i < store.get_record_count(); ++i)
        rows.push_back(store.get_record(i));
    // In time order first, so that records of one depth keep their time order.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const FileStorageItem* a, const FileStorageItem* b) { return a->time < b->time; });
    if (options.valid_only) {
        const std::vector<bool> marks = FileStorage::depth_marks(rows);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (marks[i]) rows[kept++] = rows[i];
        rows.resize(kept);
    }
    if (options.index == export_index::records)
        std::stable_sort(rows.begin(), rows.end(),
                         [](const FileStorageItem* a, const FileStorageItem* b) { return a->depth < b->depth; });

    doc.set_standart_version_info();
    const auto well = doc.get_well_block();
    well->add("STRT", "M", "", "START DEPTH");
    well->add("STOP", "M", "", "STOP DEPTH");
    well->add("STEP", "M", "", "STEP");
    doc.check_for_null_param();
    const FileStorageTextValues& run = store.get_text_values();
    well->add("WELL", "", value_field(known(run.well)), "WELL");
    well->add("FLD", "", value_field(known(run.area)), "FIELD");
    well->add("DATE", "", rows.empty() ? AnsiString() : AnsiString(iso_time_text(epoch_seconds(rows.front()->time))),
              "DATE");
    doc.get_param_block()->add("RUN", "", AnsiString(std::to_string(run.race_number)), "RUN NUMBER");

    const auto curves = doc.get_curve_block();
    if (by_time) {
        curves->add("TIME", options.iso_time ? "ISO8601" : "S", "",
                    options.iso_time ? "TIME" : "TIME, SECONDS SINCE 1970-01-01 00.00.00 LOCAL TIME");
        doc.values.iso_index = options.iso_time;
    }
    curves->add("DEPT", "M", "", "DEPTH");
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const FileStorageParam& param = *store.get_param(chosen[i]);
        curves->add(names[i], unit_field(param.unit), "",
                    description_field(param.name + " (" + param.global_name + ")"));
    }
    const int offset = by_time ? 2 : 1;
    const auto value_of = [&](const FileStorageItem* r, std::size_t i) {
        const auto p = static_cast<std::size_t>(chosen[i]);
        return p < r->values.size() ? widen(r->values[p]) : std::numeric_limits<double>::quiet_NaN();
    };

    if (by_depth) {
        // Steps end at k * step; the records that drilled new hole fall into theirs.
        const int decimals = std::min(decimals_of(options.step), 15);
        const double scale = std::pow(10.0, decimals);
        const double units = std::round(options.step * scale);
        double bottom = rows.empty() ? 0.0 : widen(rows.front()->depth);
        std::int64_t first = 0, last = -1;
        std::vector<std::pair<std::int64_t, const FileStorageItem*>> drilled;
        if (!rows.empty() && std::isfinite(bottom))
            first = static_cast<std::int64_t>(std::floor(bottom * scale / units + 1e-9)) + 1;
        for (const FileStorageItem* r : rows) {
            const double d = widen(r->depth);
            if (!(d > bottom) || !std::isfinite(d)) continue;
            bottom = d;
            const auto k = static_cast<std::int64_t>(std::ceil(d * scale / units - 1e-9));
            drilled.emplace_back(k, r);
            last = k;
        }
        if (last - first >= most_rows) throw std::runtime_error("Шаг по глубине слишком мал: строк больше 50 млн"_cp);
        const std::size_t count = last >= first ? static_cast<std::size_t>(last - first + 1) : 0;
        std::vector<cell> cells(count * chosen.size());
        std::vector<char> any(count, 0);
        for (const auto& [k, r] : drilled) {
            const auto row = static_cast<std::size_t>(k - first);
            any[row] = 1;
            for (std::size_t i = 0; i < chosen.size(); ++i) {
                const double v = value_of(r, i);
                if (std::isfinite(v)) cells[row * chosen.size() + i].add(v, options.agg);
            }
        }
        for (std::size_t row = 0; row < count; ++row) {
            const int at = doc.values.add();
            const auto k = static_cast<double>(first + static_cast<std::int64_t>(row));
            doc.values.at(0, at) = k * units / scale;
            for (std::size_t i = 0; i < chosen.size(); ++i) {
                const cell& c = cells[row * chosen.size() + i];
                if (c.count > 0) doc.values.at(offset + static_cast<int>(i), at) = c.result(options.agg);
            }
        }
        if (count > 0) {
            well->add("STRT", "M", number_text(doc.values.at(0, 0)), "START DEPTH");
            well->add("STOP", "M", number_text(doc.values.at(0, doc.values.size() - 1)), "STOP DEPTH");
            well->add("STEP", "M", number_text(options.step), "STEP");
        }
        return doc.values.size();
    }

    for (const FileStorageItem* r : rows) {
        const int row = doc.values.add();
        if (by_time) doc.values.at(0, row) = epoch_seconds(r->time);
        doc.values.at(offset - 1, row) = widen(r->depth);
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            const double v = value_of(r, i);
            if (std::isfinite(v)) doc.values.at(offset + static_cast<int>(i), row) = v;
        }
    }
    const int n = doc.values.size();
    const AnsiString unit = by_time ? (options.iso_time ? "ISO8601" : "S") : "M";
    const auto index_text = [&](double v) { return by_time && options.iso_time ? iso_time_text(v) : number_text(v); };
    double step = n > 1 ? doc.values.at(0, 1) - doc.values.at(0, 0) : 0.0;
    for (int i = 2; i < n && step != 0; ++i)
        if (doc.values.at(0, i) - doc.values.at(0, i - 1) != step) step = 0;
    if (n > 0) {
        well->add("STRT", unit, index_text(doc.values.at(0, 0)), by_time ? "START TIME" : "START DEPTH");
        well->add("STOP", unit, index_text(doc.values.at(0, n - 1)), by_time ? "STOP TIME" : "STOP DEPTH");
    }
    well->add("STEP", by_time ? AnsiString("S") : unit, number_text(step), "STEP");
    return n;
}

}  // namespace lib::las
