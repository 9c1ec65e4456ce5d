// Win32 serial lines: a COM port opened with CreateFileW, set up through a DCB and timed through
// COMMTIMEOUTS.
//
// The port is opened without sharing, so a second open is refused while the first lives. With
// fAbortOnError set, the driver fails every read after a framing or parity error or a break until
// ClearCommError is called, which is the contract of clear_errors. Windows has no
// pseudo-terminals.
#include "gti/platform/serial_line.h"

#include <io.h>

#include <algorithm>
#include <cctype>

#include "gti/platform/os.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

HANDLE port_of(int fd) {
    return detail::handle_of(fd);
}

bool is_standard_rate(int baud) {
    static constexpr int rates[] = {110,   300,   600,   1200,   2400,   4800,   9600,
                                    19200, 38400, 57600, 115200, 230400, 460800, 921600};
    return std::find(std::begin(rates), std::end(rates), baud) != std::end(rates);
}

}  // namespace

AnsiString serial_device_path(const AnsiString& name) {
    std::string s = name.str();
    if (s.find_first_of("/\\") != std::string::npos) return name;
    const bool com = s.size() > 3 && s.size() <= 6 && std::toupper(static_cast<unsigned char>(s[0])) == 'C' &&
                     std::toupper(static_cast<unsigned char>(s[1])) == 'O' &&
                     std::toupper(static_cast<unsigned char>(s[2])) == 'M' && s[3] != '0' &&
                     std::all_of(s.begin() + 3, s.end(), [](char c) { return c >= '0' && c <= '9'; });
    // "\\.\COM10" reaches ports past COM9 too, which the bare name does not.
    return com ? AnsiString("\\\\.\\" + s) : name;
}

serial_line::~serial_line() {
    close();
}

serial_open_status serial_line::open(const AnsiString& device) noexcept {
    if (fd_ >= 0) return serial_open_status::already_open;
    try {
        const HANDLE h = CreateFileW(detail::wide(native_path(device)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD e = GetLastError();
            return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)     ? serial_open_status::not_found
                   : (e == ERROR_ACCESS_DENIED || e == ERROR_SHARING_VIOLATION) ? serial_open_status::busy
                                                                                : serial_open_status::failed;
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (GetFileType(h) != FILE_TYPE_CHAR || !GetCommState(h, &dcb)) {
            CloseHandle(h);
            return serial_open_status::not_a_terminal;
        }
        fd_ = detail::adopt(h);
        if (fd_ < 0) return serial_open_status::failed;
        error_ = false;
        marks_ = false;
        set_read_timeout(500);
        return serial_open_status::ok;
    } catch (...) {
        return serial_open_status::failed;
    }
}

serial_open_status serial_line::open_pseudo_terminal(AnsiString&) noexcept {
    return fd_ >= 0 ? serial_open_status::already_open : serial_open_status::failed;
}

void serial_line::close() noexcept {
    if (fd_ >= 0) _close(fd_);
    fd_ = -1;
    peer_fd_ = -1;
}

bool serial_line::set_line(int baud, serial_parity parity) noexcept {
    if (fd_ < 0 || !is_standard_rate(baud)) return false;
    const HANDLE h = port_of(fd_);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) return false;
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.StopBits = ONESTOPBIT;
    dcb.Parity = parity == serial_parity::odd     ? ODDPARITY
                 : parity == serial_parity::even  ? EVENPARITY
                 : parity == serial_parity::mark  ? MARKPARITY
                 : parity == serial_parity::space ? SPACEPARITY
                                                  : NOPARITY;
    dcb.fBinary = TRUE;
    dcb.fParity = parity != serial_parity::none;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fAbortOnError = TRUE;
    if (!SetCommState(h, &dcb)) return false;
    // The first setting discards what came under the device's earlier one.
    if (!marks_) PurgeComm(h, PURGE_RXCLEAR);
    marks_ = true;
    return true;
}

bool serial_line::set_read_timeout(int timeout_ms) noexcept {
    if (timeout_ms < 0) return false;
    timeout_ms_ = timeout_ms;
    if (fd_ < 0) return true;
    // A total time-out for the whole read; all zeros waits until every byte has come.
    COMMTIMEOUTS t{};
    t.ReadTotalTimeoutConstant = static_cast<DWORD>(timeout_ms);
    return SetCommTimeouts(port_of(fd_), &t) != 0;
}

bool serial_line::set_queue_sizes(int in_bytes, int out_bytes) noexcept {
    if (fd_ < 0 || in_bytes <= 0 || out_bytes <= 0) return false;
    return SetupComm(port_of(fd_), static_cast<DWORD>(in_bytes), static_cast<DWORD>(out_bytes)) != 0;
}

std::int64_t serial_line::read(void* buffer, std::size_t count) noexcept {
    if (fd_ < 0 || error_) return -1;
    DWORD n = 0;
    const DWORD want = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    if (!ReadFile(port_of(fd_), buffer, want, &n, nullptr)) {
        // fAbortOnError: a line error stops reads until clear_errors.
        if (GetLastError() == ERROR_OPERATION_ABORTED) error_ = true;
        return -1;
    }
    return n;
}

bool serial_line::write(const void* data, std::size_t count) noexcept {
    if (fd_ < 0) return false;
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        DWORD n = 0;
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        if (!WriteFile(port_of(fd_), p, chunk, &n, nullptr) || n == 0) return false;
        p += n;
        count -= n;
    }
    return true;
}

bool serial_line::drain() noexcept {
    return fd_ >= 0 && FlushFileBuffers(port_of(fd_)) != 0;
}

bool serial_line::set_rts(bool on) noexcept {
    return fd_ >= 0 && EscapeCommFunction(port_of(fd_), on ? SETRTS : CLRRTS) != 0;
}

bool serial_line::set_dtr(bool on) noexcept {
    return fd_ >= 0 && EscapeCommFunction(port_of(fd_), on ? SETDTR : CLRDTR) != 0;
}

bool serial_line::clear_errors(bool* had_error) noexcept {
    if (fd_ < 0) return false;
    DWORD errors = 0;
    COMSTAT status{};
    const bool ok = ClearCommError(port_of(fd_), &errors, &status) != 0;
    if (had_error != nullptr) *had_error = error_ || errors != 0;
    error_ = false;
    mark_state_ = 0;
    return ok;
}

}  // namespace lib::os
