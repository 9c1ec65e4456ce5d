// Fuzz target: the text functions over any bytes. The one-line escapes keep a text on one line
// and come back (control bytes other than line feeds are dropped); unescaping
// never grows a text; splitting into words, the string container and the password decoder take
// anything; a coded password and both code-page conversions come back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gti/util/string_list.h"
#include "gti/util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Escaping leaves no control byte on the line and comes back for text without control bytes
    // other than line feeds.
    std::string s = text;
    lib::normal_text_to_file(s);
    for (char c : s)
        if (static_cast<unsigned char>(c) < 32) std::abort();
    lib::file_text_to_normal(s);
    std::string kept;
    for (char c : text)
        if (c == '\n' || static_cast<unsigned char>(c) >= 32) kept += c;
    if (s != kept) std::abort();
    s = text;
    lib::file_text_to_normal(s);
    if (s.size() > text.size()) std::abort();

    std::vector<std::string> words;
    lib::separate_words1(text, words, false);
    for (const std::string& w : words)
        if (w.size() > text.size()) std::abort();
    TStringList list;
    lib::parse_to_words(AnsiString(text), &list, ' ');
    lib::parse_to_words(AnsiString(text), &list, ',');
    lib::StringContainer fields;
    fields.set_space_text(AnsiString(text));
    (void)fields.get_int(-1, 0);
    (void)fields.get_float(-1);
    fields.set_comma_text(fields.get_space_text());
    (void)lib::encode_password(text);
    if (lib::encode_password(lib::code_password(text)) != text) std::abort();

    AnsiString dos, back;
    lib::win_to_dos(AnsiString(text), dos);
    lib::dos_to_win(dos, back);
    if (back != AnsiString(text)) std::abort();
    std::string koi = text;
    lib::win_to_coi8r(koi);
    if (koi.size() != text.size()) std::abort();
    return 0;
}
