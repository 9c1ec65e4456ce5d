// A program of another project: its own literals stay UTF-8 ("m³/s"), station text says so with
// _cp and arrives as code page 1251.
#include <gti/gtikit.h>

#include <cstdio>
#include <cstring>

using namespace lib::literals;

int main() {
    const AnsiString key = "вес_на_крюке"_cp;
    if (key.size() != 12) return 1;
    if (std::strlen("m\u00b3/s") != 5) return 2;  // "m³/s": UTF-8, as the user wrote it
    if (lib::time_2_long(1970, 1, 1, 0, 0, 0) != 86400u) return 3;
    std::puts(lib::cp1251::to_utf8(lib::date_to_string(lib::time_2_long(2004, 3, 5, 7, 9, 0)).view()).c_str());
    return 0;
}
