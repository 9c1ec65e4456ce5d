#include "gti/params/all_params.h"

#include <span>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/system.h"

using namespace lib::literals;

namespace ParamVars {
const char* const h_emk1 = "уровень_в_емкости"_cp;
const char* const h_emk2 = "уровень_в_емкости2"_cp;
const char* const h_emk3 = "уровень_в_емкости3"_cp;
const char* const h_emk4 = "уровень_в_емкости4"_cp;
const char* const h_emk5 = "уровень_в_емкости5"_cp;
const char* const h_emk6 = "уровень_в_емкости6"_cp;
const char* const h_emk7 = "уровень_в_долив_емкости"_cp;
const char* const v_emk1 = "объем_в_емкости1"_cp;
const char* const v_emk2 = "объем_в_емкости2"_cp;
const char* const v_emk3 = "объем_в_емкости3"_cp;
const char* const v_emk4 = "объем_в_емкости4"_cp;
const char* const v_emk5 = "объем_в_емкости5"_cp;
const char* const v_emk6 = "объем_в_емкости6"_cp;
const char* const v_emk7 = "объем_в_долив_емкости"_cp;
const char* const v_meh = "скорость_механическая"_cp;
const char* const ob_rot = "обороты_ротора"_cp;
const char* const nagr = "нагрузка"_cp;
const char* const radio_dens_in = "плотн_пж_вх_радиоакт"_cp;
const char* const radio_dens_out = "плотн_пж_вых_радиоакт"_cp;
const char* const ud_soprotivl_in = "уд_сопротивл_вх"_cp;
const char* const ud_soprotivl_out = "уд_сопротивл_вых"_cp;
const char* const el_prov_in = "электропроводность_на_входе"_cp;
const char* const el_prov_out = "электропроводность_на_выходе"_cp;
}  // namespace ParamVars

