// Plug-ins: separately built libraries that extend a station program.
//
// A plug-in library exports the registration entry point
//
//   extern "C" lib::PluginBase* _reg_plugin(void* main_window);
//
// which receives the host's main window handle (whatever the host gave its PluginManager) and
// returns a new object derived from PluginBase, or null to decline. PluginManager::load searches
// a folder tree for libraries ("*" + lib::os::library_suffix, ".so" here), registers each one
// and keeps the objects with their libraries until free(), which destroys every object before
// its library is released.
//
// A bad plug-in never takes the host down: a library that cannot be loaded, has no entry point,
// declines, or throws from its registration is released and skipped; a destructor that throws is
// caught and the library released all the same. Every skip and failure is reported through the
// virtual item_skipped. A library named "convlibrary" (any letter case) is never loaded.
//
// PluginBase is defined wholly in this header, so a plug-in needs nothing of gtikit at run time.
#pragma once

#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/dynlib.h"
#include "gti/platform/os.h"

namespace lib {

class PluginManager;

// The base of every plug-in object.
class PluginBase {
public:
    // May throw: the manager catches what a plug-in's destructor throws.
    virtual ~PluginBase() noexcept(false) {}

    // The folder the plug-in's library was found in, with its separator.
    const AnsiString& get_path() const noexcept { return path_; }

private:
    friend class PluginManager;
    AnsiString path_;
};

// The type of the registration entry point "_reg_plugin".
using reg_plugin_function = PluginBase* (*)(void* main_window);

// Loads the plug-ins of a folder tree and owns them with their libraries.
class PluginManager {
public:
    // Why a library found by load() gave no entry, or what went wrong when it was unloaded.
    enum class skip_reason {
        convlibrary,         // the name is "convlibrary"; never loaded
        not_loadable,        // the system refused to load it
        no_entry_point,      // no "_reg_plugin"
        declined,            // "_reg_plugin" returned null
        registration_threw,  // "_reg_plugin" threw
        destructor_threw,    // free(): the object's destructor threw; its library was released
    };

    // A manager whose plug-ins receive `main_window` at registration.
    explicit PluginManager(void* main_window = nullptr) : main_window_(main_window) {}
    // Frees every entry.
    virtual ~PluginManager() { free(); }
    PluginManager(const PluginManager&) = delete;
    PluginManager& operator=(const PluginManager&) = delete;

    // Loads every plug-in found in `directory` and its subfolders and appends them; entries of
    // earlier calls stay. A separator is added to a directory given without one.
    void load(const AnsiString& directory);
    // The same for a folder of any name; the paths kept (get_path, get_file, item_skipped) are
    // the names as lib::os::file_path::display() shows them.
    void load(const os::file_path& directory);
    // Unloads every entry in list order: before_unload_item, the object destroyed, its library
    // released. The list is empty afterwards.
    void free();

    // The number of entries.
    int size() const noexcept { return static_cast<int>(entries_.size()); }
    // The plug-in of entry `index`; 0 <= index < size().
    PluginBase* get_item(int index) const { return entries_[static_cast<std::size_t>(index)].plugin; }
    // The path of the library of entry `index`; 0 <= index < size().
    const AnsiString& get_file(int index) const { return entries_[static_cast<std::size_t>(index)].file; }
    // The index of the entry holding `plugin`, or -1.
    int index_of_plugin(PluginBase* plugin) const noexcept;

protected:
    // Called after a plug-in was appended; `index` counts from 0 within each load().
    virtual void after_load_item(PluginBase* plugin, int index);
    // Called before a plug-in is destroyed; `index` is its place in the list.
    virtual void before_unload_item(PluginBase* plugin, int index);
    // Called for every library that gave no entry, and for a destructor that threw; `file` is
    // the library's path, `detail` the system's or the exception's text (may be empty).
    virtual void item_skipped(const AnsiString& file, skip_reason why, const AnsiString& detail);

private:
    // A loaded plug-in: its object, its library and the library's path.
    struct entry {
        PluginBase* plugin;
        os::library_handle library;
        AnsiString file;
    };

    void* main_window_;
    std::vector<entry> entries_;
};

}  // namespace lib
