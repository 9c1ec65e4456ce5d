#include "convert.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "convert_old.h"
#include "gti/io/file_streams.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

constexpr std::size_t zlib_piece = 1 << 16;

bool ends_with_nocase(const AnsiString& file, const char* ext) {
    const std::string lower = lib::cp1251::to_lower(file.view());
    const std::size_t n = std::strlen(ext);
    return lower.size() >= n && lower.compare(lower.size() - n, n, ext) == 0;
}

bool is_registration_file(const AnsiString& file) {
    return ends_with_nocase(file, ".realtim") || ends_with_nocase(file, ".realdep") ||
           ends_with_nocase(file, ".reallag");
}

bool stderr_is_terminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// A zlib stream in memory, inflated as it is read.
class inflating_input final : public lib::io::BinaryInputStream {
public:
    inflating_input(const char* data, std::size_t size, const std::function<void(double)>& progress)
        : size_(size), progress_(progress) {
        if (inflateInit(&z_) != Z_OK) throw std::runtime_error("zlib cannot start inflating");
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z_.avail_in = static_cast<uInt>(size);
    }
    ~inflating_input() { inflateEnd(&z_); }
    inflating_input(const inflating_input&) = delete;
    inflating_input& operator=(const inflating_input&) = delete;

    void read(char* buffer, unsigned count) override {
        while (count > 0) {
            if (at_ == end_ && !refill()) throw std::runtime_error("the compressed data end early");
            const auto n = static_cast<unsigned>(std::min<std::size_t>(count, end_ - at_));
            std::memcpy(buffer, out_ + at_, n);
            at_ += n;
            buffer += n;
            count -= n;
        }
    }
    void skip(unsigned count) override {
        char scratch[4096];
        while (count > 0) {
            const unsigned n = std::min<unsigned>(count, sizeof scratch);
            read(scratch, n);
            count -= n;
        }
    }
    bool eof() override { return at_ == end_ && !refill(); }

private:
    // Inflates the next piece; false at the end of the zlib stream.
    bool refill() {
        at_ = end_ = 0;
        while (!finished_ && end_ == 0) {
            z_.next_out = reinterpret_cast<Bytef*>(out_);
            z_.avail_out = sizeof out_;
            const int rc = inflate(&z_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                finished_ = true;
            else if (rc == Z_BUF_ERROR && z_.avail_in == 0)
                throw std::runtime_error("the compressed data end early");
            else if (rc != Z_OK)
                throw std::runtime_error(std::string("damaged compressed data (zlib: ") + (z_.msg ? z_.msg : "error") +
                                         ")");
            end_ = sizeof out_ - z_.avail_out;
            if (progress_ && size_ > 0) progress_(static_cast<double>(z_.total_in) / static_cast<double>(size_));
        }
        return end_ > 0;
    }

    z_stream z_{};
    std::size_t size_;
    std::function<void(double)> progress_;
    char out_[zlib_piece];
    std::size_t at_ = 0, end_ = 0;
    bool finished_ = false;
};

// Deflates what is written (zlib, level 9) into memory.
class deflating_output final : public lib::io::BinaryOutputStream {
public:
    deflating_output() {
        if (deflateInit(&z_, 9) != Z_OK) throw std::runtime_error("zlib cannot start deflating");
    }
    ~deflating_output() { deflateEnd(&z_); }
    deflating_output(const deflating_output&) = delete;
    deflating_output& operator=(const deflating_output&) = delete;

    void write(const char* data, unsigned count) override {
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z_.avail_in = count;
        run(Z_NO_FLUSH);
    }
    // Ends the zlib stream and returns all of it.
    const std::string& finish() {
        run(Z_FINISH);
        out_.resize(used_);
        return out_;
    }

private:
    void run(int flush) {
        int rc;
        do {
            if (out_.size() - used_ < zlib_piece) out_.resize(std::max(out_.size() * 2, used_ + zlib_piece));
            z_.next_out = reinterpret_cast<Bytef*>(out_.data() + used_);
            z_.avail_out = static_cast<uInt>(out_.size() - used_);
            rc = deflate(&z_, flush);
            used_ = out_.size() - z_.avail_out;
            if (rc == Z_STREAM_ERROR) throw std::runtime_error("zlib cannot deflate");
        } while (flush == Z_FINISH ? rc != Z_STREAM_END : z_.avail_out == 0);
    }

    z_stream z_{};
    std::string out_;
    std::size_t used_ = 0;
};

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

bool is_compressed_file(const AnsiString& file) {
    return ends_with_nocase(file, compressed_extension);
}

void load_compressed_file(FileStorage& store, const AnsiString& file, const std::function<void(double)>& progress) {
    lib::io::InputMappedFile mapped;
    mapped.open(file, false);
    inflating_input in(mapped.get_data(), mapped.get_size(), progress);
    store.load_after_decompressing(in);
}

void save_compressed_file(FileStorage& store, const AnsiString& file, FileStorage::EncodeType encoding,
                          const std::function<void(double)>& progress) {
    deflating_output deflated;
    const int columns = std::max(1, store.get_param_count());
    store.save_for_compressing(deflated, encoding, [&](int column) {
        if (progress) progress((column + 1.0) / columns);
    });
    const std::string& bytes = deflated.finish();
    // The stream is whole in memory before the old file is touched.
    lib::io::BinaryOutputFileStream out;
    out.open(file, false, true);
    for (std::size_t at = 0; at < bytes.size(); at += INT_MAX)
        out.write(bytes.data() + at, static_cast<unsigned>(std::min<std::size_t>(bytes.size() - at, INT_MAX)));
    out.close();
}

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
    const bool compressed = is_compressed_file(to);
    if (!compressed && !is_registration_file(to) && !is_old_generation(to))
        throw std::runtime_error((to + ": unknown kind of data file to write (known: .creg, .realtim, .realdep, "
                                       ".reallag, .tim, .dep, .ldp)")
                                     .str());
    if (!compressed && encodings > 0)
        throw std::runtime_error("--plain and --quantized choose how a .creg file stores its columns");

    FileStorage store;
    if (is_compressed_file(from)) {
        progress_bar bar("Чтение "_cp + from);
        store.file_name = from;
        try {
            load_compressed_file(store, from, [&](double done) { bar(done); });
        } catch (const std::exception& e) {
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
            save_compressed_file(store, to, encoding, [&](double done) { bar(done); });
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
