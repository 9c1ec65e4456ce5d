// BasicPoreOptions: the well ("скважина") the station works on.
//
// Its identification (country, oilfield, area, pad, well number, category), the logging crew and
// organisation, the drilling contractor and the well's construction. Every option lives in the
// INI section "скважина"; the four sectors differ only in their captions, which group the
// options in dialogs:
//   "Основные"             страна, месторождение, площадь, куст, номер, категория_скважины,
//                          метод_исследования
//   "Станция"              тип_станции, экспедиция, организация, партия_ГТИ, отряд, операторы,
//                          начальник_отряда, начальник_партии
//   "Буровая"              название_заказчика, УБР, мастер, начальник_скважины
//   "Конструкция буровой"  буровая_установка, насос, альтитуда_ротора, проектная_глубина,
//                          диаметр_кондуктора, башмак_кондуктора
#pragma once

#include "gti/options/options.h"
#include "gti/platform/ansi_string.h"

// The options of the well.
class BasicPoreOptions : public lib::options_base {
public:
    // Every text empty and every number 0; the defaults ("Россия", "ГТИ") come with
    // set_defaults() or with loading a file that lacks them.
    BasicPoreOptions() = default;

    void enum_values(lib::options_list& list) override;

    // Replaces negative depths, diameters and altitudes by 0.
    void check_values();

    // The folder of the well's files: the program's own folder followed by the well number;
    // empty while the well has no number.
    AnsiString get_pore_directory() const;

    AnsiString well_number;
    AnsiString area;
    AnsiString oilfield;
    AnsiString pad;
    AnsiString well_category;
    AnsiString expedition;
    AnsiString logging_party;
    AnsiString drilling_department;
    AnsiString customer;
    AnsiString organisation;
    AnsiString survey_method;
    AnsiString country;
    AnsiString station_type;
    AnsiString crew;
    AnsiString operators;
    AnsiString crew_chief;
    AnsiString party_chief;
    AnsiString well_chief;
    AnsiString driller;
    AnsiString rig;
    AnsiString pump;
    double design_depth = 0;
    double conductor_diameter = 0;
    double conductor_shoe = 0;
    double spare_depth = 0;
    double rotary_altitude = 0;
    bool spare_flag = false;
};
