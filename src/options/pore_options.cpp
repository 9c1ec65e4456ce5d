#include "gti/options/pore_options.h"

#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"

using namespace lib::literals;

void BasicPoreOptions::enum_values(lib::options_list& list) {
    const char* const section = "скважина"_cp;
    list.sector(section, "Основные"_cp);
    list.add(country, "Россия"_cp, "страна"_cp, "Страна"_cp);
    list.add(oilfield, "", "месторождение"_cp, "Месторождение"_cp);
    list.add(area, "", "площадь"_cp, "Площадь"_cp);
    list.add(pad, "", "куст"_cp, "Куст"_cp);
    list.add(well_number, "", "номер"_cp, "Скважина"_cp);
    list.add(well_category, "", "категория_скважины"_cp, "Категория скважины"_cp);
    list.add(survey_method, "ГТИ"_cp, "метод_исследования"_cp, "Метод исследования"_cp);

    list.sector(section, "Станция"_cp);
    list.add(station_type, "", "тип_станции"_cp, "Тип станции"_cp);
    list.add(expedition, "", "экспедиция"_cp, "Экспедиция"_cp);
    list.add(organisation, "", "организация"_cp, "Организация"_cp);
    list.add(logging_party, "", "партия_ГТИ"_cp, "Партия ГТИ"_cp);
    list.add(crew, "", "отряд"_cp, "Номер отряда"_cp);
    list.add(operators, "", "операторы"_cp, "Операторы"_cp);
    list.add(crew_chief, "", "начальник_отряда"_cp, "Начальник отряда"_cp);
    list.add(party_chief, "", "начальник_партии"_cp, "Начальник партии"_cp);

    list.sector(section, "Буровая"_cp);
    list.add(customer, "", "название_заказчика"_cp, "Заказчик"_cp);
    list.add(drilling_department, "", "УБР"_cp, "УБР"_cp);
    list.add(driller, "", "мастер"_cp, "Мастер"_cp);
    list.add(well_chief, "", "начальник_скважины"_cp, "Начальник скважины"_cp);

    list.sector(section, "Конструкция буровой"_cp);
    list.add(rig, "", "буровая_установка"_cp, "Буровая установка"_cp);
    list.add(pump, "", "насос"_cp, "Насос"_cp);
    list.add(rotary_altitude, 0.0, "альтитуда_ротора"_cp, "Альтитуда ротора"_cp, "м"_cp, 1, 1.0);
    list.add(design_depth, 0.0, "проектная_глубина"_cp, "Проектный забой"_cp, "м"_cp, 1, 1.0);
    list.add(conductor_diameter, 0.0, "диаметр_кондуктора"_cp, "Диаметр кондуктора"_cp, "мм"_cp, 0, 1.0);
    list.add(conductor_shoe, 0.0, "башмак_кондуктора"_cp, "Башмак кондуктора"_cp, "м"_cp, 1, 1.0);
}

void BasicPoreOptions::check_values() {
    for (double* v : {&design_depth, &conductor_diameter, &conductor_shoe, &spare_depth, &rotary_altitude}) {
        if (*v < 0) *v = 0;
    }
}

AnsiString BasicPoreOptions::get_pore_directory() const {
    return well_number.empty() ? AnsiString() : lib::os::executable_directory() + well_number;
}
