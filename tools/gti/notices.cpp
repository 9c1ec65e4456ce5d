#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "gti/platform/cp_literal.h"

using namespace lib::literals;
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

struct notice_options {
    std::string slot, text, udp;
    long count = -1;
    bool json = false;
};

// Prints why the manager skipped libraries as it goes.
class plugin_lister : public lib::PluginManager {
public:
    int skipped = 0;

protected:
    void after_load_item(lib::PluginBase* plugin, int) override {
        say(get_file(index_of_plugin(plugin)) + tr(": loads", ": загружается"_cp));
    }
    void item_skipped(const AnsiString& file, skip_reason why, const AnsiString& detail) override {
        static const AnsiString reasons[] = {
            tr("skipped: a library named convlibrary is never loaded",
               "пропущена: библиотека с именем convlibrary не загружается"_cp),
            tr("skipped: the system cannot load it", "пропущена: система не может её загрузить"_cp),
            tr("skipped: it has no entry point _reg_plugin", "пропущена: в ней нет точки входа _reg_plugin"_cp),
            tr("skipped: it declined to load", "пропущена: она отказалась загружаться"_cp),
            tr("skipped: its registration threw", "пропущена: её регистрация бросила исключение"_cp),
            tr("its destructor threw; the library was released",
               "её деструктор бросил исключение; библиотека выгружена"_cp),
        };
        AnsiString line = file + ": " + reasons[static_cast<int>(why)];
        if (!detail.empty()) line += " (" + detail + ")";
        say(line);
        if (why != skip_reason::destructor_threw) ++skipped;
    }
};

int notify_command(const notice_options& o) {
    const AnsiString udp = station(o.udp);
    const std::vector<AnsiString> plain{station(o.slot), station(o.text)};
    if (plain[1].size() > lib::mailslot_max_text)
        throw std::runtime_error((tr("a notice holds at most ", "сообщение вмещает не больше "_cp) +
                                  AnsiString(std::to_string(lib::mailslot_max_text)) + tr(" bytes", " байт"_cp))
                                     .str());
    if (!udp.empty()) {
        const udp_address a = parse_udp(udp);
        lib::set_mailslot_network(a.address.c_str(), a.port);
    }
    if (lib::SenderMailSlot(plain[0].c_str()).send_text(plain[1])) return 0;
    if (!udp.empty()) return 0;  // the network copy is on its way; nobody confirms it
    throw std::runtime_error(
        (tr("no program listens on the slot '", "ни одна программа не слушает ящик '"_cp) + plain[0] + "'").str());
}

int listen_command(const notice_options& o) {
    const AnsiString udp = station(o.udp);
    const bool json = o.json;
    const std::vector<AnsiString> plain{station(o.slot)};
    long count = o.count;
    lib::ListeningMailSlot slot(plain[0].c_str());
    if (!slot.valid())
        throw std::runtime_error((tr("cannot listen on the slot '", "невозможно слушать ящик '"_cp) + plain[0] +
                                  tr("': another program holds it", "': его держит другая программа"_cp))
                                     .str());
    if (!udp.empty()) {
        const udp_address a = parse_udp(udp);
        if (!slot.listen_network(a.address.c_str(), a.port))
            throw std::runtime_error((tr("cannot receive on ", "невозможно принимать на "_cp) + udp).str());
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
                std::printf("%s\n",
                            json_value{{"slot", json_text(slot.name())}, {"text", json_text(text)}}.dump().c_str());
            else
                std::printf("%s\n", u8(text).c_str());
            std::fflush(stdout);
            if (count > 0) --count;
        }
    }
    return 0;
}

int plugins_command(const std::string& folder) {
    plugin_lister lister;
    lister.load(file_argument(folder));
    const int loaded = lister.size();
    lister.free();
    say(AnsiString(std::to_string(loaded)) + tr(" plug-ins load, ", " модулей загружается, "_cp) +
        AnsiString(std::to_string(lister.skipped)) + tr(" libraries skipped", " библиотек пропущено"_cp));
    return 0;
}

}  // namespace

void add_notice_commands(CLI::App& tool) {
    auto notify = std::make_shared<notice_options>();
    CLI::App* n = add_command(tool, "notify",
                              help_text("send a notice to the programs listening on a slot",
                                        "послать сообщение программам, слушающим ящик"_cp),
                              [notify] { return notify_command(*notify); });
    add_details(
        n, help_text("Fails when nobody listens locally; with --udp a network copy goes to that address as well.",
                     "Ошибка, если на этой машине никто не слушает; с --udp копия уходит и по сети на этот адрес."_cp));
    n->add_option("slot", notify->slot, help_text("the slot's name", "имя ящика"_cp))->required();
    n->add_option("text", notify->text, help_text("the notice", "сообщение"_cp))->required();
    n->add_option("--udp", notify->udp,
                  help_text("also send a network copy to ADDRESS:PORT", "послать и сетевую копию на АДРЕС:ПОРТ"_cp))
        ->type_name("ADDRESS:PORT");
    auto listen = std::make_shared<notice_options>();
    CLI::App* l = add_command(
        tool, "listen",
        help_text("print the notices sent to a slot as they arrive", "выводить сообщения ящика по мере прихода"_cp),
        [listen] { return listen_command(*listen); });
    add_details(
        l, help_text("One a line (--json: one JSON object a line), until interrupted or --count have come.",
                     "По одному в строке (--json: объект JSON в строке), пока не прервут или не придёт --count."_cp));
    l->add_option("slot", listen->slot, help_text("the slot's name", "имя ящика"_cp))->required();
    l->add_option("--count", listen->count, help_text("stop after N notices", "остановиться после N сообщений"_cp))
        ->check(CLI::Range(1L, 999999999L));
    l->add_option("--udp", listen->udp,
                  help_text("also take network copies at ADDRESS:PORT", "принимать и сетевые копии на АДРЕС:ПОРТ"_cp))
        ->type_name("ADDRESS:PORT");
    add_json(l, listen->json);
    auto folder = std::make_shared<std::string>();
    CLI::App* p = add_command(tool, "plugins",
                              help_text("which plug-in libraries of a folder would load, and why others not",
                                        "какие модули папки загрузятся и почему другие нет"_cp),
                              [folder] { return plugins_command(*folder); });
    p->add_option("folder", *folder, help_text("the plug-in folder", "папка модулей"_cp))->required();
}

}  // namespace gti_tool
