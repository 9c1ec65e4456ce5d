#include "support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>

#include "gti/platform/codepage.h"
#include "gti/platform/os.h"

void PrintTo(const AnsiString& s, std::ostream* os) {
    *os << '"' << lib::cp1251::to_utf8(s.view()) << '"';
}

namespace gti_test {

temp_dir::temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/gtikit-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

temp_dir::~temp_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_.str(), ec);
}

std::string read_bytes(const AnsiString& path) {
    std::ifstream in(lib::os::native_path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const AnsiString& path, const std::string& bytes) {
    std::ofstream out(lib::os::native_path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const AnsiString& path) {
    struct stat st {};
    return stat(lib::os::native_path(path).c_str(), &st) == 0;
}

namespace {

void send_byte(int fd, char c) {
    while (write(fd, &c, 1) < 0 && errno == EINTR) {
    }
}

char receive_byte(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return 0;
    char c = 0;
    return read(fd, &c, 1) == 1 ? c : 0;
}

}  // namespace

void child_process::channel::send(char c) const {
    send_byte(to_parent, c);
}
char child_process::channel::receive() const {
    return receive_byte(from_parent, -1);
}

child_process::child_process(const std::function<int(const channel&)>& body) {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        close(down[1]);
        close(up[0]);
        int code = 99;
        try {
            code = body(channel{up[1], down[0]});
        } catch (...) {
            code = 98;
        }
        _exit(code);
    }
    close(down[0]);
    close(up[1]);
    to_child_ = down[1];
    from_child_ = up[0];
}

child_process::~child_process() {
    if (pid_ > 0) {
        kill();
        wait();
    }
    close(to_child_);
    close(from_child_);
}

void child_process::send(char c) const {
    send_byte(to_child_, c);
}
char child_process::receive() const {
    return receive_byte(from_child_, 30000);
}

int child_process::wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void child_process::kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
}

}  // namespace gti_test
