// POSIX file names: station text goes to the system as UTF-8, the system's names are bytes that
// are UTF-8 by convention.
#include <stdexcept>

#include "gti/platform/codepage.h"
#include "gti/platform/os.h"

namespace lib::os {

file_path::file_path(const AnsiString& station) : native_(cp1251::to_utf8(station.view())), display_(station) {}

file_path::file_path(const std::filesystem::path& native) : native_(native.native()) {
    std::string shown;
    exact_ = cp1251::from_utf8_marked(native_, shown);
    display_ = std::move(shown);
}

file_path file_path::from_native(std::string_view native) {
    return file_path(std::filesystem::path(native));
}

std::filesystem::path file_path::path() const {
    return std::filesystem::path(native_);
}

}  // namespace lib::os
