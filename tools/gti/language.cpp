#include "language.h"

#include <cstdlib>
#include <string_view>

namespace gti_tool {

bool russian() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return std::string_view(value).starts_with("ru");
    }
    return false;
}

AnsiString tr(const char* en, const char* ru) {
    static const bool in_russian = russian();
    return in_russian ? AnsiString(ru) : AnsiString(en);
}

}  // namespace gti_tool
