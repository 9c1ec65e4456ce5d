#include "join.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

int index_of_key(const FileStorage& store, const AnsiString& key) {
    for (int i = 0; i < store.get_param_count(); ++i)
        if (lib::cp1251::equal_nocase(store.get_param(i)->global_name.view(), key.view())) return i;
    return -1;
}

void fill(float& to, float from) {
    if (std::isnan(to)) to = from;
}

}  // namespace

void join_by_time(FileStorage& joined, const FileStorage& input) {
    // Every key is checked before anything changes.
    int fresh_keys = 0;
    for (int p = 0; p < input.get_param_count(); ++p) {
        const AnsiString& key = input.get_param(p)->global_name;
        bool seen = index_of_key(joined, key) >= 0;
        for (int q = 0; q < p && !seen; ++q)
            seen = lib::cp1251::equal_nocase(input.get_param(q)->global_name.view(), key.view());
        fresh_keys += !seen;
    }
    if (joined.get_param_count() + fresh_keys > FileStorage::max_params)
        throw FileStorageException("слишком много параметров"_cp);
    std::vector<std::size_t> to(static_cast<std::size_t>(input.get_param_count()));
    for (int p = 0; p < input.get_param_count(); ++p) {
        const int at = index_of_key(joined, input.get_param(p)->global_name);
        to[static_cast<std::size_t>(p)] =
            static_cast<std::size_t>(at >= 0 ? at : joined.add_parametr(*input.get_param(p)));
    }

    std::unordered_map<std::uint32_t, int> by_time;
    by_time.reserve(static_cast<std::size_t>(joined.get_record_count() + input.get_record_count()));
    for (int r = 0; r < joined.get_record_count(); ++r)
        by_time.try_emplace(joined.get_record(r)->time, r);
    // Every record has a value, missing or not, of every parameter.
    const int width = joined.get_param_count();
    for (int r = 0; r < joined.get_record_count(); ++r) {
        FileStorageItem* record = joined.get_record_ptr(r);
        if (static_cast<int>(record->values.size()) < width) record->resize(width);
    }
    FileStorageItem added;
    for (int r = 0; r < input.get_record_count(); ++r) {
        const FileStorageItem& from = *input.get_record(r);
        const auto [at, fresh] = by_time.try_emplace(from.time, joined.get_record_count());
        FileStorageItem* target = &added;
        if (fresh) {
            added = FileStorageItem();
            added.time = from.time;
            added.depth = from.depth;
            added.second_depth = from.second_depth;
            added.third_depth = from.third_depth;
            added.valid = from.valid;
            added.tag = from.tag;
        } else {
            target = joined.get_record_ptr(at->second);
            fill(target->depth, from.depth);
            fill(target->second_depth, from.second_depth);
            fill(target->third_depth, from.third_depth);
        }
        if (fresh) added.resize(width);
        const std::size_t n = std::min(from.values.size(), to.size());
        for (std::size_t i = 0; i < n; ++i)
            fill(target->values[to[i]], from.values[i]);
        if (fresh) joined.add_record(added);
    }
    joined.sort_by_time();

    TStringList& lines = joined.get_text_values().get_list();
    const TStringList& more = input.get_text_values().get_list();
    for (int i = 0; i < more.Count(); ++i) {
        const AnsiString name = more.Names(i);
        if (!name.empty() && lines.IndexOfName(name) < 0) lines.Add(more[i]);
    }
    joined.get_text_values().ri_from_data();
}

std::optional<time_span> span_of(const FileStorage& store, int from) {
    std::optional<time_span> span;
    for (int r = std::max(from, 0); r < store.get_record_count(); ++r) {
        const std::uint32_t t = store.get_record(r)->time;
        if (!span) span = time_span{t, t};
        span->first = std::min(span->first, t);
        span->last = std::max(span->last, t);
    }
    return span;
}

}  // namespace gti_tool
