// Windows file names: station text and std::filesystem::path both reach the wide-character calls
// through UTF-8, the spelling of native().
#include <stdexcept>

#include "gti/platform/codepage.h"
#include "gti/platform/os.h"

namespace lib::os {

file_path::file_path(const AnsiString& station) : native_(cp1251::to_utf8(station.view())), display_(station) {}

file_path::file_path(const std::filesystem::path& native) {
    const std::u8string text = native.u8string();
    native_.assign(text.begin(), text.end());
    std::string shown;
    exact_ = cp1251::from_utf8_marked(native_, shown);
    display_ = std::move(shown);
}

file_path file_path::from_native(std::string_view native) {
    return file_path(std::filesystem::path(std::u8string(native.begin(), native.end())));
}

std::filesystem::path file_path::path() const {
    return std::filesystem::path(std::u8string(native_.begin(), native_.end()));
}

}  // namespace lib::os
