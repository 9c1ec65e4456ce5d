// The demonstration run: a simple rig model stepped once a second.
//
// The bit drills ahead at a rate that changes with the rock, stopping for a connection every
// 12 m (off bottom, pumps off, slips, back to bottom). Halfway through, the crew circulates and
// makes a wiper trip of 150 m out and back. The surface channels follow from the rig's state;
// gas comes up from two gas-bearing intervals with the delay of the annulus (the lag).
#include "demo.h"

#include <algorithm>
#include <cmath>

#include "gti/platform/cp_literal.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

// What the crew is doing.
enum activity : std::uint8_t { circulating = 0, drilling = 1, connection = 2, tripping_out = 3, tripping_in = 4 };

// A small repeatable noise source.
class noise {
public:
    // A value in [-amplitude, amplitude].
    double operator()(double amplitude) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return amplitude * (static_cast<double>(state_ >> 11) / 9007199254740992.0 * 2 - 1);
    }

private:
    std::uint64_t state_ = 0x5EED;
};

struct channel {
    const char* key;
    const char* name;
    const char* short_name;
    const char* unit;
    float scale_min, scale_max;
};

// The recorded channels, as the station's catalogue names them.
constexpr channel channels[] = {
    {"вес_на_крюке"_cp, "Вес на крюке"_cp, "W кр."_cp, "т"_cp, 0, 200},
    {"нагрузка"_cp, "Нагрузка на долото"_cp, "Нагр."_cp, "т."_cp, 0, 30},
    {"давление_на_входе"_cp, "Давление ПЖ на входе"_cp, "P вх."_cp, "атм."_cp, 0, 250},
    {"ходы_насоса"_cp, "Ходы насосов"_cp, "N нас."_cp, "ход/мин"_cp, 0, 60},
    {"расход_на_входе"_cp, "Расход ПЖ на входе"_cp, "Q вх."_cp, "л/с"_cp, 0, 100},
    {"расход_на_выходе"_cp, "Расход ПЖ на выходе"_cp, "Q вых."_cp, "л/с"_cp, 0, 30},
    {"обороты_ротора"_cp, "Обороты ротора"_cp, "об.рот."_cp, "об/мин"_cp, 0, 10},
    {"момент_ротора"_cp, "Крутящий момент ротора"_cp, "крут.мом."_cp, "кН*м"_cp, 0, 30},
    {"тальблок"_cp, "Положение тальблока"_cp, "Тальблок"_cp, "м"_cp, 0, 50},
    {"скорость_механическая"_cp, "Скорость механическая"_cp, "V мех"_cp, "м/ч"_cp, 0, 100},
    {"плотность_на_входе"_cp, "Плотность на входе"_cp, "Пл.вх."_cp, "г/см3"_cp, 0, 2},
    {"плотность_на_выходе"_cp, "Плотность на выходе"_cp, "Пл.вых."_cp, "г/см3"_cp, 0, 2},
    {"температура_на_входе"_cp, "Температура на входе"_cp, "Т.вх"_cp, "°С"_cp, 0, 100},
    {"температура_на_выходе"_cp, "Температура на выходе"_cp, "Т.вых"_cp, "°С"_cp, 0, 100},
    {"уровень_в_емкости"_cp, "Уровень-1"_cp, "Уровень-1"_cp, "м"_cp, 0, 2},
    {"уровень_в_долив_емкости"_cp, "Уровень в доливе"_cp, "H долива"_cp, "м"_cp, 0, 2},
    {"объем_емкости"_cp, "Объем ПЖ в емкостях"_cp, "V емк"_cp, "м3"_cp, 0, 160},
    {"сумм_газ"_cp, "Суммарный газ"_cp, "Г.сум.хром."_cp, "%", 0, 100},
    {"метан_абс"_cp, "Метан абс."_cp, "С1"_cp, "%", 0, 100},
    {"этан_абс"_cp, "Этан абс."_cp, "С2"_cp, "%", 0, 100},
    {"пропан_абс"_cp, "Пропан абс."_cp, "С3"_cp, "%", 0, 100},
};

enum column {
    hook_load,
    weight_on_bit,
    standpipe,
    strokes,
    flow_in,
    flow_out,
    rotary_speed,
    torque,
    block,
    rop,
    density_in,
    density_out,
    temperature_in,
    temperature_out,
    pit_level,
    trip_tank,
    pit_volume,
    total_gas,
    methane,
    ethane,
    propane,
    column_count
};

constexpr double lag_seconds = 900;  // the mud's way up the annulus
constexpr double stand = 12.0;       // drilled between connections
constexpr double start_depth = 1250.0;

// Gas in the returns for cuttings from this depth.
double gas_at(double depth) {
    const double show1 = std::exp(-std::pow((depth - 1264.0) / 1.5, 2));
    const double show2 = std::exp(-std::pow((depth - 1282.0) / 0.8, 2));
    return 0.04 + 4.5 * show1 + 2.0 * show2;
}

}  // namespace

