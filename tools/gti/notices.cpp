#include "notices.h"

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "gti/comm/mailslot.h"
#include "gti/plugins/plugin_manager.h"
#include "output.h"

namespace gti_tool {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void on_interrupt(int) {
    interrupted = 1;
}

// ADDRESS:PORT of --udp.
struct udp_address {
    std::string address;
    unsigned short port = 0;
};

udp_address parse_udp(const AnsiString& text) {
    const std::string s = text.str();
    const std::size_t colon = s.rfind(':');
    udp_address a;
    if (colon != std::string::npos && colon > 0) {
        a.address = s.substr(0, colon);
        const std::string port = s.substr(colon + 1);
        if (!port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos &&
            std::stoul(port) <= 65535) {
            a.port = static_cast<unsigned short>(std::stoul(port));
            return a;
        }
    }
    throw std::runtime_error("--udp takes ADDRESS:PORT, such as 127.0.0.1:7500, not '" + s + "'");
}

// Splits the arguments into the plain ones and the values of --udp and --count; --json sets `json`.
std::vector<AnsiString> options(const std::vector<AnsiString>& args, AnsiString* udp, AnsiString* count, bool* json) {
    std::vector<AnsiString> plain;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (json != nullptr && args[i] == "--json") {
            *json = true;
        } else if ((args[i] == "--udp" && udp != nullptr) || (args[i] == "--count" && count != nullptr)) {
            if (i + 1 == args.size()) throw std::runtime_error(args[i].str() + " needs a value");
            AnsiString* target = args[i] == "--udp" ? udp : count;
            *target = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') {
            throw std::runtime_error("unknown option " + args[i].str());
        } else {
            plain.push_back(args[i]);
        }
    }
    return plain;
}

// Prints why the manager skipped libraries as it goes.
class plugin_lister : public lib::PluginManager {
public:
    int skipped = 0;

protected:
    void after_load_item(lib::PluginBase* plugin, int) override { say(get_file(index_of_plugin(plugin)) + ": loads"); }
    void item_skipped(const AnsiString& file, skip_reason why, const AnsiString& detail) override {
        static const char* const reasons[] = {
            "skipped: a library named convlibrary is never loaded",
            "skipped: the system cannot load it",
            "skipped: it has no entry point _reg_plugin",
            "skipped: it declined to load",
            "skipped: its registration threw",
            "its destructor threw; the library was released",
        };
        AnsiString line = file + ": " + reasons[static_cast<int>(why)];
        if (!detail.empty()) line += " (" + detail + ")";
        say(line);
        if (why != skip_reason::destructor_threw) ++skipped;
    }
};

}  // namespace

int notify_command(const std::vector<AnsiString>& args) {
    AnsiString udp;
    const std::vector<AnsiString> plain = options(args, &udp, nullptr, nullptr);
    if (plain.size() != 2) throw std::runtime_error("notify takes a slot name and a text");
    if (plain[1].size() > lib::mailslot_max_text)
        throw std::runtime_error("a notice holds at most " + std::to_string(lib::mailslot_max_text) + " bytes");
    if (!udp.empty()) {
        const udp_address a = parse_udp(udp);
        lib::set_mailslot_network(a.address.c_str(), a.port);
    }
    if (lib::SenderMailSlot(plain[0].c_str()).send_text(plain[1])) return 0;
    if (!udp.empty()) return 0;  // the network copy is on its way; nobody confirms it
    throw std::runtime_error("no program listens on the slot '" + plain[0].str() + "'");
}

int listen_command(const std::vector<AnsiString>& args) {
    AnsiString udp, count_text;
    bool json = false;
    const std::vector<AnsiString> plain = options(args, &udp, &count_text, &json);
    if (plain.size() != 1) throw std::runtime_error("listen takes a slot name");
    long count = -1;
    if (!count_text.empty()) {
        const std::string c = count_text.str();
        if (c.size() > 9 || c.find_first_not_of("0123456789") != std::string::npos || std::stol(c) == 0)
            throw std::runtime_error("--count takes a positive number, not '" + c + "'");
        count = std::stol(c);
    }
    lib::ListeningMailSlot slot(plain[0].c_str());
    if (!slot.valid())
        throw std::runtime_error("cannot listen on the slot '" + plain[0].str() + "': another program holds it");
    if (!udp.empty()) {
        const udp_address a = parse_udp(udp);
        if (!slot.listen_network(a.address.c_str(), a.port)) throw std::runtime_error("cannot receive on " + udp.str());
    }
#ifdef _WIN32
    // Windows runs the handler on a thread of its own, which ends no wait: the wait is cut into
    // short slices that look at the flag.
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    constexpr int wait_ms = 200;
#else
    struct sigaction action {};
    action.sa_handler = on_interrupt;  // no SA_RESTART: the wait ends at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    constexpr int wait_ms = -1;
#endif
    while (!interrupted && count != 0) {
        if (!slot.wait(wait_ms)) continue;
        while (count != 0 && slot.get_mess_count() > 0) {
            AnsiString text;
            slot.read_text(text);
            if (json)
                std::printf("{\"slot\": %s, \"text\": %s}\n", json_string(slot.name()).c_str(),
                            json_string(text).c_str());
            else
                std::printf("%s\n", u8(text).c_str());
            std::fflush(stdout);
            if (count > 0) --count;
        }
    }
    return 0;
}

int plugins_command(const std::vector<AnsiString>& args) {
    if (args.size() != 1) throw std::runtime_error("plugins takes a folder");
    plugin_lister lister;
    lister.load(args[0]);
    const int loaded = lister.size();
    lister.free();
    say(std::to_string(loaded) + " plug-ins load, " + std::to_string(lister.skipped) + " libraries skipped");
    return 0;
}

}  // namespace gti_tool
