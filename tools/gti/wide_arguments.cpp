// Kept apart from the library's headers: windows.h declares names of its own that they declare too.
#include "wide_arguments.h"

#include <cstddef>

#include <windows.h>
// (shellapi.h needs windows.h before it)
#include <shellapi.h>

namespace gti_tool {

std::vector<std::string> wide_arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 0; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? static_cast<std::size_t>(size) : 1u, '\0');
        if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        text.pop_back();
        arguments.push_back(std::move(text));
    }
    LocalFree(wide);
    return arguments;
}

}  // namespace gti_tool
