// POSIX serial lines over termios.
#include "gti/platform/serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "gti/platform/os.h"
#include "platform/posix/serial_marks.h"

namespace lib::os {
namespace detail {

std::size_t decode_marks(int& state, unsigned char* bytes, std::size_t count, bool& error) noexcept {
    std::size_t out = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char b = bytes[i];
        switch (state) {
            case 0:
                if (b == 0xFF)
                    state = 1;
                else
                    bytes[out++] = b;
                break;
            case 1:
                if (b == 0x00) {
                    state = 2;
                    break;
                }
                // FF FF is a data byte 0xFF. The driver sends nothing else after FF: another
                // byte there means the stream cannot be trusted, as after a line error.
                if (b == 0xFF)
                    bytes[out++] = 0xFF;
                else
                    error = true;
                state = 0;
                break;
            default:
                error = true;
                state = 0;
                break;
        }
    }
    return out;
}

}  // namespace detail

namespace {

using clock = std::chrono::steady_clock;

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The speed constant of a standard rate; B0 for any other.
speed_t speed_of(int baud) {
    static constexpr struct {
        int baud;
        speed_t speed;
    } rates[] = {{110, B110},       {300, B300},       {600, B600},       {1200, B1200},    {2400, B2400},
                 {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},  {57600, B57600},
                 {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
    for (const auto& r : rates)
        if (r.baud == baud) return r.speed;
    return B0;
}

// Waits for `events`; the remaining time until `deadline` bounds the wait unless `forever`.
// Returns the events seen, 0 when the time is up, -1 on an error.
int wait_for(int fd, short events, bool forever, clock::time_point deadline) {
    for (;;) {
        int ms = -1;
        if (!forever) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0) return 0;
            ms = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, ms);
        if (r > 0) return p.revents;
        if (r == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

}  // namespace

AnsiString serial_device_path(const AnsiString& name) {
    std::string s = name.str();
    if (s.find('/') != std::string::npos) return name;
    if (s.rfind("\\\\.\\", 0) == 0) s.erase(0, 4);
    const bool com = s.size() > 3 && s.size() <= 6 && std::toupper(static_cast<unsigned char>(s[0])) == 'C' &&
                     std::toupper(static_cast<unsigned char>(s[1])) == 'O' &&
                     std::toupper(static_cast<unsigned char>(s[2])) == 'M' && s[3] != '0' &&
                     std::all_of(s.begin() + 3, s.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!com) return AnsiString("/dev/" + s);
    const int number = std::atoi(s.c_str() + 3);
    const char* configured = std::getenv(("GTI_COM" + std::to_string(number)).c_str());
    if (configured && *configured) {
        AnsiString path;
        if (station_name(configured, path)) return path;
    }
    const std::string serial = "/dev/ttyS" + std::to_string(number - 1);
    const std::string usb = "/dev/ttyUSB" + std::to_string(number - 1);
    return AnsiString(!file_exists(serial) && file_exists(usb) ? usb : serial);
}

serial_line::~serial_line() {
    close();
}

serial_open_status serial_line::open(const AnsiString& device) noexcept {
    if (is_open()) return serial_open_status::already_open;
    std::string path;
    try {
        path = native_path(device);
    } catch (...) {
        return serial_open_status::failed;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return serial_open_status::not_found;
        return errno == EBUSY ? serial_open_status::busy : serial_open_status::failed;
    }
    termios t;
    if (!::isatty(fd) || ::tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return serial_open_status::not_a_terminal;
    }
    // The exclusive hold: a lock on the device that every open of ours asks for (it holds for
    // the superuser too), and the terminal's own exclusive mode against other programs.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        return e == EWOULDBLOCK ? serial_open_status::busy : serial_open_status::failed;
    }
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    timeout_ms_ = 500;
    marks_ = (t.c_iflag & PARMRK) && !(t.c_iflag & ISTRIP);
    error_ = false;
    mark_state_ = 0;
    return serial_open_status::ok;
}

serial_open_status serial_line::open_pseudo_terminal(AnsiString& device) noexcept {
    if (is_open()) return serial_open_status::already_open;
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return serial_open_status::failed;
    char name[128];
    int peer = -1;
    termios t;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0 ||
        (peer = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0 || ::tcgetattr(peer, &t) != 0) {
        if (peer >= 0) ::close(peer);
        ::close(fd);
        return serial_open_status::failed;
    }
    ::cfmakeraw(&t);
    ::tcsetattr(peer, TCSANOW, &t);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (!station_name(name, device)) {
        ::close(peer);
        ::close(fd);
        return serial_open_status::failed;
    }
    fd_ = fd;
    peer_fd_ = peer;
    timeout_ms_ = 500;
    marks_ = false;
    error_ = false;
    mark_state_ = 0;
    return serial_open_status::ok;
}

void serial_line::close() noexcept {
    if (fd_ < 0) return;
    if (peer_fd_ < 0) ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    if (peer_fd_ >= 0) ::close(peer_fd_);
    fd_ = peer_fd_ = -1;
}

bool serial_line::set_line(int baud, serial_parity parity) noexcept {
    const speed_t speed = speed_of(baud);
    termios t;
    if (fd_ < 0 || speed == B0 || ::tcgetattr(fd_, &t) != 0) return false;
    ::cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    switch (parity) {
        case serial_parity::none:
            break;
        case serial_parity::odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case serial_parity::even:
            t.c_cflag |= PARENB;
            break;
        case serial_parity::mark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case serial_parity::space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
    }
    // Damaged bytes and breaks are marked in the stream (not dropped, not passed as data).
    t.c_iflag &= ~(IGNPAR | IGNBRK | BRKINT | ISTRIP | IXON | IXOFF | IXANY);
    t.c_iflag |= INPCK | PARMRK;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0 || ::tcsetattr(fd_, TCSANOW, &t) != 0)
        return false;
    // Bytes that came before the marks were asked for cannot be told from marks: they go.
    if (!marks_) ::tcflush(fd_, TCIFLUSH);
    marks_ = true;
    mark_state_ = 0;
    return true;
}

bool serial_line::set_read_timeout(int timeout_ms) noexcept {
    if (fd_ < 0 || timeout_ms < 0) return false;
    timeout_ms_ = timeout_ms;
    return true;
}

bool serial_line::set_queue_sizes(int, int) noexcept {
    return false;
}

std::int64_t serial_line::read(void* buffer, std::size_t count) noexcept {
    if (fd_ < 0 || error_) return -1;
    auto* out = static_cast<unsigned char*>(buffer);
    const bool forever = timeout_ms_ == 0;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms_);
    std::size_t got = 0;
    while (got < count) {
        // Never more raw bytes than the room left: the decoded bytes are never more than the raw.
        const ssize_t r = ::read(fd_, out + got, count - got);
        if (r > 0) {
            std::size_t n = static_cast<std::size_t>(r);
            if (marks_) n = detail::decode_marks(mark_state_, out + got, n, error_);
            if (error_) return -1;
            got += n;
            continue;
        }
        // Nothing there now: a terminal without a minimum count answers 0, a waiting one EAGAIN.
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN) return -1;
        const int events = wait_for(fd_, POLLIN, forever, deadline);
        if (events == 0) break;
        if (events < 0 || (events & (POLLHUP | POLLERR | POLLNVAL))) return -1;
    }
    return static_cast<std::int64_t>(got);
}

bool serial_line::write(const void* data, std::size_t count) noexcept {
    if (fd_ < 0) return false;
    const auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        const ssize_t r = ::write(fd_, p, count);
        if (r > 0) {
            p += r;
            count -= static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r == 0 || errno != EAGAIN) return false;
        const int events = wait_for(fd_, POLLOUT, true, clock::time_point{});
        if (events < 0 || !(events & POLLOUT)) return false;
    }
    return true;
}

bool serial_line::drain() noexcept {
    return fd_ >= 0 && ::tcdrain(fd_) == 0;
}

bool serial_line::set_rts(bool on) noexcept {
    int bits = TIOCM_RTS;
    return fd_ >= 0 && ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool serial_line::set_dtr(bool on) noexcept {
    int bits = TIOCM_DTR;
    return fd_ >= 0 && ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool serial_line::clear_errors(bool* had_error) noexcept {
    if (fd_ < 0) return false;
    if (had_error) *had_error = error_;
    error_ = false;
    return true;
}

}  // namespace lib::os
