// Child processes of the tests: fork with a pipe each way (POSIX only).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support.h"

namespace gti_test {

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
