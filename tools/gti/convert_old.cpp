#include "convert_old.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/data_file.h"
#include "info.h"

using namespace lib::literals;

namespace gti_tool {
bool is_old_generation(const lib::os::file_path& file) {
    return lib::data_file_kind_of(file) == lib::data_file_kind::old_generation;
}

void save_data_file(FileStorage& store, const lib::os::file_path& file) {
    const bool old = is_old_generation(file);
    if (lib::data_file_kind_of(file) == lib::data_file_kind::unknown)
        throw std::runtime_error(
            (file.display() + tr(": unknown kind of data file to write", ": неизвестный вид файла данных"_cp)).str());
    write_output(file, [&] {
        // Checked before the file is touched: a parameter without a column would be lost.
        const auto columns = old ? store.old_columns(file) : std::array<int, FileStorage::old_value_count>{};
        for (int i = 0; old && i < store.get_param_count(); ++i) {
            if (std::find(columns.begin(), columns.end(), i) != columns.end()) continue;
            if (store.get_param_count() > FileStorage::old_value_count)
                throw std::runtime_error((tr("the old generation holds 32 parameters, the data has ",
                                             "старый формат хранит 32 параметра, в данных их "_cp) +
                                          AnsiString(std::to_string(store.get_param_count())))
                                             .str());
            throw std::runtime_error(
                (tr("inpgti.nbl of that folder has no column for ", "в inpgti.nbl этой папки нет столбца для "_cp) +
                 store.get_param(i)->global_name)
                    .str());
        }
        store.save_all(file, false);
    });
}

}  // namespace gti_tool
