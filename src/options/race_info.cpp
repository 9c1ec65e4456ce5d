#include "gti/options/race_info.h"

#include <filesystem>
#include <string>
#include <string_view>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/string_list.h"

using namespace lib::literals;

namespace lib {

void grid_options_list::sector(const char* name) {
    sector_ = AnsiString(cp1251::to_lower(name));
}

void grid_options_list::add(const char* key) {
    names_.insert(sector_ + "." + AnsiString(cp1251::to_lower(key)));
}

void grid_options_list::add_sector(const char* name) {
    sectors_.insert(AnsiString(cp1251::to_lower(name)));
}

bool grid_options_list::contains(const AnsiString& full_name) const {
    return names_.count(AnsiString(cp1251::to_lower(full_name.view()))) != 0;
}

bool grid_options_list::contains_sector(const AnsiString& name) const {
    return sectors_.count(AnsiString(cp1251::to_lower(name.view()))) != 0;
}

void grid_options_list::clear() {
    sector_.clear();
    names_.clear();
    sectors_.clear();
}

}  // namespace lib

namespace {

const char* const drill_type_names[] = {"Роторное"_cp,       "Турбинное"_cp,        "Роторно-турбинное"_cp,
                                        "Электробурение"_cp, "Аварийные работы"_cp, "Другое"_cp};

// The run file of `path` as RaceInfo::get_race_file says; the same bytes mark folders and points
// in 1251 and in UTF-8.
std::string race_file_of(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t point = path.find('.', name_start);
    if (point == std::string_view::npos) return std::string();
    return std::string(path.substr(0, point + 1)) + "rac";
}

}  // namespace

RaceInfo::RaceInfo() {
    set_defaults();
}

AnsiString RaceInfo::get_drill_type_str(DrillType type) {
    const int i = static_cast<int>(type);
    return i >= 0 && i < 6 ? AnsiString(drill_type_names[i]) : AnsiString("::ОШИБКА::"_cp);
}

AnsiString RaceInfo::get_race_file(const AnsiString& path) {
    return AnsiString(race_file_of(path.view()));
}

lib::os::file_path RaceInfo::get_race_file(const lib::os::file_path& path) {
    return lib::os::file_path::from_native(race_file_of(path.native()));
}

void RaceInfo::reset_fields() {
    static_cast<RaceInfoData&>(*this) = static_cast<const RaceInfoData&>(RaceInfo());
}

void RaceInfo::fill_to_strings(TStrings* strings) {
    strings->Clear();
    lib::options_list list;
    enum_values(list);
    for (const auto& item : list.items())
        strings->SetValue(item->name, item->get_serial_string());
}

void RaceInfo::correct_race_options(cTypes kind, lib::grid_options_list& first, lib::grid_options_list& second) {
    first.clear();
    second.clear();
    switch (kind) {
        case ct_race_start:
            first.sector("рейс_главн"_cp);
            first.add("номер_рейса"_cp);
            second.sector("рейс_долото"_cp);
            second.add("износ_долота"_cp);
            break;
        case ct_race_end:
            second.sector("рейс_главн"_cp);
            second.add("номер_рейса"_cp);
            second.sector("рейс_долото"_cp);
            second.add("износ_долота"_cp);
            second.add_sector("рейс_техно"_cp);
            break;
        case ct_race_number:
            first.sector("рейс_главн"_cp);
            first.add("номер_рейса"_cp);
            break;
    }
}

void RaceInfo::get_elements_list(lib::ini_options_elements& e) {
    drill_type_text = get_drill_type_str(drill_type);
    const char* const archive = "архивные_данные"_cp;
    e.add(oilfield, archive, "месторождение"_cp);
    e.add(well, archive, "скважина"_cp);
    e.add(well_category, archive, "категория_скважины"_cp);
    e.add(area, archive, "площадь"_cp);
    e.add(customer, archive, "заказчик"_cp);
    const char* const settings = "настройки_рейса"_cp;
    e.add(race_number, settings, "номер_рейса"_cp);
    e.add(bit_number, settings, "номер_долота"_cp);
    e.add(bit_diameter, settings, "диаметр_долота"_cp);
    e.add(bit_type, settings, "тип_долота"_cp);
    e.add(drill_type_text, settings, "способ_бурения"_cp);
    e.add(operators, settings, "оператор"_cp);
    e.add(motor_size, settings, "типоразмер_з_д"_cp);
    e.add(depth_step, settings, "шаг_записи_по_глубине"_cp);
    e.add(time_step, settings, "шаг_записи_по_времени"_cp);
    const char* const start = "начало_рейса"_cp;
    e.add(start_depth, start, "глубина"_cp);
    e.add(start_time, start, "время"_cp);
    const char* const end = "окончание_рейса"_cp;
    e.add(end_depth, end, "глубина"_cp);
    e.add(end_time, end, "время"_cp);
    e.add(drilling_time, end, "время_бурения"_cp);
    e.add(circulation_time, end, "время_циркуляции"_cp);
    e.add(trip_time, end, "время_спо"_cp);
    e.add(flushing_time, end, "время_промывки"_cp);
    e.add(reaming_time, end, "время_проработки"_cp);
    e.add(average_load, end, "средняя_нагрузка"_cp);
    e.add(average_pressure, end, "среднее_давление"_cp);
    e.add(average_flow, end, "средний_расход"_cp);
    e.add(drilling_speed, end, "скорость_бурения"_cp);
    e.add(bit_wear, end, "износ_долота"_cp);
    const char* const mud = "раствор"_cp;
    e.add(average_density, mud, "средняя_плотность"_cp);
    e.add(mud_type, mud, "тип_раствора"_cp);
    e.add(viscosity, mud, "вязкость"_cp);
    e.add(filtration, mud, "фильтрация"_cp);
    e.add(chl, mud, "CHl");
    e.add(cake_thickness, mud, "толщина_корки"_cp);
    e.add(sand_percent, mud, "процент_песка"_cp);
    e.add(stability, mud, "стабильность"_cp);
    e.add(resistivity, mud, "удельное_сопротивление"_cp);
    e.add(stickiness, mud, "липкость"_cp);
    e.add(ph, mud, "pH");
}

