// Fuzz target: the INI parser. Any bytes parse; printing gives them back unchanged; a value set
// reads back; erasing its section removes it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "util/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    lib::detail::ini_document doc{std::string(text)};
    if (doc.text() != text) std::abort();
    for (std::string_view section : doc.sections()) {
        for (const auto& [key, value] : doc.entries(section)) {
            (void)doc.find(section, key);
            (void)value;
        }
    }
    // Names in code page 1251 spelled as bytes, since a fuzz build keeps literals in UTF-8:
    // "Рейс"/"рейс"/"РЕЙС" and "Номер"/"номер".
    const char* const section = "\xD0\xE5\xE9\xF1";
    const char* const section_lower = "\xF0\xE5\xE9\xF1";
    const char* const section_upper = "\xD0\xC5\xC9\xD1";
    const char* const key = "\xCD\xEE\xEC\xE5\xF0";
    const char* const key_lower = "\xED\xEE\xEC\xE5\xF0";
    doc.set(section, key, "12");
    doc.set(section, "well", "\"\xDE\xE6\xED\xE0\xFF-7\"");
    lib::detail::ini_document again(doc.text());
    if (again.find(section_lower, key_lower) != std::string_view("12")) std::abort();
    again.erase_section(section_upper);
    if (again.find(section_lower, key_lower) || again.has_section(section)) std::abort();
    return 0;
}
