// The serial port of the measuring unit and its packet protocol.
//
// The unit and the station exchange fixed packets of 14 bytes, each announced by a two-letter
// pattern. Every packet carries eight data bytes with an additive checksum and a Hamming check
// nibble per byte, which corrects any single-bit error in a data byte:
//
//   offset  0       1          2 ........ 9      10   11   12   13
//         +-------+----------+----------------+----+----+----+----+
//         |HHHHNNNN| checksum | D0 D1 ... D7   |D0D1|D2D3|D4D5|D6D7|  check nibbles, high|low
//         +-------+----------+----------------+----+----+----+----+
//           N: packet number in its train (0..15); H: the same in every packet of a train
//
// On the line the data bytes D0..D7 are bit-interleaved (the 8x8 bit matrix transposed), so a
// burst that destroys one byte on the line damages one bit of every data byte instead.
//
//   "SP" + packet   unit -> station: a packet (read_packet, read_data2)
//   "DP" + packet   station -> unit: a packet of a train (send_data2)
//   "CF" "CF"       receiver -> sender: the train came whole
//
// A train carries a buffer of up to 127 bytes as n / 8 + 1 packets numbered 0, 1, ...: eight
// bytes each, the rest of the last packet filled with zeros (so 16 bytes take three packets).
//
// Nothing here throws: operations return false (a closed port makes every one do so) and the
// port counts corrected and uncorrected packets. Line failures sound short beeps (lib::beep).
#pragma once

#include "gti/platform/ansi_string.h"
#include "gti/platform/serial_line.h"

// One packet of the protocol, 14 bytes as laid out above.
struct CommPacket {
    unsigned char header = 0;  // low half: packet number; high half: the train's mark
    unsigned char summ = 0;    // get_contol_summ() of the packet as sent, before interleaving
    unsigned char data[8] = {};
    unsigned char hamming[4] = {};  // check nibbles: byte k holds D(2k) high, D(2k+1) low

    // Transposes the 8x8 bit matrix of the data bytes: new D(i) bit (7 - j) = old D(j) bit
    // (7 - i). Its own inverse; the other bytes are not touched.
    void change_bits();

    // The checksum: 0x55 + header, plus (W rem 3000) - (W quot 3000) for each signed
    // little-endian word W of the data (truncating division), modulo 256.
    unsigned char get_contol_summ() const;
};
static_assert(sizeof(CommPacket) == 14, "a packet is 14 bytes on the line");

// A serial port and the packet protocol over it. One thread at a time.
class CommPort {
public:
    CommPort() = default;
    virtual ~CommPort();
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;

    // ---- the port --------------------------------------------------------------------------

    // Opens a port exclusively ("COM1" or a device path, see gti/platform/serial_line.h); false
    // when it is open already or the device cannot be had (get_open_status tells why).
    bool open(const AnsiString& name);
    // Why the last open failed (ok after a successful one).
    lib::os::serial_open_status get_open_status() const { return open_status; }
    // Sets the line (8 data bits, 1 stop bit; parity 0 none, 1 odd, 2 even, 3 mark, 4 space)
    // and the total time-out of every read in ms (0: none). in_queue -1 leaves the queues as
    // they are. False when the port is closed or the rate, parity or time-out is refused.
    bool configure(int baud, int parity, int timeout_ms, int in_queue);
    // Closes the port.
    void close();
    // Closes and opens the port again with the last name, rate, parity and read_timeout; true
    // when the port was open on entry (check is_open for the result of the new open).
    bool reopen();
    // True while the port is open.
    bool is_open() const { return line.is_open(); }

    // Writes n bytes; no time-out.
    bool write(const void* buf, int n);
    // Reads up to n bytes within the time-out; sets timed_out when fewer came, stores the count
    // through got. A failure of the line reopens the port, beeps (1000 Hz, 20 ms), gives false.
    bool read(void* buf, int n, int* got);
    // One byte: 0..255; 512 when none came in time; 256 when the line failed (its error state
    // is cleared) or the port is closed.
    int read_byte();
    // Reads n bytes one by one; false at the first that does not come in time; a failed byte
    // is stored as 0. `got` is not written.
    bool smart_read(void* buf, int n, int* got);
    // Waits until everything written has left the driver.
    bool flush();
    // Raise and drop the RTS and DTR lines.
    bool set_rts();
    bool clear_rts();
    bool set_dtr();
    bool clear_dtr();

    // Set both error counters to 0.
    void reset_error_counters();
    // Packets repaired by their check nibbles.
    int get_corrected_error_counter() const { return corrected_errors; }
    // Packets refused as damaged beyond repair.
    int get_uncorrected_error_counter() const { return uncorrected_errors; }

    // ---- the protocol ----------------------------------------------------------------------

    // Reads the bytes of a zero-terminated pattern one at a time; false at the first byte that
    // differs (no hunting: the caller tries again), when none comes in time (timed_out set), or
    // when the line fails (reopen, beep 1000 Hz 5 ms, 10 ms pause).
    bool synchronize(const char* pattern);
    // The check nibble of a byte: 0x0F xor the xor of the positions (1..8) of its set bits.
    static char calculate_hamming_code(char b);
    // A byte repaired by its check nibble: a syndrome 1..8 names the bit to invert; 9..15 leave
    // it as it is.
    static char correct_byte(char b, char check);
    // Repairs every data byte of a packet by its check nibble.
    static void correct_packet(CommPacket& packet);
    // How a received packet fared.
    enum class packet_check { intact, repaired, damaged };
    // Judges a received packet (interleaving undone) by both its codes and repairs it in place.
    // The checksum cannot see a flipped bit in the high byte of a data word (that changes the
    // word by a multiple of 256), and the check nibbles do not protect themselves, so: a packet
    // whose nibbles find nothing is intact when its checksum agrees; one whose nibbles find
    // errors is repaired when the repaired bytes agree with the checksum, kept as it came when
    // only its own bytes agree (a damaged nibble), and refused when both agree and every
    // repair could as well be a damaged nibble (1, 2, 4 or 8): such a packet cannot be told.
    static packet_check check_packet(CommPacket& packet);
    // Waits for "SP" and reads one packet; judged by check_packet, a repaired one counts in
    // corrected_errors, a damaged one in uncorrected_errors (beep 3000 Hz 50 ms, false). A
    // packet cut short by the time-out is refused with timed_out set.
    bool read_packet(CommPacket& packet);
    // Receives a train into buf (n <= 127 bytes) and confirms it with "CF" twice. False, with
    // nothing confirmed, at the first time-out, after 5 bad packets, after 64 packets without a
    // whole train, or when the packets that came are not exactly those numbered 0 .. n / 8.
    bool read_data2(void* buf, int n);
    // Sends buf (n <= 127 bytes) as a train of "DP" packets, 10 ms apart; no confirmation is
    // awaited. False for a larger n or when the line refuses a write.
    bool send_data2(const void* buf, int n);

    // ---- state -----------------------------------------------------------------------------

    int baud = 0;                // rate of the last configure
    int parity = 0;              // parity code of the last configure
    AnsiString port_name;        // name of the last successful open
    int corrected_errors = 0;    // packets repaired
    int uncorrected_errors = 0;  // packets refused
    int read_timeout = 500;      // time-out (ms) that reopen restores
    bool timed_out = false;      // a read got fewer bytes than asked; cleared by read_data2 or by you

private:
    lib::os::serial_line line;
    lib::os::serial_open_status open_status = lib::os::serial_open_status::ok;
};
