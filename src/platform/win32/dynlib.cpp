// Dynamic libraries through LoadLibraryExW. A path with a separator loads that file, and the
// libraries it needs are looked up in its own folder first.
#include "gti/platform/dynlib.h"

#include "gti/platform/os.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

thread_local std::string last_error;

void note_error() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n > 0 ? std::wstring(text, n) : L"error " + std::to_wstring(code);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    last_error = detail::utf8(message);
}

}  // namespace

library_handle load_library(const file_path& path) noexcept {
    try {
        const std::wstring name = detail::wide(path.native());
        const bool has_folder = name.find_first_of(L"/\\") != std::wstring::npos;
        // No dialog box for a library that is damaged or missing a library of its own.
        const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        HMODULE h = LoadLibraryExW(name.c_str(), nullptr, has_folder ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
        SetErrorMode(previous);
        if (h == nullptr) note_error();
        return reinterpret_cast<library_handle>(h);
    } catch (...) {
        return nullptr;
    }
}

void* find_symbol(library_handle library, const char* name) noexcept {
    if (library == nullptr || name == nullptr) return nullptr;
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(library), name);
    if (address == nullptr) {
        try {
            note_error();
        } catch (...) {
        }
    }
    return reinterpret_cast<void*>(address);
}

void free_library(library_handle library) noexcept {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

std::string last_library_error() {
    return last_error;
}

}  // namespace lib::os
