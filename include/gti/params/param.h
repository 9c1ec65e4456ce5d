// Param: one measured or computed channel of the station, and its calibration.
//
// A parameter carries its names and unit, the converter (ADC) input it is measured on, how a
// raw input voltage becomes a physical value (a linear range and zero, or a calibration curve
// of two or more points), its averaging and scale, a one-byte code, and named extra values.
// The parameter table (gti/params/par_tabl.h) is a list of them; the catalogue
// (gti/params/all_params.h) supplies their defaults.
//
// Parameter record, as the parameter-table file stores one parameter (little-endian, no padding):
//
//   +------+------------+------+-------------+-------------+-------+------+-----------+-----------+-----------+-------+
//   | name | short_name | unit | global_name | adc_channel | range | zero | scale_min | scale_max | averaging | flags |
//   | text | text       | text | text        | int32       | f32   | f32  | f32       | f32       | int32     | uint8 |
//   +------+------------+------+-------------+-------------+-------+------+-----------+-----------+-----------+-------+
//
//   text: the bytes, then one zero byte ("т" -> F2 00). A record whose name is the single byte
//   0A ends a list of records and has no other fields: 0A 00.
//
// Extended-information record (the ".extended" companion of the table file):
//
//   global_name text | entry count uint32 | count x (key text, value text), keys ascending
//
// Failures: load_from_file throws std::runtime_error "Param::load_from_file: text longer than 511
// bytes" for a text of 512 bytes or more, and ParamExtInfo::load throws std::runtime_error
// "ParamExtInfo::load: eof" when the data ends before its entries do; a read past the end of the
// data fails with the stream's own error. Nothing else here throws for ordinary input.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "gti/io/streams.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/date_time.h"
#include "gti/serial/serial_list.h"

// One point of a calibration curve: the raw input and the physical value there.
struct UnitCalibrPoint {
    // The point (0, 0).
    UnitCalibrPoint() = default;
    // The point (voltage, value).
    UnitCalibrPoint(double the_voltage, double the_value) : voltage(the_voltage), value(the_value) {}

    double voltage = 0.0;
    double value = 0.0;

    // Orders points by voltage, as a curve is kept.
    bool operator<(const UnitCalibrPoint& other) const noexcept { return voltage < other.voltage; }
    // True when this point minus the other counts as zero in both coordinates (-1e-12 < d <
    // 1e-5, lib::is_over_null). The test is lopsided, as the station's comparison always was:
    // (1, 2) equals (0.999995, 2) but not (1.000005, 2), while (0.999995, 2) does not equal (1, 2).
    bool operator==(const UnitCalibrPoint& other) const noexcept;
    // The negation of operator==.
    bool operator!=(const UnitCalibrPoint& other) const noexcept { return !(*this == other); }
};

// Named extra values of a parameter, one text per key, keys in ascending byte order. The
// radioactive density parameters keep "last_calibr_time" (a TDateTime as text) and "half_life"
// (years) here.
class ParamExtInfo {
public:
    // The value of `key`, or the empty text when there is none.
    AnsiString get(const AnsiString& key) const;
    // The value of `key` read as a number (lib::str_to_float); 0 when there is none.
    double get_float(const AnsiString& key) const;
    // Inserts or replaces the value of `key`.
    void set(const AnsiString& key, const AnsiString& value);
    // Removes every value.
    void clear() noexcept { values_.clear(); }

    // Writes the block: the entry count, then each key and value as texts.
    void save(lib::io::BinaryOutputStream& out) const;
    // Reads a block written by save(): the map is emptied once the count is read, then filled; of
    // a repeated key the value read last stays.
    void load(lib::io::BinaryInputStream& in);

    // The values by key.
    const std::map<AnsiString, AnsiString>& items() const noexcept { return values_; }

    // True when both hold the same keys with the same values.
    friend bool operator==(const ParamExtInfo&, const ParamExtInfo&) = default;

private:
    std::map<AnsiString, AnsiString> values_;
};

// What the host application hands a parameter's options dialog.
struct HostData {
    // The current raw count of a converter channel (called with the parameter's adc_channel);
    // empty in a host without converters.
    std::function<int(int channel)> get_adc_value;
    // Whether the dialog shows its page of live readings.
    bool show_live_page = true;
};

// One channel of the station: names, converter input, conversion to a physical value, scale.
class Param {
public:
    // The longest text a parameter record holds; longer ones are cut when written.
    static constexpr std::size_t max_text_size = 511;

    // Empty texts, no converter input (-1), averaging 1, group 0, every number 0, no points.
    Param() = default;

