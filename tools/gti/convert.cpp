#include "convert.h"

#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "convert_old.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/data_file.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {

int convert(const convert_options& o) {
    const AnsiString from = station(o.input);
    const AnsiString to = station(o.output);
    const bool compressed = lib::data_file_kind_of(to) == lib::data_file_kind::compressed;
    if (lib::data_file_kind_of(to) == lib::data_file_kind::unknown)
        throw std::runtime_error(
            (to +
             tr(": unknown kind of data file to write (known: .creg, .realtim, .realdep, "
                ".reallag, .tim, .dep, .ldp)",
                ": неизвестный вид файла данных (известны: .creg, .realtim, .realdep, .reallag, .tim, .dep, .ldp)"_cp))
                .str());
    if (!compressed && (o.plain || o.quantized))
        throw std::runtime_error(tr("--plain and --quantized choose how a .creg file stores its columns",
                                    "--plain и --quantized выбирают, как файл .creg хранит столбцы"_cp)
                                     .str());
    check_output(to, {from}, {}, o.force);

    FileStorage store;
    if (lib::data_file_kind_of(from) == lib::data_file_kind::compressed) {
        check_input(from);
        progress_bar bar(tr("Reading ", "Чтение "_cp) + from);
        try {
            store.add_compressed_file(from, false, [&](double done) { bar(done); });
        } catch (const std::exception& e) {
            if (std::string_view(e.what()).starts_with((from + ":").view())) throw;
            throw std::runtime_error((from + ": " + e.what()).str());
        }
    } else {
        load_data_file(store, from);
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

    if (compressed) {
        progress_bar bar(tr("Writing ", "Запись "_cp) + to);
        write_output(to, [&] {
            store.save_compressed_file(to, o.quantized ? FileStorage::encode_quantized : FileStorage::encode_plain,
                                       [&](double done) { bar(done); });
        });
    } else {
        save_data_file(store, to);
    }
    print_written(store, to, o.json);
    return read_warnings.empty() ? exit_done : exit_damaged;
}

void add_convert_command(CLI::App& tool) {
    auto o = std::make_shared<convert_options>();
    CLI::App* c =
        add_command(tool, "convert", "write a data file as another kind of data file", [o] { return convert(*o); });
    add_details(c,
                "Reads IN and writes OUT, of the kind OUT's extension names, run information included: a compressed "
                "data file .creg (the store column by column, deflated with zlib 9), a registration file (.realtim "
                ".realdep .reallag) or a file of the old generation (.tim .dep .ldp, with the folder's inpgti.nbl and "
                "the run file .rac). OUT takes its new contents whole or keeps its old ones.");
    c->add_option("in", o->input, "the data file to read")->required();
    c->add_option("out", o->output, "the data file to write")->required();
    CLI::Option* plain = c->add_flag("--plain", o->plain, ".creg: keep every value bit for bit (the default)");
    c->add_flag("--quantized", o->quantized,
                ".creg: a column in 8 or 16 bits where every value comes back within a relative 1e-4")
        ->excludes(plain);
    add_force(c, o->force);
    add_json(c, o->json);
}

}  // namespace gti_tool
