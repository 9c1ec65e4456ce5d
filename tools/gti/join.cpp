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

// Adds the parameters of `from` that `into` lacks, after checking that they fit, and widens the
// records of `into` to them. Returns the index in `into` of each parameter of `from`.
std::vector<std::size_t> add_params(FileStorage& into, const FileStorage& from) {
    int fresh_keys = 0;
    for (int p = 0; p < from.get_param_count(); ++p) {
        const AnsiString& key = from.get_param(p)->global_name;
        bool seen = index_of_key(into, key) >= 0;
        for (int q = 0; q < p && !seen; ++q)
            seen = lib::cp1251::equal_nocase(from.get_param(q)->global_name.view(), key.view());
        fresh_keys += !seen;
    }
    if (into.get_param_count() + fresh_keys > FileStorage::max_params)
        throw FileStorageException("слишком много параметров"_cp);
    std::vector<std::size_t> to(static_cast<std::size_t>(from.get_param_count()));
    for (int p = 0; p < from.get_param_count(); ++p) {
        const int at = index_of_key(into, from.get_param(p)->global_name);
        to[static_cast<std::size_t>(p)] =
            static_cast<std::size_t>(at >= 0 ? at : into.add_parametr(*from.get_param(p)));
    }
    // Every record has a value, missing or not, of every parameter.
    const int width = into.get_param_count();
    for (int r = 0; r < into.get_record_count(); ++r) {
        FileStorageItem* record = into.get_record_ptr(r);
        if (static_cast<int>(record->values.size()) < width) record->resize(width);
    }
    return to;
}

// Adds the run text lines of names that `into` lacks, then reads the run fields from the list.
void merge_run_text(FileStorage& into, const FileStorage& from) {
    TStringList& lines = into.get_text_values().get_list();
    const TStringList& more = from.get_text_values().get_list();
    for (int i = 0; i < more.Count(); ++i) {
        const AnsiString name = more.Names(i);
        if (!name.empty() && lines.IndexOfName(name) < 0) lines.Add(more[i]);
    }
    into.get_text_values().ri_from_data();
}

}  // namespace

void join_by_time(FileStorage& joined, const FileStorage& input) {
    const std::vector<std::size_t> to = add_params(joined, input);
    const int width = joined.get_param_count();
    std::unordered_map<std::uint32_t, int> by_time;
    by_time.reserve(static_cast<std::size_t>(joined.get_record_count() + input.get_record_count()));
    for (int r = 0; r < joined.get_record_count(); ++r)
        by_time.try_emplace(joined.get_record(r)->time, r);
    for (int r = 0; r < input.get_record_count(); ++r) {
        const FileStorageItem& from = *input.get_record(r);
        const auto [at, fresh] = by_time.try_emplace(from.time, joined.get_record_count());
        if (fresh) {
            FileStorageItem added = fields_of(from, width);
            for (std::size_t i = 0; i < from.values.size() && i < to.size(); ++i)
                added.values[to[i]] = from.values[i];
            joined.add_record(added);
            continue;
        }
        FileStorageItem& target = *joined.get_record_ptr(at->second);
        fill(target.depth, from.depth);
        fill(target.second_depth, from.second_depth);
        fill(target.third_depth, from.third_depth);
        for (std::size_t i = 0; i < from.values.size() && i < to.size(); ++i)
            fill(target.values[to[i]], from.values[i]);
    }
    joined.sort_by_time();
    merge_run_text(joined, input);
}

void append_records(FileStorage& into, const FileStorage& from) {
    const std::vector<std::size_t> to = add_params(into, from);
    const int width = into.get_param_count();
    for (int r = 0; r < from.get_record_count(); ++r) {
        const FileStorageItem& source = *from.get_record(r);
        FileStorageItem item = fields_of(source, width);
        for (std::size_t i = 0; i < source.values.size() && i < to.size(); ++i)
            item.values[to[i]] = source.values[i];
        into.add_record(item);
    }
    merge_run_text(into, from);
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

FileStorageItem fields_of(const FileStorageItem& from, int width) {
    FileStorageItem item;
    item.time = from.time;
    item.depth = from.depth;
    item.second_depth = from.second_depth;
    item.third_depth = from.third_depth;
    item.valid = from.valid;
    item.tag = from.tag;
    item.resize(width);
    return item;
}

}  // namespace gti_tool
