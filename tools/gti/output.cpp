#include "output.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "gti/platform/codepage.h"

namespace gti_tool {

std::string u8(const AnsiString& s) {
    return lib::cp1251::to_utf8(s.view());
}

AnsiString from_argument(const char* arg) {
    std::string text;
    if (!lib::cp1251::from_utf8(arg, text))
        throw std::runtime_error("an argument holds characters that station text cannot");
    return AnsiString(std::move(text));
}

std::string json_string(const AnsiString& s) {
    std::string out = "\"";
    for (char c : u8(s)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string json_number(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

void say(const AnsiString& line) {
    std::printf("%s\n", u8(line).c_str());
}

}  // namespace gti_tool