void generate_run(FileStorage& store, std::uint32_t start, int seconds) {
    for (const channel& c : channels)
        store.add_parametr({c.name, c.short_name, c.unit, c.key, c.scale_min, c.scale_max});

    noise n;
    double hole = start_depth, bit = start_depth - 0.5, block_pos = 13.0;
    double pumps = 0, rpm = 0, flow_back = 0, temp_in = 26.0, temp_out = 26.0;
    double level = 1.20, trip_level = 0.80, drilled_since_connection = 0;
    activity now = circulating;
    int phase_left = 600;  // circulate before drilling
    bool wiper_trip_done = false;
    double trip_turn = 0;
    std::vector<double> hole_history;  // hole depth per second, for the lag
    hole_history.reserve(static_cast<std::size_t>(seconds));

    double drill_seconds = 0, circulation_seconds = 0, trip_seconds = 0, wob_sum = 0, spp_sum = 0, flow_sum = 0,
           density_sum = 0;
    int pumping_seconds = 0;

    FileStorageItem r;
    r.values.resize(column_count);
    for (int t = 0; t < seconds; ++t) {
        // The crew's next step.
        if (now == drilling && drilled_since_connection >= stand) {
            now = connection;
            phase_left = 300;
        } else if (now == drilling && !wiper_trip_done && t > seconds / 2) {
            now = circulating;
            phase_left = 300;
        } else if (phase_left <= 0 && now == circulating && !wiper_trip_done && t > seconds / 2) {
            now = tripping_out;
            trip_turn = bit - 150;
        } else if (now == tripping_out && bit <= trip_turn) {
            now = tripping_in;
        } else if (now == tripping_in && bit >= hole - 0.5) {
            now = circulating;
            phase_left = 600;
            wiper_trip_done = true;
        } else if (phase_left <= 0 && (now == circulating || now == connection)) {
            now = drilling;
            if (drilled_since_connection >= stand) {
                drilled_since_connection = 0;
                block_pos = 13.0;
            }
        }
        --phase_left;

        // The rig follows.
        const bool pumps_wanted = now == drilling || now == circulating || (now == connection && phase_left > 240) ||
                                  (now == connection && phase_left < 60);
        pumps += ((pumps_wanted ? 115.0 : 0.0) - pumps) * 0.2;
        const double rpm_wanted = now == drilling ? 70 : now == circulating ? 40 : 0;
        rpm += (rpm_wanted - rpm) * 0.3;
        double rate = 0, wob = 0;
        if (now == drilling) {
            if (bit < hole) {
                bit = std::min(hole, bit + 0.05);  // tagging bottom
            } else {
                wob = 11 + 2 * std::sin(hole / 5.0) + n(0.6);
                rate = std::max(2.0, 14 * (1 + 0.5 * std::sin(hole / 7.0)) + n(1.5));
                hole += rate / 3600;
                bit = hole;
                drilled_since_connection += rate / 3600;
                block_pos -= rate / 3600;
            }
        } else if (now == connection) {
            if (phase_left > 240) bit = std::max(hole - 2.0, bit - 0.05);  // off bottom
        } else if (now == tripping_out) {
            bit -= 0.4;
        } else if (now == tripping_in) {
            bit = std::min(hole - 0.5, bit + 0.5);
        }
        if (now == tripping_out || now == tripping_in)
            block_pos = 2 + std::fmod(std::fabs(bit - trip_turn), 24.0);
        else if (now == connection && phase_left <= 240 && phase_left > 60)
            block_pos = 1.0 + 0.2 * n(1);

        hole_history.push_back(hole);
        const int lagged = std::max(0, t - static_cast<int>(lag_seconds));
        const double lag_depth = pumps > 50 ? hole_history[static_cast<std::size_t>(lagged)] : 0;

        const double flow = pumps * 0.28;
        flow_back += (flow * 0.97 - flow_back) * 0.08;
        const double string_weight = 38 + 0.035 * bit;
        double hook = string_weight - wob;
        if (now == connection && phase_left <= 240 && phase_left > 60) hook = 18;  // in slips
        if (now == tripping_out) hook = string_weight + 6;
        if (now == tripping_in) hook = string_weight - 4;
        const double spp = flow > 1 ? 0.08 * flow * flow + 0.02 * hole + wob * 0.8 : 0;
        const double tq = rpm > 5 ? (wob > 0 ? 5 + 0.45 * wob : 2.5) + n(0.4) : 0;
        temp_in += (flow > 1 ? 0.0004 : -0.0002);
        temp_out += ((flow > 1 ? temp_in + 7 : temp_in + 2) - temp_out) * 0.01;
        level += (flow > 1 ? -rate / 3600 * 0.04 : 0.0) + (flow_back - flow * 0.97) * 0.0004;
        if (now == tripping_out) trip_level -= 0.0006;
        if (now == tripping_in) trip_level += 0.0006;
        const double gas = lag_depth > 0 ? gas_at(lag_depth) * (1 + n(0.05)) : 0.02;
        const double density = 1.18 + 0.002 * std::sin(t / 900.0);

        r.time = start + static_cast<std::uint32_t>(t);
        r.depth = static_cast<float>(hole);
        r.second_depth = static_cast<float>(bit);
        r.third_depth = static_cast<float>(lag_depth > 0 ? lag_depth : hole);
        r.tag = now;
        auto& v = r.values;
        v[hook_load] = static_cast<float>(hook + n(0.3));
        v[weight_on_bit] = static_cast<float>(wob);
        v[standpipe] = static_cast<float>(spp > 0 ? spp + n(1.0) : 0);
        v[strokes] = static_cast<float>(pumps);
        v[flow_in] = static_cast<float>(flow);
        v[flow_out] = static_cast<float>(flow_back + (flow_back > 1 ? n(0.4) : 0));
        v[rotary_speed] = static_cast<float>(rpm);
        v[torque] = static_cast<float>(tq);
        v[block] = static_cast<float>(block_pos);
        v[rop] = static_cast<float>(rate);
        v[density_in] = static_cast<float>(density);
        v[density_out] = static_cast<float>(density + 0.008 - gas * 0.002 + n(0.002));
        v[temperature_in] = static_cast<float>(temp_in);
        v[temperature_out] = static_cast<float>(temp_out);
        v[pit_level] = static_cast<float>(level);
        v[trip_tank] = static_cast<float>(trip_level);
        v[pit_volume] = static_cast<float>((level + trip_level) * 24);
        v[total_gas] = static_cast<float>(gas);
        v[methane] = static_cast<float>(gas * 0.72);
        v[ethane] = static_cast<float>(gas * 0.14);
        v[propane] = static_cast<float>(gas * 0.07);
        store.add_record(r);

        if (now == drilling && wob > 0) {
            drill_seconds += 1;
            wob_sum += wob;
        }
        if (now == circulating) circulation_seconds += 1;
        if (now == tripping_out || now == tripping_in) trip_seconds += 1;
        if (flow > 1) {
            ++pumping_seconds;
            spp_sum += spp;
            flow_sum += flow;
            density_sum += density;
        }
    }

    FileStorageTextValues& run = store.get_text_values();
    run.race_number = 12;
    run.well = "Южная-7"_cp;
    run.area = "Северо-Западная"_cp;
    run.well_category = "эксплуатационная"_cp;
    run.oilfield = "Восточное"_cp;
    run.customer = "Заказчик"_cp;
    run.bit_type = "III 215,9 М-ЦВ"_cp;
    run.bit_number = "2417";
    run.bit_diameter = 215.9;
    run.hole_diameter = 215.9;
    run.motor_size = "Д2-195"_cp;
    run.mud_type = "полимерный"_cp;
    run.viscosity = "45";
    run.foreman = "Петров"_cp;
    run.operators = "Сидоров, Кузнецова"_cp;
    run.pump = "УНБ-600"_cp;
    run.drill_type = RaceInfo::rotary;
    run.bit_wear = "В1 П1 Г"_cp;
    run.assembly = "долото, калибратор, УБТ 178 мм - 75 м, СБТ 127 мм"_cp;
    run.stability = "устойчивый"_cp;
    run.filtration = "6";
    run.stickiness = "0,1";
    run.cake_thickness = 1;
    run.ph = 8.5;
    run.resistivity = 1.2;
    run.chl = 12000;
    run.sand_percent = 0.5;
    run.flushing_time = 600;
    run.reaming_time = 300;
    run.time_file_name = "12.realtim";
    run.depth_file_name = "12.realdep";
    run.real_depth_file_name = "12.reallag";
    run.time_step = 1;
    run.depth_step = 0.2;
    run.start_time = start;
    run.end_time = start + static_cast<std::uint32_t>(seconds > 0 ? seconds - 1 : 0);
    run.start_depth = start_depth;
    run.end_depth = hole;
    run.footage = hole - start_depth;
    run.drilling_time = static_cast<int>(drill_seconds);
    run.circulation_time = static_cast<int>(circulation_seconds);
    run.trip_time = static_cast<int>(trip_seconds);
    run.average_load = drill_seconds > 0 ? wob_sum / drill_seconds : 0;
    run.average_pressure = pumping_seconds > 0 ? spp_sum / pumping_seconds : 0;
    run.average_flow = pumping_seconds > 0 ? flow_sum / pumping_seconds : 0;
    run.average_density = pumping_seconds > 0 ? density_sum / pumping_seconds : 0;
    run.drilling_speed = drill_seconds > 0 ? (hole - start_depth) / (drill_seconds / 3600) : 0;
    run.ri_to_data();
}

}  // namespace gti_tool
