// The operating-system layer for serial lines: a terminal device (a COM port, a USB adapter, a
// pseudo-terminal) driven in blocking style with a total time-out per read.
//
// A line is opened exclusively: a second open of the same device, by this program or another,
// is refused while the first is open. Reads wait at most the configured time-out for all the
// bytes asked for and return what came; writes have no time-out. After a framing or parity
// error or a break on the line, reads fail until clear_errors() is called, so that a damaged
// byte never passes for data.
//
// Port names: a path is used as it is. "COM1", "COM2", ... (also "\\.\COM1") name the device
// that the environment variable GTI_COM1, GTI_COM2, ... holds; without it, /dev/ttyS0,
// /dev/ttyS1, ... when that device exists, else /dev/ttyUSB0, /dev/ttyUSB1, ... Any other name
// is taken as a device under /dev ("ttyACM0"). On Windows "COMn" is the port "\\.\COMn" and
// any other name is used as it is; there are no pseudo-terminals there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gti/platform/ansi_string.h"

namespace lib::os {

// Parity of the line; every setting has 8 data bits and 1 stop bit.
enum class serial_parity { none, odd, even, mark, space };

// The outcome of opening a line.
enum class serial_open_status {
    ok,
    not_found,       // no such device
    busy,            // the device is open elsewhere (exclusively)
    not_a_terminal,  // the path names something that is not a terminal device
    failed,          // any other refusal of the system (permissions, too many files)
    already_open,    // this line object holds a device already
};

// A short English text for a status ("not a terminal"), for messages that name the device.
const char* serial_open_text(serial_open_status status) noexcept;

// The device a port name stands for (see the top of this header).
AnsiString serial_device_path(const AnsiString& name);

// One open serial line. Every call returns false, -1 or nothing when the line is closed.
class serial_line {
public:
    serial_line() = default;
    ~serial_line();
    serial_line(const serial_line&) = delete;
    serial_line& operator=(const serial_line&) = delete;

    // Opens an existing terminal device for reading and writing, exclusively. The device keeps
    // its previous line settings until set_line; the read time-out is 500 ms until changed.
    serial_open_status open(const AnsiString& device) noexcept;

    // Makes this line the controlling side of a new pseudo-terminal pair in raw mode and
    // returns the path of the other side in `device`: a program opens that path as its serial
    // port, and what it writes is read here. The pair lives until close().
    serial_open_status open_pseudo_terminal(AnsiString& device) noexcept;

    // True while a device is open.
    bool is_open() const noexcept { return fd_ >= 0; }

    // Gives the device up (and the exclusive hold with it); closing a closed line does nothing.
    void close() noexcept;

    // Sets the speed (one of the standard rates 110 ... 921600 baud), 8 data bits, 1 stop bit
    // and the parity, turns parity and framing checks on and hardware flow control off. The
    // first call after open discards the bytes that came under the device's earlier settings.
    // False for another rate or when the system refuses.
    bool set_line(int baud, serial_parity parity) noexcept;

    // The total time a read may wait, in ms; 0 waits without limit. False for a negative value.
    bool set_read_timeout(int timeout_ms) noexcept;

    // Asks for driver queues of the given sizes. On Windows the driver is asked (SetupComm); the
    // POSIX drivers keep buffers of their own size: nothing changes there and the answer is false.
    bool set_queue_sizes(int in_bytes, int out_bytes) noexcept;

    // Reads up to `count` bytes, waiting at most the read time-out for all of them. Returns the
    // bytes read (fewer than `count` when the time ran out, 0 when nothing came) or -1 when the
    // system fails, the other side has hung up or a line error is pending (one arriving during
    // the read leaves it pending and fails the read).
    std::int64_t read(void* buffer, std::size_t count) noexcept;

    // Writes all `count` bytes, waiting as long as the driver needs (no time-out). False when
    // the system refuses.
    bool write(const void* data, std::size_t count) noexcept;

    // Waits until everything written has left the driver.
    bool drain() noexcept;

    // Raises (true) or drops the RTS line; false where the device has no modem lines (a
    // pseudo-terminal).
    bool set_rts(bool on) noexcept;
    // Raises (true) or drops the DTR line; false where the device has no modem lines.
    bool set_dtr(bool on) noexcept;

    // Clears a pending line error so that reads go on; `had_error` (when not null) tells whether
    // one was pending. False when the line is closed.
    bool clear_errors(bool* had_error = nullptr) noexcept;

private:
    int fd_ = -1;
    int peer_fd_ = -1;  // the other side of a pseudo-terminal pair, held open while it lives
    int timeout_ms_ = 500;
    bool marks_ = false;  // the driver marks line errors in the byte stream
    bool error_ = false;  // a line error is pending
    int mark_state_ = 0;  // bytes of an error mark seen at the end of the last read
};

}  // namespace lib::os
