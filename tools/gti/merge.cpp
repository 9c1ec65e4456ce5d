#include "merge.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "convert_old.h"
#include "csv.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "gti/util/files.h"
#include "info.h"
#include "inputs.h"
#include "join.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {

int merge(const merge_options& o) {
    const lib::os::file_path output = file_argument(o.output);
    std::vector<lib::os::file_path> files;
    for (const std::string& given : o.inputs) {
        const lib::os::file_path input = file_argument(given);
        if (given.find_first_of("*?") == std::string::npos) {
            files.push_back(input);
            continue;
        }
        std::vector<lib::os::file_path> found = lib::find_paths(input, lib::fa_any_file & ~lib::fa_directory);
        if (found.empty())
            throw std::runtime_error((input.display() + tr(": no file matches", ": нет подходящих файлов"_cp)).str());
        std::stable_sort(found.begin(), found.end(), [](const lib::os::file_path& a, const lib::os::file_path& b) {
            return lib::cp1251::compare_nocase(a.display().view(), b.display().view()) < 0;
        });
        for (const lib::os::file_path& file : found)
            files.push_back(known_name(file));
    }
    const bool csv = input_kind_of(output) == input_kind::csv;
    std::vector<std::pair<AnsiString, time_span>> spans;
    check_output(output, files, {}, o.force);
    FileStorage store;
    std::size_t input_warnings = 0;
    // Said once the bar is gone: the warnings of the inputs, in the order read.
    std::vector<AnsiString> notes;
    {
        progress_bar bar(files.size() == 1
                             ? tr("Reading ", "Чтение "_cp) + files.front().display()
                             : tr("Reading files: ", "Чтение файлов: "_cp) + AnsiString(std::to_string(files.size())));
        for (std::size_t i = 0; i < files.size(); ++i) {
            const lib::os::file_path& file = files[i];
            const auto done = [&](double part) { bar((static_cast<double>(i) + part) / files.size()); };
            if (o.join) {
                FileStorage one;
                input_warnings += read_input(one, file, o.csv, done);
                std::vector<AnsiString> warnings;
                one.get_warnings(warnings);
                input_warnings += warnings.size();
                for (const AnsiString& w : warnings)
                    notes.push_back(file.display() + ": " + w);
                try {
                    join_by_time(store, one);
                } catch (const std::exception& e) {
                    throw std::runtime_error((file.display() + ": " + e.what()).str());
                }
            } else {
                // Inputs of overlapping times stay apart, two records of one time: --join joins them.
                const int before = store.get_record_count();
                input_warnings += read_input(store, file, o.csv, done);
                const std::optional<time_span> span = span_of(store, before);
                if (span) {
                    for (const auto& [other, other_span] : spans) {
                        if (!span->overlaps(other_span)) continue;
                        notes.push_back(file.display() + tr(" overlaps ", " перекрывается по времени с "_cp) + other +
                                        " (" + lib::to_iso8601(std::max(span->first, other_span.first)) + " .. " +
                                        lib::to_iso8601(std::min(span->last, other_span.last)) +
                                        tr("): records of one time stay apart; --join joins them",
                                           "): записи одного времени остаются раздельными; --join объединяет их"_cp));
                        break;
                    }
                    spans.emplace_back(file.display(), *span);
                }
            }
            done(1);
        }
    }
    for (const AnsiString& n : notes)
        std::fprintf(stderr, "%s\n", u8(n).c_str());
    apply_selection(store, o.select, files.size() == 1 ? files.front().display() : tr("the inputs", "входы"_cp));
    std::vector<AnsiString> read_warnings;
    store.get_warnings(read_warnings);
    if (csv) {
        progress_bar bar(tr("Writing ", "Запись "_cp) + output.display());
        write_output(output, [&] { save_csv_file(store, output, [&](double done) { bar(done); }); });
    } else {
        save_data_file(store, output);
    }
    print_written(store, output, o.json);
    return read_warnings.empty() && input_warnings == 0 ? exit_done : exit_damaged;
}

void add_merge_command(CLI::App& tool) {
    auto o = std::make_shared<merge_options>();
    CLI::App* c = add_command(
        tool, "merge", help_text("load several data files into one", "собрать несколько файлов данных в один"_cp),
        [o] { return merge(*o); });
    add_details(
        c,
        help_text(
            "Loads data files, or masks such as 'well7/*.tim' (loaded in name order), into one store and saves it as "
            "OUT, of the kind its extension names (a data file or a CSV file .csv). Inputs may be CSV files and LAS "
            "logs as for convert. Parameters merge by key; records stay in the order read, and inputs whose times "
            "overlap are named in a warning. With --join the inputs are logs of one well joined by time: records of "
            "one time become one, a parameter takes the first value that is not missing, values no input has stay "
            "missing, and the records are sorted by time.",
            "Читает файлы данных или маски вроде 'well7/*.tim' (по порядку имён) в одно хранилище и записывает его как OUT того вида, который называет расширение (файл данных или файл CSV .csv). Входами могут быть и файлы CSV и LAS, как для convert. Параметры объединяются по ключу, записи остаются в порядке чтения, а входы, перекрывающиеся по времени, называются в предупреждении. С --join входы — записи одной скважины, объединяемые по времени: записи одного времени становятся одной, параметр берёт первое имеющееся значение, значения, которых нет ни в одном входе, остаются отсутствующими, записи упорядочены по времени."_cp) +
            "\n" + selection_details());
    c->add_option("out", o->output, help_text("the data file to write", "файл данных, который записать"_cp))
        ->required();
    c->add_option("in", o->inputs,
                  help_text("the data files or masks to read", "файлы данных или маски, которые прочитать"_cp))
        ->required();
    c->add_flag("--join", o->join,
                help_text("join logs of one well by time: a record per time, values missing where none",
                          "объединить записи одной скважины по времени: одна запись на время, без значения там, "_cp
                          "где его нет"_cp));
    add_selection_options(c, o->select);
    add_csv_options(c, o->csv);
    add_force(c, o->force);
    add_json(c, o->json);
}

}  // namespace gti_tool
