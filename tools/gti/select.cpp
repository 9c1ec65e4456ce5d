#include "select.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "gti/util/string_list.h"
#include "join.h"
#include "language.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

bool is_key(const AnsiString& key, const FileStorageParam& p, AnsiString (*alias)(const AnsiString&)) {
    return lib::cp1251::equal_nocase(key.view(), p.global_name.view()) ||
           (alias != nullptr && lib::cp1251::equal_nocase(key.view(), alias(p.global_name).view()));
}

}  // namespace

double parse_depth(const AnsiString& text) {
    std::string s = text.str();
    std::replace(s.begin(), s.end(), ',', '.');
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end || !std::isfinite(v))
        throw std::runtime_error((tr("not a depth: ", "не глубина: "_cp) + text).str());
    return v;
}

double parse_time(const AnsiString& text, std::uint32_t first) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, end = -1, end_seconds = -1;
    char sep = 0;
    // The whole text, seconds or not.
    const auto whole = [&](int matched, int least) {
        return matched >= least && (end_seconds == static_cast<int>(text.size()) ||
                                    (matched == least && end == static_cast<int>(text.size())));
    };
    int n =
        std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d%n:%2d%n", &y, &mo, &d, &sep, &h, &mi, &end, &s, &end_seconds);
    if (whole(n, 6) && (sep == ' ' || sep == 'T') && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h < 24 && mi < 60 &&
        s < 60)
        return lib::time_2_long(y, mo, d, h, mi, s);
    h = mi = s = 0;
    end = end_seconds = -1;
    n = std::sscanf(text.c_str(), "%2d:%2d%n:%2d%n", &h, &mi, &end, &s, &end_seconds);
    if (whole(n, 2) && h >= 0 && h < 24 && mi >= 0 && mi < 60 && s >= 0 && s < 60)
        return first - first % 86400 + h * 3600 + mi * 60 + s;
    throw std::runtime_error(
        (tr("not a time (YYYY-MM-DDTHH:MM or HH:MM): ", "не время (ГГГГ-ММ-ДДTЧЧ:ММ или ЧЧ:ММ): "_cp) + text).str());
}

std::uint32_t first_time(const FileStorage& store) {
    std::uint32_t first = store.get_record_count() > 0 ? 0xFFFFFFFFu : 0;
    for (int i = 0; i < store.get_record_count(); ++i)
        first = std::min(first, store.get_record(i)->time);
    return first;
}

bool record_range::contains(const FileStorageItem& record) const noexcept {
    const double at = by_time ? static_cast<double>(record.time) : static_cast<double>(record.depth);
    if (std::isnan(at)) return whole();
    return (!from || at >= *from) && (!to || at <= *to);
}

record_range parse_range(const AnsiString& from, const AnsiString& to, std::uint32_t first) {
    record_range range;
    const auto is_time = [](const AnsiString& text) {
        return text.find(':') != AnsiString::npos || text.find('-', 1) != AnsiString::npos;
    };
    const bool time_from = is_time(from);
    const bool time_to = is_time(to);
    if (!from.empty() && !to.empty() && time_from != time_to)
        throw std::runtime_error(
            tr("--from and --to: both times or both depths", "--from и --to: оба времени или обе глубины"_cp).str());
    range.by_time = time_from || time_to;
    const auto bound = [&](const AnsiString& text) -> std::optional<double> {
        if (text.empty()) return std::nullopt;
        return range.by_time ? parse_time(text, first) : parse_depth(text);
    };
    range.from = bound(from);
    range.to = bound(to);
    if (range.from && range.to && *range.from > *range.to)
        throw std::runtime_error(("--from " + from + tr(" is after --to ", " позже --to "_cp) + to).str());
    return range;
}

void check_keys(const FileStorage& store, const std::vector<AnsiString>& keys, const AnsiString& where,
                AnsiString (*alias)(const AnsiString& key)) {
    for (const AnsiString& key : keys) {
        bool found = false;
        for (int p = 0; p < store.get_param_count() && !found; ++p)
            found = is_key(key, *store.get_param(p), alias);
        if (found) continue;
        AnsiString known;
        for (int p = 0; p < store.get_param_count(); ++p)
            known += (p > 0 ? ", " : "") + store.get_param(p)->global_name;
        throw std::runtime_error((where + tr(": no parameter with the key ", ": нет параметра с ключом "_cp) + key +
                                  (known.empty() ? tr("; it has no parameters", "; параметров нет"_cp)
                                                 : tr("; the keys there are: ", "; есть ключи: "_cp) + known))
                                     .str());
    }
}

int select_records(FileStorage& store, const std::vector<AnsiString>& keys, const record_range& range,
                   AnsiString (*alias)(const AnsiString& key)) {
    if (keys.empty() && range.whole()) return 0;
    std::vector<int> chosen;
    for (int p = 0; p < store.get_param_count(); ++p)
        if (keys.empty() || std::any_of(keys.begin(), keys.end(),
                                        [&](const AnsiString& k) { return is_key(k, *store.get_param(p), alias); }))
            chosen.push_back(p);
    std::vector<FileStorageParam> params;
    for (const int p : chosen)
        params.push_back(*store.get_param(p));
    std::vector<FileStorageItem> records;
    for (int r = 0; r < store.get_record_count(); ++r) {
        const FileStorageItem& from = *store.get_record(r);
        if (!range.contains(from)) continue;
        FileStorageItem item = fields_of(from, static_cast<int>(chosen.size()));
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            const auto at = static_cast<std::size_t>(chosen[i]);
            if (at < from.values.size()) item.values[i] = from.values[at];
        }
        records.push_back(std::move(item));
    }
    const int left_out = store.get_record_count() - static_cast<int>(records.size());
    // clear() keeps the file name, the warnings and the typed run fields; the run lines go back.
    const TStringList lines = store.get_text_values().get_list();
    store.clear();
    for (const FileStorageParam& p : params)
        store.add_parametr(p);
    for (const FileStorageItem& item : records)
        store.add_record(item);
    store.get_text_values().get_list() = lines;
    return left_out;
}

}  // namespace gti_tool
