#include "las.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>

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

// Writes the bytes as the file `name`, which takes its new contents whole or keeps its old ones.
void replace_file(const AnsiString& name, std::string_view bytes) {
    lib::os::replacement_file out;
    if (!out.create(name) || !lib::os::write_file(out.handle(), bytes.data(), bytes.size()) || !out.commit())
        throw std::runtime_error((name + ": Невозможно записать в файл!"_cp).str());
}

// The number after an option; throws when it is missing or not a number.
double option_number(const std::vector<AnsiString>& args, std::size_t& i) {
    double v = 0;
    if (i + 1 >= args.size() || !lib::las::values_cont::read_number(args[i + 1].view(), v))
        throw std::runtime_error((args[i] + " takes a number").str());
    return v;
}

}  // namespace

bool is_las_file(const AnsiString& file) {
    const std::string lower = lib::cp1251::to_lower(file.view());
    return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".las") == 0;
}

int las_command(const std::vector<AnsiString>& args) {
    lib::las::export_options options;
    std::vector<AnsiString> files;
    AnsiString encoding = "1251";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const AnsiString& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--valid-only")
            options.valid_only = true;
        else if (a == "--time")
            options.index = lib::las::export_index::time;
        else if (a == "--iso")
            options.iso_time = true;
        else if (a == "--records")
            options.index = lib::las::export_index::records;
        else if (a == "--step") {
            options.step = option_number(args, i);
            ++i;
        } else if (a == "--agg" && has_value) {
            const AnsiString& agg = args[++i];
            if (agg == "mean")
                options.agg = lib::las::aggregation::mean;
            else if (agg == "last")
                options.agg = lib::las::aggregation::last;
            else if (agg == "min")
                options.agg = lib::las::aggregation::min;
            else if (agg == "max")
                options.agg = lib::las::aggregation::max;
            else
                throw std::runtime_error("--agg takes mean, last, min or max");
        } else if (a == "--params" && has_value) {
            const AnsiString& list = args[++i];
            std::size_t start = 0;
            while (start <= list.size()) {
                const std::size_t comma = list.find(',', start);
                const std::size_t end = comma == AnsiString::npos ? list.size() : comma;
                if (end > start) options.params.push_back(list.substr(start, end - start));
                start = end + 1;
            }
        } else if (a == "--encoding" && has_value) {
            encoding = args[++i];
            if (encoding != "1251" && encoding != "utf-8" && encoding != "ascii")
                throw std::runtime_error("--encoding takes 1251, utf-8 or ascii");
        } else if (a.size() > 2 && a[0] == '-' && a[1] == '-')
            throw std::runtime_error(("unknown option or missing value: " + a).str());
        else
            files.push_back(a);
    }
    if (files.size() != 2) throw std::runtime_error("las takes a data file and the LAS file to write");
    if (options.iso_time && options.index != lib::las::export_index::time)
        throw std::runtime_error("--iso goes with --time");
    FileStorage store;
    load_data_file(store, files[0]);
    lib::las::file doc;
    const int rows = lib::las::export_storage(store, options, doc);
    if (rows == 0 && options.index == lib::las::export_index::depth && store.get_record_count() > 0)
        throw std::runtime_error((files[0] + ": за время записи скважина не углублялась, глубинный LAS пуст; "_cp
                                             "по времени: gti las --time"_cp)
                                     .str());
    lib::io::BinaryMemoryOutputStream out;
    doc.save(out);
    const std::string_view text(out.get_buffer() != nullptr ? out.get_buffer() : "", out.get_size());
    if (encoding == "utf-8")
        replace_file(files[1], lib::cp1251::to_utf8(text));
    else if (encoding == "ascii")
        replace_file(files[1], to_ascii(text));
    else
        replace_file(files[1], text);
    say("Записан LAS: "_cp + files[1] + " (" + AnsiString(std::to_string(rows)) + " строк, "_cp +
        AnsiString(std::to_string(doc.get_param_count())) + " кривых)"_cp);
    return 0;
}

int print_las_info(const AnsiString& file, bool json) {
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
        std::printf("{\n  \"file\": %s,\n  \"las\": %s,\n  \"curves\": [", json_string(file).c_str(),
                    doc.is_log() ? "true" : "false");
        for (int i = 0; curves && i < curves->size(); ++i) {
            const auto& c = curves->item_by_index(i);
            std::printf("%s\n    {\"mnemonic\": %s, \"unit\": %s, \"description\": %s}", i ? "," : "",
                        json_string(c.mnemonic).c_str(), json_string(c.unit).c_str(),
                        json_string(c.description).c_str());
        }
        std::printf("\n  ],\n  \"rows\": %d,\n  \"null\": %s", rows, json_number(doc.values.null_value).c_str());
        if (rows > 0 && columns > 0)
            std::printf(",\n  \"index_range\": [%s, %s]", json_string(index_text(0)).c_str(),
                        json_string(index_text(rows - 1)).c_str());
        std::printf(",\n  \"diagnostics_total\": %zu,\n  \"diagnostics\": [", notes.total());
        for (std::size_t i = 0; i < notes.items().size(); ++i) {
            const lib::las::diagnostic& d = notes.items()[i];
            std::printf("%s\n    {\"line\": %d, \"kind\": \"%s\", \"text\": %s}", i ? "," : "", d.line,
                        lib::las::kind_name(d.kind), json_string(d.text).c_str());
        }
        std::printf("\n  ]\n}\n");
        return doc.is_log() ? 0 : 1;
    }
    say("Файл LAS: "_cp + file);
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
        say(AnsiString("Кривых: "_cp + std::to_string(curves->size())));
        for (int i = 0; i < curves->size(); ++i) {
            const auto& c = curves->item_by_index(i);
            say("  " + c.mnemonic + " [" + c.unit + "] " + c.description);
        }
    }
    say(AnsiString("Строк: "_cp + std::to_string(rows)));
    if (rows > 0 && columns > 0) say("Индекс: "_cp + index_text(0) + " .. " + index_text(rows - 1));
    if (notes.total() > 0) {
        say(AnsiString("Замечания при чтении: "_cp + std::to_string(notes.total())));
        for (std::size_t i = 0; i < notes.items().size() && i < notes_shown; ++i) {
            const lib::las::diagnostic& d = notes.items()[i];
            say(AnsiString("  строка "_cp + std::to_string(d.line) + " [" + lib::las::kind_name(d.kind) + "] ") +
                d.text);
        }
        if (notes.total() > notes_shown)
            say(AnsiString("  ... и ещё "_cp + std::to_string(notes.total() - notes_shown) + " (все: --json)"_cp));
    }
    return doc.is_log() ? 0 : 1;
}

}  // namespace gti_tool
