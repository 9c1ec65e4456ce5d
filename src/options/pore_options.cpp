#include "gti/options/pore_options.h"

#include "gti/platform/os.h"

void BasicPoreOptions::enum_values(lib::options_list& list) {
    const char* const section = "скважина";
    list.sector(section, "Основные");
    list.add(country, "Россия", "страна", "Страна");
    list.add(oilfield, "", "месторождение", "Месторождение");
    list.add(area, "", "площадь", "Площадь");
    list.add(pad, "", "куст", "Куст");
    list.add(well_number, "", "номер", "Скважина");
    list.add(well_category, "", "категория_скважины", "Категория скважины");
    list.add(survey_method, "ГТИ", "метод_исследования", "Метод исследования");

    list.sector(section, "Станция");
    list.add(station_type, "", "тип_станции", "Тип станции");
    list.add(expedition, "", "экспедиция", "Экспедиция");
    list.add(organisation, "", "организация", "Организация");
    list.add(logging_party, "", "партия_ГТИ", "Партия ГТИ");
    list.add(crew, "", "отряд", "Номер отряда");
    list.add(operators, "", "операторы", "Операторы");
    list.add(crew_chief, "", "начальник_отряда", "Начальник отряда");
    list.add(party_chief, "", "начальник_партии", "Начальник партии");

    list.sector(section, "Буровая");
    list.add(customer, "", "название_заказчика", "Заказчик");
    list.add(drilling_department, "", "УБР", "УБР");
    list.add(driller, "", "мастер", "Мастер");
    list.add(well_chief, "", "начальник_скважины", "Начальник скважины");

    list.sector(section, "Конструкция буровой");
    list.add(rig, "", "буровая_установка", "Буровая установка");
    list.add(pump, "", "насос", "Насос");
    list.add(rotary_altitude, 0.0, "альтитуда_ротора", "Альтитуда ротора", "м", 1, 1.0);
    list.add(design_depth, 0.0, "проектная_глубина", "Проектный забой", "м", 1, 1.0);
    list.add(conductor_diameter, 0.0, "диаметр_кондуктора", "Диаметр кондуктора", "мм", 0, 1.0);
    list.add(conductor_shoe, 0.0, "башмак_кондуктора", "Башмак кондуктора", "м", 1, 1.0);
}

void BasicPoreOptions::check_values() {
    for (double* v : {&design_depth, &conductor_diameter, &conductor_shoe, &spare_depth, &rotary_altitude}) {
        if (*v < 0) *v = 0;
    }
}

AnsiString BasicPoreOptions::get_pore_directory() const {
    return well_number.empty() ? AnsiString() : lib::os::executable_directory() + well_number;
}
