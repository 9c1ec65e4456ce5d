#include "gti/las/diagnostics.h"

namespace lib::las {

const char* kind_name(diagnostic_kind kind) noexcept {
    switch (kind) {
        case diagnostic_kind::not_las:
            return "not-las";
        case diagnostic_kind::refused:
            return "refused";
        case diagnostic_kind::unknown_version:
            return "unknown-version";
        case diagnostic_kind::unplaced_line:
            return "unplaced-line";
        case diagnostic_kind::no_colon:
            return "no-colon";
        case diagnostic_kind::bad_null:
            return "bad-null";
        case diagnostic_kind::short_row:
            return "short-row";
        case diagnostic_kind::long_row:
            return "long-row";
        case diagnostic_kind::non_numeric:
            return "non-numeric";
        case diagnostic_kind::several_data:
            return "several-data";
        case diagnostic_kind::code_page:
            return "code-page";
        case diagnostic_kind::too_large:
            return "too-large";
    }
    return "unknown";
}

void diagnostics_list::add(int line, diagnostic_kind kind, const AnsiString& text) {
    ++total_;
    found_kinds_ |= 1u << static_cast<unsigned>(kind);
    if (items_.size() < kept) items_.push_back({line, kind, text});
}

bool diagnostics_list::has(diagnostic_kind kind) const noexcept {
    return (found_kinds_ & (1u << static_cast<unsigned>(kind))) != 0;
}

void diagnostics_list::clear() noexcept {
    items_.clear();
    total_ = 0;
    found_kinds_ = 0;
}

}  // namespace lib::las
