// Datagram sockets: the channel under the station's mailslot notices.
//
// A local slot is a Unix datagram socket whose file lives in the user's own folder, the one of the
// named locks ($XDG_RUNTIME_DIR, else a folder "gtikit-<uid>" of mode 0700 in the temporary
// folder, passed over for "gtikit-<uid>-1", ... when a link or another's folder stands there). Its file
// name is "gtikit-slot-" followed by the slot name in lower case (names are the same up to letter
// case, as the station's are), with every byte other than a Latin letter, a digit, ".", "_" and
// "-" written as "%" and two hex digits; a name whose path would not fit a socket address is
// refused. One program at a time binds a name; the file of a program that died is taken over.
//
// On Windows a local slot is a mailslot ("\\.\mailslot\gtikit\" and the name spelt as above).
//
// The network copy travels as UDP datagrams to an address the application chooses. A datagram is
// always sent and received whole. Functions never throw; failures give invalid_socket, -1 or
// false. Close the sockets with close_socket (gti/platform/os.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gti/platform/ansi_string.h"
#include "gti/platform/os.h"

namespace lib::os {

// The path of the socket file of a local slot, or the empty string when the name is too long
// for a socket address or the runtime folder cannot be had.
std::string local_slot_path(const AnsiString& name);

// Binds the local slot `name` for receiving, non-blocking. invalid_socket when another living
// program holds the name or the socket cannot be made.
socket_handle local_slot_bind(const AnsiString& name) noexcept;

// Closes a socket made by local_slot_bind and removes its file.
void local_slot_release(socket_handle s, const AnsiString& name) noexcept;

// A socket for sending to the local slot `name`; invalid_socket when nobody has bound it.
socket_handle local_slot_connect(const AnsiString& name) noexcept;

// Binds a UDP socket for receiving, non-blocking, on an IPv4 address (such as "127.0.0.1") and
// port; port 0 takes a free one, and `bound_port` receives the port in use.
socket_handle udp_bind(const char* address, unsigned short port, unsigned short& bound_port) noexcept;

// A UDP socket that sends to an IPv4 address and port.
socket_handle udp_connect(const char* address, unsigned short port) noexcept;

// Sends `count` bytes as one datagram on a connected socket. When the receiver's queue is full,
// waits up to `timeout_ms` for room. False when the datagram was not sent.
bool datagram_send(socket_handle s, const void* data, std::size_t count, int timeout_ms) noexcept;

// Takes the next waiting datagram without waiting: copies up to `capacity` bytes of it and returns
// its whole length, which exceeds `capacity` when the rest was cut off (the datagram is consumed
// either way); -1 when nothing waits.
std::int64_t datagram_receive(socket_handle s, void* buffer, std::size_t capacity) noexcept;

}  // namespace lib::os
