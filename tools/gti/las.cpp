#include "las.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>

#include "cli.h"
#include "commands.h"
#include "convert.h"
#include "gti/io/streams.h"
#include "gti/las/export.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/util/number_text.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

// How many notes gti info shows before it only counts them.
constexpr std::size_t notes_shown = 20;

// Latin letters for the Cyrillic ones of code page 1251 (а to я, then Ё and ё).
const char* const latin_lower[] = {"a",  "b",  "v",  "g",    "d", "e", "zh", "z", "i",  "y", "k",
                                   "l",  "m",  "n",  "o",    "p", "r", "s",  "t", "u",  "f", "kh",
                                   "ts", "ch", "sh", "shch", "",  "y", "",   "e", "yu", "ya"};

// The text in ASCII: Cyrillic transliterated, any other byte above 127 a '?'.
std::string to_ascii(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
            continue;
        }
        const bool upper = b >= 0xC0 && b < 0xE0;
        std::string latin = b >= 0xC0 ? latin_lower[(b - 0xC0) % 32] : b == 0xA8 || b == 0xB8 ? "yo" : "?";
        if ((upper || b == 0xA8) && !latin.empty()) latin[0] = static_cast<char>(latin[0] - 'a' + 'A');
        out += latin;
    }
    return out;
}

}  // namespace

void save_las(lib::las::file& doc, const lib::os::file_path& output, const std::string& encoding) {
    lib::io::BinaryMemoryOutputStream out;
    doc.save(out);
    const std::string_view text(out.get_buffer() != nullptr ? out.get_buffer() : "", out.get_size());
    write_output(output, [&] {
        if (encoding == "utf-8")
            replace_file(output, lib::cp1251::to_utf8(text));
        else if (encoding == "ascii")
            replace_file(output, to_ascii(text));
        else
            replace_file(output, text);
    });
}

bool is_las_file(const lib::os::file_path& file) {
    const std::string lower = lib::cp1251::to_lower(file.display().view());
    return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".las") == 0;
}

namespace {

struct las_options {
    std::string input, output, agg = "mean", encoding = "1251";
    selection_options select;
    double step = 0.1;
    bool time = false, iso = false, records = false, valid_only = false, force = false, json = false;
};

int las_command(const las_options& o) {
    lib::las::export_options options;
    options.step = o.step;
    options.valid_only = o.valid_only;
    options.iso_time = o.iso;
    if (o.time) options.index = lib::las::export_index::time;
    if (o.records) options.index = lib::las::export_index::records;
    options.agg = o.agg == "last"  ? lib::las::aggregation::last
                  : o.agg == "min" ? lib::las::aggregation::min
                  : o.agg == "max" ? lib::las::aggregation::max
                                   : lib::las::aggregation::mean;
    const lib::os::file_path input = file_argument(o.input);
    const lib::os::file_path output = file_argument(o.output);
    check_output(output, {input}, {".las"}, o.force);
    FileStorage store;
    std::size_t input_warnings = 0;
    {
        progress_bar bar(tr("Reading ", "Чтение "_cp) + input.display());
        input_warnings = read_input(store, input, {}, [&](double done) { bar(done); });
    }
    std::vector<AnsiString> read_warnings;
    store.get_warnings(read_warnings);
    // A key of --params is a parameter's key or its curve's mnemonic.
    apply_selection(store, o.select, input.display(), lib::las::mnemonic_of);
    lib::las::file doc;
    const int rows = lib::las::export_storage(store, options, doc);
    if (rows == 0 && options.index == lib::las::export_index::depth && store.get_record_count() > 0)
        throw std::runtime_error(
            (input.display() +
             tr(": the hole did not deepen while this file was recorded, so a depth log is empty; "
                "by time: gti las --time",
                ": за время записи скважина не углублялась, глубинный LAS пуст; по времени: gti las --time"_cp))
                .str());
    save_las(doc, output, o.encoding);
    if (o.json) {
        print_json({{"written", json_text(output.display())},
                    {"rows", rows},
                    {"curves", doc.get_param_count()},
                    {"bytes", file_size(output)}});
    } else {
        note(tr("Written LAS ", "Записан LAS "_cp) + output.display() + ": " + count_text(rows) +
             tr(" rows, ", " строк, "_cp) + AnsiString(std::to_string(doc.get_param_count())) +
             tr(" curves, ", " кривых, "_cp) + count_text(static_cast<long long>(file_size(output))) +
             tr(" bytes", " байт"_cp));
    }
    print_warnings(store);
    return read_warnings.empty() && input_warnings == 0 ? exit_done : exit_damaged;
}

}  // namespace

