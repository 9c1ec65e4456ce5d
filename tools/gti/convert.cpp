#include "convert.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "convert_old.h"
#include "csv.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/data_file.h"
#include "info.h"
#include "inputs.h"
#include "output.h"
#include "select.h"

using namespace lib::literals;

namespace gti_tool {

void add_csv_options(CLI::App* command, csv_input_options& o) {
    command->add_option(
        "--time-column", o.time_column,
        help_text("CSV: the column of the record times (else the first named time, time_epoch_s, "
                  "datetime, date_time, timestamp, epoch, ...), ISO 8601 or epoch seconds (UTC)",
                  "CSV: столбец времени записей (иначе первый с именем time, time_epoch_s, datetime, "_cp
                  "date_time, timestamp, epoch, ...), ISO 8601 или секунды эпохи (UTC)"_cp));
    command->add_option("--depth-column", o.depth_column,
                        help_text("CSV: the column of the depths (else the first named depth, dept, dmea, md, ...)",
                                  "CSV: столбец глубины (иначе первый с именем depth, dept, dmea, md, ...)"_cp));
    command->add_option("--null", o.null_text,
                        help_text("CSV: cells equal to this text or number are missing, as empty ones are",
                                  "CSV: ячейки, равные этому тексту или числу, пусты, как и пустые ячейки"_cp));
    command->add_option(
        "--map", o.map,
        help_text("CSV: a CSV file whose header names column,key,name,unit,scale: a line per column "
                  "to rename and rescale",
                  "CSV: файл CSV с заголовком column,key,name,unit,scale: строка на столбец, который "_cp
                  "переименовать и перемасштабировать"_cp));
}

std::size_t read_input(FileStorage& store, const lib::os::file_path& file, const csv_input_options& o,
                       const std::function<void(double)>& progress) {
    const input_kind kind = input_kind_of(file);
    if (kind == input_kind::data_file && lib::data_file_kind_of(file) == lib::data_file_kind::compressed) {
        check_input(file);
        try {
            store.add_compressed_file(file, false, progress);
        } catch (const std::exception& e) {
            if (std::string_view(e.what()).starts_with((file.display() + ":").view())) throw;
            throw std::runtime_error((file.display() + ": " + e.what()).str());
        }
        return 0;
    }
    if (kind == input_kind::data_file) {
        load_data_file(store, file);
        return 0;
    }
    check_input(file);
    if (kind == input_kind::las) {
        const int skipped = add_las_log(file, store);
        if (skipped == 0) return 0;
        std::fprintf(stderr, "%s\n",
                     u8(file.display() + ": " + AnsiString(std::to_string(skipped)) +
                        tr(" rows left out: their time is NULL or no station time",
                           " строк пропущено: их время пусто или вне времён станции"_cp))
                         .c_str());
        return 1;
    }
    csv_read_options csv;
    csv.time_column = station(o.time_column);
    csv.depth_column = station(o.depth_column);
    if (!o.null_text.empty()) csv.null_text = o.null_text;
    if (!o.map.empty()) {
        const lib::os::file_path map = file_argument(o.map);
        check_input(map);
        csv.map = load_csv_map(map);
    }
    load_csv_file(file, csv, store, progress);
    return 0;
}

void add_selection_options(CLI::App* command, selection_options& o) {
    add_params(command, o.params);
    add_range(command, o.from, o.to);
}

std::string selection_details() {
    return help_text(
        "--params keeps the parameters of the keys given (a key the data lack is an error that lists the keys "
        "there are); --from and --to keep the records from one time or depth to another, both included: times "
        "(YYYY-MM-DDTHH:MM[:SS], or HH:MM on the first day of the data) when they hold a ':', depths in metres "
        "otherwise. A range that keeps no record writes nothing (exit code 1).",
        "--params оставляет параметры с данными ключами (ключ, которого нет в данных, — ошибка со списком "_cp
        "имеющихся ключей); --from и --to оставляют записи от одного времени или глубины до другого "_cp
        "включительно: время (ГГГГ-ММ-ДДTЧЧ:ММ[:СС] или ЧЧ:ММ первого дня данных), если в них есть ':', иначе "_cp
        "глубину в метрах. Если в диапазон не попадает ни одна запись, ничего не записывается (код выхода 1)."_cp);
}

void apply_selection(FileStorage& store, const selection_options& o, const AnsiString& where,
                     AnsiString (*alias)(const AnsiString& key)) {
    const std::vector<AnsiString> keys = split_keys(o.params);
    check_keys(store, keys, where, alias);
    const record_range range = parse_range(station(o.from), station(o.to), first_time(store));
    const int records = store.get_record_count();
    if (select_records(store, keys, range, alias) == records && records > 0)
        throw std::runtime_error((where + tr(": no record lies between --from and --to; nothing written",
                                             ": ни одна запись не лежит между --from и --to; ничего не записано"_cp))
                                     .str());
}

int convert(const convert_options& o) {
    const lib::os::file_path from = file_argument(o.input);
    const lib::os::file_path to = file_argument(o.output);
    const bool compressed = lib::data_file_kind_of(to) == lib::data_file_kind::compressed;
    const bool csv = input_kind_of(to) == input_kind::csv;
    if (csv && !lib::cp1251::equal_nocase(to.display().view().substr(to.display().size() - 4), ".csv"))
        throw std::runtime_error(
            (to.display() + tr(": a CSV file is written as .csv", ": файл CSV пишется как .csv"_cp)).str());
    if (!csv && lib::data_file_kind_of(to) == lib::data_file_kind::unknown)
        throw std::runtime_error(
            (to.display() +
             tr(": unknown kind of data file to write (known: .creg, .realtim, .realdep, "
                ".reallag, .tim, .dep, .ldp, .csv)",
                ": неизвестный вид файла данных (известны: .creg, .realtim, .realdep, .reallag, .tim, .dep, .ldp, "_cp
                ".csv)"_cp))
                .str());
    if (!compressed && (o.plain || o.quantized))
        throw std::runtime_error(tr("--plain and --quantized choose how a .creg file stores its columns",
                                    "--plain и --quantized выбирают, как файл .creg хранит столбцы"_cp)
                                     .str());
    check_output(to, {from}, {}, o.force);

    FileStorage store;
    std::size_t input_warnings = 0;
    {
        progress_bar bar(tr("Reading ", "Чтение "_cp) + from.display());
        input_warnings = read_input(store, from, o.csv, [&](double done) { bar(done); });
    }
    std::vector<AnsiString> read_warnings;
    store.get_warnings(read_warnings);
    if (is_old_generation(from)) {
        // An old run file's section headers are no name=value pairs and have no place elsewhere.
        TStringList& lines = store.get_text_values().get_list();
        for (int i = lines.Count() - 1; i >= 0; --i) {
            if (lines[i].find('=') == AnsiString::npos) lines.Delete(i);
        }
    }
    apply_selection(store, o.select, from.display());

    if (compressed) {
        progress_bar bar(tr("Writing ", "Запись "_cp) + to.display());
        write_output(to, [&] {
            store.save_compressed_file(to, o.quantized ? FileStorage::encode_quantized : FileStorage::encode_plain,
                                       [&](double done) { bar(done); });
        });
    } else if (csv) {
        progress_bar bar(tr("Writing ", "Запись "_cp) + to.display());
        write_output(to, [&] { save_csv_file(store, to, [&](double done) { bar(done); }); });
    } else {
        save_data_file(store, to);
    }
    print_written(store, to, o.json);
    return read_warnings.empty() && input_warnings == 0 ? exit_done : exit_damaged;
}

void add_convert_command(CLI::App& tool) {
    auto o = std::make_shared<convert_options>();
    CLI::App* c = add_command(tool, "convert",
                              help_text("write a data file as another kind of data file",
                                        "записать файл данных как файл данных другого вида"_cp),
                              [o] { return convert(*o); });
    add_details(
        c,
        help_text(
            "Reads IN and writes OUT, of the kind OUT's extension names, run information included: a compressed data "
            "file .creg (the store column by column, deflated with zlib 9), a registration file (.realtim .realdep "
            ".reallag), a file of the old generation (.tim .dep .ldp, with the folder's inpgti.nbl and the run file "
            ".rac) or a CSV file .csv (ISO times, depth, a column \"key (unit)\" per parameter, an empty cell for a "
            "missing value). IN may also be a CSV file (.csv, .csv.gz: a header line, the time column found by its "
            "name or named with --time-column, a parameter per other column, units from \"name (unit)\" or "
            "\"name[unit]\" headers or --map) or a LAS log (.las: curves become parameters, the index the depth or "
            "the time). OUT takes its new contents whole or keeps its old ones.",
            "Читает IN и записывает OUT того вида, который называет расширение OUT, вместе со сведениями о рейсе: сжатый файл данных .creg (данные по столбцам, сжатые zlib 9), файл регистрации (.realtim .realdep .reallag), файл старого формата (.tim .dep .ldp, с inpgti.nbl папки и файлом рейса .rac) или файл CSV .csv (время ISO, глубина, столбец \"ключ (единица)\" на параметр, пустая ячейка для отсутствующего значения). IN может быть и файлом CSV (.csv, .csv.gz: строка заголовка, столбец времени находится по имени или называется --time-column, параметр на каждый другой столбец, единицы из заголовков \"имя (единица)\" или \"имя[единица]\" или из --map), и файлом LAS (.las: кривые становятся параметрами, индекс — глубиной или временем). OUT получает новое содержимое целиком или сохраняет прежнее."_cp) +
            "\n" + selection_details());
    c->add_option("in", o->input,
                  help_text("the data file, CSV file or LAS log to read",
                            "файл данных, файл CSV или файл LAS, который прочитать"_cp))
        ->required();
    c->add_option("out", o->output, help_text("the data file to write", "файл данных, который записать"_cp))
        ->required();
    CLI::Option* plain = c->add_flag("--plain", o->plain,
                                     help_text(".creg: keep every value bit for bit (the default)",
                                               ".creg: хранить каждое значение бит в бит (по умолчанию)"_cp));
    c->add_flag(
         "--quantized", o->quantized,
         help_text(
             ".creg: a column in 8 or 16 bits where every value comes back within a relative 1e-4",
             ".creg: столбец в 8 или 16 битах, если каждое значение возвращается с относительной точностью 1e-4"_cp))
        ->excludes(plain);
    add_selection_options(c, o->select);
    add_csv_options(c, o->csv);
    add_force(c, o->force);
    add_json(c, o->json);
}

}  // namespace gti_tool
