#include "info.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "cli.h"
#include "commands.h"
#include "gti/options/options.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/time/unix_time.h"
#include "gti/util/number_text.h"
#include "las.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

// A station time for people: as the station writes it in a Russian run, "YYYY-MM-DD HH:MM:SS"
// otherwise.
AnsiString time_text(std::uint32_t time) {
    if (russian()) return lib::date_to_string(time);
    AnsiString iso = lib::to_iso8601(time);
    if (const std::size_t t = iso.find('T'); t != AnsiString::npos) iso[t] = ' ';
    return iso;
}

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

struct info_options {
    std::string file;
    bool json = false;
};

int info(const info_options& o) {
    const lib::os::file_path file = file_argument(o.file);
    check_input(file);
    if (is_las_file(file)) return print_las_info(file, o.json);
    FileStorage store;
    load_data_file(store, file);
    print_info(store, file, o.json);
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    return warnings.empty() ? exit_done : exit_damaged;
}

}  // namespace

void check_input(const lib::os::file_path& file) {
    const std::filesystem::path path = file.path();
    const AnsiString& name = file.display();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status))
        throw std::runtime_error((name + tr(": a folder, not a file", ": это папка, а не файл"_cp)).str());
    if (std::filesystem::exists(status)) return;
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != AnsiString::npos && slash > 0 && !std::filesystem::is_directory(path.parent_path(), ec))
        throw std::runtime_error(
            (name + tr(": the folder ", ": папки "_cp) + name.substr(0, slash) + tr(" does not exist", " нет"_cp))
                .str());
    throw std::runtime_error((name + tr(": no such file", ": файла нет"_cp)).str());
}

void load_data_file(FileStorage& store, const lib::os::file_path& file) {
    check_input(file);
    // The store names its file in the strip chart and finds an old run file beside it; no station
    // file records it.
    store.file_name = file.display();
    try {
        store.add_file(file, false);
    } catch (const std::exception& e) {
        // The library's readers name the file themselves.
        if (std::string_view(e.what()).starts_with((file.display() + ":").view())) throw;
        throw std::runtime_error((file.display() + ": " + e.what()).str());
    }
}

std::size_t print_warnings(const FileStorage& store) {
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    if (!warnings.empty()) std::fprintf(stderr, "%s\n", u8(tr("Warnings:", "Предупреждения:"_cp)).c_str());
    for (const AnsiString& w : warnings)
        std::fprintf(stderr, "  %s\n", u8(w).c_str());
    return warnings.size();
}

std::uint64_t file_size(const lib::os::file_path& file) {
    lib::os::dir_entry e;
    return lib::os::entry_info(file, e) ? e.size : 0;
}

std::size_t print_written(const FileStorage& store, const lib::os::file_path& file, bool json) {
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    if (json) {
        json_value doc{{"written", json_text(file.display())},
                       {"records", store.get_record_count()},
                       {"parameters", store.get_param_count()},
                       {"bytes", file_size(file)},
                       {"warnings", json_value::array()}};
        for (const AnsiString& w : warnings)
            doc["warnings"].push_back(json_text(w));
        print_json(doc);
        return warnings.size();
    }
    note(tr("Written ", "Записан "_cp) + file.display() + ": " + count_text(store.get_record_count()) +
         tr(" records, ", " записей, "_cp) + AnsiString(std::to_string(store.get_param_count())) +
         tr(" parameters, ", " параметров, "_cp) + count_text(static_cast<long long>(file_size(file))) +
         tr(" bytes", " байт"_cp));
    return print_warnings(store);
}

