// Uses the library through its umbrella header; the literal must arrive as code page 1251.
#include <gti/gtikit.h>

#include <cstdio>

int main() {
    const AnsiString key = "вес_на_крюке";
    if (key.size() != 12) return 1;
    if (lib::time_2_long(1970, 1, 1, 0, 0, 0) != 86400u) return 2;
    std::puts(lib::cp1251::to_utf8(lib::date_to_string(lib::time_2_long(2004, 3, 5, 7, 9, 0)).view()).c_str());
    return 0;
}
