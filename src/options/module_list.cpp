#include "gti/options/module_list.h"

#include "gti/util/ini_file.h"

namespace lib {

void ModuleList::register_module(const char* name, ModuleBase* module) {
    const auto [it, added] = modules_.emplace(AnsiString(name), module);
    if (added) module->registered = true;
}

void ModuleList::save_to_ini(TIniFile* ini) {
    // Every module's settings reach the file together.
    ini_update(ini, [&] {
        for (const auto& [name, module] : modules_) {
            if (auto* m = dynamic_cast<ini_options*>(module)) m->save(ini);
            if (auto* m = dynamic_cast<IniCollectModule*>(module)) m->save(ini);
            if (auto* m = dynamic_cast<OptModule*>(module)) m->save_to_ini(ini);
        }
    });
}

void ModuleList::load_from_ini(TIniFile* ini) {
    for (const auto& [name, module] : modules_) {
        if (auto* m = dynamic_cast<ini_options*>(module)) m->load(ini);
        if (auto* m = dynamic_cast<IniCollectModule*>(module)) m->load(ini);
        if (auto* m = dynamic_cast<OptModule*>(module)) m->load_from_ini(ini);
    }
}

void ModuleList::get_ser_modules(std::vector<SerialModuleBase*>& out) {
    for (const auto& [name, module] : modules_) {
        if (auto* m = dynamic_cast<SerialModule*>(module)) out.push_back(m);
    }
}

void ModuleList::serialize(TStream* stream, lock_object* lock, unsigned version) {
    std::vector<SerialModuleBase*> modules;
    get_ser_modules(modules);
    Serializator(format_version).serialize(modules, stream, lock, version);
}

void ModuleList::deserialize(TStream* stream, unsigned version) {
    std::vector<SerialModuleBase*> modules;
    get_ser_modules(modules);
    Serializator(format_version).deserialize(modules, stream, version);
}

}  // namespace lib
