#include "convert.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "convert_old.h"
#include "gti/io/file_streams.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/data_file.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

bool stderr_is_terminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// A progress bar on standard error, drawn only when standard error is a terminal.
class progress_bar {
public:
    explicit progress_bar(const AnsiString& label) : label_(u8(label)), shown_(stderr_is_terminal()) {}
    ~progress_bar() {
        if (drawn_ >= 0) std::fputc('\n', stderr);
    }
    progress_bar(const progress_bar&) = delete;
    progress_bar& operator=(const progress_bar&) = delete;

    // Shows the fraction done (0 to 1).
    void operator()(double fraction) {
        if (!shown_) return;
        const int percent = std::clamp(static_cast<int>(fraction * 100), 0, 100);
        if (percent == drawn_) return;
        drawn_ = percent;
        const int filled = percent * width / 100;
        std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.c_str(),
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), '.').c_str(), percent);
        std::fflush(stderr);
    }

private:
    static constexpr int width = 40;
    std::string label_;
    bool shown_;
    int drawn_ = -1;
};

}  // namespace

int convert(const std::vector<AnsiString>& args) {
    std::vector<AnsiString> files;
    int encodings = 0;
    FileStorage::EncodeType encoding = FileStorage::encode_plain;
    for (const AnsiString& a : args) {
        if (a == "--plain" || a == "--quantized") {
            encoding = a == "--plain" ? FileStorage::encode_plain : FileStorage::encode_quantized;
            ++encodings;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) throw std::runtime_error("convert takes an input file and an output file");
    if (encodings > 1) throw std::runtime_error("convert takes one of --plain and --quantized");
    const AnsiString& from = files[0];
    const AnsiString& to = files[1];
    const bool compressed = lib::data_file_kind_of(to) == lib::data_file_kind::compressed;
    if (lib::data_file_kind_of(to) == lib::data_file_kind::unknown)
        throw std::runtime_error((to + ": unknown kind of data file to write (known: .creg, .realtim, .realdep, "
                                       ".reallag, .tim, .dep, .ldp)")
                                     .str());
    if (!compressed && encodings > 0)
        throw std::runtime_error("--plain and --quantized choose how a .creg file stores its columns");

    FileStorage store;
    if (lib::data_file_kind_of(from) == lib::data_file_kind::compressed) {
        progress_bar bar("Чтение "_cp + from);
        try {
            store.add_compressed_file(from, false, [&](double done) { bar(done); });
        } catch (const std::exception& e) {
            if (std::string_view(e.what()).starts_with((from + ":").view())) throw;
            throw std::runtime_error((from + ": " + e.what()).str());
        }
    } else {
        load_data_file(store, from);
    }
    if (is_old_generation(from)) {
        // An old run file's section headers are no name=value pairs and have no place elsewhere.
        TStringList& lines = store.get_text_values().get_list();
        for (int i = lines.Count() - 1; i >= 0; --i) {
            if (lines[i].find('=') == AnsiString::npos) lines.Delete(i);
        }
    }

    if (compressed) {
        progress_bar bar("Запись "_cp + to);
        try {
            store.save_compressed_file(to, encoding, [&](double done) { bar(done); });
        } catch (const std::exception& e) {
            throw std::runtime_error((to + ": " + e.what()).str());
        }
    } else {
        save_data_file(store, to);
    }
    lib::io::OSFile written;
    written.open(to, lib::io::open_read, false);
    say("Записан "_cp + to + ": " + AnsiString(std::to_string(store.get_record_count())) + " записей, "_cp +
        AnsiString(std::to_string(store.get_param_count())) + " параметров, "_cp +
        AnsiString(std::to_string(written.get_real_size())) + " байт"_cp);
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    for (const AnsiString& w : warnings)
        say("Предупреждение: "_cp + w);
    return 0;
}

}  // namespace gti_tool
