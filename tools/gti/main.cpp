// gti: the station library's command-line tool.
//
// All text it prints is UTF-8; the command line is UTF-8 too. File names keep every character
// the system allows; other texts are turned into station text (code page 1251) on the way in.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "commands.h"
#include "gti/platform/cp_literal.h"
#ifdef _WIN32
#include "wide_arguments.h"
#endif

using namespace lib::literals;

namespace gti_tool {

std::unique_ptr<CLI::App> make_tool() {
    auto tool =
        std::make_unique<CLI::App>(help_text("the mud-logging station's data files, archives, serial line and notices",
                                             "файлы данных станции ГТИ, архивы, последовательная линия и сообщения"_cp),
                                   "gti");
    tool->require_subcommand(0, 1);
    // Options begin with "-" on every system: on Windows "/path" is a file, not an option.
    tool->allow_windows_style_options(false);
    set_words(tool.get());
    tool->get_formatter()->column_width(34);
    const auto formatter = tool->get_formatter();
    formatter->label("Usage", help_text("Usage", "Вызов"_cp));
    formatter->label("Positionals", help_text("Arguments", "Аргументы"_cp));
    formatter->label("OPTIONS", help_text("OPTIONS", "КЛЮЧИ"_cp));
    formatter->label("REQUIRED", help_text("REQUIRED", "ОБЯЗАТЕЛЕН"_cp));
    formatter->label("Excludes", help_text("Excludes", "Исключает"_cp));
    formatter->label("Needs", help_text("Needs", "Требует"_cp));
    add_demo_command(*tool);
    add_info_command(*tool);
    add_convert_command(*tool);
    add_merge_command(*tool);
    add_las_command(*tool);
    add_params_commands(*tool);
#ifdef GTI_WITH_UI
    add_plot_command(*tool);
#endif
    add_archive_command(*tool);
    add_serial_commands(*tool);
    add_notice_commands(*tool);

    CLI::App* const app = tool.get();
    struct help_options {
        bool man = false;
        std::string topic;
        std::string shell;
    };
    auto o = std::make_shared<help_options>();
    CLI::App* help = add_command(
        *tool, "help",
        help_text("help on the tool or a command; --man: the manual page (roff)",
                  "справка о программе или команде; --man: страница руководства (roff)"_cp),
        [app, o] {
            const CLI::App* about = o->topic.empty() ? app : app->get_subcommand(o->topic);
            std::fputs(o->man ? man_page(*app).c_str() : about->help(o->topic.empty() ? "" : "gti").c_str(), stdout);
            return 0;
        });
    help->add_option("command", o->topic, help_text("the command", "команда"_cp))
        ->check([app](const std::string& name) {
            for (const CLI::App* c : app->get_subcommands({}))
                if (c->get_name() == name) return std::string();
            return "no command " + name;
        });
    help->add_flag(
        "--man", o->man,
        help_text("the manual page of the whole tool, in roff", "страница руководства всей программы, в roff"_cp));
    CLI::App* completion = add_command(
        *tool, "completion",
        help_text("the shell completion script (bash)", "сценарий дополнения для оболочки (bash)"_cp), [app] {
            std::fputs(bash_completion(*app).c_str(), stdout);
            return 0;
        });
    completion->add_option("shell", o->shell, help_text("the shell", "оболочка"_cp))
        ->required()
        ->check(CLI::IsMember({"bash"}));
    return tool;
}

}  // namespace gti_tool

int main(int argc, char** argv) {
#ifdef _WIN32
    // The arguments in UTF-8, whatever the ANSI code page lacks.
    std::vector<std::string> arguments = gti_tool::wide_arguments();
    if (!arguments.empty()) {
        std::vector<char*> pointers;
        for (std::string& a : arguments)
            pointers.push_back(a.data());
        pointers.push_back(nullptr);
        return gti_tool::run_tool(static_cast<int>(arguments.size()), pointers.data());
    }
#endif
    return gti_tool::run_tool(argc, argv);
}