void print_info(FileStorage& store, const lib::os::file_path& file, bool json) {
    const summary sum = summarize(store);
    const int step = store.calc_time_step();
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    // The run information by descriptor; time values as the station shows them.
    std::vector<std::pair<AnsiString, AnsiString>> run_fields;
    lib::options_list descriptors;
    store.get_text_values().enum_values(descriptors);
    for (const auto& d : descriptors.items()) {
        AnsiString value = d->get();
        int time = 0;
        if (d->units == "UNIX_TIME" && lib::str_to_int(value, time))
            value =
                json ? lib::to_iso8601(static_cast<std::uint32_t>(time)) : time_text(static_cast<std::uint32_t>(time));
        // Fields the file has no line for (the registration file keeps no oilfield and no
        // customer) read as the station's "not set".
        if (!value.empty() && !lib::cp1251::equal_nocase(value.view(), "::не задано::"_cp))
            run_fields.emplace_back(d->name, value);
    }
    const bool any = store.get_record_count() > 0;

    if (json) {
        json_value doc;
        doc["file"] = json_text(file.display());
        doc["parameters"] = json_value::array();
        for (int i = 0; i < store.get_param_count(); ++i) {
            const FileStorageParam& p = *store.get_param(i);
            doc["parameters"].push_back({{"key", json_text(p.global_name)},
                                         {"name", json_text(p.name)},
                                         {"short_name", json_text(p.short_name)},
                                         {"unit", json_text(p.unit)},
                                         {"scale", {json_number(p.scale_min), json_number(p.scale_max)}}});
        }
        doc["records"] = store.get_record_count();
        if (any) {
            // Local wall-clock times: ISO 8601 without a zone, and seconds since 1970-01-01 00:00:00 local.
            doc["time_range"] = {{"first", lib::to_iso8601(sum.first).str()},
                                 {"last", lib::to_iso8601(sum.last).str()},
                                 {"first_local_epoch_seconds", lib::to_local_epoch_seconds(sum.first)},
                                 {"last_local_epoch_seconds", lib::to_local_epoch_seconds(sum.last)},
                                 {"first_text", json_text(lib::date_to_string(sum.first))},
                                 {"last_text", json_text(lib::date_to_string(sum.last))}};
            doc["depth_range"] = {json_number(sum.depth_min), json_number(sum.depth_max)};
        }
        doc["time_step"] = step;
        doc["run"] = json_value::object();
        for (const auto& [name, value] : run_fields)
            doc["run"][u8(name)] = json_text(value);
        doc["warnings"] = json_value::array();
        for (const AnsiString& w : warnings)
            doc["warnings"].push_back(json_text(w));
        print_json(doc);
        return;
    }

    say(tr("File: ", "Файл: "_cp) + file.display());
    say(tr("Parameters (", "Параметры ("_cp) + AnsiString(std::to_string(store.get_param_count())) + "):");
    std::vector<std::vector<AnsiString>> rows{
        {"#", tr("key", "ключ"_cp), tr("name", "название"_cp), tr("unit", "ед."_cp), tr("scale", "шкала"_cp)}};
    for (int i = 0; i < store.get_param_count(); ++i) {
        const FileStorageParam& p = *store.get_param(i);
        rows.push_back({AnsiString(std::to_string(i)), p.global_name, p.name, p.unit,
                        lib::float_to_str(p.scale_min) + ".." + lib::float_to_str(p.scale_max)});
    }
    print_table(rows, {0});
    std::vector<std::vector<AnsiString>> facts{{tr("Records:", "Записей:"_cp), count_text(store.get_record_count())}};
    if (any) {
        facts.push_back(
            {tr("Time:", "Время:"_cp), time_text(sum.first) + " .. " + time_text(sum.last) + " (" +
                                           lib::time_to_string(static_cast<std::int32_t>(sum.last - sum.first)) + ")"});
        facts.push_back({tr("Depth:", "Глубина:"_cp), lib::float_to_str(sum.depth_min, 2) + " .. " +
                                                          lib::float_to_str(sum.depth_max, 2) + tr(" m", " м"_cp)});
    }
    facts.push_back({tr("Time step:", "Шаг по времени:"_cp), AnsiString(std::to_string(step)) + tr(" s", " с"_cp)});
    print_table(facts, {}, "");
    say(tr("Run:", "Рейс:"_cp));
    std::vector<std::vector<AnsiString>> run_rows;
    for (const auto& [name, value] : run_fields)
        run_rows.push_back({name, value});
    print_table(run_rows);
    if (!warnings.empty()) {
        say(tr("Warnings:", "Предупреждения:"_cp));
        for (const AnsiString& w : warnings)
            say("  " + w);
    }
}

void add_info_command(CLI::App& tool) {
    auto o = std::make_shared<info_options>();
    CLI::App* c =
        add_command(tool, "info", help_text("what a data file or LAS log holds", "что содержит файл данных или LAS"_cp),
                    [o] { return info(*o); });
    add_details(
        c,
        help_text(
            "Parameters with units and scales, records, time range and step, depth range, run information, and the "
            "warnings of a file that was damaged and read in part (exit code 2). A LAS log shows its header items, "
            "curves, rows, index range and what its reader tolerated (--json: all notes).",
            "Параметры с единицами и шкалами, записи, интервал и шаг времени, интервал глубин, сведения о рейсе и предупреждения о файле, повреждённом и прочитанном частично (код выхода 2). Для LAS: элементы заголовка, кривые, строки, интервал индекса и замечания чтения (--json: все)."_cp));
    c->add_option("file", o->file,
                  help_text("a data file (.realtim .realdep .reallag .creg .tim .dep .ldp) or a LAS log",
                            "файл данных (.realtim .realdep .reallag .creg .tim .dep .ldp) или LAS"_cp))
        ->required();
    add_json(c, o->json);
}

}  // namespace gti_tool