namespace {

// One row of the built-in table; `zero` is 0 in every row.
struct catalogue_row {
    const char* global_name;
    const char* name;
    const char* short_name;
    const char* unit;
    int adc_channel;
    float range;
    float scale_min;
    float scale_max;
    int averaging;
    int group;
    std::uint8_t flags;
};

// The built-in table. It is built at the first call, after the constants above, whatever the
// order in which the program initialises its static objects.
std::span<const catalogue_row> catalogue_rows() {
    // global_name, name, short_name, unit, ADC input, range, scale min, scale max, averaging,
    // group, flags
    static const catalogue_row rows[] = {
        {"вес_на_крюке"_cp, "Вес на крюке"_cp, "W кр."_cp, "т"_cp, 0, 20, 0, 200, 1, 1, 0},                      // 0
        {"давление_на_входе"_cp, "Давление ПЖ на входе"_cp, "P вх."_cp, "атм."_cp, 1, 250, 0, 250, 1, 2, 0},     // 1
        {"ходы_насоса"_cp, "Ходы насосов"_cp, "N нас."_cp, "ход/мин"_cp, -1, 60, 0, 60, 2, 1, 0},                // 2
        {"ходы_насоса1"_cp, "Ходы насоса-1"_cp, "N нас.1"_cp, "ход/мин"_cp, -1, 60, 0, 60, 2, 1, 0},             // 3
        {"ходы_насоса2"_cp, "Ходы насоса-2"_cp, "N нас.2"_cp, "ход/мин"_cp, -1, 60, 0, 60, 2, 1, 0},             // 4
        {"ходы_насоса3"_cp, "Ходы насоса-3"_cp, "N нас.3"_cp, "ход/мин"_cp, -1, 60, 0, 60, 2, 1, 0},             // 5
        {"момент_ротора"_cp, "Крутящий момент ротора"_cp, "крут.мом."_cp, "кН*м"_cp, 4, 30, 0, 30, 1, 1, 0},     // 6
        {ParamVars::ob_rot, "Обороты ротора"_cp, "об.рот."_cp, "об/мин"_cp, -1, 60, 0, 10, 2, 1, 0},             // 7
        {"тальблок"_cp, "Положение тальблока"_cp, "Тальблок"_cp, "м"_cp, -1, 24, 0, 50, 1, 1, 0},                // 8
        {ParamVars::nagr, "Нагрузка на долото"_cp, "Нагр."_cp, "т."_cp, -1, 30, 0, 30, 1, 1, 0},                 // 9
        {"глубина_над_забоем"_cp, "Глубина над забоем"_cp, "Над.заб."_cp, "м"_cp, -1, 100, 0, 100, 1, 1, 0},     // 10
        {"давление_в_затрубъе"_cp, "Давление в затрубъе"_cp, "P затр."_cp, "атм"_cp, 19, 100, 0, 100, 1, 1, 0},  // 11
        {"момент_на_ключе"_cp, "Момент на ключе"_cp, "М ключ."_cp, "кН*м"_cp, 9, 30, 0, 30, 1, 1, 0},            // 12
        {ParamVars::h_emk1, "Уровень-1"_cp, "Уровень-1"_cp, "м"_cp, 3, 2, 0, 2, 30, 2, 0},                       // 13
        {ParamVars::h_emk2, "Уровень-2"_cp, "Уровень-2"_cp, "м"_cp, 9, 2, 0, 2, 30, 2, 0},                       // 14
        {ParamVars::h_emk3, "Уровень-3"_cp, "Уровень-3"_cp, "м"_cp, 10, 2, 0, 2, 30, 2, 0},                      // 15
        {ParamVars::h_emk4, "Уровень-4"_cp, "Уровень-4"_cp, "м"_cp, 11, 2, 0, 2, 30, 2, 0},                      // 16
        {ParamVars::h_emk5, "Уровень-5"_cp, "Уровень-5"_cp, "м"_cp, 13, 2, 0, 2, 30, 2, 0},                      // 17
        {ParamVars::h_emk6, "Уровень-6"_cp, "Уровень-6"_cp, "м"_cp, 14, 2, 0, 2, 30, 2, 0},                      // 18
        {ParamVars::h_emk7, "Уровень в доливе"_cp, "H долива"_cp, "м"_cp, 12, 2, 0, 2, 30, 2, 0},                // 19
        {ParamVars::v_emk1, "Объём-1"_cp, "V-1", "м3"_cp, -1, 60, 0, 60, 1, 2, 0},                               // 20
        {ParamVars::v_emk2, "Объём-2"_cp, "V-2", "м3"_cp, -1, 60, 0, 60, 1, 2, 0},                               // 21
        {ParamVars::v_emk3, "Объём-3"_cp, "V-3", "м3"_cp, -1, 60, 0, 60, 1, 2, 0},                               // 22
        {ParamVars::v_emk4, "Объём-4"_cp, "V-4", "м3"_cp, -1, 60, 0, 60, 1, 2, 0},                               // 23
        {ParamVars::v_emk5, "Объём-5"_cp, "V-5", "м3"_cp, -1, 60, 0, 60, 1, 2, 0},                               // 24
        {ParamVars::v_emk6, "Объём-6"_cp, "V-6", "м3"_cp, -1, 60, 0, 60, 1, 2, 0},                               // 25
        {ParamVars::v_emk7, "Объём в доливе"_cp, "V долива."_cp, "м3"_cp, -1, 60, 0, 60, 1, 2, 0},               // 26
        {"объем_емкости"_cp, "Объем ПЖ в емкостях"_cp, "V емк"_cp, "м3"_cp, -1, 200, 0, 160, 1, 2, 0},           // 27
        {"объем_актив_емкости"_cp, "Объем ПЖ в активн.ёмкостях"_cp, "V актив."_cp, "м3"_cp, -1, 200, 0, 160, 1, 2,
         0},                                                                                                      // 28
        {"плотность_на_входе"_cp, "Плотность на входе"_cp, "Пл.вх."_cp, "г/см3"_cp, 2, 2, 0, 2, 120, 2, 0},       // 29
        {"плотность_на_выходе"_cp, "Плотность на выходе"_cp, "Пл.вых."_cp, "г/см3"_cp, 17, 2, 0, 2, 120, 2, 0},   // 30
        {"температура_на_входе"_cp, "Температура на входе"_cp, "Т.вх"_cp, "°С"_cp, 6, 100, 0, 100, 1, 2, 0},      // 31
        {"температура_на_выходе"_cp, "Температура на выходе"_cp, "Т.вых"_cp, "°С"_cp, 13, 100, 0, 100, 1, 2, 0},  // 32
        {ParamVars::el_prov_in, "Электропроводность вх."_cp, "эл-пр.вх."_cp, "м/ом"_cp, 14, 4, 0, 4, 1, 2, 0},    // 33
        {ParamVars::el_prov_out, "Электропроводность вых."_cp, "эл-пр.вых."_cp, "м/ом"_cp, 7, 4, 0, 4, 1, 2, 0},  // 34
        {"расход_на_входе"_cp, "Расход ПЖ на входе"_cp, "Q вх."_cp, "л/с"_cp, -1, 100, 0, 100, 1, 2, 0},          // 35
        {"расход_на_выходе"_cp, "Расход ПЖ на выходе"_cp, "Q вых."_cp, "л/с"_cp, 5, 30, 0, 30, 10, 2, 0},         // 36
        {"объем_раствора"_cp, "Общий V раствора"_cp, "V р-ра"_cp, "м3"_cp, -1, 200, 0, 160, 1, 2, 0},             // 37
        {"скорость_спо"_cp, "Скорость спо"_cp, "V спо"_cp, "м/с"_cp, -1, 5, 0, 5, 1, 3, 0},                       // 38
        {ParamVars::v_meh, "Скорость механическая"_cp, "V мех"_cp, "м/ч"_cp, -1, 100, 0, 100, 1, 3, 0},           // 39
        {"дмк"_cp, "ДМК"_cp, "ДМК"_cp, "мин/м"_cp, -1, 100, 0, 100, 1, 3, 0},                                     // 40
        {"скорость_бурения"_cp, "Скорость бурения"_cp, "V бур"_cp, "м/ч"_cp, -1, 100, 0, 100, 1, 3, 0},           // 41
        {"метан_абс"_cp, "Метан абс."_cp, "С1"_cp, "%", -1, 100, 0, 100, 1, 5, 0},                                // 42
        {"этан_абс"_cp, "Этан абс."_cp, "С2"_cp, "%", -1, 100, 0, 100, 1, 5, 0},                                  // 43
        {"пропан_абс"_cp, "Пропан абс."_cp, "С3"_cp, "%", -1, 100, 0, 100, 1, 5, 0},                              // 44
        {"бутан_абс"_cp, "Бутан абс."_cp, "С4"_cp, "%", -1, 100, 0, 100, 1, 5, 0},                                // 45
        {"пентан_абс"_cp, "Пентан абс."_cp, "С5"_cp, "%", -1, 100, 0, 100, 1, 5, 0},                              // 46
        {"гексан_абс"_cp, "Гексан абс."_cp, "С6"_cp, "%", -1, 100, 0, 100, 1, 5, 0},                              // 47
        {"метан_отн"_cp, "Метан отн."_cp, "C1 отн."_cp, "%", -1, 100, 0, 100, 1, 5, 0},                           // 48
        {"этан_отн"_cp, "Этан отн."_cp, "C2 отн."_cp, "%", -1, 100, 0, 100, 1, 5, 0},                             // 49
        {"пропан_отн"_cp, "Пропан отн."_cp, "C3 отн."_cp, "%", -1, 100, 0, 100, 1, 5, 0},                         // 50
        {"бутан_отн"_cp, "Бутан отн."_cp, "C4 отн."_cp, "%", -1, 100, 0, 100, 1, 5, 0},                           // 51
        {"пентан_отн"_cp, "Пентан отн."_cp, "C5 отн."_cp, "%", -1, 100, 0, 100, 1, 5, 0},                         // 52
        {"гексан_отн"_cp, "Гексан отн."_cp, "C6 отн."_cp, "%", -1, 100, 0, 100, 1, 5, 0},                         // 53
        {"сумм_газ2"_cp, "Газосумматор"_cp, "Сумматор"_cp, "%", 16, 100, 0, 100, 1, 5, 0},                        // 54
        {"сумм_газ3"_cp, "Газосумматор - 2"_cp, "Сумматор-2"_cp, "%", 17, 100, 0, 100, 1, 5, 0},                  // 55
        {"сумм_газ"_cp, "Суммарный газ"_cp, "Г.сум.хром."_cp, "%", -1, 100, 0, 100, 1, 5, 0},                     // 56
        {"максимальный_газ"_cp, "Максимальный газ"_cp, "Г.max."_cp, "%", -1, 100, 0, 100, 1, 5, 2},               // 57
        {"дифф_плотность"_cp, "Разность плотности"_cp, "Дифф.плот."_cp, "г/см3"_cp, -1, 2, -2, 2, 1, 6, 0},       // 58
        {"дифф_расход"_cp, "Разность расхода"_cp, "Дифф.расх."_cp, "л/с"_cp, -1, 10, -10, 10, 1, 6, 0},           // 59
        {"дифф_темпер"_cp, "Разность температур"_cp, "Дифф.темп."_cp, "°С"_cp, -1, 10, -10, 10, 1, 6, 0},         // 60
        {"дифф_электропроводность"_cp, "Разность эл-проводности"_cp, "Дифф.эл.пр."_cp, "м/ом"_cp, -1, 2, -2, 2, 1, 6,
         0},                                                                                                  // 61
        {"параметр1"_cp, "Параметр - 1"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 62
        {"параметр2"_cp, "Параметр - 2"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 63
        {"параметр3"_cp, "Параметр - 3"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 64
        {"параметр4"_cp, "Параметр - 4"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 65
        {"параметр5"_cp, "Параметр - 5"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 66
        {"параметр6"_cp, "Параметр - 6"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 67
        {"параметр7"_cp, "Параметр - 7"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 68
        {"параметр8"_cp, "Параметр - 8"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 69
        {"параметр9"_cp, "Параметр - 9"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                                // 70
        {"параметр10"_cp, "Параметр - 10"_cp, "", "", -1, 100, 0, 100, 1, 8, 0},                              // 71
        {"общий_вес"_cp, "Общий вес колонны"_cp, "W общ."_cp, "т"_cp, -1, 100, 0, 100, 1, 4, 0},              // 72
        {"сероводород"_cp, "Сероводород"_cp, "H2S", "%", 18, 100, 0, 100, 1, 5, 2},                           // 73
        {"водород"_cp, "Водород"_cp, "H2", "%", 18, 100, 0, 100, 1, 5, 2},                                    // 74
        {"обороты_турбины"_cp, "Обороты турбины"_cp, "Об.турб."_cp, "об/мин"_cp, -1, 250, 0, 250, 1, 4, 0},   // 75
        {"закачанный_раствор"_cp, "V закач. раствора"_cp, "V закач."_cp, "м3"_cp, -1, 100, 0, 100, 1, 4, 0},  // 76
        {"число_свечей"_cp, "Число свечей"_cp, "Свечи"_cp, "шт"_cp, -1, 100, 0, 100, 1, 4, 0},                // 77
        {"положение_клиньев"_cp, "Положение клиньев"_cp, "Клин."_cp, "", 10, 1, 0, 1, 1, 1, 0},               // 78
        {ParamVars::radio_dens_in, "Плот. вх. радиоактив."_cp, "Пл.вх.р."_cp, "г/см3"_cp, 19, 2, 0, 2, 120, 2,
         0},  // 79
        {ParamVars::radio_dens_out, "Плот. вых. радиоактив."_cp, "Пл.вых.р."_cp, "г/см3"_cp, 19, 2, 0, 2, 120, 2,
         0},                                                                                                       // 80
        {ParamVars::ud_soprotivl_in, "Уд. сопротивление вх."_cp, "Сопр.вх."_cp, "ом/м"_cp, -1, 2, 0, 2, 1, 2, 0},  // 81
        {ParamVars::ud_soprotivl_out, "Уд. сопротивление вых."_cp, "Сопр.вых."_cp, "ом/м"_cp, -1, 2, 0, 2, 1, 2,
         0},  // 82
    };
    return rows;
}

}  // namespace

void DefaultParam::assign_to(Param& p) const {
    p.name = name;
    p.short_name = short_name;
    p.unit = unit;
    p.global_name = global_name;
    p.adc_channel = adc_channel;
    p.averaging = averaging;
    p.range = range;
    p.zero = zero;
    p.scale_min = scale_min;
    p.scale_max = scale_max;
    p.flags = flags;
}

AllParams::AllParams() {
    init();
}

void AllParams::init() {
    const std::span<const catalogue_row> rows = catalogue_rows();
    lib::array<DefaultParam> entries(static_cast<int>(rows.size()));
    for (int i = 0; i < entries.size(); ++i) {
        const catalogue_row& row = rows[static_cast<std::size_t>(i)];
        DefaultParam& e = entries[i];
        e.global_name = row.global_name;
        e.name = row.name;
        e.short_name = row.short_name;
        e.unit = row.unit;
        e.adc_channel = row.adc_channel;
        e.range = row.range;
        e.scale_min = row.scale_min;
        e.scale_max = row.scale_max;
        e.averaging = row.averaging;
        e.group = row.group;
        e.flags = row.flags;
    }
    entries_ = std::move(entries);
    with_options_ = {ParamVars::radio_dens_in, ParamVars::radio_dens_out};
}

DefaultParam& AllParams::at(int index) {
    if (index >= 0 && index < entries_.size()) return entries_[index];
    lib::beep(1000, 50);
    lib::beep(600, 50);
    missing_ = DefaultParam();
    return missing_;
}

int AllParams::get_param_number(const char* global_name) const {
    if (global_name == nullptr) return -1;
    for (int i = 0; i < entries_.size(); ++i) {
        if (lib::cp1251::equal_nocase(entries_[i].global_name.view(), global_name)) return i;
    }
    return -1;
}

AnsiString AllParams::get_group_name(int index) {
    static const char* const names[] = {"",
                                        "ТИ"_cp,
                                        "Раствор"_cp,
                                        "Скорости"_cp,
                                        "Расчётные"_cp,
                                        "Газ"_cp,
                                        "Дифференциальные"_cp,
                                        "Эксперементальные"_cp,
                                        "Дополнительные"_cp};
    if (index < 0 || index >= static_cast<int>(std::size(names))) return "???????";
    return names[index];
}

bool AllParams::test_param(const AnsiString& global_name, ParamTest test) const {
    return test == has_options && with_options_.contains(global_name);
}

void AllParams::get_all_params(std::vector<Param>& out) const {
    out.clear();
    out.reserve(static_cast<std::size_t>(entries_.size()));
    for (const DefaultParam& e : entries_) {
        Param p;
        e.assign_to(p);
        out.push_back(std::move(p));
    }
}

AllParams& get_all_params() {
    static AllParams catalogue;
    return catalogue;
}
