// Mailslot notices over datagram sockets.
#include "gti/comm/mailslot.h"

#include <array>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/platform/datagram.h"
#include "gti/platform/wakeup.h"

namespace lib {
namespace {

// The size of a message with its zero byte, at most.
constexpr std::size_t message_size = mailslot_max_text + 1;
// Messages taken from the system and not yet read, at most; more wait in the system's queue.
constexpr std::size_t max_collected = 1024;
// How long a sender waits for room in a full slot.
constexpr int send_wait_ms = 100;

struct network_target {
    std::mutex guard;
    std::string address;
    unsigned short port = 0;
};

network_target& network() {
    static network_target t;
    return t;
}

// The name without the local path prefix "\\.\mailslot\".
AnsiString bare_name(const char* path) {
    static constexpr std::string_view prefix = "\\\\.\\mailslot\\";
    const std::string_view p = path != nullptr ? path : "";
    if (p.size() >= prefix.size() && cp1251::equal_nocase(p.substr(0, prefix.size()), prefix))
        return AnsiString(p.substr(prefix.size()));
    return AnsiString(p);
}

// The text of a message: its bytes up to the first zero byte.
AnsiString text_of(const char* data, std::size_t size) {
    const void* zero = std::memchr(data, 0, size);
    return AnsiString(data, zero != nullptr ? static_cast<const char*>(zero) - data : size);
}

}  // namespace

void set_mailslot_network(const char* address, unsigned short port) {
    network_target& t = network();
    std::lock_guard g(t.guard);
    t.address = address != nullptr ? address : "";
    t.port = port;
}

ListeningMailSlot::ListeningMailSlot(const char* path) : name_(bare_name(path)), local_(os::local_slot_bind(name_)) {}

ListeningMailSlot::~ListeningMailSlot() {
    os::local_slot_release(local_, name_);
    os::close_socket(net_);
}

bool ListeningMailSlot::listen_network(const char* address, unsigned short port) {
    if (!valid()) return false;
    unsigned short bound = 0;
    const os::socket_handle s = os::udp_bind(address, port, bound);
    if (s == os::invalid_socket) return false;
    os::close_socket(net_);
    net_ = s;
    net_port_ = bound;
    return true;
}

void ListeningMailSlot::collect() {
    std::array<char, message_size> buffer;
    while (waiting_.size() < max_collected) {
        const std::int64_t n = os::datagram_receive(local_, buffer.data(), buffer.size());
        if (n < 0) break;
        if (static_cast<std::size_t>(n) > buffer.size()) {
            ++dropped_;
            continue;
        }
        waiting_.push_back(text_of(buffer.data(), static_cast<std::size_t>(n)));
    }
    if (net_ == os::invalid_socket) return;
    const std::string own = cp1251::to_lower(name_.view());
    std::vector<char> datagram(own.size() + 1 + message_size);
    while (waiting_.size() < max_collected) {
        const std::int64_t n = os::datagram_receive(net_, datagram.data(), datagram.size());
        if (n < 0) break;
        const auto size = static_cast<std::size_t>(n);
        // Copies for other slots share the port; those are not ours to count.
        if (size <= own.size() || std::memcmp(datagram.data(), own.data(), own.size()) != 0 ||
            datagram[own.size()] != '\0')
            continue;
        if (size > datagram.size()) {
            ++dropped_;
            continue;
        }
        waiting_.push_back(text_of(datagram.data() + own.size() + 1, size - own.size() - 1));
    }
}

int ListeningMailSlot::get_mess_count() {
    if (!valid()) return 0;
    collect();
    return static_cast<int>(waiting_.size());
}

void ListeningMailSlot::read_text(AnsiString& out) {
    out.clear();
    if (!valid()) return;
    if (waiting_.empty()) collect();
    if (waiting_.empty()) return;
    out = std::move(waiting_.front());
    waiting_.pop_front();
}

bool ListeningMailSlot::wait(int timeout_ms) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms);
    const std::array<int, 2> fds{local_, net_};
    const std::size_t count = net_ != os::invalid_socket ? 2 : 1;
    for (;;) {
        if (get_mess_count() > 0) return true;
        if (!valid()) return false;
        int left = -1;
        if (timeout_ms >= 0) {
            const auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (rest <= 0) return false;
            left = static_cast<int>(rest);
        }
        // A copy for another slot on the shared port wakes the wait too; then it goes on.
        if (!os::wait_readable(std::span<const int>(fds.data(), count), left)) return false;
    }
}

SenderMailSlot::SenderMailSlot(const char* name) : slot_name(bare_name(name)) {}

SenderMailSlot::handle SenderMailSlot::get_remote_local_handle() const {
    return handle{os::local_slot_connect(slot_name), false};
}

SenderMailSlot::handle SenderMailSlot::get_remote_net_handle() const {
    network_target& t = network();
    std::lock_guard g(t.guard);
    if (t.address.empty()) return {};
    return handle{os::udp_connect(t.address.c_str(), t.port), true};
}

void SenderMailSlot::close_handle(handle& h) noexcept {
    os::close_socket(h.socket);
    h.socket = os::invalid_socket;
}

bool SenderMailSlot::send_text(const AnsiString& text, const handle& h) const {
    if (!h.valid() || text.size() > mailslot_max_text) return false;
    std::string message;
    if (h.network) {
        message = cp1251::to_lower(slot_name.view());
        message.push_back('\0');
    }
    message += text.view();
    message.push_back('\0');
    return os::datagram_send(h.socket, message.data(), message.size(), send_wait_ms);
}

bool SenderMailSlot::send_text(const AnsiString& text) const {
    if (text.size() > mailslot_max_text) return false;
    handle local = get_remote_local_handle();
    const bool delivered = send_text(text, local);
    close_handle(local);
    handle net = get_remote_net_handle();
    send_text(text, net);
    close_handle(net);
    return delivered;
}

}  // namespace lib