void RaceInfo::enum_values(lib::options_list& list) {
    drill_type_text = get_drill_type_str(drill_type);
    const char* const unset = "::НЕ ЗАДАНО::"_cp;
    list.sector("рейс_арх"_cp, "Архивные данные"_cp);
    list.add(oilfield, unset, "месторождение"_cp, "");
    list.add(well, unset, "скважина"_cp, "");
    list.add(well_category, unset, "категория_скважины"_cp, "");
    list.add(area, unset, "площадь"_cp, "");
    list.add(customer, unset, "заказчик"_cp, "");
    list.add(footage, 0.0, "проходка"_cp, "", "м"_cp, 2, 1.0);
    list.add(start_depth, 0.0, "нач_глубина"_cp, "", "м"_cp, 2, 1.0);
    list.add(start_time, 0u, "нач_время"_cp, "", "UNIX_TIME");
    list.add(end_depth, 0.0, "конеч_глубина"_cp, "", "м"_cp, 2, 1.0);
    list.add(end_time, 0u, "конеч_время"_cp, "", "UNIX_TIME");

    list.sector("рейс_главн"_cp, "Основные данные"_cp);
    list.add(race_number, 1, "номер_рейса"_cp, "Номер рейса"_cp, "");
    list.add(drill_type_text, "", "способ_бурения"_cp, "");
    list.add(operators, "", "оператор"_cp, "Операторы"_cp);
    list.add(drill_type, rotary, "способ_бурения2"_cp, "Способ бурения"_cp,
             "Роторное|Турбинное|Роторно-турбинное|Электробурение|Аварийные работы|Другое"_cp);

    list.sector("рейс_долото"_cp, "Долото и ЗД"_cp);
    list.add(bit_type, "", "тип_долота"_cp, "Типоразмер долота"_cp);
    list.add(bit_number, "", "номер_долота"_cp, "Заводской номер долота"_cp);
    list.add(bit_diameter, 0.0, "диаметр_долота"_cp, "Диаметр долота"_cp, "мм"_cp, 1, 1.0);
    list.add(motor_size, "", "типоразмер_з_д"_cp, "Типоразмер ЗД"_cp);
    list.add(bit_wear, "", "износ_долота"_cp, "Код износа долота"_cp);
    list.add(assembly, "", "компоновка"_cp, "Компоновка"_cp);

    list.sector("рейс_техно"_cp, "Технол. параметры"_cp);
    list.add(average_load, 0.0, "сред_нагр"_cp, "Средняя нагрузка"_cp, "т"_cp, 1, 1.0);
    list.add(average_density, 0.0, "сред_плотн"_cp, "Средняя плотность ПЖ"_cp, "г/см3"_cp, 2, 1.0);
    list.add(average_pressure, 0.0, "сред_давл"_cp, "Среднее давление ПЖ"_cp, "атм"_cp, 0, 1.0);
    list.add(average_flow, 0.0, "сред_расх"_cp, "Средний расход ПЖ"_cp, "л/с"_cp, 1, 1.0);
    list.add(drilling_speed, 0.0, "рейс_скор"_cp, "Рейсовая скорость"_cp, "м/ч"_cp, 2, 1.0);

    list.sector("рейс_пж"_cp, "ПЖ"_cp);
    list.add(mud_type, "", "тип_раствора"_cp, "Тип раствора"_cp);
    list.add(viscosity, "", "вязкость"_cp, "Вязкость"_cp);
    list.add(filtration, "", "фильтрация"_cp, "Фильтрация"_cp);
    list.add(chl, 0.0, "chl", "CHl", "", 2, 1.0);
    list.add(cake_thickness, 0.0, "толщина_корки"_cp, "Толщина корки"_cp, "мм"_cp, 1, 1.0);
    list.add(sand_percent, 0.0, "процент_песка"_cp, "Процент песка"_cp, "%", 1, 1.0);
    list.add(stability, "", "стабильность"_cp, "Стабильность"_cp);
    list.add(resistivity, 0.0, "удельное_сопротивление"_cp, "Удельное сопротивление"_cp, "ом/м"_cp, 2, 1.0);
    list.add(stickiness, "", "липкость"_cp, "Липкость"_cp);
    list.add(ph, 0.0, "ph", "pH", "", 1, 1.0);
}

void RaceInfo::get_serial_list(lib::serial_list& list, unsigned) {
    list | drill_type | race_number | time_step | drilling_time | circulation_time | trip_time | flushing_time |
        reaming_time | start_time | end_time;
    list | footage | hole_diameter | bit_diameter | depth_step | start_depth | end_depth | average_load |
        average_density | average_pressure | average_flow | drilling_speed | cake_thickness | ph | resistivity | chl |
        sand_percent;
    list | stability | mud_type | viscosity | filtration | stickiness | assembly | bit_type | customer | oilfield |
        foreman | motor_size | pump | operators | well | bit_number | area | well_category | time_file_name |
        depth_file_name | real_depth_file_name | bit_wear | drill_type_text;
}
