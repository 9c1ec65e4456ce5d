#include "gti/storage/text_values.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/system.h"
#include "gti/storage/file_storage.h"
#include "gti/util/number_text.h"

using namespace lib::literals;

namespace {

// A real field as text: up to 15 significant digits, the configured decimal separator.
AnsiString real_text(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s(buf);
    const char separator = lib::get_decimal_separator();
    for (char& c : s)
        if (c == '.') c = separator;
    return AnsiString(std::move(s));
}

int integer_of(const AnsiString& text) {
    int v = 0;
    return lib::str_to_int(text, v) ? v : 0;
}

}  // namespace

AnsiString FileStorageTextValues::check_inverted_commas(const AnsiString& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

AnsiString FileStorageTextValues::get_text(const char* key) const {
    return get_text(AnsiString(key));
}

AnsiString FileStorageTextValues::get_text(const AnsiString& key) const {
    return check_inverted_commas(list_.Values(key));
}

void FileStorageTextValues::get_text(const char* key, AnsiString& field) {
    const std::string_view f = field.view();
    const std::size_t first = f.find_first_not_of(" \t");
    const bool blank = first == std::string_view::npos;
    if (blank || lib::cp1251::equal_nocase(f, "::не задано::"_cp)) field = get_text(key);
}

void FileStorageTextValues::get_text_by_index(int index, AnsiString& name, AnsiString& value) {
    if (index < 0 || index >= list_.Count())
        throw std::out_of_range("FileStorageTextValues::get_text_by_index: index out of range");
    name = list_.Names(index);
    value = get_text(name);
}

AnsiString FileStorageTextValues::get_full_text() {
    return list_.Text();
}

void FileStorageTextValues::ri_to_data() {
    // A line stays byte for byte while its field holds what was last read or written: the
    // program changed nothing there, and the text may say more than the field holds.
    const auto unchanged = [&](const char* key, auto RaceInfoData::*field) {
        return this->*field == last_fields_.*field && list_.IndexOfName(key) >= 0;
    };
    const auto integer = [&](const char* key, auto RaceInfoData::*field) {
        if (unchanged(key, field)) return;
        list_.SetValue(key, AnsiString(std::to_string(static_cast<std::int32_t>(this->*field))));
    };
    const auto real = [&](const char* key, double RaceInfoData::*field) {
        if (!unchanged(key, field)) list_.SetValue(key, real_text(this->*field));
    };
    const auto text = [&](const char* key, AnsiString RaceInfoData::*field) {
        if (!unchanged(key, field)) list_.SetValue(key, this->*field);
    };
    integer("номер_рейса"_cp, &RaceInfoData::race_number);
    integer("шаг_записи_по_времени"_cp, &RaceInfoData::time_step);
    integer("нач_время"_cp, &RaceInfoData::start_time);
    integer("конеч_время"_cp, &RaceInfoData::end_time);
    integer("время_бурения"_cp, &RaceInfoData::drilling_time);
    integer("время_циркуляции"_cp, &RaceInfoData::circulation_time);
    integer("время_спо"_cp, &RaceInfoData::trip_time);
    integer("время_промывки"_cp, &RaceInfoData::flushing_time);
    integer("время_проработки"_cp, &RaceInfoData::reaming_time);
    real("диаметр_долота"_cp, &RaceInfoData::bit_diameter);
    real("шаг_записи_по_глубине"_cp, &RaceInfoData::depth_step);
    real("нач_глубина"_cp, &RaceInfoData::start_depth);
    real("конеч_глубина"_cp, &RaceInfoData::end_depth);
    real("средняя_нагрузка"_cp, &RaceInfoData::average_load);
    real("плотность"_cp, &RaceInfoData::average_density);
    real("среднее_давление"_cp, &RaceInfoData::average_pressure);
    real("средний_расход"_cp, &RaceInfoData::average_flow);
    real("рейсовая_скорость"_cp, &RaceInfoData::drilling_speed);
    real("диаметр_скважины"_cp, &RaceInfoData::hole_diameter);
    real("толщина_корки"_cp, &RaceInfoData::cake_thickness);
    real("процент_песка"_cp, &RaceInfoData::sand_percent);
    real("ph", &RaceInfoData::ph);
    real("chl", &RaceInfoData::chl);
    real("удельное_сопротивление"_cp, &RaceInfoData::resistivity);
    text("тип_долота"_cp, &RaceInfoData::bit_type);
    text("тип_раствора"_cp, &RaceInfoData::mud_type);
    text("вязкость"_cp, &RaceInfoData::viscosity);
    text("фильтрация"_cp, &RaceInfoData::filtration);
    text("стабильность"_cp, &RaceInfoData::stability);
    text("липкость"_cp, &RaceInfoData::stickiness);
    text("типоразмер_забойного_двиг"_cp, &RaceInfoData::motor_size);
    text("мастер"_cp, &RaceInfoData::foreman);
    text("оператор"_cp, &RaceInfoData::operators);
    text("насос"_cp, &RaceInfoData::pump);
    text("код_износа_долота"_cp, &RaceInfoData::bit_wear);
    text("заводской_номер_долота"_cp, &RaceInfoData::bit_number);
    text("скважина"_cp, &RaceInfoData::well);
    text("площадь"_cp, &RaceInfoData::area);
    text("категория_скважины"_cp, &RaceInfoData::well_category);
    text("временной_файл"_cp, &RaceInfoData::time_file_name);
    text("глубинный_файл"_cp, &RaceInfoData::depth_file_name);
    text("реальн_глубинный_файл"_cp, &RaceInfoData::real_depth_file_name);
    integer("способ_бурения"_cp, &RaceInfoData::drill_type);
    last_fields_ = *this;
}

void FileStorageTextValues::ri_from_data() {
    reset_fields();
    race_number = integer_of(get_text("номер_рейса"_cp));
    time_step = integer_of(get_text("шаг_записи_по_времени"_cp));
    start_time = static_cast<unsigned>(integer_of(get_text("нач_время"_cp)));
    end_time = static_cast<unsigned>(integer_of(get_text("конеч_время"_cp)));
    drilling_time = integer_of(get_text("время_бурения"_cp));
    circulation_time = integer_of(get_text("время_циркуляции"_cp));
    trip_time = integer_of(get_text("время_спо"_cp));
    flushing_time = integer_of(get_text("время_промывки"_cp));
    reaming_time = integer_of(get_text("время_проработки"_cp));

    auto real = [&](const char* key) { return lib::str_to_float(get_text(key)); };
    bit_diameter = real("диаметр_долота"_cp);
    depth_step = real("шаг_записи_по_глубине"_cp);
    start_depth = real("нач_глубина"_cp);
    end_depth = real("конеч_глубина"_cp);
    average_load = real("средняя_нагрузка"_cp);
    average_density = real("плотность"_cp);
    average_pressure = real("среднее_давление"_cp);
    average_flow = real("средний_расход"_cp);
    drilling_speed = real("рейсовая_скорость"_cp);
    hole_diameter = real("диаметр_скважины"_cp);
    resistivity = real("удельное_сопротивление"_cp);
    cake_thickness = real("толщина_корки"_cp);
    sand_percent = real("процент_песка"_cp);
    ph = real("ph");
    chl = real("chl");

    get_text("тип_долота"_cp, bit_type);
    get_text("тип_раствора"_cp, mud_type);
    get_text("вязкость"_cp, viscosity);
    get_text("фильтрация"_cp, filtration);
    get_text("стабильность"_cp, stability);
    get_text("липкость"_cp, stickiness);
    get_text("типоразмер_забойного_двиг"_cp, motor_size);
    get_text("типоразмер_з_д"_cp, motor_size);
    get_text("мастер"_cp, foreman);
    get_text("оператор"_cp, operators);
    get_text("насос"_cp, pump);
    get_text("код_износа_долота"_cp, bit_wear);
    get_text("износ_долота"_cp, bit_wear);
    get_text("заводской_номер_долота"_cp, bit_number);
    get_text("номер_долота"_cp, bit_number);
    get_text("скважина"_cp, well);
    get_text("площадь"_cp, area);
    get_text("категория_скважины"_cp, well_category);
    get_text("временной_файл"_cp, time_file_name);
    get_text("глубинный_файл"_cp, depth_file_name);
    get_text("реальн_глубинный_файл"_cp, real_depth_file_name);
    get_text("способ_бурения"_cp, drill_type_text);
    last_fields_ = *this;
}

void FileStorageTextValues::ri_from_data_old() {
    if (owner_ == nullptr) return;
    const AnsiString race_file = get_race_file(owner_->file_name);
    if (race_file.empty()) return;
    try {
        list_.LoadFromFile(race_file);
    } catch (const std::exception&) {
        lib::beep(1000, 20);
    }
    load(race_file);
}
