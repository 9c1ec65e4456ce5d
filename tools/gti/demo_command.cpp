// gti demo: the whole road of a data file on a made-up run, step by step with what each wrote.
#include <chrono>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "archive.h"
#include "cli.h"
#include "commands.h"
#include "demo.h"
#include "gti/las/export.h"
#include "gti/params/par_tabl.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#ifdef GTI_WITH_UI
#include "gti/ui/canvas.h"
#include "gti/ui/strip_chart.h"
#endif
#include "info.h"
#include "las.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

// A file name as a shell argument: in double quotes when a shell would split or expand it.
AnsiString shell_word(const AnsiString& name) {
    if (name.view().find_first_of(" \t'\"$`\\!*?&;|<>()[]{}#~") == std::string_view::npos) return name;
    AnsiString quoted("\"");
    for (const char c : name.view()) {
#ifndef _WIN32
        if (c == '"' || c == '$' || c == '`' || c == '\\') quoted.push_back('\\');
#endif
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

struct demo_options {
    std::string dir = ".";
    bool json = false;
};

// One step of the road: what it made, the file it wrote (display(); empty for none), its size and
// how long it took.
struct step_report {
    AnsiString what, file;
    std::uint64_t bytes = 0;
    double ms = 0;
};

// Runs a step that writes `file` and reports it.
step_report timed(const AnsiString& what, const lib::os::file_path& file, const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    write_output(file, step);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return {what, file.display(), file_size(file), took.count()};
}

int demo(const demo_options& o) {
    const lib::os::file_path dir = file_argument(o.dir);
    make_folder(dir);
    // The files of the run, in the folder.
    const auto in_dir = [&](const char* name) { return lib::os::file_path(dir.path() / name); };
    const lib::os::file_path data = in_dir("12.realtim");
    std::vector<step_report> steps;

    FileStorage store;
    const auto start = std::chrono::steady_clock::now();
    generate_run(store, lib::time_2_long(2024, 3, 5, 7, 0, 0), 4 * 3600);
    const std::chrono::duration<double, std::milli> made = std::chrono::steady_clock::now() - start;
    steps.push_back(
        {tr("recorded: 4 h, one record a second", "записано: 4 ч, запись в секунду"_cp), "", 0, made.count()});
    steps.push_back(
        timed(tr("registration file", "файл регистрации"_cp), data, [&] { store.save_with_new_format(data); }));

    // The station's parameter table for the same channels, from the catalogue's defaults, with
    // the hook-load sensor calibrated at two points.
    ParTabl table;
    for (int i = 0; i < store.get_param_count(); ++i)
        table.add(store.get_param(i)->global_name);
    table["вес_на_крюке"_cp].calibration = {{0.0, 0.0}, {5.0, 200.0}};
    const lib::os::file_path table_file = in_dir("params.tbl");
    steps.push_back(timed(tr("parameter table", "таблица параметров"_cp), table_file, [&] {
        if (!table.save_to(table_file)) throw std::runtime_error("Невозможно записать в файл!"_cp);
    }));

    FileStorage back;
    load_data_file(back, data);
    const lib::os::file_path creg = in_dir("12.creg");
    steps.push_back(timed(tr("compressed data file, quantized", "сжатый файл данных, квантованный"_cp), creg,
                          [&] { back.save_compressed_file(creg, FileStorage::encode_quantized); }));
    const lib::os::file_path las = in_dir("12.las");
    steps.push_back(timed(tr("LAS depth log, a row per 0.1 m", "LAS по глубине, строка на 0,1 м"_cp), las, [&] {
        lib::las::file doc;
        lib::las::export_storage(back, lib::las::export_options{}, doc);
        save_las(doc, las, "1251");
    }));
#ifdef GTI_WITH_UI
    const lib::os::file_path png = in_dir("12.png");
    steps.push_back(timed(tr("strip chart", "диаграмма"_cp), png, [&] {
        const lib::ui::strip_chart chart(back, lib::ui::strip_chart_options{});
        lib::ui::png_canvas canvas(chart.width(), chart.height());
        chart.draw(canvas);
        replace_file(png, canvas.png_bytes());
    }));
#endif
    // The run packed for keeping: the data file, the parameter table and the run file that a
    // save in the old generation keeps beside its data file.
    const lib::os::file_path run_file = in_dir("12.rac");
    steps.push_back(timed(tr("run file", "файл рейса"_cp), run_file, [&] { back.save_all(in_dir("12.tim"), true); }));
    std::vector<lib::os::file_path> packed = {data, table_file, run_file};
    const lib::os::file_path extended = in_dir("params.tbl.extended");
    if (file_size(extended) > 0) packed.push_back(extended);
    const FileStorageTextValues& run = back.get_text_values();
    const AnsiString comment = "Рейс "_cp + AnsiString(std::to_string(run.race_number)) + " скважины "_cp + run.well;
    const lib::os::file_path archive = in_dir("12.arc");
    steps.push_back(timed(tr("archive", "архив"_cp), archive, [&] { pack_files(archive, packed, comment); }));

    if (o.json) {
        json_value doc{{"folder", json_text(dir.display())},
                       {"records", back.get_record_count()},
                       {"parameters", back.get_param_count()},
                       {"steps", json_value::array()}};
        for (const step_report& s : steps)
            doc["steps"].push_back({{"step", json_text(s.what)},
                                    {"file", s.file.empty() ? json_value(nullptr) : json_text(s.file)},
                                    {"bytes", s.bytes},
                                    {"ms", s.ms}});
        print_json(doc);
        return exit_done;
    }
    say(comment + ": " + count_text(back.get_record_count()) + tr(" records, ", " записей, "_cp) +
        AnsiString(std::to_string(back.get_param_count())) + tr(" parameters", " параметров"_cp));
    std::vector<std::vector<AnsiString>> rows{
        {tr("step", "шаг"_cp), tr("file", "файл"_cp), tr("bytes", "байт"_cp), tr("ms", "мс"_cp)}};
    for (const step_report& s : steps)
        rows.push_back({s.what, s.file, s.file.empty() ? AnsiString() : count_text(static_cast<long long>(s.bytes)),
                        AnsiString(std::to_string(static_cast<long long>(s.ms + 0.5)))});
    print_table(rows, {2, 3});
    say(tr("Look at it: gti info ", "Посмотреть: gti info "_cp) + shell_word(data.display()));
    return exit_done;
}

}  // namespace

void add_demo_command(CLI::App& tool) {
    auto o = std::make_shared<demo_options>();
    CLI::App* c = add_command(tool, "demo",
                              help_text("make up a drilling run and walk the whole road of its data",
                                        "придумать рейс бурения и пройти весь путь его данных"_cp),
                              [o] { return demo(*o); });
    add_details(
        c,
        help_text(
            "Makes up a four-hour drilling run (depth with connections and a wiper trip, hook load, pressures, pump "
            "strokes, rotation, mud, tanks and gas, every run field filled) and writes it into DIR as a registration "
            "file 12.realtim, its parameter table params.tbl, a quantized compressed data file 12.creg, a LAS depth "
            "log 12.las, a strip chart 12.png, the run file 12.rac, and the archive 12.arc of the data file, the table "
            "and the run file. Prints what each step wrote: size and time.",
            "Придумывает четырёхчасовой рейс бурения (глубина с наращиваниями и проработкой, вес на крюке, давления, ходы насосов, обороты, раствор, ёмкости и газ, все поля рейса заполнены) и записывает его в DIR: файл регистрации 12.realtim, таблицу параметров params.tbl, квантованный сжатый файл 12.creg, LAS по глубине 12.las, диаграмму 12.png, файл рейса 12.rac и архив 12.arc из файла данных, таблицы и файла рейса. Для каждого шага показывает, что записано: размер и время."_cp));
    c->add_option("dir", o->dir,
                  help_text("the folder to write into, made when missing (default: the current folder)",
                            "папка для записи, создаётся, если её нет (по умолчанию текущая)"_cp));
    add_json(c, o->json);
}

}  // namespace gti_tool
