// gti: the station library's command-line tool.
//
// All text it prints is UTF-8; file names on the command line are UTF-8 too and are turned into
// station text (code page 1251) on the way in.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "archive.h"
#include "convert.h"
#include "demo.h"
#include "gti/params/par_tabl.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/time/unix_time.h"
#include "gti/util/number_text.h"
#include "info.h"
#include "las.h"
#include "merge.h"
#include "notices.h"
#include "output.h"
#include "params.h"
#ifdef GTI_WITH_UI
#include "plot.h"
#endif
#include "serial.h"

using namespace lib::literals;

namespace {

const char* const usage =
    "usage: gti COMMAND [ARGUMENTS]\n"
    "\n"
    "commands:\n"
    "  demo [DIR]          make up a four-hour drilling run, save it as DIR/12.realtim with its\n"
    "                      parameter table DIR/params.tbl (DIR defaults to the current folder),\n"
    "                      read it back, summarize it, and pack it with its run file 12.rac\n"
    "                      into the archive DIR/12.arc\n"
    "  info FILE [--json]  what a data file holds: parameters, records, time range and step,\n"
    "                      run information, warnings\n"
    "  params FILE         the parameters of a parameter-table file: keys, names, units,\n"
    "                      converter inputs, calibration points, extra values\n"
    "  catalogue           the station's built-in catalogue of known parameters, by group\n"
    "  las FILE OUT.las [--step M] [--agg mean|last|min|max] [--time [--iso]] [--records]\n"
    "                   [--params KEY,...] [--encoding 1251|utf-8|ascii] [--valid-only]\n"
    "                      a data file as a LAS 2.0 depth log: a row per --step (0.1 m) of new\n"
    "                      hole, each curve the mean (--agg) of the records of that step, NULL\n"
    "                      where none fell; --time: a row per record by time (epoch seconds, or\n"
    "                      ISO 8601 with --iso); --records: a row per record by depth; --params:\n"
    "                      these parameters only; --encoding: of the text (1251 by default);\n"
    "                      --valid-only keeps the records that depth processing leaves valid;\n"
    "                      gti info describes LAS files too, with what their reading tolerated\n"
    "  merge OUT IN...     load data files, or masks such as 'well7/*.tim' (loaded in name\n"
    "                      order), into one store and save it as OUT; parameters merge by\n"
    "                      key, records stay in the order read\n"
    "  convert IN OUT [--plain|--quantized]\n"
    "                      write data file IN as OUT, of the kind OUT's extension names, run\n"
    "                      information included: a compressed data file .creg (the store\n"
    "                      column by column, deflated with zlib 9), a registration file or a\n"
    "                      file of the old generation; for .creg, --plain keeps every value bit\n"
    "                      for bit (the default) and --quantized stores a column in 8 or 16 bits\n"
    "                      where every value comes back within a relative 1e-4\n"
    "  archive create OUT.arc FILE... [--comment TEXT]\n"
    "                      pack files into a new block archive (each deflated with zlib 9);\n"
    "                      OUT.arc appears only once it is complete\n"
    "  archive list ARC [--json]\n"
    "                      the archive's time, comment and files: name, sizes, ratio\n"
    "  archive extract ARC DIR\n"
    "                      write the archive's files into DIR; a name that would leave DIR is\n"
    "                      not written (exit code 2)\n"
    "  archive test ARC    decompress every record, report the damaged ones (exit code 1)\n"
    "  serial read PORT [--json] [--count N]\n"
    "                      print the measuring unit's packets as they arrive (\"SP\" packets),\n"
    "                      with the error counters; --count stops after N packets\n"
    "  serial send PORT DATA [--hex]\n"
    "                      send DATA (at most 127 bytes; --hex: as hex digits) as one train\n"
    "                      of \"DP\" packets; both take --baud N (9600), --parity n|o|e|m|s (n)\n"
    "                      and --timeout MS (500); PORT is COM1... (GTI_COM1=/dev/... names\n"
    "                      its device; else /dev/ttyS0... or /dev/ttyUSB0...) or a device path\n"
    "  serial-sim [--every MS] [--errors] [--count N]\n"
    "                      a simulated measuring unit on a pseudo-terminal: prints the device\n"
    "                      to open, sends a train every MS (1000; --errors: a repairable bit\n"
    "                      error in every other one), prints and confirms the trains it gets\n"
    "  notify SLOT TEXT [--udp ADDRESS:PORT]\n"
    "                      send a notice to the programs listening on SLOT (and, with --udp, a\n"
    "                      network copy to that address); fails when nobody listens locally\n"
    "  listen SLOT [--json] [--count N] [--udp ADDRESS:PORT]\n"
    "                      print the notices sent to SLOT as they arrive, one a line (--json:\n"
    "                      one JSON object a line), until interrupted or N have come; --udp also\n"
    "                      takes network copies at that address\n"
    "  plugins DIR         which plug-in libraries (*.so) under DIR would load, and why the\n"
    "                      others are skipped\n"
    "  plot FILE -o OUT.png|OUT.svg [--params K1,K2+K3,...] [--depth|--time]\n"
    "       [--from X --to Y] [--height PIXELS]\n"
    "                      a data file as a mud-log strip chart: depth (or time) down the page,\n"
    "                      a track per key, \"+\" joins curves into one track (default: the usual\n"
    "                      tracks of a mud log); --from/--to take metres, or times as HH:MM or\n"
    "                      YYYY-MM-DD HH:MM\n"
    "  --help              this text\n"
    "\n"
    "data files: registration files .realtim, .realdep, .reallag; compressed data files .creg;\n"
    "            the old generation .tim, .dep, .ldp, read and written with the folder's\n"
    "            inpgti.nbl (parameters, at most 32) and the run file of the same name with the\n"
    "            extension .rac; LAS logs .las (gti info only)\n";

int demo(const std::vector<AnsiString>& args) {
    if (args.size() > 1) throw std::runtime_error("demo takes at most one folder");
    const AnsiString dir = args.empty() ? AnsiString(".") : args[0];
    const AnsiString file = dir + "/12.realtim";
    {
        FileStorage store;
        gti_tool::generate_run(store, lib::time_2_long(2024, 3, 5, 7, 0, 0), 4 * 3600);
        store.save_with_new_format(file);
    }
    // The station's parameter table for the same channels, from the catalogue's defaults, with
    // the hook-load sensor calibrated at two points.
    ParTabl table;
    {
        FileStorage run;
        gti_tool::load_data_file(run, file);
        for (int i = 0; i < run.get_param_count(); ++i)
            table.add(run.get_param(i)->global_name);
    }
    Param& hook = table["вес_на_крюке"_cp];
    hook.calibration = {{0.0, 0.0}, {5.0, 200.0}};
    const AnsiString table_file = dir + "/params.tbl";
    if (!table.save_to(table_file)) throw std::runtime_error((table_file + ": Невозможно записать в файл!"_cp).str());
    gti_tool::say("Записана таблица параметров: "_cp + table_file);

    FileStorage back;
    gti_tool::load_data_file(back, file);
    const FileStorageTextValues& run = back.get_text_values();
    gti_tool::say("Записан рейс "_cp + AnsiString(std::to_string(run.race_number)) + " скважины "_cp + run.well + ": " +
                  file);
    gti_tool::print_info(back, file, false);
    // The run packed for keeping: the data file, the parameter table and the run file.
    back.save_all(dir + "/12.tim", true);
    std::vector<AnsiString> packed = {file, table_file, dir + "/12.rac"};
    lib::os::dir_entry extended;
    if (lib::os::entry_info(table_file + ".extended", extended)) packed.push_back(table_file + ".extended");
    gti_tool::pack_files(dir + "/12.arc", packed,
                         "Рейс "_cp + AnsiString(std::to_string(run.race_number)) + " скважины "_cp + run.well);
    return 0;
}

int info(const std::vector<AnsiString>& args) {
    bool json = false;
    std::vector<AnsiString> files;
    for (const AnsiString& a : args) {
        if (a == "--json")
            json = true;
        else
            files.push_back(a);
    }
    if (files.size() != 1) throw std::runtime_error("info takes one file");
    if (gti_tool::is_las_file(files[0])) {
        return gti_tool::print_las_info(files[0], json);
    }
    FileStorage store;
    gti_tool::load_data_file(store, files[0]);
    gti_tool::print_info(store, files[0], json);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        std::fputs(usage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    try {
        std::vector<AnsiString> args;
        for (int i = 2; i < argc; ++i)
            args.push_back(gti_tool::from_argument(argv[i]));
        const std::string command = argv[1];
        if (command == "demo") return demo(args);
        if (command == "info") return info(args);
        if (command == "params") return gti_tool::params_command(args);
        if (command == "catalogue") return gti_tool::catalogue_command(args);
        if (command == "las") return gti_tool::las_command(args);
        if (command == "merge") return gti_tool::merge(args);
        if (command == "convert") return gti_tool::convert(args);
        if (command == "archive") return gti_tool::archive_command(args);
        if (command == "serial") return gti_tool::serial_command(args);
        if (command == "serial-sim") return gti_tool::serial_sim_command(args);
        if (command == "notify") return gti_tool::notify_command(args);
        if (command == "listen") return gti_tool::listen_command(args);
        if (command == "plugins") return gti_tool::plugins_command(args);
#ifdef GTI_WITH_UI
        if (command == "plot") return gti_tool::plot(args);
#endif
        std::fprintf(stderr, "gti: unknown command '%s'\n\n%s", argv[1], usage);
        return 2;
    } catch (const std::exception& e) {
        // Messages of the library are station text.
        std::fprintf(stderr, "gti: %s\n", gti_tool::u8(e.what()).c_str());
        return 1;
    }
}
