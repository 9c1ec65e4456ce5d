#include "gti/util/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>

#include "gti/platform/codepage.h"
#include "gti/util/number_text.h"
#include "gti/util/string_list.h"
#include "util/decimal.h"

namespace lib {
namespace {

constexpr std::string_view::size_type npos = std::string_view::npos;

// The KOI8-R byte of every 1251 byte.
constexpr std::array<unsigned char, 256> make_koi8r_table() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 0x80; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int i = 0x80; i < 0xC0; ++i)
        t[i] = '.';
    constexpr unsigned char capitals[32] = {0xE1, 0xE2, 0xF7, 0xE7, 0xE4, 0xE5, 0xF6, 0xFA, 0xE9, 0xEA, 0xEB,
                                            0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF2, 0xF3, 0xF4, 0xF5, 0xE6, 0xE8,
                                            0xE3, 0xFE, 0xFB, 0xFD, 0xFF, 0xF9, 0xF8, 0xFC, 0xE0, 0xF1};
    for (int i = 0; i < 32; ++i) {
        t[0xC0 + i] = capitals[i];
        t[0xE0 + i] = static_cast<unsigned char>(capitals[i] - 0x20);
    }
    // Signs and the letters of other Cyrillic alphabets that KOI8-R holds.
    constexpr unsigned char signs[][2] = {
        {0xA0, 0x9A}, {0xA1, 0xAE}, {0xA2, 0xBE}, {0xA4, 0x9F}, {0xA5, 0xBD}, {0xA8, 0xB3}, {0xA9, 0xBF},
        {0xAA, 0xB4}, {0xAB, 0x9D}, {0xAE, 0x9C}, {0xAF, 0xB7}, {0xB2, 0xB6}, {0xB3, 0xA6}, {0xB4, 0xAD},
        {0xB7, 0x9E}, {0xB8, 0xA3}, {0xB9, 0x98}, {0xBA, 0xA4}, {0xBB, 0x9B}, {0xBF, 0xA7},
    };
    for (const auto& s : signs)
        t[s[0]] = s[1];
    return t;
}

constexpr auto koi8r_table = make_koi8r_table();

bool is_blank(char c) noexcept {
    return static_cast<unsigned char>(c) <= ' ';
}

// `s` without the bytes up to 0x20 at its ends, as the platform's Trim does.
std::string_view trim_controls(std::string_view s) noexcept {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A double in the platform's general form: 15 significant digits, fixed unless the exponent is
// below -4 or above 14, the exponent written "E20" or "E-5".
std::string general_text(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string text(buf, r.ptr);
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        const bool negative = text[e + 1] == '-';
        const std::size_t digits = text.find_first_not_of('0', e + 2);
        text = text.substr(0, e) + (negative ? "E-" : "E") + text.substr(digits);
    }
    const std::size_t point = text.find('.');
    if (point != std::string::npos) text[point] = get_decimal_separator();
    return text;
}

// The one cache of get_word.
struct word_cache {
    std::mutex lock;
    AnsiString text;
    TStringList words;
};

word_cache& cache() {
    static word_cache c;
    return c;
}

// The byte that code_password adds to the byte at `position` under `key`.
unsigned char password_shift(int key, std::size_t position) noexcept {
    return static_cast<unsigned char>(static_cast<std::size_t>(key) * (position + 1));
}

int draw_password_key() {
    thread_local std::mt19937 engine{std::random_device{}()};
    thread_local int last_key = 0;
    std::uniform_int_distribution<int> keys(1, 255);
    int key;
    do {
        key = keys(engine);
    } while (key == last_key);
    last_key = key;
    return key;
}

}  // namespace

void separate_words1(const std::string& text, std::vector<std::string>& words, bool reuse) {
    if (!reuse) words.clear();
    std::size_t k = 0;
    std::size_t i = 0;
    for (;;) {
        i = text.find_first_not_of(' ', i);
        if (i == std::string::npos) break;
        std::string word;
        if (text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            word = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? text.size() : close + 1;
        } else {
            const std::size_t end = std::min(text.find(' ', i), text.size());
            word = text.substr(i, end - i);
            i = end;
        }
        if (k < words.size())
            words[k] = std::move(word);
        else
            words.push_back(std::move(word));
        ++k;
    }
}

void file_text_to_normal(std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == 'n')) {
            out += s[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += s[i];
        }
    }
    s = std::move(out);
}

void normal_text_to_file(std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(c) >= 32)
            out += c;
    }
    s = std::move(out);
}

AnsiString file_text_to_normal(const AnsiString& s) {
    std::string t = s.str();
    file_text_to_normal(t);
    return AnsiString(std::move(t));
}

AnsiString normal_text_to_file(const AnsiString& s) {
    std::string t = s.str();
    normal_text_to_file(t);
    return AnsiString(std::move(t));
}

