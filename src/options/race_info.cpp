#include "gti/options/race_info.h"

#include "gti/platform/codepage.h"
#include "gti/util/string_list.h"

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

const char* const drill_type_names[] = {"Роторное",       "Турбинное",        "Роторно-турбинное",
                                        "Электробурение", "Аварийные работы", "Другое"};

}  // namespace

RaceInfo::RaceInfo() {
    set_defaults();
}

AnsiString RaceInfo::get_drill_type_str(DrillType type) {
    const int i = static_cast<int>(type);
    return i >= 0 && i < 6 ? AnsiString(drill_type_names[i]) : AnsiString("::ОШИБКА::");
}

AnsiString RaceInfo::get_race_file(const AnsiString& path) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t name_start = slash == AnsiString::npos ? 0 : slash + 1;
    const std::size_t point = path.find('.', name_start);
    if (point == AnsiString::npos) return AnsiString();
    return path.substr(0, point + 1) + "rac";
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
            first.sector("рейс_главн");
            first.add("номер_рейса");
            second.sector("рейс_долото");
            second.add("износ_долота");
            break;
        case ct_race_end:
            second.sector("рейс_главн");
            second.add("номер_рейса");
            second.sector("рейс_долото");
            second.add("износ_долота");
            second.add_sector("рейс_техно");
            break;
        case ct_race_number:
            first.sector("рейс_главн");
            first.add("номер_рейса");
            break;
    }
}

void RaceInfo::get_elements_list(lib::ini_options_elements& e) {
    drill_type_text = get_drill_type_str(drill_type);
    const char* const archive = "архивные_данные";
    e.add(oilfield, archive, "месторождение");
    e.add(well, archive, "скважина");
    e.add(well_category, archive, "категория_скважины");
    e.add(area, archive, "площадь");
    e.add(customer, archive, "заказчик");
    const char* const settings = "настройки_рейса";
    e.add(race_number, settings, "номер_рейса");
    e.add(bit_number, settings, "номер_долота");
    e.add(bit_diameter, settings, "диаметр_долота");
    e.add(bit_type, settings, "тип_долота");
    e.add(drill_type_text, settings, "способ_бурения");
    e.add(operators, settings, "оператор");
    e.add(motor_size, settings, "типоразмер_з_д");
    e.add(depth_step, settings, "шаг_записи_по_глубине");
    e.add(time_step, settings, "шаг_записи_по_времени");
    const char* const start = "начало_рейса";
    e.add(start_depth, start, "глубина");
    e.add(start_time, start, "время");
    const char* const end = "окончание_рейса";
    e.add(end_depth, end, "глубина");
    e.add(end_time, end, "время");
    e.add(drilling_time, end, "время_бурения");
    e.add(circulation_time, end, "время_циркуляции");
    e.add(trip_time, end, "время_спо");
    e.add(flushing_time, end, "время_промывки");
    e.add(reaming_time, end, "время_проработки");
    e.add(average_load, end, "средняя_нагрузка");
    e.add(average_pressure, end, "среднее_давление");
    e.add(average_flow, end, "средний_расход");
    e.add(drilling_speed, end, "скорость_бурения");
    e.add(bit_wear, end, "износ_долота");
    const char* const mud = "раствор";
    e.add(average_density, mud, "средняя_плотность");
    e.add(mud_type, mud, "тип_раствора");
    e.add(viscosity, mud, "вязкость");
    e.add(filtration, mud, "фильтрация");
    e.add(chl, mud, "CHl");
    e.add(cake_thickness, mud, "толщина_корки");
    e.add(sand_percent, mud, "процент_песка");
    e.add(stability, mud, "стабильность");
    e.add(resistivity, mud, "удельное_сопротивление");
    e.add(stickiness, mud, "липкость");
    e.add(ph, mud, "pH");
}

void RaceInfo::enum_values(lib::options_list& list) {
    drill_type_text = get_drill_type_str(drill_type);
    const char* const unset = "::НЕ ЗАДАНО::";
    list.sector("рейс_арх", "Архивные данные");
    list.add(oilfield, unset, "месторождение", "");
    list.add(well, unset, "скважина", "");
    list.add(well_category, unset, "категория_скважины", "");
    list.add(area, unset, "площадь", "");
    list.add(customer, unset, "заказчик", "");
    list.add(footage, 0.0, "проходка", "", "м", 2, 1.0);
    list.add(start_depth, 0.0, "нач_глубина", "", "м", 2, 1.0);
    list.add(start_time, 0u, "нач_время", "", "UNIX_TIME");
    list.add(end_depth, 0.0, "конеч_глубина", "", "м", 2, 1.0);
    list.add(end_time, 0u, "конеч_время", "", "UNIX_TIME");

    list.sector("рейс_главн", "Основные данные");
    list.add(race_number, 1, "номер_рейса", "Номер рейса", "");
    list.add(drill_type_text, "", "способ_бурения", "");
    list.add(operators, "", "оператор", "Операторы");
    list.add(drill_type, rotary, "способ_бурения2", "Способ бурения",
             "Роторное|Турбинное|Роторно-турбинное|Электробурение|Аварийные работы|Другое");

    list.sector("рейс_долото", "Долото и ЗД");
    list.add(bit_type, "", "тип_долота", "Типоразмер долота");
    list.add(bit_number, "", "номер_долота", "Заводской номер долота");
    list.add(bit_diameter, 0.0, "диаметр_долота", "Диаметр долота", "мм", 1, 1.0);
    list.add(motor_size, "", "типоразмер_з_д", "Типоразмер ЗД");
    list.add(bit_wear, "", "износ_долота", "Код износа долота");
    list.add(assembly, "", "компоновка", "Компоновка");

    list.sector("рейс_техно", "Технол. параметры");
    list.add(average_load, 0.0, "сред_нагр", "Средняя нагрузка", "т", 1, 1.0);
    list.add(average_density, 0.0, "сред_плотн", "Средняя плотность ПЖ", "г/см3", 2, 1.0);
    list.add(average_pressure, 0.0, "сред_давл", "Среднее давление ПЖ", "атм", 0, 1.0);
    list.add(average_flow, 0.0, "сред_расх", "Средний расход ПЖ", "л/с", 1, 1.0);
    list.add(drilling_speed, 0.0, "рейс_скор", "Рейсовая скорость", "м/ч", 2, 1.0);

    list.sector("рейс_пж", "ПЖ");
    list.add(mud_type, "", "тип_раствора", "Тип раствора");
    list.add(viscosity, "", "вязкость", "Вязкость");
    list.add(filtration, "", "фильтрация", "Фильтрация");
    list.add(chl, 0.0, "chl", "CHl", "", 2, 1.0);
    list.add(cake_thickness, 0.0, "толщина_корки", "Толщина корки", "мм", 1, 1.0);
    list.add(sand_percent, 0.0, "процент_песка", "Процент песка", "%", 1, 1.0);
    list.add(stability, "", "стабильность", "Стабильность");
    list.add(resistivity, 0.0, "удельное_сопротивление", "Удельное сопротивление", "ом/м", 2, 1.0);
    list.add(stickiness, "", "липкость", "Липкость");
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
