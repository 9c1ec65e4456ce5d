// Mailslot notices: one-way text messages between the station's programs.
//
// A program that wants notices owns a ListeningMailSlot under a name and polls it; a program
// that announces something sends through a SenderMailSlot of that name. Nobody confirms receipt.
// Slot names are the same up to letter case; a name may be given bare ("gti_notify") or in the
// station's local path form ("\\.\mailslot\gti_notify").
//
// A notice on the wire is the text's bytes and one zero byte, nothing else:
//
//   +---------------------------+----+
//   | text (0 .. 4095 bytes)    | 00 |        local datagram, at most 4096 bytes
//   +---------------------------+----+
//
// A listener reads a message into a 4096-byte buffer, so a text of 4096 bytes or more does not
// fit: the sender refuses it, and a listener drops such a message from another sender (counting
// it in dropped()) instead of stalling on it.
//
// The network copy. Sending also puts a copy on the network when the application has given an
// address with set_mailslot_network (off by default). Its datagrams name their slot, so that one
// UDP port can serve every slot of a machine:
//
//   +----------------------+----+---------------------------+----+
//   | slot name, lower case| 00 | text (0 .. 4095 bytes)    | 00 |   UDP datagram
//   +----------------------+----+---------------------------+----+
//
// A listener takes network copies only after listen_network, and only those for its own name.
//
// Local delivery holds at most a few waiting messages per slot (the system's datagram queue,
// 10 by default on Linux); a sender waits up to 100 ms for room before it gives a notice up. Poll
// often, or wait(), to keep up with bursts.
//
// Nothing here throws: operations return false, zero or empty values.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib {

// The longest text a notice carries: a message with its zero byte fits 4096 bytes.
inline constexpr std::size_t mailslot_max_text = 4095;

// Sends the network copy of every notice of this program to the IPv4 address and UDP port
// given; a null or empty address switches the copy off (the default).
void set_mailslot_network(const char* address, unsigned short port);

// The slot that receives notices sent to its name.
class ListeningMailSlot {
public:
    // Creates the slot `path` (a bare name or the local path form). When the name is held by
    // another living listener or cannot be made, the slot is invalid and receives nothing.
    explicit ListeningMailSlot(const char* path);
    ~ListeningMailSlot();
    ListeningMailSlot(const ListeningMailSlot&) = delete;
    ListeningMailSlot& operator=(const ListeningMailSlot&) = delete;

    // True when the slot was created.
    bool valid() const noexcept { return local_ != os::invalid_socket; }
    // The slot's name as given, without the path prefix.
    const AnsiString& name() const noexcept { return name_; }

    // Also receives the network copies sent to this slot's name at an IPv4 address and UDP port
    // (port 0 takes a free one, see network_port()). False when it cannot be bound.
    bool listen_network(const char* address, unsigned short port);
    // The UDP port of listen_network, 0 when not listening on the network.
    unsigned short network_port() const noexcept { return net_port_; }

    // The number of messages waiting; 0 for an invalid slot.
    int get_mess_count();
    // Takes the next message: `out` becomes its text up to the first zero byte, or the empty text
    // when nothing waits. Never waits.
    void read_text(AnsiString& out);
    // Waits up to `timeout_ms` (-1: without limit) until a message waits; false when none came
    // (or a signal interrupted the wait).
    bool wait(int timeout_ms);
    // The number of messages too long to read that were dropped.
    unsigned dropped() const noexcept { return dropped_; }

private:
    void collect();

    AnsiString name_;
    os::socket_handle local_ = os::invalid_socket;
    os::socket_handle net_ = os::invalid_socket;
    unsigned short net_port_ = 0;
    std::deque<AnsiString> waiting_;
    unsigned dropped_ = 0;
};

// Sends notices to the slots of one name.
class SenderMailSlot {
public:
    // An open way to a slot: the socket, and whether it is the network copy's.
    struct handle {
        os::socket_handle socket = os::invalid_socket;
        bool network = false;
        // True when the way is open.
        bool valid() const noexcept { return socket != os::invalid_socket; }
    };

    // Sends to the slot `name` (bare or in the local path form).
    explicit SenderMailSlot(const char* name);

    // The slot's name without the path prefix.
    const AnsiString& get_slot_name() const noexcept { return slot_name; }

    // Opens the way to the local slot; invalid when no program listens on it.
    handle get_remote_local_handle() const;
    // Opens the way of the network copy; invalid when the copy is off.
    handle get_remote_net_handle() const;
    // Closes a way and makes it invalid.
    static void close_handle(handle& h) noexcept;

    // Sends the text through an open way. False when the text is too long (over
    // mailslot_max_text bytes) or the message was not sent.
    bool send_text(const AnsiString& text, const handle& h) const;
    // Sends the text to the local slot and, when set, as the network copy. True when the local
    // slot took it.
    bool send_text(const AnsiString& text) const;

private:
    AnsiString slot_name;
};

}  // namespace lib
