// Dynamic libraries through dlopen(3).
#include "gti/platform/dynlib.h"

#include <dlfcn.h>

#include "gti/platform/os.h"

namespace lib::os {
namespace {

thread_local std::string last_error;

void note_error() {
    const char* e = dlerror();
    last_error = e != nullptr ? e : "";
}

}  // namespace

library_handle load_library(const file_path& path) noexcept {
    void* h = dlopen(path.native().c_str(), RTLD_NOW | RTLD_LOCAL);
    try {
        if (h == nullptr) note_error();
    } catch (...) {
        // The library is not loaded either way; only its reason is lost.
    }
    return h;
}

void* find_symbol(library_handle library, const char* name) noexcept {
    if (library == nullptr || name == nullptr) return nullptr;
    dlerror();
    void* address = dlsym(library, name);
    if (address == nullptr) {
        try {
            note_error();
        } catch (...) {
        }
    }
    return address;
}

void free_library(library_handle library) noexcept {
    if (library != nullptr) dlclose(library);
}

std::string last_library_error() {
    return last_error;
}

}  // namespace lib::os
