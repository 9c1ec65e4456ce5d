#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "gti/params/all_params.h"
#include "gti/params/par_tabl.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/util/number_text.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

AnsiString number(double v) {
    return lib::float_to_str(v);
}

AnsiString adc_text(int channel) {
    return channel < 0 ? AnsiString("нет"_cp) : AnsiString(std::to_string(channel));
}

struct params_options {
    std::string file;
    bool json = false;
};

int params_command(const params_options& o) {
    const lib::os::file_path file = file_argument(o.file);
    check_input(file);
    // The table keeps its contents when its file cannot be read: find out first.
    const lib::os::open_result probe =
        lib::os::open_shared(file, lib::os::access::read, lib::os::disposition::open_existing);
    if (probe.status != lib::os::open_status::ok)
        throw std::runtime_error(
            (file.display() + (probe.status == lib::os::open_status::not_found ? ": Файл не найден!"_cp
                                                                               : ": Невозможно открыть файл!"_cp))
                .str());
    lib::os::close_file(probe.handle);
    ParTabl table;
    table.load_from(file);
    if (o.json) {
        json_value doc{{"file", json_text(file.display())}, {"parameters", json_value::array()}};
        for (int i = 0; i < table.get_items_count(); ++i) {
            const Param p = static_cast<const ParTabl&>(table)[i];
            json_value item{{"key", json_text(p.global_name)},
                            {"name", json_text(p.name)},
                            {"short_name", json_text(p.short_name)},
                            {"unit", json_text(p.unit)},
                            {"adc_channel", p.adc_channel < 0 ? json_value(nullptr) : json_value(p.adc_channel)},
                            {"range", json_number(p.range)},
                            {"zero", json_number(p.zero)},
                            {"scale", {json_number(p.scale_min), json_number(p.scale_max)}},
                            {"averaging", p.averaging},
                            {"calibration", json_value::array()},
                            {"extra", json_value::object()}};
            for (const auto& point : p.calibration)
                item["calibration"].push_back({json_number(point.voltage), json_number(point.value)});
            for (const auto& [key, value] : p.ext_info.items())
                item["extra"][u8(key)] = json_text(value);
            doc["parameters"].push_back(item);
        }
        print_json(doc);
        return exit_done;
    }
    say("Таблица параметров: "_cp + file.display());
    say(AnsiString("Параметров: "_cp + std::to_string(table.get_items_count())));
    for (int i = 0; i < table.get_items_count(); ++i) {
        const Param p = static_cast<const ParTabl&>(table)[i];
        char index[16];
        std::snprintf(index, sizeof index, "%4d  ", i);
        say(index + p.global_name + "  \"" + p.name + "\" (" + p.short_name + ") [" + p.unit + "]");
        say("        АЦП "_cp + adc_text(p.adc_channel) + ", диапазон "_cp + number(p.range) + ", ноль "_cp +
            number(p.zero) + ", шкала "_cp + number(p.scale_min) + ".." + number(p.scale_max) + ", осреднение "_cp +
            AnsiString(std::to_string(p.averaging)));
        if (!p.calibration.empty()) {
            AnsiString points = "        калибровка:"_cp;
            for (const auto& point : p.calibration)
                points += " (" + number(point.voltage) + "; " + number(point.value) + ")";
            say(points);
        }
        for (const auto& [key, value] : p.ext_info.items())
            say("        " + key + " = " + value);
    }
    return 0;
}

int catalogue_command(bool json) {
    AllParams& catalogue = get_all_params();
    if (json) {
        json_value doc = json_value::array();
        for (int i = 0; i < catalogue.get_items_count(); ++i) {
            const DefaultParam& p = catalogue.at(i);
            doc.push_back(
                {{"index", i},
                 {"group", p.group},
                 {"group_name", p.group == 0 ? json_value(nullptr) : json_text(AllParams::get_group_name(p.group))},
                 {"key", json_text(p.global_name)},
                 {"name", json_text(p.name)},
                 {"unit", json_text(p.unit)},
                 {"adc_channel", p.adc_channel < 0 ? json_value(nullptr) : json_value(p.adc_channel)},
                 {"scale", {json_number(p.scale_min), json_number(p.scale_max)}}});
        }
        print_json(doc);
        return exit_done;
    }
    for (int group = 0; group <= 8; ++group) {
        bool heading = false;
        for (int i = 0; i < catalogue.get_items_count(); ++i) {
            const DefaultParam& p = catalogue.at(i);
            if (p.group != group) continue;
            if (!heading) {
                say("");
                say(group == 0 ? AnsiString("Без группы"_cp) : AllParams::get_group_name(group));
                heading = true;
            }
            char index[16];
            std::snprintf(index, sizeof index, "%4d  ", i);
            say(index + p.global_name + "  \"" + p.name + "\" [" + p.unit + "]  АЦП "_cp + adc_text(p.adc_channel) +
                ", шкала "_cp + number(p.scale_min) + ".." + number(p.scale_max));
        }
    }
    return 0;
}

}  // namespace

void add_params_commands(CLI::App& tool) {
    auto o = std::make_shared<params_options>();
    CLI::App* c = add_command(
        tool, "params", help_text("the parameters of a parameter-table file", "параметры файла таблицы параметров"_cp),
        [o] { return params_command(*o); });
    add_details(c, help_text("Keys, names, units, converter inputs, calibration points and extra values.",
                             "Ключи, названия, единицы, входы АЦП, точки калибровки и дополнительные значения."_cp));
    c->add_option("file", o->file, help_text("the parameter-table file", "файл таблицы параметров"_cp))->required();
    add_json(c, o->json);
    auto json = std::make_shared<bool>(false);
    CLI::App* cat = add_command(tool, "catalogue",
                                help_text("the built-in catalogue of known parameters, by group",
                                          "встроенный каталог известных параметров, по группам"_cp),
                                [json] { return catalogue_command(*json); });
    add_json(cat, *json);
}

}  // namespace gti_tool
