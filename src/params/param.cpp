#include "gti/params/param.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <stdexcept>
#include <string>

#include "gti/numeric/interpolation.h"
#include "gti/params/all_params.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/number_text.h"

using namespace lib::literals;

using lib::io::BinaryInputStream;
using lib::io::BinaryOutputStream;

namespace {

// A text as a record stores it: up to its first zero byte (which would end it on reading) and at
// most `limit` bytes, followed by one zero byte.
void write_text(BinaryOutputStream& out, const AnsiString& text, std::size_t limit) {
    const std::string bytes(text.view().substr(0, std::min(text.view().find('\0'), limit)));
    out.write(bytes.c_str(), static_cast<unsigned>(bytes.size() + 1));
}

// Reads a zero-terminated text of a parameter record.
AnsiString read_record_text(BinaryInputStream& in) {
    AnsiString text;
    for (int c = in.get(); c != 0; c = in.get()) {
        if (text.size() == Param::max_text_size)
            throw std::runtime_error("Param::load_from_file: text longer than 511 bytes");
        text.push_back(static_cast<char>(c));
    }
    return text;
}

bool is_radioactive_density(const AnsiString& global_name) {
    return lib::cp1251::equal_nocase(global_name.view(), "плотн_пж_вх_радиоакт"_cp) ||
           lib::cp1251::equal_nocase(global_name.view(), "плотн_пж_вых_радиоакт"_cp);
}

// The factor that makes up for the decay of a radioactive source since the curve was last
// anchored: the count of a source falls by half every half-life, so it is scaled back by
// 2^(years / half-life).
double decay_factor(const ParamExtInfo& ext, TDateTime now) {
    const double calibrated = ext.get_float("last_calibr_time");
    const double half_life = ext.get_float("half_life");
    if (lib::is_over_null(calibrated) || lib::is_over_null(half_life) || !(half_life > 0)) return 1.0;
    const double days = now - calibrated;
    if (!(days >= 1.0)) return 1.0;
    constexpr long double per_day = 1.0L / 365.25L;
    return static_cast<double>(std::exp2(static_cast<long double>(days) * per_day / half_life));
}

AnsiString piece(const char* label, const AnsiString& before, const AnsiString& after) {
    return AnsiString(label) + "[" + before + " -> " + after + "] ";
}

AnsiString two_decimals(float v) {
    return lib::float_to_str(v, 2, -1);
}

}  // namespace

bool UnitCalibrPoint::operator==(const UnitCalibrPoint& other) const noexcept {
    return lib::is_over_null(voltage - other.voltage) && lib::is_over_null(value - other.value);
}

AnsiString ParamExtInfo::get(const AnsiString& key) const {
    const auto it = values_.find(key);
    return it == values_.end() ? AnsiString() : it->second;
}

double ParamExtInfo::get_float(const AnsiString& key) const {
    const auto it = values_.find(key);
    return it == values_.end() ? 0.0 : lib::str_to_float(it->second);
}

void ParamExtInfo::set(const AnsiString& key, const AnsiString& value) {
    values_[key] = value;
}

void ParamExtInfo::save(BinaryOutputStream& out) const {
    lib::io::write_binary(out, static_cast<std::uint32_t>(values_.size()));
    for (const auto& [key, value] : values_) {
        write_text(out, key, AnsiString::npos);
        write_text(out, value, AnsiString::npos);
    }
}

void ParamExtInfo::load(BinaryInputStream& in) {
    std::uint32_t count = 0;
    lib::io::read_binary(in, count);
    values_.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        // Every entry takes bytes, so the count cannot outrun the data: a stream that delivers
        // nothing at its end (a plain file) is stopped here.
        if (in.eof()) throw std::runtime_error("ParamExtInfo::load: eof");
        AnsiString key, value;
        lib::io::read_binary(in, key);
        lib::io::read_binary(in, value);
        values_[std::move(key)] = std::move(value);
    }
}

bool Param::equal(const Param& other) const {
    return name == other.name && short_name == other.short_name && unit == other.unit &&
           global_name == other.global_name && adc_channel == other.adc_channel && averaging == other.averaging &&
           group == other.group && range == other.range && zero == other.zero && scale_min == other.scale_min &&
           scale_max == other.scale_max && flags == other.flags && calibration == other.calibration;
}

