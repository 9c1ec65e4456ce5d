// The plug-in manager.
#include "gti/plugins/plugin_manager.h"

#include <exception>
#include <optional>
#include <string>

#include "gti/platform/codepage.h"
#include "gti/platform/os.h"
#include "gti/util/files.h"

namespace lib {
namespace {

// The text of the exception being handled.
AnsiString current_exception_text() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an exception that is not a std::exception";
    }
}

bool is_separator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

void PluginManager::load(const AnsiString& directory) {
    load(os::file_path(directory));
}

void PluginManager::load(const os::file_path& directory) {
    std::string prefix = directory.native();
    if (!prefix.empty() && !is_separator(prefix.back())) prefix += "/";
    const std::string skipped_name = std::string("convlibrary") + os::library_suffix;
    int loaded = 0;
    for (const os::file_path& found :
         find_paths(os::file_path::from_native(prefix + "*" + os::library_suffix), 0, true)) {
        const std::string& native = found.native();
        const std::size_t name_start = native.find_last_of("/\\") + 1;  // 0 for a bare name
        const AnsiString folder = os::file_path::from_native(native.substr(0, name_start)).display();
        // A bare name would send the system looking through its own library folders.
        const os::file_path path = name_start == 0 ? os::file_path::from_native("./" + native) : found;
        const AnsiString& file = path.display();
        if (cp1251::to_lower(os::file_path::from_native(native.substr(name_start)).display().view()) == skipped_name) {
            item_skipped(file, skip_reason::convlibrary, "");
            continue;
        }
        const os::library_handle library = os::load_library(path);
        if (library == nullptr) {
            AnsiString reason;
            if (!os::station_name(os::last_library_error(), reason)) reason.clear();
            item_skipped(file, skip_reason::not_loadable, reason);
            continue;
        }
        const auto reg = reinterpret_cast<reg_plugin_function>(os::find_symbol(library, "_reg_plugin"));
        if (reg == nullptr) {
            os::free_library(library);
            item_skipped(file, skip_reason::no_entry_point, "");
            continue;
        }
        // The exception object may belong to the library: it is released only after the catch
        // block has destroyed it.
        PluginBase* plugin = nullptr;
        std::optional<AnsiString> thrown;
        try {
            plugin = reg(main_window_);
        } catch (...) {
            thrown = current_exception_text();
        }
        if (thrown) {
            os::free_library(library);
            item_skipped(file, skip_reason::registration_threw, *thrown);
            continue;
        }
        if (plugin == nullptr) {
            os::free_library(library);
            item_skipped(file, skip_reason::declined, "");
            continue;
        }
        plugin->path_ = folder;
        entries_.push_back(entry{plugin, library, file});
        after_load_item(plugin, loaded);
        ++loaded;
    }
}

void PluginManager::free() {
    // An entry leaves the list before its object is destroyed, so a hook that throws leaves no
    // entry to be destroyed twice and the rest for the next free().
    for (int i = 0; !entries_.empty(); ++i) {
        before_unload_item(entries_.front().plugin, i);
        const entry e = std::move(entries_.front());
        entries_.erase(entries_.begin());
        std::optional<AnsiString> thrown;
        try {
            delete e.plugin;
        } catch (...) {
            thrown = current_exception_text();
        }
        os::free_library(e.library);
        if (thrown) item_skipped(e.file, skip_reason::destructor_threw, *thrown);
    }
}

int PluginManager::index_of_plugin(PluginBase* plugin) const noexcept {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].plugin == plugin) return static_cast<int>(i);
    return -1;
}

void PluginManager::after_load_item(PluginBase*, int) {}

void PluginManager::before_unload_item(PluginBase*, int) {}

void PluginManager::item_skipped(const AnsiString&, skip_reason, const AnsiString&) {}

}  // namespace lib