    AnsiString name;                // full name ("назв." in change reports)
    AnsiString short_name;          // short name ("кратк.назв.")
    AnsiString unit;                // unit ("ед.изм.")
    AnsiString global_name;         // identifying key such as "вес_на_крюке"; tables look parameters up by it
    std::int32_t adc_channel = -1;  // converter input ("АЦП"); -1 when not measured through it
    std::int32_t averaging = 1;     // averaging count ("осредн.")
    std::int32_t group = 0;         // catalogue group (gti/params/all_params.h); not stored
    float range = 0;                // full-scale value of the linear conversion ("диап.")
    float zero = 0;                 // offset of the linear conversion ("нуль")
    float scale_min = 0;            // lower end of the scale
    float scale_max = 0;            // upper end of the scale
    std::uint8_t flags = 0;         // one-byte code carried along (the catalogue uses 0 and 2)
    std::vector<UnitCalibrPoint> calibration;  // calibration curve, by ascending voltage
    ParamExtInfo ext_info;                     // named extra values

    // True when the texts are byte-equal, the integers and the floats exactly equal, and the
    // curves of equal length and pairwise equal (UnitCalibrPoint::operator==). The extra values
    // are not compared.
    bool equal(const Param& other) const;

    // Lists the record fields for the module stream: the four texts, adc_channel, range, zero,
    // scale_min, scale_max, averaging (4 bytes each) and flags (1 byte). The curve, the extra
    // values and the group do not travel.
    void get_serial_list(lib::serial_list& list);

    // Reads one parameter record. When the name read is the single byte 0A (the end marker) it
    // stops there, leaving the other fields as they were; test with is_end_marker().
    void load_from_file(lib::io::BinaryInputStream& in);
    // Writes one parameter record. A text is written up to its first zero byte and at most
    // max_text_size bytes of it, so that every record written reads back.
    void save_to_file(lib::io::BinaryOutputStream& out) const;
    // True when the name is the end marker of a list of records (the single byte 0A).
    bool is_end_marker() const noexcept { return name == "\n"; }

    // The physical value of a raw converter input, decay corrected as of the present moment.
    double calc_value_by_voltage(double voltage, double hook_factor) const;
    // The same as of `now`:
    //  1. the radioactive density parameters ("плотн_пж_вх_радиоакт", "плотн_пж_вых_радиоакт")
    //     multiply the input by 2^(d / 365.25 / h), d being the days since "last_calibr_time" and
    //     h the "half_life" in years, once at least a day has passed; no factor while either
    //     value counts as zero or the half-life is not a positive number;
    //  2. with at most one point: k * range * voltage * 0.2 + zero, where k is `hook_factor` for
    //     "вес_на_крюке" and 1 otherwise (0..5 V spans the range);
    //  3. with two or more points: the line through the first segment whose upper voltage lies
    //     above the input (the last segment when none does), 0 when that segment is shorter than
    //     1e-6; inputs outside the curve extrapolate along the end segments. The curve is not
    //     sorted here.
    double calc_value_by_voltage(double voltage, double hook_factor, TDateTime now) const;

    // Compares this parameter (before) with `changed` (after) and describes what the operator
    // changed, one piece per difference, e.g. "диап.[20.00 -> 30.00] "; true when anything did.
    // The key, scale, flags and extra values are not reported.
    bool check_changes(const Param& changed, AnsiString& report) const;

    // Writes the extended-information record of this parameter.
    void save_extended_info(lib::io::BinaryOutputStream& out) const;

    // Called by the parameter table for every parameter it has loaded; a parameter has nothing
    // to correct, so it does nothing.
    void check_values() {}

    // Opens the options dialog of a parameter that has one (AllParams::test_param with
    // has_options: the radioactive density meters) on a working copy, which replaces this
    // parameter when the dialog is closed with OK; returns true. Returns false, doing nothing,
    // for other parameters. The dialog is the one installed with lib::set_param_options_dialog;
    // without one the call is a cancelled dialog.
    bool param_options(const HostData& host);
};

namespace lib {

// Runs a parameter's options dialog on the working copy; true when closed with OK.
using param_options_dialog = std::function<bool(Param& working_copy, const HostData& host)>;

// Installs the dialog that Param::param_options opens and returns the one it replaces.
param_options_dialog set_param_options_dialog(param_options_dialog dialog);

}  // namespace lib

// Compares two parameters with Param::equal.
inline bool operator==(const Param& a, const Param& b) {
    return a.equal(b);
}
// The negation of Param::equal.
inline bool operator!=(const Param& a, const Param& b) {
    return !a.equal(b);
}
