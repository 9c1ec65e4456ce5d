#include "params.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "gti/params/all_params.h"
#include "gti/params/par_tabl.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/util/number_text.h"
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

}  // namespace

int params_command(const std::vector<AnsiString>& args) {
    if (args.size() != 1) throw std::runtime_error("params takes one parameter-table file");
    const AnsiString& file = args[0];
    // The table keeps its contents when its file cannot be read: find out first.
    const lib::os::open_result probe =
        lib::os::open_shared(file, lib::os::access::read, lib::os::disposition::open_existing);
    if (probe.status != lib::os::open_status::ok)
        throw std::runtime_error(
            (file + (probe.status == lib::os::open_status::not_found ? ": Файл не найден!"_cp
                                                                     : ": Невозможно открыть файл!"_cp))
                .str());
    lib::os::close_file(probe.handle);
    ParTabl table;
    table.load_from(file);
    say("Таблица параметров: "_cp + file);
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

int catalogue_command(const std::vector<AnsiString>& args) {
    if (!args.empty()) throw std::runtime_error("catalogue takes no arguments");
    AllParams& catalogue = get_all_params();
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

}  // namespace gti_tool
