// gti: the station library's command-line tool.
//
// All text it prints is UTF-8; file names on the command line are UTF-8 too and are turned into
// station text (code page 1251) on the way in.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "convert.h"
#include "demo.h"
#include "gti/platform/codepage.h"
#include "gti/platform/os.h"
#include "gti/time/unix_time.h"
#include "gti/util/number_text.h"
#include "info.h"
#include "output.h"

namespace {

const char* const usage =
    "usage: gti COMMAND [ARGUMENTS]\n"
    "\n"
    "commands:\n"
    "  demo [DIR]          make up a four-hour drilling run, save it as DIR/12.realtim\n"
    "                      (DIR defaults to the current folder), read it back, summarize it\n"
    "  info FILE [--json]  what a data file holds: parameters, records, time range and step,\n"
    "                      run information, warnings\n"
    "  convert IN OUT [--plain|--quantized]\n"
    "                      write data file IN as OUT, of the kind OUT's extension names: a\n"
    "                      compressed data file .creg (the store column by column, deflated\n"
    "                      with zlib 9) or a registration file; for .creg, --plain keeps every\n"
    "                      value bit for bit (the default) and --quantized stores a column in 8\n"
    "                      or 16 bits where every value comes back within a relative 1e-4\n"
    "  --help              this text\n"
    "\n"
    "data files: registration files .realtim, .realdep, .reallag; compressed data files .creg\n";

int demo(const std::vector<AnsiString>& args) {
    if (args.size() > 1) throw std::runtime_error("demo takes at most one folder");
    const AnsiString dir = args.empty() ? AnsiString(".") : args[0];
    const AnsiString file = dir + "/12.realtim";
    {
        FileStorage store;
        gti_tool::generate_run(store, lib::time_2_long(2024, 3, 5, 7, 0, 0), 4 * 3600);
        store.save_with_new_format(file);
    }
    FileStorage back;
    gti_tool::load_data_file(back, file);
    const FileStorageTextValues& run = back.get_text_values();
    gti_tool::say("Записан рейс " + AnsiString(std::to_string(run.race_number)) + " скважины " + run.well + ": " +
                  file);
    gti_tool::print_info(back, file, false);
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
        if (command == "convert") return gti_tool::convert(args);
        std::fprintf(stderr, "gti: unknown command '%s'\n\n%s", argv[1], usage);
        return 2;
    } catch (const std::exception& e) {
        // Messages of the library are station text.
        std::fprintf(stderr, "gti: %s\n", gti_tool::u8(e.what()).c_str());
        return 1;
    }
}
