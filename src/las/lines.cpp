#include "gti/las/lines.h"

#include <cstring>

namespace lib::las {

std::string_view trim_blanks(std::string_view text) noexcept {
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

line_scanner::line_scanner(std::string_view text) noexcept : p_(text.data()), end_(text.data() + text.size()) {
    if (text.size() >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) {
        p_ += 3;
        bom_ = true;
    }
}

bool line_scanner::next(std::string_view& line, int& number) noexcept {
    if (p_ == end_) return false;
    const char* const start = p_;
    const char* q = p_;
    // LF is by far the common end; a CR found first ends the line too.
    const char* lf = static_cast<const char*>(std::memchr(q, '\n', static_cast<std::size_t>(end_ - q)));
    const char* const stop = lf != nullptr ? lf : end_;
    const char* cr = static_cast<const char*>(std::memchr(q, '\r', static_cast<std::size_t>(stop - q)));
    if (cr != nullptr) {
        line = std::string_view(start, static_cast<std::size_t>(cr - start));
        p_ = cr + 1;
        if (p_ != end_ && *p_ == '\n') ++p_;
    } else {
        line = std::string_view(start, static_cast<std::size_t>(stop - start));
        p_ = lf != nullptr ? lf + 1 : end_;
    }
    number = ++number_;
    return true;
}

}  // namespace lib::las