void Param::get_serial_list(lib::serial_list& list) {
    list | name | short_name | unit | global_name | adc_channel | range | zero | scale_min | scale_max | averaging |
        flags;
}

void Param::load_from_file(BinaryInputStream& in) {
    name = read_record_text(in);
    if (is_end_marker()) return;
    short_name = read_record_text(in);
    unit = read_record_text(in);
    global_name = read_record_text(in);
    lib::io::read_binary(in, adc_channel);
    lib::io::read_binary(in, range);
    lib::io::read_binary(in, zero);
    lib::io::read_binary(in, scale_min);
    lib::io::read_binary(in, scale_max);
    lib::io::read_binary(in, averaging);
    lib::io::read_binary(in, flags);
}

void Param::save_to_file(BinaryOutputStream& out) const {
    for (const AnsiString* text : {&name, &short_name, &unit, &global_name})
        write_text(out, *text, max_text_size);
    lib::io::write_binary(out, adc_channel);
    lib::io::write_binary(out, range);
    lib::io::write_binary(out, zero);
    lib::io::write_binary(out, scale_min);
    lib::io::write_binary(out, scale_max);
    lib::io::write_binary(out, averaging);
    lib::io::write_binary(out, flags);
}

double Param::calc_value_by_voltage(double voltage, double hook_factor) const {
    return calc_value_by_voltage(voltage, hook_factor, lib::now());
}

double Param::calc_value_by_voltage(double voltage, double hook_factor, TDateTime now) const {
    if (is_radioactive_density(global_name)) voltage *= decay_factor(ext_info, now);
    if (calibration.size() <= 1) {
        const double k = lib::cp1251::equal_nocase(global_name.view(), "вес_на_крюке"_cp) ? hook_factor : 1.0;
        return k * range * voltage * 0.2 + zero;
    }
    std::size_t i = 0;
    while (i + 2 < calibration.size() && !(voltage < calibration[i + 1].voltage))
        ++i;
    const UnitCalibrPoint& lo = calibration[i];
    const UnitCalibrPoint& hi = calibration[i + 1];
    if (std::fabs(hi.voltage - lo.voltage) < 1e-6) return 0.0;
    return (hi.value - lo.value) * (voltage - lo.voltage) / (hi.voltage - lo.voltage) + lo.value;
}

bool Param::check_changes(const Param& changed, AnsiString& report) const {
    report.clear();
    if (name != changed.name) report += piece("назв."_cp, name, changed.name);
    if (short_name != changed.short_name) report += piece("кратк.назв."_cp, short_name, changed.short_name);
    if (unit != changed.unit) report += piece("ед.изм."_cp, unit, changed.unit);
    if (adc_channel != changed.adc_channel)
        report += piece("АЦП"_cp, std::to_string(adc_channel), std::to_string(changed.adc_channel));
    if (averaging != changed.averaging)
        report += piece("осредн."_cp, std::to_string(averaging), std::to_string(changed.averaging));
    if (!lib::is_over_null(static_cast<double>(range) - changed.range))
        report += piece("диап."_cp, two_decimals(range), two_decimals(changed.range));
    if (!lib::is_over_null(static_cast<double>(zero) - changed.zero))
        report += piece("нуль"_cp, two_decimals(zero), two_decimals(changed.zero));
    if (calibration != changed.calibration)
        report +=
            calibration.empty() ? "произведена калибровка по нескольким точкам "_cp : "удалены точки калибровки "_cp;
    return !report.empty();
}

void Param::save_extended_info(BinaryOutputStream& out) const {
    write_text(out, global_name, max_text_size);
    ext_info.save(out);
}

namespace {

std::mutex dialog_mutex;
lib::param_options_dialog& installed_dialog() {
    static lib::param_options_dialog dialog;
    return dialog;
}

}  // namespace

lib::param_options_dialog lib::set_param_options_dialog(param_options_dialog dialog) {
    const std::lock_guard lock(dialog_mutex);
    std::swap(installed_dialog(), dialog);
    return dialog;
}

bool Param::param_options(const HostData& host) {
    static const AllParams catalogue;
    if (!catalogue.test_param(global_name, AllParams::has_options)) return false;
    lib::param_options_dialog dialog;
    {
        const std::lock_guard lock(dialog_mutex);
        dialog = installed_dialog();
    }
    Param working = *this;
    if (dialog && dialog(working, host)) *this = working;
    return true;
}
