// Win32 programs: starting one with its arguments quoted so that the program's C runtime hands
// each back exactly as given (nothing passes through a shell), waiting for it, and opening
// documents with ShellExecuteExW.
#include <map>
#include <mutex>
#include <string>

#include "gti/platform/os.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

// The handles of started programs, kept until wait_program has seen them end.
struct programs {
    std::mutex lock;
    std::map<process_id, HANDLE> running;
    // Empty: ShellExecuteExW opens documents.
    std::vector<AnsiString> opener;
};

programs& state() {
    static programs p;
    return p;
}

// One argument as the C runtime's parser reads it back: quoted, with backslashes doubled only
// before a quote.
void append_quoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

std::wstring command_line(const std::vector<AnsiString>& arguments) {
    std::wstring line;
    for (const AnsiString& a : arguments) {
        if (!line.empty()) line += L' ';
        append_quoted(line, detail::wide(native_path(a)));
    }
    return line;
}

process_id keep(HANDLE process) {
    const process_id id = static_cast<process_id>(GetProcessId(process));
    if (id == 0) {
        CloseHandle(process);
        return 0;
    }
    const std::lock_guard hold(state().lock);
    const auto [it, fresh] = state().running.emplace(id, process);
    if (!fresh) {
        CloseHandle(it->second);
        it->second = process;
    }
    return id;
}

}  // namespace

process_id start_program(const AnsiString& program, const std::vector<AnsiString>& arguments) noexcept {
    try {
        if (program.empty()) return 0;
        std::vector<AnsiString> all{program};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::wstring line = command_line(all);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        // No application name: the system looks the program up as a command line's first word,
        // in the program's folder, the system folders and PATH.
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return 0;
        CloseHandle(info.hThread);
        return keep(info.hProcess);
    } catch (...) {
        return 0;
    }
}

bool wait_program(process_id id, unsigned timeout_ms, int& exit_code) noexcept {
    HANDLE process = nullptr;
    {
        const std::lock_guard hold(state().lock);
        const auto it = state().running.find(id);
        if (it == state().running.end()) return false;
        process = it->second;
    }
    if (WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    exit_code = static_cast<int>(code);
    const std::lock_guard hold(state().lock);
    state().running.erase(id);
    CloseHandle(process);
    return true;
}

process_id open_document(const AnsiString& document, const std::vector<AnsiString>& parameters) noexcept {
    try {
        if (document.empty()) return 0;
        std::vector<AnsiString> command;
        {
            const std::lock_guard hold(state().lock);
            command = state().opener;
        }
        if (!command.empty()) {
            std::vector<AnsiString> arguments(command.begin() + 1, command.end());
            arguments.push_back(document.front() == '-' ? ".\\" + document : document);
            arguments.insert(arguments.end(), parameters.begin(), parameters.end());
            return start_program(command.front(), arguments);
        }
        const std::wstring file = detail::wide(native_path(document));
        const std::wstring line = command_line(parameters);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpFile = file.c_str();
        info.lpParameters = line.empty() ? nullptr : line.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return 0;
        return keep(info.hProcess);
    } catch (...) {
        return 0;
    }
}

std::vector<AnsiString> set_document_opener(std::vector<AnsiString> command) {
    const std::lock_guard hold(state().lock);
    std::swap(command, state().opener);
    return command;
}

AnsiString executable_directory() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return AnsiString();
    path.resize(n);
    path.resize(path.find_last_of(L"\\/") + 1);
    AnsiString dir;
    return station_name(detail::utf8(path), dir) ? dir : AnsiString();
}

}  // namespace lib::os
