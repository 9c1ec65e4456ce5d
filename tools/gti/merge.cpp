#include "merge.h"

#include <stdexcept>
#include <string>

#include "convert_old.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/files.h"
#include "gti/util/string_list.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {

int merge(const std::vector<AnsiString>& args) {
    if (args.size() < 2) throw std::runtime_error("merge takes the output file and at least one input");
    FileStorage store;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const AnsiString& input = args[i];
        if (input.find_first_of("*?") == AnsiString::npos) {
            load_data_file(store, input);
            continue;
        }
        lib::FileFinder finder;
        finder.find(input, lib::fa_any_file & ~lib::fa_directory, false);
        if (finder.files.empty()) throw std::runtime_error((input + ": no file matches").str());
        TStringList names;
        for (const lib::FindedFile& f : finder.files)
            names.Add(f.path + f.name);
        names.Sort();
        for (const AnsiString& file : names)
            load_data_file(store, file);
    }
    save_data_file(store, args[0]);
    say("Записан "_cp + args[0] +
        AnsiString(": записей "_cp + std::to_string(store.get_record_count()) + ", параметров "_cp +
                   std::to_string(store.get_param_count())));
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    if (!warnings.empty()) {
        say("Предупреждения:"_cp);
        for (const AnsiString& w : warnings)
            say("  " + w);
    }
    return 0;
}

}  // namespace gti_tool
