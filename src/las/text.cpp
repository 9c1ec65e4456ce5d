#include "gti/las/text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "gti/platform/codepage.h"
#include "gti/util/number_text.h"

namespace lib {

void convert_to_upper(const AnsiString& src, AnsiString& dst) {
    dst.resize(src.size());
    for (std::size_t i = 0; i < src.size(); ++i)
        dst[i] = cp1251::to_upper(src[i]);
}

void convert_to_lower(const AnsiString& src, AnsiString& dst) {
    dst.resize(src.size());
    for (std::size_t i = 0; i < src.size(); ++i)
        dst[i] = cp1251::to_lower(src[i]);
}

void convert_to_win(const AnsiString& src, AnsiString& dst) {
    dst.resize(src.size());
    for (std::size_t i = 0; i < src.size(); ++i)
        dst[i] = cp1251::from_866(src[i]);
}

double str_to_double(std::string_view text) noexcept {
    return c_atof(text.data(), text.data() + text.size());
}

double str_to_double(const AnsiString& text) noexcept {
    return str_to_double(text.view());
}

double str_to_double(const char* text) noexcept {
    return text == nullptr ? 0.0 : str_to_double(std::string_view(text, std::strlen(text)));
}

}  // namespace lib