void to_upper(const std::string& in, std::string& out) {
    out = in;
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void to_lower(const std::string& in, std::string& out) {
    out = in;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

void trim(const std::string& in, std::string& out) {
    const std::size_t first = in.find_first_not_of(' ');
    if (first == std::string::npos) {
        out.clear();
        return;
    }
    const std::size_t last = in.find_last_not_of(' ');
    out = in.substr(first, last - first + 1);
}

void win_to_coi8r(std::string& s) {
    for (char& c : s)
        c = static_cast<char>(koi8r_table[static_cast<unsigned char>(c)]);
}

std::string code_password(std::string plain) {
    const int key = draw_password_key();
    std::string coded = std::to_string(key);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const auto byte = static_cast<unsigned char>(plain[i]);
        coded += ' ';
        coded += std::to_string(static_cast<unsigned char>(byte + password_shift(key, i)));
    }
    return coded;
}

std::string encode_password(std::string coded) {
    std::istringstream in(coded);
    int key = 0;
    if (!(in >> key) || key < 1 || key > 255) return {};
    std::string plain;
    int number = 0;
    while (in >> number) {
        if (number < 0 || number > 255) return {};
        plain += static_cast<char>(static_cast<unsigned char>(number - password_shift(key, plain.size())));
    }
    if (!in.eof()) return {};
    return plain;
}

std::string str_borl_2_std(const AnsiString& s) {
    return s.str();
}

void string_to_vector(const AnsiString& s, std::vector<char>& v) {
    v.assign(s.begin(), s.end());
    v.push_back('\0');
}

void parse_to_words(const AnsiString& text, TStrings* list, char separator) {
    if (list == nullptr) return;
    list->Clear();
    if (separator != ' ') {
        std::string lines = text.str();
        for (char& c : lines)
            if (c == separator) c = '\n';
        list->SetText(AnsiString(std::move(lines)));
        return;
    }
    std::string_view rest = text.view();
    for (;;) {
        rest = trim_controls(rest);
        if (rest.empty()) break;
        std::size_t end;
        if (rest.front() == '"') {
            end = rest.find('"', 1);
            list->Add(AnsiString(rest.substr(1, end == npos ? npos : end - 1)));
        } else {
            end = rest.find(separator);
            list->Add(AnsiString(rest.substr(0, end)));
        }
        if (end == npos) break;
        rest.remove_prefix(end + 1);
    }
}

AnsiString get_word(const AnsiString& text, int index, char separator) {
    word_cache& c = cache();
    const std::lock_guard<std::mutex> hold(c.lock);
    if (text != c.text) {
        parse_to_words(text, &c.words, separator);
        c.text = text;
    }
    return index >= 0 && index < c.words.Count() ? c.words[index] : AnsiString();
}

int get_string_index(const TStrings* list, const AnsiString& s) {
    if (list == nullptr) return -1;
    const std::string wanted = cp1251::to_lower(s.view());
    for (int i = 0; i < list->Count(); ++i) {
        if (cp1251::to_lower(list->Get(i).view()) == wanted) return i;
    }
    return -1;
}

bool contains_string(const TStrings* list, const AnsiString& s) {
    return get_string_index(list, s) != -1;
}

void fill_strings(TStrings* list, const char** items) {
    if (list == nullptr) return;
    list->Clear();
    for (const char** p = items; p != nullptr && *p != nullptr; ++p)
        list->Add(*p);
}

void win_to_dos(const AnsiString& in, AnsiString& out) {
    AnsiString converted = in;
    for (char& c : converted)
        c = cp1251::to_866(c);
    out = std::move(converted);
}

void dos_to_win(const AnsiString& in, AnsiString& out) {
    AnsiString converted = in;
    for (char& c : converted)
        c = cp1251::from_866(c);
    out = std::move(converted);
}

const AnsiString* StringContainer::item(int index) {
    if (index == -1) index = cursor_++;
    return index >= 0 && index < count() ? &items_[static_cast<std::size_t>(index)] : nullptr;
}

void StringContainer::add(const AnsiString& s) {
    items_.push_back(s);
}

void StringContainer::add(int value) {
    items_.emplace_back(std::to_string(value));
}

void StringContainer::add(double value) {
    items_.emplace_back(general_text(value));
}

AnsiString StringContainer::get_string(int index) {
    const AnsiString* s = item(index);
    return s ? *s : AnsiString();
}

int StringContainer::get_int(int index, int default_value) {
    const AnsiString* s = item(index);
    int value = default_value;
    if (s == nullptr || !detail::parse_decimal(s->view(), value)) return default_value;
    return value;
}

double StringContainer::get_float(int index) {
    const AnsiString* s = item(index);
    return s ? str_to_float(*s) : 0.0;
}

void StringContainer::set_string(int index, const AnsiString& s) {
    if (index < 0) throw std::out_of_range("StringContainer::set_string: negative index");
    if (static_cast<std::size_t>(index) >= items_.size()) items_.resize(static_cast<std::size_t>(index) + 1);
    items_[static_cast<std::size_t>(index)] = s;
}

void StringContainer::set_int(int index, int value) {
    set_string(index, AnsiString(std::to_string(value)));
}

void StringContainer::set_float(int index, double value) {
    set_string(index, AnsiString(general_text(value)));
}

void StringContainer::set_comma_text(const AnsiString& text) {
    TStringList list;
    list.SetCommaText(text);
    items_.assign(list.begin(), list.end());
    cursor_ = 0;
}

AnsiString StringContainer::get_comma_text() const {
    TStringList list;
    for (const AnsiString& s : items_)
        list.Add(s);
    return list.CommaText();
}

void StringContainer::set_space_text(const AnsiString& text, char separator) {
    TStringList list;
    parse_to_words(AnsiString(trim_controls(text.view())), &list, separator);
    items_.assign(list.begin(), list.end());
    cursor_ = 0;
}

AnsiString StringContainer::get_space_text() const {
    AnsiString text;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) text += ' ';
        const AnsiString& s = items_[i];
        const bool quoted = s.empty() || s.find(' ') != AnsiString::npos;
        if (quoted) text += '"';
        text += s;
        if (quoted) text += '"';
    }
    return text;
}

void StringContainer::clear() {
    items_.clear();
    cursor_ = 0;
}

StrCharCvt::StrCharCvt(const AnsiString& s) : bytes_(s.begin(), s.end()) {
    bytes_.push_back('\0');
}

StrCharCvt::StrCharCvt(const std::string& s) : bytes_(s.begin(), s.end()) {
    bytes_.push_back('\0');
}

StrCharCvt::StrCharCvt(const char* s) : StrCharCvt(std::string(s ? s : "")) {}

}  // namespace lib
