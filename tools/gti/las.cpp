#include "las.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "gti/io/file_streams.h"
#include "gti/las/export.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/util/files.h"
#include "gti/util/number_text.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {

bool is_las_file(const AnsiString& file) {
    const std::string lower = lib::cp1251::to_lower(file.view());
    return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".las") == 0;
}

int las_command(const std::vector<AnsiString>& args) {
    lib::las::export_options options;
    std::vector<AnsiString> files;
    for (const AnsiString& a : args) {
        if (a == "--valid-only")
            options.valid_only = true;
        else if (a == "--time")
            options.by_time = true;
        else
            files.push_back(a);
    }
    if (files.size() != 2) throw std::runtime_error("las takes a data file and the LAS file to write");
    FileStorage store;
    load_data_file(store, files[0]);
    lib::las::file doc;
    lib::las::export_storage(store, options, doc);
    lib::io::BinaryOutputFileStream out;
    out.open(files[1], false, true);
    doc.save(out);
    out.close();
    say("Записан LAS: "_cp + files[1] + " (" + AnsiString(std::to_string(doc.values.lines.size())) + " строк, "_cp +
        AnsiString(std::to_string(doc.get_param_count())) + " кривых)"_cp);
    return 0;
}

void print_las_info(const AnsiString& file, bool json) {
    lib::las::file doc;
    // Header text in 1251 or 866: the letters tell which.
    doc.coding = lib::check_file_coding(file) == 1 ? lib::las::detailed::oem_text : lib::las::detailed::ansi_text;
    doc.load(file);
    const int rows = static_cast<int>(doc.values.lines.size());
    const auto curves = doc.get_curve_block();
    if (json) {
        std::printf("{\n  \"file\": %s,\n  \"curves\": [", json_string(file).c_str());
        for (int i = 0; i < curves->size(); ++i) {
            const auto& c = curves->item_by_index(i);
            std::printf("%s\n    {\"mnemonic\": %s, \"unit\": %s, \"description\": %s}", i ? "," : "",
                        json_string(c.mnemonic).c_str(), json_string(c.unit).c_str(),
                        json_string(c.description).c_str());
        }
        std::printf("\n  ],\n  \"rows\": %d", rows);
        if (rows > 0)
            std::printf(",\n  \"index_range\": [%s, %s]", json_number(doc.values.at(0, 0)).c_str(),
                        json_number(doc.values.at(0, rows - 1)).c_str());
        std::printf("\n}\n");
        return;
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
    say(AnsiString("Кривых: "_cp + std::to_string(curves->size())));
    for (int i = 0; i < curves->size(); ++i) {
        const auto& c = curves->item_by_index(i);
        say("  " + c.mnemonic + " [" + c.unit + "] " + c.description);
    }
    say(AnsiString("Строк: "_cp + std::to_string(rows)));
    if (rows > 0)
        say("Индекс: "_cp + lib::float_to_str(doc.values.at(0, 0), 2) + " .. " +
            lib::float_to_str(doc.values.at(0, rows - 1), 2));
}

}  // namespace gti_tool
