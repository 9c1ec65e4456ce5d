#include "archive.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "gti/archive/block_archive.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/time/unix_time.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {

namespace {

// A progress bar on standard error, shown only when that is a terminal and the work is long.
class progress {
public:
    progress(const char* verb, std::uint64_t total)
        : verb_(verb), total_(total), shown_(total >= (8u << 20) && isatty(STDERR_FILENO)) {}
    ~progress() {
        if (shown_) std::fprintf(stderr, "\r%*s\r", 79, "");
    }
    progress(const progress&) = delete;
    progress& operator=(const progress&) = delete;

    // Shows that `name` is next, `done` bytes of the total having been handled.
    void step(const AnsiString& name, std::uint64_t done) const {
        if (!shown_) return;
        const int percent = total_ == 0 ? 100 : static_cast<int>(done * 100 / total_);
        const std::string bar =
            std::string(static_cast<std::size_t>(percent / 5), '#') + std::string(20 - percent / 5, ' ');
        std::fprintf(stderr, "\r%s [%s] %3d%% %-40.40s", verb_, bar.c_str(), percent, u8(name).c_str());
        std::fflush(stderr);
    }

private:
    const char* verb_;
    std::uint64_t total_;
    bool shown_;
};

// "2024-03-05 07:00:00" of a time value.
std::string time_text(std::uint32_t t) {
    int day, month, year, hour, minute, second;
    lib::unix_time(t).serparate(day, month, year, hour, minute, &second);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return buf;
}

AnsiString only_argument(const std::vector<AnsiString>& args, std::size_t count, const char* what) {
    if (args.size() != count) throw std::runtime_error(what);
    return args[1];
}

void open_archive(GZIP_DECOMPRESS& in, const AnsiString& name) {
    if (!in.open(name)) throw std::runtime_error((name + ": cannot open the archive").str());
    if (in.blocks().empty()) throw std::runtime_error((name + ": not a block archive (no records)").str());
}

int create(const std::vector<AnsiString>& args) {
    std::vector<AnsiString> files;
    AnsiString comment;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--comment") {
            if (++i == args.size()) throw std::runtime_error("--comment needs a text");
            comment = args[i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() < 2) throw std::runtime_error("archive create takes the archive and at least one file");
    const AnsiString out = files.front();
    files.erase(files.begin());
    pack_files(out, files, comment);
    return 0;
}

int list(const std::vector<AnsiString>& args) {
    bool json = false;
    std::vector<AnsiString> rest;
    for (const AnsiString& a : args) {
        if (a == "--json")
            json = true;
        else
            rest.push_back(a);
    }
    const AnsiString name = only_argument(rest, 2, "archive list takes one archive");
    GZIP_DECOMPRESS in;
    open_archive(in, name);
    const std::uint32_t time = in.get_time();
    std::string records;
    if (!json) {
        say(name);
        std::printf("Time: %s\n", time ? time_text(time).c_str() : "none");
        if (!in.read_comment().empty()) say("Comment: " + in.read_comment());
        std::printf("%12s %12s %6s  %s\n", "size", "packed", "ratio", "name");
    }
    for (const GZIP_FILE_BLOCK& b : in.blocks()) {
        if (b.mark != GZIP_MARK_FILE) continue;
        lib::archive_payload p;
        bool damaged = false;
        try {
            p = in.payload(b);
        } catch (const GZIP_EXCEPTION&) {
            damaged = true;
        }
        const double ratio = p.original == 0 ? 0.0 : static_cast<double>(p.compressed) / p.original;
        if (json) {
            records += std::string(records.empty() ? "" : ",") + "\n    {\"name\": " + json_string(b.name) +
                       ", \"offset\": " + std::to_string(b.offset) + ", \"size\": " + std::to_string(p.original) +
                       ", \"packed\": " + std::to_string(p.compressed) + ", \"ratio\": " + json_number(ratio) +
                       ", \"damaged\": " + (damaged ? "true" : "false") + "}";
        } else if (damaged) {
            std::printf("%12s %12s %6s  %s\n", "?", "?", "", (u8(b.name) + " (damaged)").c_str());
        } else {
            std::printf("%12u %12u %5.1f%%  %s\n", p.original, p.compressed, ratio * 100, u8(b.name).c_str());
        }
    }
    if (json) {
        std::printf("{\n  \"archive\": %s,\n  \"time\": %s,\n  \"comment\": %s,\n  \"files\": [%s\n  ]\n}\n",
                    json_string(name).c_str(), time ? ("\"" + time_text(time) + "\"").c_str() : "null",
                    json_string(in.read_comment()).c_str(), records.c_str());
    }
    if (!in.index_warning().empty()) {
        std::fprintf(stderr, "gti: %s: %s\n", u8(name).c_str(), u8(in.index_warning()).c_str());
        return 2;
    }
    return 0;
}

int extract(const std::vector<AnsiString>& args) {
    if (args.size() != 3) throw std::runtime_error("archive extract takes the archive and a folder");
    GZIP_DECOMPRESS in;
    open_archive(in, args[1]);
    std::uint64_t total = 0, done = 0;
    for (const GZIP_FILE_BLOCK& b : in.blocks())
        if (b.mark == GZIP_MARK_FILE) total += static_cast<std::uint64_t>(b.size);
    const progress bar("extracting", total);
    const auto skipped = in.extract_to(args[2], [&](const GZIP_FILE_BLOCK& b) {
        bar.step(b.name, done);
        done += static_cast<std::uint64_t>(b.size);
    });
    int written = 0;
    for (const GZIP_FILE_BLOCK& b : in.blocks())
        written += b.mark == GZIP_MARK_FILE;
    written -= static_cast<int>(skipped.size());
    for (const lib::archive_skip& s : skipped)
        std::fprintf(stderr, "gti: %s: record \"%s\" at byte %u not written: %s\n", u8(args[1]).c_str(),
                     u8(s.name).c_str(), s.offset,
                     s.unsafe_name ? "its name would leave the folder" : "the file cannot be written");
    say(args[2] + ": " + AnsiString(std::to_string(written)) + " files written");
    return skipped.empty() ? 0 : 2;
}

int test(const std::vector<AnsiString>& args) {
    const AnsiString name = only_argument(args, 2, "archive test takes one archive");
    GZIP_DECOMPRESS in;
    open_archive(in, name);
    std::uint64_t total = 0, done = 0;
    for (const GZIP_FILE_BLOCK& b : in.blocks())
        if (b.mark == GZIP_MARK_FILE) total += static_cast<std::uint64_t>(b.size);
    int good = 0, damaged = 0;
    {
        const progress bar("testing", total);
        lib::array<char> data;
        for (const GZIP_FILE_BLOCK& b : in.blocks()) {
            if (b.mark != GZIP_MARK_FILE) continue;
            bar.step(b.name, done);
            done += static_cast<std::uint64_t>(b.size);
            try {
                in.decompress_section(&b, data);
                ++good;
            } catch (const GZIP_EXCEPTION& e) {
                std::fprintf(stderr, "gti: %s\n", u8(e.what()).c_str());
                ++damaged;
            }
        }
    }
    if (!in.index_warning().empty()) {
        std::fprintf(stderr, "gti: %s: %s\n", u8(name).c_str(), u8(in.index_warning()).c_str());
        ++damaged;
    }
    say(name + ": " + AnsiString(std::to_string(good)) + " records whole, " + AnsiString(std::to_string(damaged)) +
        " damaged");
    return damaged == 0 ? 0 : 1;
}

}  // namespace

