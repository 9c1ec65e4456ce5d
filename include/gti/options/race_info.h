// RaceInfo: the description of one drilling run ("рейс").
//
// Where the run was drilled (field, well, area), with what (bit, motor, assembly, method), when
// (start and end depth and time), how it went (times of drilling, circulation, trips, flushing
// and reaming; mean load, pressure, flow and speed) and with which mud. One object persists in
// three ways, each naming the same members its own way:
//   - INI elements: the sections "архивные_данные", "настройки_рейса", "начало_рейса",
//     "окончание_рейса" and "раствор" (the run file);
//   - option descriptors in the sectors "рейс_арх", "рейс_главн", "рейс_долото", "рейс_техно"
//     and "рейс_пж" (option dialogs, fill_to_strings);
//   - the module "RaceInfoNew" of the module stream: fields 1-10 as 4-byte integers, 11-26 as
//     8-byte doubles, 27-48 as texts, in the order of the members below.
// The drilling method is kept twice: as the number drill_type and as its text drill_type_text,
// which is refreshed from the number whenever the elements or descriptors are listed.
#pragma once

#include <cstdint>
#include <set>

#include "gti/options/ini_options.h"
#include "gti/options/options.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"
#include "gti/serial/serializator.h"

class TStrings;

namespace lib {

// The most text of run information that any reader takes from a file (16 MiB); a run file or a
// run section past it is damaged, and is refused rather than read into memory.
inline constexpr std::uint64_t max_race_text = std::uint64_t{16} << 20;

// Option names that an option editor shows, hides or keeps read-only.
class grid_options_list {
public:
    // The following keys belong to this sector.
    void sector(const char* name);
    // Adds current sector + "." + key.
    void add(const char* key);
    // Adds a whole sector.
    void add_sector(const char* name);
    // True when the full name (sector.key) was added, letter case ignored.
    bool contains(const AnsiString& full_name) const;
    // True when the sector was added whole, letter case ignored.
    bool contains_sector(const AnsiString& name) const;
    // Empties the list and the current sector.
    void clear();
    // True when full names, or whole sectors, were added.
    bool has_names() const noexcept { return !names_.empty(); }
    bool has_sectors() const noexcept { return !sectors_.empty(); }

private:
    AnsiString sector_;
    std::set<AnsiString> names_;
    std::set<AnsiString> sectors_;
};

}  // namespace lib

// The fields of a drilling run, in the order of its serial form.
struct RaceInfoData {
    // The drilling method, stored as a 32-bit integer.
    enum DrillType : int {
        rotary = 0,          // "Роторное"
        turbine = 1,         // "Турбинное"
        rotary_turbine = 2,  // "Роторно-турбинное"
        electric = 3,        // "Электробурение"
        emergency = 4,       // "Аварийные работы"
        other = 5,           // "Другое"
    };

    DrillType drill_type = rotary;
    int race_number = 0;
    int time_step = 0;
    int drilling_time = 0;
    int circulation_time = 0;
    int trip_time = 0;
    int flushing_time = 0;
    int reaming_time = 0;
    unsigned start_time = 0xFFFFFFFFu;
    unsigned end_time = 0xFFFFFFFFu;
    double footage = 0;
    double hole_diameter = 0;
    double bit_diameter = 0;
    double depth_step = 0;
    double start_depth = 0;
    double end_depth = 0;
    double average_load = 0;
    double average_density = 0;
    double average_pressure = 0;
    double average_flow = 0;
    double drilling_speed = 0;
    double cake_thickness = 0;
    double ph = 0;
    double resistivity = 0;
    double chl = 0;
    double sand_percent = 0;
    AnsiString stability;
    AnsiString mud_type;
    AnsiString viscosity;
    AnsiString filtration;
    AnsiString stickiness;
    AnsiString assembly;
    AnsiString bit_type;
    AnsiString customer;
    AnsiString oilfield;
    AnsiString foreman;
    AnsiString motor_size;
    AnsiString pump;
    AnsiString operators;
    AnsiString well;
    AnsiString bit_number;
    AnsiString area;
    AnsiString well_category;
    AnsiString time_file_name;
    AnsiString depth_file_name;
    AnsiString real_depth_file_name;
    AnsiString bit_wear;
    AnsiString drill_type_text;
};

// The drilling run.
class RaceInfo : public RaceInfoData, public lib::ini_options, public lib::options_base, public lib::SerialModuleBase {
public:
    // Which fields an option editor shows for a stage of the run (see correct_race_options).
    enum cTypes : int {
        ct_race_start = 0,   // first list: the run number; second: the bit wear code
        ct_race_end = 1,     // second list: the run number, the bit wear code and the technology
        ct_race_number = 2,  // first list: the run number
    };

    // Numbers 0, texts empty, both times 0xFFFFFFFF, then the defaults: run number 1, both times
    // 0, the archive texts "::НЕ ЗАДАНО::".
    RaceInfo();

    // The text of a drilling method; "::ОШИБКА::" for a number outside 0..5.
    static AnsiString get_drill_type_str(DrillType type);

    // The run file of a data file: the same folder and base name up to the first point of the
    // file name, with "rac" after it (0012.dat gives 0012.rac, a.b.c gives a.rac); empty when
    // the file name has no point. Both "\" and "/" separate folders.
    static AnsiString get_race_file(const AnsiString& path);
    // The same for a name of the system; an empty path when the file name has no point.
    static lib::os::file_path get_race_file(const lib::os::file_path& path);

    // Puts every field back to what a new RaceInfo holds.
    void reset_fields();

    // Clears `strings` and puts key=stored text of every descriptor in it.
    void fill_to_strings(TStrings* strings);

    // Fills two option-editor lists for a stage of the run; other kinds leave both empty.
    void correct_race_options(cTypes kind, lib::grid_options_list& first, lib::grid_options_list& second);

    void get_elements_list(lib::ini_options_elements& elements) override;
    void save_additional_info(TIniFile*) override {}
    void load_additional_info(TIniFile*) override {}
    void enum_values(lib::options_list& list) override;
    void get_serial_list(lib::serial_list& list, unsigned version) override;
    void get_serial_name(AnsiString& name) override { name = "RaceInfoNew"; }
};
