#include "gti/io/damage.h"

namespace lib::io {

std::string grouped(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

AnsiString damage_message(const AnsiString& file, std::uint64_t offset, std::string_view what,
                          std::optional<std::uint64_t> records_before) {
    std::string text = file.str() + ": damaged at byte " + grouped(offset) + ": " + std::string(what);
    if (records_before) {
        text += "; " + grouped(*records_before) + (*records_before == 1 ? " record" : " records") + " read before it";
    }
    return AnsiString(std::move(text));
}

}  // namespace lib::io
