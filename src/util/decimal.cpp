#include "util/decimal.h"

#include <charconv>

namespace lib::detail {

bool parse_decimal(std::string_view s, int& out) noexcept {
    // from_chars takes a minus sign but no plus sign.
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (s.empty() || s.front() < '0' || s.front() > '9') return false;
    }
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    out = v;
    return true;
}

}  // namespace lib::detail
