// The tool's commands, one registration per unit; main.cpp adds them all to the tool.
#pragma once

namespace CLI {
class App;
}

namespace gti_tool {

// demo (demo_command.cpp).
void add_demo_command(CLI::App& tool);

// info (info.cpp).
void add_info_command(CLI::App& tool);

// convert (convert.cpp).
void add_convert_command(CLI::App& tool);

// merge (merge.cpp).
void add_merge_command(CLI::App& tool);

// las (las.cpp).
void add_las_command(CLI::App& tool);

// params and catalogue (params.cpp).
void add_params_commands(CLI::App& tool);

// archive create|list|extract|test (archive.cpp).
void add_archive_command(CLI::App& tool);

// serial read|send and serial-sim (serial.cpp).
void add_serial_commands(CLI::App& tool);

// notify, listen and plugins (notices.cpp).
void add_notice_commands(CLI::App& tool);

// plot (plot.cpp).
void add_plot_command(CLI::App& tool);

}  // namespace gti_tool
