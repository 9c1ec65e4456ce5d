#include "gti/params/par_tabl.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "gti/io/atomic_file.h"
#include "gti/io/whole_file.h"
#include "gti/params/all_params.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/platform/system.h"

using namespace lib::literals;

using lib::io::BinaryInputStream;
using lib::io::BinaryOutputStream;

namespace {

const char ext_magic[] = "EXT_NBL_FILE";
// The smallest serial form of a parameter: four empty texts, six 4-byte numbers and the flags.
constexpr std::size_t min_serial_param = 4 + 6 * 4 + 1;
// One calibration point in the table file: two doubles.
constexpr std::uint64_t point_size = 16;

// The text without the blanks (spaces and control bytes) at either end.
std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

// The size of a file that can be opened for reading, or -1.
std::int64_t readable_size(const lib::os::file_path& path) {
    const lib::os::open_result r =
        lib::os::open_shared(path, lib::os::access::read, lib::os::disposition::open_existing);
    if (r.status != lib::os::open_status::ok) return -1;
    const std::int64_t size = lib::os::file_size(r.handle);
    lib::os::close_file(r.handle);
    return size;
}

// Replaces a file by `bytes` in one step; false when that fails.
bool replace_file(const lib::os::file_path& path, const lib::io::BinaryMemoryOutputStream& bytes) {
    try {
        lib::os::shared_file file(path);
        file.update([&](std::string& contents) {
            contents.assign(bytes.get_buffer() == nullptr ? "" : bytes.get_buffer(), bytes.get_size());
            return true;
        });
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// The ".extended" companion of a table file.
lib::os::file_path extended(const lib::os::file_path& file) {
    std::filesystem::path companion = file.path();
    companion += ".extended";
    return lib::os::file_path(companion);
}

// Reads the calibration section into the curves of `params`. An entry names the position of a
// record in the file; `slots` maps it to the parameter that record became (-1 for a record that
// was dropped), so that dropping a record never moves a curve onto another parameter.
template <class Stream>
void read_calibration(std::vector<Param>& params, const std::vector<int>& slots, Stream& in) {
    while (in.bytes_left().value_or(0) >= 8) {
        std::int32_t position = -1;
        std::int32_t count = -1;
        lib::io::read_binary(in, position);
        lib::io::read_binary(in, count);
        if (position == -1 || count == -1) return;
        if (count < 0) continue;
        // The points of an entry run to the end of the file at most.
        if (static_cast<std::uint64_t>(count) > in.bytes_left().value_or(0) / point_size) return;
        const int slot = position >= 0 && static_cast<std::size_t>(position) < slots.size()
                             ? slots[static_cast<std::size_t>(position)]
                             : -1;
        if (slot < 0) {
            in.skip(static_cast<unsigned>(count) * static_cast<unsigned>(point_size));
            continue;
        }
        std::vector<UnitCalibrPoint> points(static_cast<std::size_t>(count));
        for (UnitCalibrPoint& p : points) {
            lib::io::read_binary(in, p.voltage);
            lib::io::read_binary(in, p.value);
        }
        params[static_cast<std::size_t>(slot)].calibration = std::move(points);
    }
}

// Reads a table file's contents into `params`.
template <class Stream>
void read_table_from(std::vector<Param>& params, Stream& in) {
    params.clear();
    std::vector<int> slots;
    try {
        for (;;) {
            Param p;
            p.load_from_file(in);
            if (p.is_end_marker()) break;
            if (p.global_name.empty()) {
                slots.push_back(-1);
                continue;
            }
            slots.push_back(static_cast<int>(params.size()));
            params.push_back(std::move(p));
        }
        read_calibration(params, slots, in);
    } catch (const std::runtime_error&) {
        // The data ended or a text ran too long: what was read whole stays.
    }
}

// Cuts a comma-separated list of keys into `out`.
void split_keys(const char* keys, TStringList& out) {
    std::string_view rest = keys == nullptr ? std::string_view() : keys;
    for (;;) {
        const std::size_t comma = rest.find(',');
        out.Add(AnsiString(rest.substr(0, comma)));
        if (comma == std::string_view::npos) return;
        rest.remove_prefix(comma + 1);
    }
}

// The dependency rules of the table, applied in this order.
struct depend_rule {
    const char* sources;
    const char* dependents;
};

}  // namespace

Param& ParTabl::operator[](int index) {
    if (index >= 0 && index < get_items_count()) return params[static_cast<std::size_t>(index)];
    spare_ = Param();
    return spare_;
}

Param& ParTabl::operator[](const AnsiString& global_name) {
    return (*this)[find_global(global_name)];
}

Param ParTabl::operator[](int index) const {
    if (index < 0 || index >= get_items_count()) throw std::out_of_range("vector");
    return params[static_cast<std::size_t>(index)];
}

int ParTabl::find_global(const AnsiString& global_name) const {
    const std::string_view key = trimmed(global_name.view());
    if (key.empty()) return -1;
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (lib::cp1251::equal_nocase(params[i].global_name.view(), key)) return static_cast<int>(i);
    }
    return -1;
}

void ParTabl::add(const Param& p) {
    params.push_back(p);
}

void ParTabl::add(const AnsiString& global_name) {
    if (param_exists(global_name)) return;
    AllParams& catalogue = ::get_all_params();
    const int number = catalogue.get_param_number(global_name.c_str());
    if (number < 0) return;
    Param p;
    catalogue.at(number).assign_to(p);
    params.push_back(std::move(p));
}

void ParTabl::erase(int index) {
    if (index < 0 || index >= get_items_count()) throw std::out_of_range("ParTabl::erase: index out of range");
    params.erase(params.begin() + index);
}

void ParTabl::resize(int count) {
    if (count < 0) throw std::out_of_range("ParTabl::resize: negative count");
    params.resize(static_cast<std::size_t>(count));
}

void ParTabl::get_params_list(TStrings* list) const {
    for (const Param& p : params) {
        if (!trimmed(p.name.view()).empty()) list->Add(p.name);
    }
}

void ParTabl::load() {
    lib::beep(1000, 40);
    load_from(readable_size(file_name) >= 0 ? file_name : backup_file_name);
}

void ParTabl::load_from(const AnsiString& file) {
    load_from(lib::os::file_path(file));
}

void ParTabl::load_from(const lib::os::file_path& file) {
    const lib::io::whole_file f = lib::io::try_read_whole_file(file);
    if (f.status != lib::io::whole_file_status::ok) return;
    lib::io::BinaryMemoryInputStream in(f.data.get(), static_cast<unsigned>(f.size));
    read_table(in);
    load_extended_info(extended(file));
    check();
}

bool ParTabl::save_to(const AnsiString& file) const {
    if (file.empty()) return false;
    try {
        lib::io::atomic_file table(file);
        write_table(table);
        table.commit();
    } catch (const std::runtime_error&) {
        return false;
    }
    if (!save_extended_info(file + ".extended")) return false;
    saved = true;
    return true;
}

bool ParTabl::save_to(const lib::os::file_path& file) const {
    if (file.native().empty()) return false;
    lib::io::BinaryMemoryOutputStream table;
    write_table(table);
    if (!replace_file(file, table) || !save_extended_info(extended(file))) return false;
    saved = true;
    return true;
}

void ParTabl::load_extended_info(const AnsiString& file) {
    load_extended_info(lib::os::file_path(file));
}

void ParTabl::load_extended_info(const lib::os::file_path& file) {
    const lib::io::whole_file f = lib::io::try_read_whole_file(file);
    if (f.status != lib::io::whole_file_status::ok || f.size == 0) return;
    lib::io::BinaryMemoryInputStream in(f.data.get(), static_cast<unsigned>(f.size));
    read_extended_info(in);
}

bool ParTabl::save_extended_info(const AnsiString& file) const {
    try {
        lib::io::atomic_file ext(file);
        write_extended_info(ext);
        ext.commit();
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

bool ParTabl::save_extended_info(const lib::os::file_path& file) const {
    lib::io::BinaryMemoryOutputStream ext;
    write_extended_info(ext);
    return replace_file(file, ext);
}

void ParTabl::read_table(lib::io::InputMappedFile& in) {
    read_table_from(params, in);
}

void ParTabl::read_table(lib::io::BinaryMemoryInputStream& in) {
    read_table_from(params, in);
}

void ParTabl::write_table(BinaryOutputStream& out) const {
    for (const Param& p : params) {
        if (p.is_end_marker()) {
            // A name that reads as the end marker would cut the list short there.
            Param unnamed = p;
            unnamed.name.clear();
            unnamed.save_to_file(out);
        } else {
            p.save_to_file(out);
        }
    }
    out.write("\n", 2);  // the end marker: 0A and the literal's zero byte
    for (std::size_t i = 0; i < params.size(); ++i) {
        const Param& p = params[i];
        if (p.adc_channel < 0) continue;
        lib::io::write_binary(out, static_cast<std::int32_t>(i));
        lib::io::write_binary(out, static_cast<std::int32_t>(p.calibration.size()));
        for (const UnitCalibrPoint& point : p.calibration) {
            lib::io::write_binary(out, point.voltage);
            lib::io::write_binary(out, point.value);
        }
    }
}

void ParTabl::read_extended_info(BinaryInputStream& in) {
    try {
        char magic[sizeof ext_magic] = {};
        in.read(magic, sizeof magic);
        if (std::memcmp(magic, ext_magic, sizeof magic) != 0) return;
        std::int32_t count = 0;
        lib::io::read_binary(in, count);
        for (std::int32_t i = 0; i < count && !in.eof(); ++i) {
            AnsiString key;
            lib::io::read_binary(in, key);
            ParamExtInfo info;
            info.load(in);
            const int position = find_global(key);
            if (position >= 0) params[static_cast<std::size_t>(position)].ext_info = std::move(info);
        }
    } catch (const std::runtime_error&) {
        // An incomplete entry ends the file; the entries before it stay applied.
    }
}

void ParTabl::write_extended_info(BinaryOutputStream& out) const {
    out.write(ext_magic, sizeof ext_magic);
    lib::io::write_binary(out, static_cast<std::int32_t>(params.size()));
    for (const Param& p : params)
        p.save_extended_info(out);
}

void ParTabl::check() {
    using namespace ParamVars;
    const depend_rule rules[] = {
        {h_emk1, v_emk1},
        {h_emk2, v_emk2},
        {h_emk3, v_emk3},
        {h_emk4, v_emk4},
        {h_emk5, v_emk5},
        {h_emk6, v_emk6},
        {h_emk7, v_emk7},
        {el_prov_in, ud_soprotivl_in},
        {el_prov_out, ud_soprotivl_out},
        {ud_soprotivl_in, el_prov_in},
        {ud_soprotivl_out, el_prov_out},
        {"уровень_в_емкости,уровень_в_емкости2,уровень_в_емкости3,уровень_в_емкости4,уровень_в_емкости5,"_cp
         "уровень_в_емкости6,уровень_в_долив_емкости"_cp,
         "объем_актив_емкости,объем_емкости,объем_раствора"_cp},
        {"метан_абс"_cp, "метан_отн"_cp},
        {"этан_абс"_cp, "этан_отн"_cp},
        {"пропан_абс"_cp, "пропан_отн"_cp},
        {"бутан_абс"_cp, "бутан_отн"_cp},
        {"пентан_абс"_cp, "пентан_отн"_cp},
        {"гексан_абс"_cp, "гексан_отн"_cp},
        {"метан_абс,этан_абс,пропан_абс,бутан_абс,пентан_абс,гексан_абс"_cp, "сумм_газ"_cp},
    };
    for (const depend_rule& rule : rules)
        check_depend(rule.sources, rule.dependents);
    for (Param& p : params)
        p.check_values();
}

void ParTabl::check_depend(const char* sources, const char* dependents) {
    TStringList source_keys, dependent_keys;
    split_keys(sources, source_keys);
    split_keys(dependents, dependent_keys);
    if (!check_remove_exists(&source_keys, &dependent_keys)) check_add_depend(&source_keys, &dependent_keys);
}

bool ParTabl::check_remove_exists(TStringList* sources, TStringList* dependents) {
    for (const AnsiString& key : *sources) {
        if (param_exists(key)) return false;
    }
    bool removed = false;
    for (const AnsiString& key : *dependents) {
        for (int i = find_global(key); i != -1; i = find_global(key)) {
            erase(i);
            removed = true;
        }
    }
    return removed;
}

bool ParTabl::check_add_depend(TStringList* sources, TStringList* dependents) {
    bool any_source = false;
    for (const AnsiString& key : *sources)
        any_source = any_source || param_exists(key);
    if (!any_source) return false;
    bool tried = false;
    for (const AnsiString& key : *dependents) {
        if (param_exists(key)) continue;
        add(key);
        tried = true;
    }
    return tried;
}

void ParTabl::get_serial_list(lib::serial_list& list, unsigned) {
    if (list.get_serial_state() != lib::deserialize) {
        list | params;
        return;
    }
    std::uint32_t count = 0;
    list.process_binary(reinterpret_cast<char*>(&count), 4);
    // Every parameter takes at least min_serial_param bytes: a count the payload cannot hold
    // must not size the list.
    if (auto* buffer = dynamic_cast<lib::serial_buffer*>(&list)) {
        if (count > buffer->bytes_left() / min_serial_param) lib::throw_count_exceeds_data();
    }
    std::vector<Param> read;
    for (std::uint32_t i = 0; i < count; ++i) {
        Param p;
        lib::get_serial_list(p, list);
        read.push_back(std::move(p));
    }
    params = std::move(read);
}
