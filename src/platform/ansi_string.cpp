#include "gti/platform/ansi_string.h"

#include <ostream>
#include <stdexcept>

#include "gti/platform/codepage.h"

AnsiString AnsiString::from_utf8(std::string_view utf8) {
    std::string station;
    if (!lib::cp1251::from_utf8_marked(utf8, station))
        throw std::invalid_argument("code page 1251 cannot hold the marked characters: " + station);
    return AnsiString(std::move(station));
}

std::string AnsiString::to_utf8() const {
    return lib::cp1251::to_utf8(s_);
}

std::ostream& operator<<(std::ostream& os, const AnsiString& s) {
    return os.write(s.data(), static_cast<std::streamsize>(s.size()));
}
