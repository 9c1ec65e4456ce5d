// POSIX programs: starting one with an argument vector (posix_spawnp, never a shell), waiting for
// it, and opening documents through the desktop's opener.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "gti/platform/os.h"

namespace lib::os {
namespace {

// The command that opens documents, shared by the whole process.
struct opener_state {
    std::mutex lock;
    std::vector<AnsiString> command{"xdg-open"};
};

opener_state& opener() {
    static opener_state o;
    return o;
}

}  // namespace

process_id start_program(const AnsiString& program, const std::vector<AnsiString>& arguments) noexcept {
    try {
        if (program.empty()) return 0;
        std::vector<std::string> native;
        native.reserve(arguments.size() + 1);
        native.push_back(native_path(program));
        for (const AnsiString& a : arguments)
            native.push_back(native_path(a));
        std::vector<char*> argv;
        for (std::string& s : native)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return 0;
        return pid;
    } catch (...) {
        return 0;
    }
}

bool wait_program(process_id id, unsigned timeout_ms, int& exit_code) noexcept {
    if (id <= 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(id, &status, WNOHANG);
        if (r == id) {
            exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        if (r < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

process_id open_document(const AnsiString& document, const std::vector<AnsiString>& parameters) noexcept {
    try {
        if (document.empty()) return 0;
        std::vector<AnsiString> command;
        {
            const std::lock_guard<std::mutex> hold(opener().lock);
            command = opener().command;
        }
        std::vector<AnsiString> arguments(command.begin() + 1, command.end());
        arguments.push_back(document.front() == '-' ? "./" + document : document);
        arguments.insert(arguments.end(), parameters.begin(), parameters.end());
        return start_program(command.front(), arguments);
    } catch (...) {
        return 0;
    }
}

std::vector<AnsiString> set_document_opener(std::vector<AnsiString> command) {
    if (command.empty()) command = {"xdg-open"};
    const std::lock_guard<std::mutex> hold(opener().lock);
    std::swap(command, opener().command);
    return command;
}

AnsiString executable_directory() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return AnsiString();
    path.resize(static_cast<std::size_t>(n));
    path.resize(path.rfind('/') + 1);
    AnsiString dir;
    return station_name(path, dir) ? dir : AnsiString();
}

}  // namespace lib::os
