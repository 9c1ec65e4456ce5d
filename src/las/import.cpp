#include "gti/las/import.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/las/export.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"

using namespace lib::literals;

namespace lib::las {
namespace {

// Seconds in one unit of a time curve; 0 when the unit is no time unit.
double seconds_per_unit(const AnsiString& unit) {
    const std::string u = cp1251::to_upper(unit.view());
    if (u == "S" || u == "SEC" || u == "SECS" || u == "ISO8601") return 1;
    if (u == "MS") return 0.001;
    if (u == "MIN") return 60;
    if (u == "H" || u == "HR") return 3600;
    return 0;
}

// Metres in one unit of a depth curve.
double metres_per_unit(const AnsiString& unit) {
    const std::string u = cp1251::to_upper(unit.view());
    return u == "F" || u == "FT" ? 0.3048 : 1.0;
}

// True when `mnemonic` is the one export_storage makes of `key`: its mnemonic, or that with _N.
bool made_from(const AnsiString& mnemonic, const AnsiString& key) {
    const AnsiString made = mnemonic_of(key);
    if (made.empty() || mnemonic.size() < made.size() ||
        !cp1251::equal_nocase(mnemonic.view().substr(0, made.size()), made.view()))
        return false;
    const std::string_view rest = mnemonic.view().substr(made.size());
    if (rest.empty()) return true;
    return rest.size() > 1 && rest[0] == '_' && std::all_of(rest.begin() + 1, rest.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c));
           });
}

// A key not yet in `taken` (lower case): the wanted one, else with _2, _3, ... after it.
AnsiString unique_key(const AnsiString& wanted, std::set<std::string>& taken) {
    AnsiString key = wanted;
    for (int n = 2; taken.count(cp1251::to_lower(key.view())) != 0; ++n)
        key = wanted + "_" + AnsiString(std::to_string(n));
    taken.insert(cp1251::to_lower(key.view()));
    return key;
}

// The value of an item of a header block; empty when there is none.
AnsiString item_value(const file& doc, char block, const char* name) {
    const auto headers = std::dynamic_pointer_cast<text_headers>(doc.find_block(block));
    const int at = headers ? headers->find_param(name) : -1;
    return at < 0 ? AnsiString() : headers->item_by_index(at).value;
}

}  // namespace

import_result import_storage(const file& doc, FileStorage& store) {
    const auto curves = std::dynamic_pointer_cast<text_headers>(doc.find_block('c'));
    if (!doc.is_log() || !curves || curves->size() == 0) throw std::runtime_error("в файле нет каротажа LAS"_cp);
    const values_cont& rows = doc.values;
    const int columns = std::min(curves->size(), rows.param_count);
    const auto cell = [&](int row, int column) {
        const double v = column >= 0 && column < columns ? rows.row(row)[column] : rows.null_value;
        return rows.is_null(v) ? std::numeric_limits<double>::quiet_NaN() : v;
    };

    // Which curves give the time and the depth.
    const double index_time = rows.iso_index ? 1.0 : seconds_per_unit(curves->item_by_index(0).unit);
    int time_column = index_time > 0 ? 0 : -1;
    int depth_column = index_time > 0 ? rows.depth_index : 0;
    for (int c = 1; c < curves->size() && time_column < 0; ++c)
        if (c != depth_column && seconds_per_unit(curves->item_by_index(c).unit) > 0) time_column = c;
    const double time_scale = time_column >= 0 ? seconds_per_unit(curves->item_by_index(time_column).unit) : 0;
    const double depth_scale = depth_column >= 0 ? metres_per_unit(curves->item_by_index(depth_column).unit) : 1;
    double fixed_time = 0;
    if (time_column < 0 && !read_iso_time(item_value(doc, 'w', "DATE").view(), fixed_time)) fixed_time = 0;

    std::vector<int> chosen;
    for (int c = 0; c < curves->size(); ++c)
        if (c != time_column && c != depth_column) chosen.push_back(c);
    if (chosen.size() > static_cast<std::size_t>(FileStorage::max_params))
        throw std::runtime_error("в файле LAS "_cp + std::to_string(chosen.size()) +
                                 " кривых: в хранилище не больше "_cp + std::to_string(FileStorage::max_params) +
                                 " параметров"_cp);

    store.clear();
    std::set<std::string> taken;
    for (const int c : chosen) {
        const file_value& curve = curves->item_by_index(c);
        AnsiString key = curve.mnemonic;
        AnsiString name = curve.description;
        const std::size_t open = name.view().rfind(" (");
        if (open != std::string_view::npos && name.view().back() == ')') {
            const AnsiString inside = name.substr(open + 2, name.size() - open - 3);
            if (made_from(curve.mnemonic, inside)) {
                key = inside;
                name = name.substr(0, open);
            }
        }
        float low = std::numeric_limits<float>::infinity(), high = -low;
        for (int r = 0; r < rows.size(); ++r) {
            const auto v = static_cast<float>(cell(r, c));
            if (!std::isfinite(v)) continue;
            low = std::min(low, v);
            high = std::max(high, v);
        }
        if (low > high) {
            low = 0;
            high = 100;
        }
        store.add_parametr(
            {name.empty() ? curve.mnemonic : name, curve.mnemonic, curve.unit, unique_key(key, taken), low, high});
    }

    import_result result;
    FileStorageItem item;
    item.values.resize(chosen.size());
    for (int r = 0; r < rows.size(); ++r) {
        const double seconds = time_column >= 0 ? cell(r, time_column) * time_scale : fixed_time;
        if (!(std::abs(seconds) < 1e11)) {
            ++result.skipped;
            continue;
        }
        try {
            item.time = from_local_epoch_seconds(std::llround(seconds));
        } catch (const std::out_of_range&) {
            ++result.skipped;
            continue;
        }
        item.depth = static_cast<float>(cell(r, depth_column) * depth_scale);
        for (std::size_t i = 0; i < chosen.size(); ++i)
            item.values[i] = static_cast<float>(cell(r, chosen[i]));
        store.add_record(item);
        ++result.records;
    }

    TStringList& run = store.get_text_values().get_list();
    const auto put = [&](const char* key, const AnsiString& value) {
        if (!value.empty()) run.Add(AnsiString(key) + "=" + value);
    };
    put("скважина"_cp, item_value(doc, 'w', "WELL"));
    put("площадь"_cp, item_value(doc, 'w', "FLD"));
    put("номер_рейса"_cp, item_value(doc, 'p', "RUN"));
    store.get_text_values().ri_from_data();
    return result;
}

}  // namespace lib::las
