#include "merge.h"

#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "convert_old.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/files.h"
#include "gti/util/string_list.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {

int merge(const merge_options& o) {
    const AnsiString output = station(o.output);
    std::vector<AnsiString> files;
    for (const std::string& given : o.inputs) {
        const AnsiString input = station(given);
        if (input.find_first_of("*?") == AnsiString::npos) {
            files.push_back(input);
            continue;
        }
        lib::FileFinder finder;
        finder.find(input, lib::fa_any_file & ~lib::fa_directory, false);
        if (finder.files.empty())
            throw std::runtime_error((input + tr(": no file matches", ": нет подходящих файлов"_cp)).str());
        TStringList names;
        for (const lib::FindedFile& f : finder.files)
            names.Add(f.path + f.name);
        names.Sort();
        for (const AnsiString& file : names)
            files.push_back(file);
    }
    check_output(output, files, {}, o.force);
    FileStorage store;
    for (const AnsiString& file : files)
        load_data_file(store, file);
    std::vector<AnsiString> read_warnings;
    store.get_warnings(read_warnings);
    save_data_file(store, output);
    print_written(store, output, o.json);
    return read_warnings.empty() ? exit_done : exit_damaged;
}

void add_merge_command(CLI::App& tool) {
    auto o = std::make_shared<merge_options>();
    CLI::App* c = add_command(tool, "merge", "load several data files into one", [o] { return merge(*o); });
    add_details(c,
                "Loads data files, or masks such as 'well7/*.tim' (loaded in name order), into one store and saves it "
                "as OUT, of the kind its extension names. Parameters merge by key; records stay in the order read.");
    c->add_option("out", o->output, "the data file to write")->required();
    c->add_option("in", o->inputs, "the data files or masks to read")->required();
    add_force(c, o->force);
    add_json(c, o->json);
}

}  // namespace gti_tool
