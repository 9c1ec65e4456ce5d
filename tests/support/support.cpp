#include "support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <stdexcept>

#include "gti/io/streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/os.h"
#include "gti/util/string_list.h"

void PrintTo(const AnsiString& s, std::ostream* os) {
    *os << '"' << lib::cp1251::to_utf8(s.view()) << '"';
}

namespace gti_test {

temp_dir::temp_dir() {
    // TMPDIR where it is set (CTest sets it on POSIX), else the system's temporary folder.
    const char* base = std::getenv("TMPDIR");
    const std::filesystem::path parent =
        base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = parent / ("gtikit-test-" + std::to_string(random() % 100000000u));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = lib::os::file_path(candidate).display();
            return;
        }
    }
    throw std::runtime_error("no fresh temporary folder under " + parent.string());
}

temp_dir::~temp_dir() {
    std::error_code ec;
    std::filesystem::remove_all(lib::os::file_path(path_).path(), ec);
}

std::string read_bytes(const AnsiString& path) {
    std::ifstream in(lib::os::file_path(path).path(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const AnsiString& path, const std::string& bytes) {
    std::ofstream out(lib::os::file_path(path).path(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const AnsiString& path) {
    std::error_code ec;
    return std::filesystem::exists(lib::os::file_path(path).path(), ec);
}

std::vector<AnsiString> items(const TStringList& list) {
    return {list.begin(), list.end()};
}

std::string hex(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == ' ') continue;
        bytes.push_back(static_cast<char>(std::stoi(std::string(text.substr(i++, 2)), nullptr, 16)));
    }
    return bytes;
}

beep_recorder::beep_recorder()
    : previous_(lib::set_beep_handler([this](unsigned f, unsigned ms) { beeps.emplace_back(f, ms); })) {}

beep_recorder::~beep_recorder() {
    lib::set_beep_handler(previous_);
}

std::string bytes_of(const lib::io::BinaryMemoryOutputStream& out) {
    return out.get_size() == 0 ? std::string() : std::string(out.get_buffer(), out.get_size());
}

}  // namespace gti_test
