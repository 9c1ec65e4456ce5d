#include "inputs.h"

#include <stdexcept>

#include "csv.h"
#include "gti/las/file.h"
#include "gti/las/import.h"
#include "gti/platform/codepage.h"
#include "join.h"

namespace gti_tool {
namespace {

bool ends_with(const AnsiString& name, std::string_view end) {
    const std::string lower = lib::cp1251::to_lower(name.view());
    return lower.size() >= end.size() && lower.compare(lower.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

input_kind input_kind_of(const lib::os::file_path& name) {
    if (is_csv_file(name.display())) return input_kind::csv;
    if (ends_with(name.display(), ".las")) return input_kind::las;
    return input_kind::data_file;
}

int add_las_log(const lib::os::file_path& file, FileStorage& store) {
    lib::las::file doc;
    FileStorage log;
    lib::las::import_result result;
    try {
        doc.load(file);
        result = lib::las::import_storage(doc, log);
    } catch (const std::exception& e) {
        throw std::runtime_error((file.display() + ": " + e.what()).str());
    }
    // The time range of the store applies to the log as to any file it reads.
    FileStorage kept;
    for (int p = 0; p < log.get_param_count(); ++p)
        kept.add_parametr(*log.get_param(p));
    kept.get_text_values().get_list().Assign(log.get_text_values().get_list());
    for (int r = 0; r < log.get_record_count(); ++r) {
        const FileStorageItem& item = *log.get_record(r);
        if (item.time >= store.time_range_start && item.time <= store.time_range_end) kept.add_record(item);
    }
    try {
        append_records(store, kept);
    } catch (const std::exception& e) {
        throw std::runtime_error((file.display() + ": " + e.what()).str());
    }
    return result.skipped;
}

}  // namespace gti_tool
