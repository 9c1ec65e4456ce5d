// The catalogue: every parameter the station knows, with its defaults.
//
// The built-in table holds 83 parameters: key, names, unit, default converter input, linear
// range, scale, averaging, display group and one-byte code. A parameter table adds a parameter
// by key from here (ParTabl::add), and its dependency rules name keys of the catalogue. The
// catalogue is one object per process, get_all_params(), built on first use.
//
// Groups (Param::group):
//
//   0  (no name)   1 "ТИ"         2 "Раствор"             3 "Скорости"         4 "Расчётные"
//   5 "Газ"        6 "Дифференциальные"  7 "Эксперементальные"  8 "Дополнительные"
//
// The two radioactive density parameters have an options dialog of their own (test_param with
// has_options).
//
// Failures: at() with an index outside the table sounds two beeps (1000 Hz then 600 Hz, 50 ms
// each) and hands out an empty entry.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "gti/params/param.h"
#include "gti/platform/ansi_string.h"
#include "gti/util/array.h"

// Keys of the catalogue that other code refers to by name.
namespace ParamVars {
extern const char* const h_emk1;            // "уровень_в_емкости": level in tank 1
extern const char* const h_emk2;            // "уровень_в_емкости2"
extern const char* const h_emk3;            // "уровень_в_емкости3"
extern const char* const h_emk4;            // "уровень_в_емкости4"
extern const char* const h_emk5;            // "уровень_в_емкости5"
extern const char* const h_emk6;            // "уровень_в_емкости6"
extern const char* const h_emk7;            // "уровень_в_долив_емкости": level in the trip tank
extern const char* const v_emk1;            // "объем_в_емкости1": volume in tank 1
extern const char* const v_emk2;            // "объем_в_емкости2"
extern const char* const v_emk3;            // "объем_в_емкости3"
extern const char* const v_emk4;            // "объем_в_емкости4"
extern const char* const v_emk5;            // "объем_в_емкости5"
extern const char* const v_emk6;            // "объем_в_емкости6"
extern const char* const v_emk7;            // "объем_в_долив_емкости": volume in the trip tank
extern const char* const v_meh;             // "скорость_механическая": rate of penetration
extern const char* const ob_rot;            // "обороты_ротора": rotary speed
extern const char* const nagr;              // "нагрузка": weight on bit
extern const char* const radio_dens_in;     // "плотн_пж_вх_радиоакт": radioactive mud density in
extern const char* const radio_dens_out;    // "плотн_пж_вых_радиоакт": radioactive mud density out
extern const char* const ud_soprotivl_in;   // "уд_сопротивл_вх": mud resistivity in
extern const char* const ud_soprotivl_out;  // "уд_сопротивл_вых": mud resistivity out
extern const char* const el_prov_in;   // "электропроводность_на_входе": mud conductivity in
extern const char* const el_prov_out;  // "электропроводность_на_выходе": mud conductivity out
}  // namespace ParamVars

// The defaults of one catalogue parameter: a Param without curve and extra values.
struct DefaultParam {
    AnsiString name;
    AnsiString short_name;
    AnsiString unit;
    AnsiString global_name;
    std::int32_t adc_channel = 0;
    std::int32_t averaging = 0;
    std::int32_t group = 0;
    float range = 0;
    float zero = 0;
    float scale_min = 0;
    float scale_max = 0;
    std::uint8_t flags = 0;

    // Copies the defaults into `p`; its group, curve and extra values stay as they are.
    void assign_to(Param& p) const;
};

// The catalogue of known parameters.
class AllParams {
public:
    // What test_param asks.
    enum ParamTest : int {
        has_options = 0,  // whether the parameter has an options dialog of its own
    };

    // The built-in catalogue.
    AllParams();

    // Rebuilds the entries from the built-in table and the set of parameters with options.
    void init();

    // The number of entries (83).
    int get_items_count() const noexcept { return entries_.size(); }
    // The entry at `index`. Outside the table: two beeps and a shared entry with empty texts
    // and zero numbers, reset at every such call.
    DefaultParam& at(int index);
    // The index of the first entry whose key equals `global_name` without regard to letter case
    // (Cyrillic included, no trimming); -1 when there is none or `global_name` is null.
    int get_param_number(const char* global_name) const;
    // The name of group `index` (0..8), otherwise "???????".
    static AnsiString get_group_name(int index);
    // Answers `test` about a key (exact, case-sensitive); false for any test but has_options.
    bool test_param(const AnsiString& global_name, ParamTest test) const;
    // Replaces `out` by one Param per entry, in table order: a new Param filled by assign_to.
    void get_all_params(std::vector<Param>& out) const;

private:
    lib::array<DefaultParam> entries_;
    std::set<AnsiString> with_options_;
    DefaultParam missing_;
};

// The process-wide catalogue, built on first use. Make the first call before several threads
// use it; it is read-only afterwards unless init() is called again.
AllParams& get_all_params();
