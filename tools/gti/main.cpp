// gti: the station library's command-line tool.
//
// All text it prints is UTF-8; file names and texts on the command line are UTF-8 too and are
// turned into station text (code page 1251) on the way in.
#include <cstdio>

#include "cli.h"
#include "commands.h"

namespace gti_tool {

std::unique_ptr<CLI::App> make_tool() {
    auto tool =
        std::make_unique<CLI::App>("the mud-logging station's data files, archives, serial line and notices", "gti");
    tool->require_subcommand(0, 1);
    tool->get_formatter()->column_width(34);
    add_demo_command(*tool);
    add_info_command(*tool);
    add_convert_command(*tool);
    add_merge_command(*tool);
    add_las_command(*tool);
    add_params_commands(*tool);
    add_plot_command(*tool);
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
    CLI::App* help =
        add_command(*tool, "help", "help on the tool or a command; --man: the manual page (roff)", [app, o] {
            const CLI::App* about = o->topic.empty() ? app : app->get_subcommand(o->topic);
            std::fputs(o->man ? man_page(*app).c_str() : about->help().c_str(), stdout);
            return 0;
        });
    help->add_option("command", o->topic, "the command")->check([app](const std::string& name) {
        for (const CLI::App* c : app->get_subcommands({}))
            if (c->get_name() == name) return std::string();
        return "no command " + name;
    });
    help->add_flag("--man", o->man, "the manual page of the whole tool, in roff");
    CLI::App* completion = add_command(*tool, "completion", "the shell completion script (bash)", [app] {
        std::fputs(bash_completion(*app).c_str(), stdout);
        return 0;
    });
    completion->add_option("shell", o->shell, "the shell")->required()->check(CLI::IsMember({"bash"}));
    return tool;
}

}  // namespace gti_tool

int main(int argc, char** argv) {
    return gti_tool::run_tool(argc, argv);
}
