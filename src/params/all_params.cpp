#include "gti/params/all_params.h"

#include <span>

#include "gti/platform/codepage.h"
#include "gti/platform/system.h"

namespace ParamVars {
const char* const h_emk1 = "уровень_в_емкости";
const char* const h_emk2 = "уровень_в_емкости2";
const char* const h_emk3 = "уровень_в_емкости3";
const char* const h_emk4 = "уровень_в_емкости4";
const char* const h_emk5 = "уровень_в_емкости5";
const char* const h_emk6 = "уровень_в_емкости6";
const char* const h_emk7 = "уровень_в_долив_емкости";
const char* const v_emk1 = "объем_в_емкости1";
const char* const v_emk2 = "объем_в_емкости2";
const char* const v_emk3 = "объем_в_емкости3";
const char* const v_emk4 = "объем_в_емкости4";
const char* const v_emk5 = "объем_в_емкости5";
const char* const v_emk6 = "объем_в_емкости6";
const char* const v_emk7 = "объем_в_долив_емкости";
const char* const v_meh = "скорость_механическая";
const char* const ob_rot = "обороты_ротора";
const char* const nagr = "нагрузка";
const char* const radio_dens_in = "плотн_пж_вх_радиоакт";
const char* const radio_dens_out = "плотн_пж_вых_радиоакт";
const char* const ud_soprotivl_in = "уд_сопротивл_вх";
const char* const ud_soprotivl_out = "уд_сопротивл_вых";
const char* const el_prov_in = "электропроводность_на_входе";
const char* const el_prov_out = "электропроводность_на_выходе";
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
        {"вес_на_крюке", "Вес на крюке", "W кр.", "т", 0, 20, 0, 200, 1, 1, 0},                                // 0
        {"давление_на_входе", "Давление ПЖ на входе", "P вх.", "атм.", 1, 250, 0, 250, 1, 2, 0},               // 1
        {"ходы_насоса", "Ходы насосов", "N нас.", "ход/мин", -1, 60, 0, 60, 2, 1, 0},                          // 2
        {"ходы_насоса1", "Ходы насоса-1", "N нас.1", "ход/мин", -1, 60, 0, 60, 2, 1, 0},                       // 3
        {"ходы_насоса2", "Ходы насоса-2", "N нас.2", "ход/мин", -1, 60, 0, 60, 2, 1, 0},                       // 4
        {"ходы_насоса3", "Ходы насоса-3", "N нас.3", "ход/мин", -1, 60, 0, 60, 2, 1, 0},                       // 5
        {"момент_ротора", "Крутящий момент ротора", "крут.мом.", "кН*м", 4, 30, 0, 30, 1, 1, 0},               // 6
        {ParamVars::ob_rot, "Обороты ротора", "об.рот.", "об/мин", -1, 60, 0, 10, 2, 1, 0},                    // 7
        {"тальблок", "Положение тальблока", "Тальблок", "м", -1, 24, 0, 50, 1, 1, 0},                          // 8
        {ParamVars::nagr, "Нагрузка на долото", "Нагр.", "т.", -1, 30, 0, 30, 1, 1, 0},                        // 9
        {"глубина_над_забоем", "Глубина над забоем", "Над.заб.", "м", -1, 100, 0, 100, 1, 1, 0},               // 10
        {"давление_в_затрубъе", "Давление в затрубъе", "P затр.", "атм", 19, 100, 0, 100, 1, 1, 0},            // 11
        {"момент_на_ключе", "Момент на ключе", "М ключ.", "кН*м", 9, 30, 0, 30, 1, 1, 0},                      // 12
        {ParamVars::h_emk1, "Уровень-1", "Уровень-1", "м", 3, 2, 0, 2, 30, 2, 0},                              // 13
        {ParamVars::h_emk2, "Уровень-2", "Уровень-2", "м", 9, 2, 0, 2, 30, 2, 0},                              // 14
        {ParamVars::h_emk3, "Уровень-3", "Уровень-3", "м", 10, 2, 0, 2, 30, 2, 0},                             // 15
        {ParamVars::h_emk4, "Уровень-4", "Уровень-4", "м", 11, 2, 0, 2, 30, 2, 0},                             // 16
        {ParamVars::h_emk5, "Уровень-5", "Уровень-5", "м", 13, 2, 0, 2, 30, 2, 0},                             // 17
        {ParamVars::h_emk6, "Уровень-6", "Уровень-6", "м", 14, 2, 0, 2, 30, 2, 0},                             // 18
        {ParamVars::h_emk7, "Уровень в доливе", "H долива", "м", 12, 2, 0, 2, 30, 2, 0},                       // 19
        {ParamVars::v_emk1, "Объём-1", "V-1", "м3", -1, 60, 0, 60, 1, 2, 0},                                   // 20
        {ParamVars::v_emk2, "Объём-2", "V-2", "м3", -1, 60, 0, 60, 1, 2, 0},                                   // 21
        {ParamVars::v_emk3, "Объём-3", "V-3", "м3", -1, 60, 0, 60, 1, 2, 0},                                   // 22
        {ParamVars::v_emk4, "Объём-4", "V-4", "м3", -1, 60, 0, 60, 1, 2, 0},                                   // 23
        {ParamVars::v_emk5, "Объём-5", "V-5", "м3", -1, 60, 0, 60, 1, 2, 0},                                   // 24
        {ParamVars::v_emk6, "Объём-6", "V-6", "м3", -1, 60, 0, 60, 1, 2, 0},                                   // 25
        {ParamVars::v_emk7, "Объём в доливе", "V долива.", "м3", -1, 60, 0, 60, 1, 2, 0},                      // 26
        {"объем_емкости", "Объем ПЖ в емкостях", "V емк", "м3", -1, 200, 0, 160, 1, 2, 0},                     // 27
        {"объем_актив_емкости", "Объем ПЖ в активн.ёмкостях", "V актив.", "м3", -1, 200, 0, 160, 1, 2, 0},     // 28
        {"плотность_на_входе", "Плотность на входе", "Пл.вх.", "г/см3", 2, 2, 0, 2, 120, 2, 0},                // 29
        {"плотность_на_выходе", "Плотность на выходе", "Пл.вых.", "г/см3", 17, 2, 0, 2, 120, 2, 0},            // 30
        {"температура_на_входе", "Температура на входе", "Т.вх", "°С", 6, 100, 0, 100, 1, 2, 0},               // 31
        {"температура_на_выходе", "Температура на выходе", "Т.вых", "°С", 13, 100, 0, 100, 1, 2, 0},           // 32
        {ParamVars::el_prov_in, "Электропроводность вх.", "эл-пр.вх.", "м/ом", 14, 4, 0, 4, 1, 2, 0},          // 33
        {ParamVars::el_prov_out, "Электропроводность вых.", "эл-пр.вых.", "м/ом", 7, 4, 0, 4, 1, 2, 0},        // 34
        {"расход_на_входе", "Расход ПЖ на входе", "Q вх.", "л/с", -1, 100, 0, 100, 1, 2, 0},                   // 35
        {"расход_на_выходе", "Расход ПЖ на выходе", "Q вых.", "л/с", 5, 30, 0, 30, 10, 2, 0},                  // 36
        {"объем_раствора", "Общий V раствора", "V р-ра", "м3", -1, 200, 0, 160, 1, 2, 0},                      // 37
        {"скорость_спо", "Скорость спо", "V спо", "м/с", -1, 5, 0, 5, 1, 3, 0},                                // 38
        {ParamVars::v_meh, "Скорость механическая", "V мех", "м/ч", -1, 100, 0, 100, 1, 3, 0},                 // 39
        {"дмк", "ДМК", "ДМК", "мин/м", -1, 100, 0, 100, 1, 3, 0},                                              // 40
        {"скорость_бурения", "Скорость бурения", "V бур", "м/ч", -1, 100, 0, 100, 1, 3, 0},                    // 41
        {"метан_абс", "Метан абс.", "С1", "%", -1, 100, 0, 100, 1, 5, 0},                                      // 42
        {"этан_абс", "Этан абс.", "С2", "%", -1, 100, 0, 100, 1, 5, 0},                                        // 43
        {"пропан_абс", "Пропан абс.", "С3", "%", -1, 100, 0, 100, 1, 5, 0},                                    // 44
        {"бутан_абс", "Бутан абс.", "С4", "%", -1, 100, 0, 100, 1, 5, 0},                                      // 45
        {"пентан_абс", "Пентан абс.", "С5", "%", -1, 100, 0, 100, 1, 5, 0},                                    // 46
        {"гексан_абс", "Гексан абс.", "С6", "%", -1, 100, 0, 100, 1, 5, 0},                                    // 47
        {"метан_отн", "Метан отн.", "C1 отн.", "%", -1, 100, 0, 100, 1, 5, 0},                                 // 48
        {"этан_отн", "Этан отн.", "C2 отн.", "%", -1, 100, 0, 100, 1, 5, 0},                                   // 49
        {"пропан_отн", "Пропан отн.", "C3 отн.", "%", -1, 100, 0, 100, 1, 5, 0},                               // 50
        {"бутан_отн", "Бутан отн.", "C4 отн.", "%", -1, 100, 0, 100, 1, 5, 0},                                 // 51
        {"пентан_отн", "Пентан отн.", "C5 отн.", "%", -1, 100, 0, 100, 1, 5, 0},                               // 52
        {"гексан_отн", "Гексан отн.", "C6 отн.", "%", -1, 100, 0, 100, 1, 5, 0},                               // 53
        {"сумм_газ2", "Газосумматор", "Сумматор", "%", 16, 100, 0, 100, 1, 5, 0},                              // 54
        {"сумм_газ3", "Газосумматор - 2", "Сумматор-2", "%", 17, 100, 0, 100, 1, 5, 0},                        // 55
        {"сумм_газ", "Суммарный газ", "Г.сум.хром.", "%", -1, 100, 0, 100, 1, 5, 0},                           // 56
        {"максимальный_газ", "Максимальный газ", "Г.max.", "%", -1, 100, 0, 100, 1, 5, 2},                     // 57
        {"дифф_плотность", "Разность плотности", "Дифф.плот.", "г/см3", -1, 2, -2, 2, 1, 6, 0},                // 58
        {"дифф_расход", "Разность расхода", "Дифф.расх.", "л/с", -1, 10, -10, 10, 1, 6, 0},                    // 59
        {"дифф_темпер", "Разность температур", "Дифф.темп.", "°С", -1, 10, -10, 10, 1, 6, 0},                  // 60
        {"дифф_электропроводность", "Разность эл-проводности", "Дифф.эл.пр.", "м/ом", -1, 2, -2, 2, 1, 6, 0},  // 61
        {"параметр1", "Параметр - 1", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 62
        {"параметр2", "Параметр - 2", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 63
        {"параметр3", "Параметр - 3", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 64
        {"параметр4", "Параметр - 4", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 65
        {"параметр5", "Параметр - 5", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 66
        {"параметр6", "Параметр - 6", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 67
        {"параметр7", "Параметр - 7", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 68
        {"параметр8", "Параметр - 8", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 69
        {"параметр9", "Параметр - 9", "", "", -1, 100, 0, 100, 1, 8, 0},                                       // 70
        {"параметр10", "Параметр - 10", "", "", -1, 100, 0, 100, 1, 8, 0},                                     // 71
        {"общий_вес", "Общий вес колонны", "W общ.", "т", -1, 100, 0, 100, 1, 4, 0},                           // 72
        {"сероводород", "Сероводород", "H2S", "%", 18, 100, 0, 100, 1, 5, 2},                                  // 73
        {"водород", "Водород", "H2", "%", 18, 100, 0, 100, 1, 5, 2},                                           // 74
        {"обороты_турбины", "Обороты турбины", "Об.турб.", "об/мин", -1, 250, 0, 250, 1, 4, 0},                // 75
        {"закачанный_раствор", "V закач. раствора", "V закач.", "м3", -1, 100, 0, 100, 1, 4, 0},               // 76
        {"число_свечей", "Число свечей", "Свечи", "шт", -1, 100, 0, 100, 1, 4, 0},                             // 77
        {"положение_клиньев", "Положение клиньев", "Клин.", "", 10, 1, 0, 1, 1, 1, 0},                         // 78
        {ParamVars::radio_dens_in, "Плот. вх. радиоактив.", "Пл.вх.р.", "г/см3", 19, 2, 0, 2, 120, 2, 0},      // 79
        {ParamVars::radio_dens_out, "Плот. вых. радиоактив.", "Пл.вых.р.", "г/см3", 19, 2, 0, 2, 120, 2, 0},   // 80
        {ParamVars::ud_soprotivl_in, "Уд. сопротивление вх.", "Сопр.вх.", "ом/м", -1, 2, 0, 2, 1, 2, 0},       // 81
        {ParamVars::ud_soprotivl_out, "Уд. сопротивление вых.", "Сопр.вых.", "ом/м", -1, 2, 0, 2, 1, 2, 0},    // 82
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
    static const char* const names[] = {
        "", "ТИ", "Раствор", "Скорости", "Расчётные", "Газ", "Дифференциальные", "Эксперементальные", "Дополнительные"};
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
