// ModuleList: the registry of a program's long-lived modules.
//
// A program registers its state objects (run information, the parameter table, option sets,
// lists) under names; the list then saves all of them into one INI file, loads them back, and
// writes every stream module into one module stream (gti/serial/serializator.h), to a file or a
// socket. What a module can do follows from the kinds it derives from:
//
//   ini_options       INI save and load of its elements
//   IniCollectModule  INI save and load of its list section
//   OptModule         INI save and load of its descriptors
//   SerialModule      the module stream
//
// Modules are handled in the order of their names compared byte by byte as unsigned values
// (Latin capitals before small letters, Cyrillic after Latin). The list does not own them.
#pragma once

#include <map>
#include <vector>

#include "gti/options/ini_options.h"
#include "gti/options/module_base.h"
#include "gti/options/options.h"
#include "gti/platform/ansi_string.h"
#include "gti/platform/tstream.h"
#include "gti/serial/lock_object.h"
#include "gti/serial/serializator.h"

class TIniFile;

namespace lib {

// A list kept in one INI section, as a module.
class IniCollectModule : public IniSerialData, public virtual ModuleBase {
public:
    using IniSerialData::IniSerialData;
};

// An option set, as a module.
class OptModule : public options_base, public virtual ModuleBase {};

// A module of the module stream, as a module.
class SerialModule : public SerialModuleBase, public virtual ModuleBase {};

// The modules of a program by name.
class ModuleList {
public:
    // The format version of the module stream.
    static constexpr int format_version = 1;

    // Adds a module under a name; a name already taken keeps its first module, and the new one
    // stays unregistered.
    void register_module(const char* name, ModuleBase* module);

    // Saves every module that has an INI form, in name order.
    void save_to_ini(TIniFile* ini);
    // Loads every module that has an INI form, in name order.
    void load_from_ini(TIniFile* ini);

    // Appends the stream module of every SerialModule, in name order; `out` is not cleared.
    void get_ser_modules(std::vector<SerialModuleBase*>& out);
    // Writes every stream module to the stream (see Serializator::serialize).
    void serialize(TStream* stream, lock_object* lock, unsigned version);
    // Reads a module stream into the registered stream modules.
    void deserialize(TStream* stream, unsigned version);

    // The modules by name.
    const std::map<AnsiString, ModuleBase*>& modules() const noexcept { return modules_; }

private:
    std::map<AnsiString, ModuleBase*> modules_;
};

}  // namespace lib
