#include "info.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/options/options.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "gti/util/number_text.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

struct summary {
    std::uint32_t first = 0, last = 0;
    float depth_min = 0, depth_max = 0;
    int invalid = 0;
};

summary summarize(const FileStorage& s) {
    summary r;
    for (int i = 0; i < s.get_record_count(); ++i) {
        const FileStorageItem& item = *s.get_record(i);
        if (i == 0 || item.time < r.first) r.first = item.time;
        if (i == 0 || item.time > r.last) r.last = item.time;
        if (i == 0 || item.depth < r.depth_min) r.depth_min = item.depth;
        if (i == 0 || item.depth > r.depth_max) r.depth_max = item.depth;
        if (!item.valid) ++r.invalid;
    }
    return r;
}

}  // namespace

void load_data_file(FileStorage& store, const AnsiString& file) {
    store.file_name = file;
    try {
        store.add_file(file, false);
    } catch (const std::exception& e) {
        // The library's readers name the file themselves.
        if (std::string_view(e.what()).starts_with((file + ":").view())) throw;
        throw std::runtime_error((file + ": " + e.what()).str());
    }
}

void print_info(FileStorage& store, const AnsiString& file, bool json) {
    const summary sum = summarize(store);
    const int step = store.calc_time_step();
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    // The run information by descriptor; time values as the station shows them.
    TStringList run;
    lib::options_list descriptors;
    store.get_text_values().enum_values(descriptors);
    for (const auto& d : descriptors.items()) {
        AnsiString value = d->get();
        int time = 0;
        if (d->units == "UNIX_TIME" && lib::str_to_int(value, time))
            value = json ? lib::to_iso8601(static_cast<std::uint32_t>(time))
                         : lib::date_to_string(static_cast<std::uint32_t>(time));
        if (!value.empty()) run.Add(d->name + "=" + value);
    }
    const bool any = store.get_record_count() > 0;

    if (json) {
        std::printf("{\n  \"file\": %s,\n  \"parameters\": [", json_string(file).c_str());
        for (int i = 0; i < store.get_param_count(); ++i) {
            const FileStorageParam& p = *store.get_param(i);
            std::printf("%s\n    {\"key\": %s, \"name\": %s, \"short_name\": %s, \"unit\": %s, \"scale\": [%s, %s]}",
                        i ? "," : "", json_string(p.global_name).c_str(), json_string(p.name).c_str(),
                        json_string(p.short_name).c_str(), json_string(p.unit).c_str(),
                        json_number(p.scale_min).c_str(), json_number(p.scale_max).c_str());
        }
        std::printf("\n  ],\n  \"records\": %d,\n", store.get_record_count());
        if (any) {
            // Local wall-clock times: ISO 8601 without a zone, and seconds since 1970-01-01 00:00:00 local.
            std::printf(
                "  \"time_range\": {\"first\": \"%s\", \"last\": \"%s\", \"first_local_epoch_seconds\": %lld, "
                "\"last_local_epoch_seconds\": %lld, \"first_text\": %s, \"last_text\": %s},\n",
                lib::to_iso8601(sum.first).c_str(), lib::to_iso8601(sum.last).c_str(),
                static_cast<long long>(lib::to_local_epoch_seconds(sum.first)),
                static_cast<long long>(lib::to_local_epoch_seconds(sum.last)),
                json_string(lib::date_to_string(sum.first)).c_str(),
                json_string(lib::date_to_string(sum.last)).c_str());
            std::printf("  \"depth_range\": [%s, %s],\n", json_number(sum.depth_min).c_str(),
                        json_number(sum.depth_max).c_str());
        }
        std::printf("  \"time_step\": %d,\n  \"run\": {", step);
        for (int i = 0; i < run.Count(); ++i) {
            const AnsiString name = run.Names(i);
            std::printf("%s\n    %s: %s", i ? "," : "", json_string(name).c_str(),
                        json_string(run.Values(name)).c_str());
        }
        std::printf("\n  },\n  \"warnings\": [");
        for (std::size_t i = 0; i < warnings.size(); ++i)
            std::printf("%s%s", i ? ", " : "", json_string(warnings[i]).c_str());
        std::printf("]\n}\n");
        return;
    }

    say("Файл: "_cp + file);
    say(AnsiString("Параметры ("_cp + std::to_string(store.get_param_count()) + "):"));
    for (int i = 0; i < store.get_param_count(); ++i) {
        const FileStorageParam& p = *store.get_param(i);
        char index[16];
        std::snprintf(index, sizeof index, "%4d  ", i);
        say(index + p.global_name + "  \"" + p.name + "\" [" + p.unit + "] " + lib::float_to_str(p.scale_min) + ".." +
            lib::float_to_str(p.scale_max));
    }
    say(AnsiString("Записей: "_cp + std::to_string(store.get_record_count())));
    if (any) {
        say("Время: с "_cp + lib::date_to_string(sum.first) + " по "_cp + lib::date_to_string(sum.last) + " (" +
            lib::time_to_string(static_cast<std::int32_t>(sum.last - sum.first)) + ")");
        say("Глубина: "_cp + lib::float_to_str(sum.depth_min, 2) + " .. " + lib::float_to_str(sum.depth_max, 2) +
            " м"_cp);
    }
    say(AnsiString("Шаг по времени: "_cp + std::to_string(step) + " с"_cp));
    say("Рейс:"_cp);
    for (int i = 0; i < run.Count(); ++i)
        say("  " + run[i]);
    if (!warnings.empty()) {
        say("Предупреждения:"_cp);
        for (const AnsiString& w : warnings)
            say("  " + w);
    }
}

}  // namespace gti_tool
