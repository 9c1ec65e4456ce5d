#include "gti/platform/ansi_string.h"

#include <ostream>

std::ostream& operator<<(std::ostream& os, const AnsiString& s) {
    return os.write(s.data(), static_cast<std::streamsize>(s.size()));
}