int print_las_info(const lib::os::file_path& file, bool json) {
    lib::las::file doc;
    doc.load(file);
    const int rows = doc.values.size();
    const int columns = doc.values.param_count;
    const auto curves = doc.get_curve_block();
    const lib::las::diagnostics_list& notes = doc.diagnostics;
    const auto index_text = [&](int row) {
        const double v = doc.values.at(0, row);
        return doc.values.iso_index && !doc.values.is_null(v) ? AnsiString(lib::las::iso_time_text(v))
                                                              : AnsiString(lib::las::number_text(v));
    };
    if (json) {
        json_value doc_json{
            {"file", json_text(file.display())}, {"las", doc.is_log()}, {"curves", json_value::array()}};
        for (int i = 0; curves && i < curves->size(); ++i) {
            const auto& c = curves->item_by_index(i);
            doc_json["curves"].push_back({{"mnemonic", json_text(c.mnemonic)},
                                          {"unit", json_text(c.unit)},
                                          {"description", json_text(c.description)}});
        }
        doc_json["rows"] = rows;
        doc_json["null"] = json_number(doc.values.null_value);
        if (rows > 0 && columns > 0)
            doc_json["index_range"] = {json_text(index_text(0)), json_text(index_text(rows - 1))};
        doc_json["diagnostics_total"] = notes.total();
        doc_json["diagnostics"] = json_value::array();
        for (const lib::las::diagnostic& d : notes.items())
            doc_json["diagnostics"].push_back(
                {{"line", d.line}, {"kind", lib::las::kind_name(d.kind)}, {"text", json_text(d.text)}});
        print_json(doc_json);
        return doc.is_log() ? exit_done : exit_usage;
    }
    say(tr("LAS file: ", "Файл LAS: "_cp) + file.display());
    for (const auto& block : doc.blocks) {
        const auto headers = std::dynamic_pointer_cast<lib::las::text_headers>(block);
        if (!headers || headers == curves) continue;
        say(block->title);
        for (int i = 0; i < headers->size(); ++i) {
            const auto& item = headers->item_by_index(i);
            say("  " + item.mnemonic + " = " + item.value + (item.unit.empty() ? AnsiString() : " " + item.unit));
        }
    }
    if (curves) {
        say(tr("Curves: ", "Кривых: "_cp) + AnsiString(std::to_string(curves->size())));
        std::vector<std::vector<AnsiString>> table;
        for (int i = 0; i < curves->size(); ++i) {
            const auto& c = curves->item_by_index(i);
            table.push_back({c.mnemonic, c.unit.empty() ? AnsiString() : "[" + c.unit + "]", c.description});
        }
        print_table(table);
    }
    say(tr("Rows: ", "Строк: "_cp) + count_text(rows));
    if (rows > 0 && columns > 0) say(tr("Index: ", "Индекс: "_cp) + index_text(0) + " .. " + index_text(rows - 1));
    if (notes.total() > 0) {
        say(tr("Notes of the reader: ", "Замечания при чтении: "_cp) + AnsiString(std::to_string(notes.total())));
        for (std::size_t i = 0; i < notes.items().size() && i < notes_shown; ++i) {
            const lib::las::diagnostic& d = notes.items()[i];
            say(tr("  line ", "  строка "_cp) +
                AnsiString(std::to_string(d.line) + " [" + lib::las::kind_name(d.kind) + "] ") + d.text);
        }
        if (notes.total() > notes_shown)
            say(tr("  ... and ", "  ... и ещё "_cp) + AnsiString(std::to_string(notes.total() - notes_shown)) +
                tr(" more (all of them: --json)", " (все: --json)"_cp));
    }
    return doc.is_log() ? exit_done : exit_usage;
}

void add_las_command(CLI::App& tool) {
    auto o = std::make_shared<las_options>();
    CLI::App* c = add_command(tool, "las", help_text("a data file as a LAS 2.0 log", "файл данных как LAS 2.0"_cp),
                              [o] { return las_command(*o); });
    add_details(
        c,
        help_text(
            "By default a row per --step of new hole, each curve the --agg of the records of that step, NULL where "
            "none fell; --time: a row per record by time; --records: a row per record by depth. gti info describes LAS "
            "files too.",
            "По умолчанию строка на каждый --step новой проходки, каждая кривая — --agg записей этого шага, NULL, где записей нет; --time: строка на запись по времени; --records: строка на запись по глубине. gti info описывает и файлы LAS."_cp) +
            "\n" + selection_details());
    c->add_option("in", o->input,
                  help_text("the data file, CSV file or LAS log to read",
                            "файл данных, файл CSV или файл LAS, который прочитать"_cp))
        ->required();
    c->add_option("out", o->output, help_text("the LAS file to write", "файл LAS, который записать"_cp))->required();
    c->add_option("--step", o->step, help_text("metres of hole a row (0.1)", "метров проходки на строку (0,1)"_cp))
        ->check(CLI::PositiveNumber);
    c->add_option("--agg", o->agg,
                  help_text("a row's value of the records of its step: mean, last, min or max",
                            "значение строки из записей её шага: mean, last, min или max"_cp))
        ->check(CLI::IsMember({"mean", "last", "min", "max"}));
    CLI::Option* time =
        c->add_flag("--time", o->time,
                    help_text("a row per record by time (epoch seconds, or ISO 8601 with --iso)",
                              "строка на запись по времени (секунды от 1970 года или ISO 8601 с --iso)"_cp));
    c->add_flag("--iso", o->iso, help_text("times as ISO 8601 text", "время текстом ISO 8601"_cp))->needs(time);
    c->add_flag("--records", o->records, help_text("a row per record by depth", "строка на запись по глубине"_cp))
        ->excludes(time);
    add_selection_options(c, o->select);
    c->add_option("--encoding", o->encoding,
                  help_text("of the text: 1251 (the default), utf-8 or ascii",
                            "кодировка текста: 1251 (по умолчанию), utf-8 или ascii"_cp))
        ->check(CLI::IsMember({"1251", "utf-8", "ascii"}));
    c->add_flag("--valid-only", o->valid_only,
                help_text("only the records that depth processing leaves valid",
                          "только записи, которые обработка глубины оставляет верными"_cp));
    add_force(c, o->force);
    add_json(c, o->json);
}

}  // namespace gti_tool