void pack_files(const AnsiString& archive, const std::vector<AnsiString>& files, const AnsiString& comment) {
    GZIP_COMPRESS out;
    if (!out.open(archive)) throw std::runtime_error((archive + ": cannot create the archive").str());
    if (!comment.empty()) out.add_comment(comment);
    std::uint64_t total = 0, done = 0;
    std::vector<std::uint64_t> sizes;
    for (const AnsiString& f : files) {
        lib::os::dir_entry e;
        sizes.push_back(lib::os::entry_info(f, e) ? e.size : 0);
        total += sizes.back();
    }
    {
        const progress bar("packing", total);
        for (std::size_t i = 0; i < files.size(); ++i) {
            bar.step(files[i], done);
            done += sizes[i];
            if (!out.add_file(files[i])) throw std::runtime_error((files[i] + ": cannot read the file").str());
        }
    }
    if (!out.close()) throw std::runtime_error((archive + ": the archive cannot be written").str());
    say("Записан архив "_cp + archive + ": " + AnsiString(std::to_string(files.size())) + " файлов, "_cp +
        AnsiString(std::to_string(out.written())) + " байт"_cp);
}

int archive_command(const std::vector<AnsiString>& args) {
    const AnsiString verb = args.empty() ? AnsiString() : args[0];
    if (verb == "create") return create(args);
    if (verb == "list") return list(args);
    if (verb == "extract") return extract(args);
    if (verb == "test") return test(args);
    std::fprintf(stderr, "gti: archive takes create, list, extract or test (see gti --help)\n");
    return 2;
}

}  // namespace gti_tool
