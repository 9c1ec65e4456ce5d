#include "gti/las/export.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
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

AnsiString number(double v) {
    return float_to_str(v, 4);
}

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

void export_storage(FileStorage& store, const export_options& options, file& doc) {
    doc.clear();
    if (options.valid_only) {
        store.sort_by_time();
        store.correct_depths();
    }
    std::vector<const FileStorageItem*> rows;
    rows.reserve(static_cast<std::size_t>(store.get_record_count()));
    for (int i = 0; i < store.get_record_count(); ++i) {
        const FileStorageItem* r = store.get_record(i);
        if (!options.valid_only || r->valid) rows.push_back(r);
    }
    // In time order first, so that records of one depth keep their time order.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const FileStorageItem* a, const FileStorageItem* b) { return a->time < b->time; });
    if (!options.by_time)
        std::stable_sort(rows.begin(), rows.end(),
                         [](const FileStorageItem* a, const FileStorageItem* b) { return a->depth < b->depth; });

    doc.set_standart_version_info();
    const auto well = doc.get_well_block();
    const auto index = [&](const FileStorageItem* r) { return options.by_time ? double(r->time) : double(r->depth); };
    const AnsiString index_unit = options.by_time ? "S" : "M";
    const double first = rows.empty() ? 0.0 : index(rows.front());
    const double last = rows.empty() ? 0.0 : index(rows.back());
    double step = rows.size() > 1 ? index(rows[1]) - index(rows[0]) : 0.0;
    for (std::size_t i = 2; i < rows.size() && step != 0; ++i)
        if (std::fabs(index(rows[i]) - index(rows[i - 1]) - step) > 1e-6) step = 0;
    well->add("STRT", index_unit, number(first), options.by_time ? "START TIME" : "START DEPTH");
    well->add("STOP", index_unit, number(last), options.by_time ? "STOP TIME" : "STOP DEPTH");
    well->add("STEP", index_unit, number(step), "STEP");
    doc.check_for_null_param();
    const FileStorageTextValues& run = store.get_text_values();
    well->add("WELL", "", known(run.well), "WELL");
    well->add("FLD", "", known(run.area), "FIELD");
    well->add("DATE", "", rows.empty() ? AnsiString() : date_to_string(rows.front()->time), "DATE");
    doc.get_param_block()->add("RUN", "", AnsiString(std::to_string(run.race_number)), "RUN NUMBER");

    const auto curves = doc.get_curve_block();
    std::set<AnsiString> taken{"DEPT", "TIME"};
    if (options.by_time) curves->add("TIME", "S", "", "TIME");
    curves->add("DEPT", "M", "", "DEPTH");
    const int params = store.get_param_count();
    for (int p = 0; p < params; ++p) {
        const FileStorageParam& param = *store.get_param(p);
        curves->add(unique(mnemonic_of(param.global_name), taken), unit_field(param.unit), "",
                    param.name + " (" + param.global_name + ")");
    }

    const int offset = options.by_time ? 2 : 1;
    for (const FileStorageItem* r : rows) {
        const int row = doc.values.add();
        if (options.by_time) doc.values.at(0, row) = r->time;
        doc.values.at(offset - 1, row) = r->depth;
        const int have = std::min(params, static_cast<int>(r->values.size()));
        for (int p = 0; p < have; ++p) {
            const float v = r->values[static_cast<std::size_t>(p)];
            if (std::isfinite(v)) doc.values.at(offset + p, row) = v;
        }
    }
}

}  // namespace lib::las
