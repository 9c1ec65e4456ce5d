#include "gti/las/lines.h"

#include <cstring>

namespace lib::las {

text_lines::text_lines(std::string_view text) : bytes_(std::make_unique_for_overwrite<char[]>(text.size())) {
    if (!text.empty()) std::memcpy(bytes_.get(), text.data(), text.size());
    split(bytes_.get(), text.size());
}

text_lines::text_lines(std::unique_ptr<char[]> bytes, std::size_t size) : bytes_(std::move(bytes)) {
    split(bytes_.get(), size);
}

void text_lines::split(const char* data, std::size_t size) {
    const char* p = data;
    const char* const end = data + size;
    while (p != end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* line_end = lf != nullptr ? lf : end;
        const char* const next = lf != nullptr ? lf + 1 : end;
        // CR LF ends a line as LF does; a CR anywhere else is an ordinary byte.
        if (lf != nullptr && line_end != p && line_end[-1] == '\r') --line_end;
        if (line_end != p && *p != '#') lines_.emplace_back(p, static_cast<std::size_t>(line_end - p));
        p = next;
    }
}

}  // namespace lib::las
