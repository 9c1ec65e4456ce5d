// Fails when a string literal of the library's sources holds non-ASCII text without `_cp`: such
// a literal would reach the station's files as UTF-8 bytes instead of code page 1251.
// Usage: check_literals DIR... (every .h and .cpp below each folder is read).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool non_ascii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return true;
    return false;
}

bool is_word_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The end of a quoted literal that starts at `i` (the quote), past its closing quote.
std::size_t quoted_end(const std::string& s, std::size_t i) {
    const char q = s[i];
    for (++i; i < s.size() && s[i] != q && s[i] != '\n'; ++i)
        if (s[i] == '\\') ++i;
    return i + 1;
}

// Reports the literals of one file that break the rule; returns how many.
int check(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string s{std::istreambuf_iterator<char>(in), {}};
    int faults = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (s.compare(i, 2, "//") == 0) {
            i = s.find('\n', i);
        } else if (s.compare(i, 2, "/*") == 0) {
            i = s.find("*/", i + 2);
            if (i != std::string::npos) i += 2;
        } else if (s[i] == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(s[i - 1])))) {
            i = quoted_end(s, i);
        } else if (s[i] == '"') {
            std::size_t p = i;
            while (p > 0 && is_word_char(s[p - 1]))
                --p;
            const std::string prefix = s.substr(p, i - p);
            if (prefix.find('R') != std::string::npos) {
                const std::size_t open = s.find('(', i);
                const std::string close = ")" + s.substr(i + 1, open - i - 1) + "\"";
                i = s.find(close, open);
                if (i != std::string::npos) i += close.size();
                continue;
            }
            const std::size_t end = quoted_end(s, i);
            if (prefix.empty() && non_ascii(s.substr(i, end - i)) && s.compare(end, 3, "_cp") != 0) {
                const auto line = 1 + std::count(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(i), '\n');
                std::printf("%s:%td: station text without _cp: %s\n", file.string().c_str(), line,
                            s.substr(i, end - i).c_str());
                ++faults;
            }
            i = end;
        } else {
            ++i;
        }
    }
    return faults;
}

}  // namespace

int main(int argc, char** argv) {
    int faults = 0, files = 0;
    for (int a = 1; a < argc; ++a) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[a])) {
            const auto ext = entry.path().extension();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            faults += check(entry.path());
            ++files;
        }
    }
    std::printf("%d files read, %d literals without _cp\n", files, faults);
    return faults == 0 && files > 0 ? 0 : 1;
}
