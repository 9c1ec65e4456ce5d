// Dynamic libraries: loading by path, looking up an exported symbol, releasing.
//
// A path with a "/" (on Windows also "\\") loads that file; a bare name is looked up where the system looks for
// libraries. Symbols are bound at load time, so a library with unresolved references fails to
// load instead of failing later in a call.
#pragma once

#include <string>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib::os {

// A loaded library; null stands for none.
using library_handle = void*;

// The file-name suffix of dynamic libraries on this system.
#ifdef _WIN32
inline constexpr const char* library_suffix = ".dll";
#else
inline constexpr const char* library_suffix = ".so";
#endif

// Loads a library (the path is station text); null on failure.
library_handle load_library(const AnsiString& path) noexcept;
// Loads a library named in the system's own spelling; null on failure.
library_handle load_library(const file_path& path) noexcept;

// The address of an exported symbol of a loaded library; null when there is none (or no library).
void* find_symbol(library_handle library, const char* name) noexcept;

// Releases a library; a null handle is ignored.
void free_library(library_handle library) noexcept;

// The system's account of the last failure of load_library or find_symbol on this thread, in
// UTF-8; empty when there is none.
std::string last_library_error();

}  // namespace lib::os
