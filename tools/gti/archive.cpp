#include "archive.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "commands.h"
#include "gti/archive/block_archive.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"
#include "gti/time/unix_time.h"
#include "info.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {

namespace {

// Work on archives is worth a progress bar from 8 MiB.
constexpr std::uint64_t long_work = 8u << 20;

double fraction(std::uint64_t done, std::uint64_t total) {
    return total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
}

// "2024-03-05 07:00:00" of a time value.
std::string time_text(std::uint32_t t) {
    int day, month, year, hour, minute, second;
    lib::unix_time(t).serparate(day, month, year, hour, minute, &second);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return buf;
}

void open_archive(GZIP_DECOMPRESS& in, const lib::os::file_path& name) {
    check_input(name);
    if (!in.open(name))
        throw std::runtime_error(
            (name.display() + tr(": cannot open the archive", ": невозможно открыть архив"_cp)).str());
    if (in.blocks().empty())
        throw std::runtime_error(
            (name.display() + tr(": not a block archive (no records)", ": не блочный архив (нет записей)"_cp)).str());
}

struct archive_options {
    std::string archive, folder, comment;
    std::vector<std::string> files;
    bool json = false, force = false;
};

int create(const archive_options& o) {
    const lib::os::file_path out = file_argument(o.archive);
    std::vector<lib::os::file_path> files;
    for (const std::string& f : o.files) {
        files.push_back(file_argument(f));
        check_input(files.back());
    }
    check_output(out, files, {".arc"}, o.force);
    const std::uint64_t bytes = pack_files(out, files, station(o.comment));
    note(tr("Written archive ", "Записан архив "_cp) + out.display() + ": " + AnsiString(std::to_string(files.size())) +
         tr(" files, ", " файлов, "_cp) + count_text(static_cast<long long>(bytes)) + tr(" bytes", " байт"_cp));
    return exit_done;
}

int list(const archive_options& o) {
    const lib::os::file_path name = file_argument(o.archive);
    GZIP_DECOMPRESS in;
    open_archive(in, name);
    const std::uint32_t time = in.get_time();
    json_value files = json_value::array();
    std::vector<std::vector<AnsiString>> rows{
        {tr("size", "размер"_cp), tr("packed", "сжатый"_cp), tr("ratio", "доля"_cp), tr("name", "имя"_cp)}};
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
        files.push_back({{"name", json_text(b.name)},
                         {"offset", b.offset},
                         {"size", p.original},
                         {"packed", p.compressed},
                         {"ratio", json_number(ratio)},
                         {"damaged", damaged}});
        char percent[16];
        std::snprintf(percent, sizeof percent, "%.1f%%", ratio * 100);
        if (damaged)
            rows.push_back({"?", "?", "", b.name + tr(" (damaged)", " (повреждён)"_cp)});
        else
            rows.push_back({count_text(p.original), count_text(p.compressed), AnsiString(percent), b.name});
    }
    if (o.json) {
        print_json({{"archive", json_text(name.display())},
                    {"time", time ? json_value(time_text(time)) : json_value(nullptr)},
                    {"comment", json_text(in.read_comment())},
                    {"files", files}});
    } else {
        say(name.display());
        say(tr("Time: ", "Время: "_cp) + (time ? AnsiString(time_text(time)) : tr("none", "нет"_cp)));
        if (!in.read_comment().empty()) say(tr("Comment: ", "Комментарий: "_cp) + in.read_comment());
        print_table(rows, {0, 1, 2});
    }
    if (!in.index_warning().empty()) {
        std::fprintf(stderr, "gti: %s: %s\n", u8(name.display()).c_str(), u8(in.index_warning()).c_str());
        return exit_damaged;
    }
    return exit_done;
}

int extract(const archive_options& o) {
    const lib::os::file_path name = file_argument(o.archive);
    const lib::os::file_path folder = file_argument(o.folder);
    GZIP_DECOMPRESS in;
    open_archive(in, name);
    make_folder(folder);
    std::uint64_t total = 0, done = 0;
    for (const GZIP_FILE_BLOCK& b : in.blocks())
        if (b.mark == GZIP_MARK_FILE) total += static_cast<std::uint64_t>(b.size);
    std::vector<lib::archive_skip> skipped;
    {
        progress_bar bar(tr("Extracting", "Распаковка"_cp), total >= long_work);
        skipped = in.extract_to(folder, [&](const GZIP_FILE_BLOCK& b) {
            bar(fraction(done, total));
            done += static_cast<std::uint64_t>(b.size);
        });
    }
    int written = 0;
    for (const GZIP_FILE_BLOCK& b : in.blocks())
        written += b.mark == GZIP_MARK_FILE;
    written -= static_cast<int>(skipped.size());
    for (const lib::archive_skip& s : skipped)
        std::fprintf(
            stderr, "gti: %s\n",
            u8(name.display() + tr(": record \"", ": запись \""_cp) + s.name + tr("\" at byte ", "\" с байта "_cp) +
               AnsiString(std::to_string(s.offset)) + tr(" not written: ", " не записана: "_cp) +
               (s.unsafe_name ? tr("its name would leave the folder", "её имя ведёт за пределы папки"_cp)
                              : tr("the file cannot be written", "файл невозможно записать"_cp)))
                .c_str());
    note(folder.display() + ": " + AnsiString(std::to_string(written)) + tr(" files written", " файлов записано"_cp));
    return skipped.empty() ? exit_done : exit_damaged;
}

int test(const archive_options& o) {
    const lib::os::file_path name = file_argument(o.archive);
    GZIP_DECOMPRESS in;
    open_archive(in, name);
    std::uint64_t total = 0, done = 0;
    for (const GZIP_FILE_BLOCK& b : in.blocks())
        if (b.mark == GZIP_MARK_FILE) total += static_cast<std::uint64_t>(b.size);
    int good = 0, damaged = 0;
    {
        progress_bar bar(tr("Testing", "Проверка"_cp), total >= long_work);
        lib::array<char> data;
        for (const GZIP_FILE_BLOCK& b : in.blocks()) {
            if (b.mark != GZIP_MARK_FILE) continue;
            bar(fraction(done, total));
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
        std::fprintf(stderr, "gti: %s: %s\n", u8(name.display()).c_str(), u8(in.index_warning()).c_str());
        ++damaged;
    }
    if (o.json)
        print_json({{"archive", json_text(name.display())}, {"whole", good}, {"damaged", damaged}});
    else
        say(name.display() + ": " + AnsiString(std::to_string(good)) + tr(" records whole, ", " записей целы, "_cp) +
            AnsiString(std::to_string(damaged)) + tr(" damaged", " повреждены"_cp));
    return damaged == 0 ? exit_done : exit_damaged;
}

}  // namespace

std::uint64_t pack_files(const lib::os::file_path& archive, const std::vector<lib::os::file_path>& files,
                         const AnsiString& comment) {
    // A record keeps the file's name: the names are checked before the archive is begun.
    for (const lib::os::file_path& f : files)
        station_name(f, true);
    GZIP_COMPRESS out;
    if (!out.open(archive))
        throw write_failed(
            (archive.display() + tr(": cannot create the archive", ": невозможно создать архив"_cp)).str());
    if (!comment.empty()) out.add_comment(comment);
    std::uint64_t total = 0, done = 0;
    std::vector<std::uint64_t> sizes;
    for (const lib::os::file_path& f : files) {
        lib::os::dir_entry e;
        sizes.push_back(lib::os::entry_info(f, e) ? e.size : 0);
        total += sizes.back();
    }
    {
        progress_bar bar(tr("Packing", "Упаковка"_cp), total >= long_work);
        for (std::size_t i = 0; i < files.size(); ++i) {
            bar(fraction(done, total));
            done += sizes[i];
            if (!out.add_file(files[i]))
                throw std::runtime_error(
                    (files[i].display() + tr(": cannot read the file", ": невозможно прочитать файл"_cp)).str());
        }
    }
    if (!out.close())
        throw write_failed(
            (archive.display() + tr(": the archive cannot be written", ": невозможно записать архив"_cp)).str());
    return out.written();
}

void add_archive_command(CLI::App& tool) {
    auto o = std::make_shared<archive_options>();
    CLI::App* a = add_command(
        tool, "archive", help_text("block archives of the station's files", "блочные архивы файлов станции"_cp), {});
    add_details(
        a,
        help_text(
            "Each file deflated on its own with zlib 9, a creation time and a comment; written crash-safe, read "
            "without trusting a byte.",
            "Каждый файл сжат отдельно (zlib 9), у архива время создания и комментарий; запись не теряет файл при сбое, чтение не доверяет ни одному байту."_cp));
    a->require_subcommand(1);
    CLI::App* c = add_command(
        *a, "create", help_text("pack files into a new block archive", "упаковать файлы в новый блочный архив"_cp),
        [o] { return create(*o); });
    add_details(c, help_text("The archive appears only once it is complete.", "Архив появляется только целиком."_cp));
    c->add_option("archive", o->archive, help_text("the archive to write", "архив, который записать"_cp))->required();
    c->add_option("files", o->files, help_text("the files to pack", "файлы, которые упаковать"_cp))->required();
    c->add_option("--comment", o->comment, help_text("the archive's comment", "комментарий архива"_cp));
    add_force(c, o->force);
    CLI::App* l = add_command(
        *a, "list", help_text("the archive's time, comment and files", "время, комментарий и файлы архива"_cp),
        [o] { return list(*o); });
    l->add_option("archive", o->archive, help_text("the archive", "архив"_cp))->required();
    add_json(l, o->json);
    CLI::App* e = add_command(*a, "extract",
                              help_text("write the archive's files into a folder", "записать файлы архива в папку"_cp),
                              [o] { return extract(*o); });
    add_details(e, help_text("A name that would leave the folder is not written (exit code 2).",
                             "Файл с именем, ведущим за пределы папки, не записывается (код выхода 2)."_cp));
    e->add_option("archive", o->archive, help_text("the archive", "архив"_cp))->required();
    e->add_option("folder", o->folder, help_text("where the files go", "куда записать файлы"_cp))->required();
    CLI::App* t = add_command(*a, "test",
                              help_text("decompress every record, report the damaged ones",
                                        "распаковать каждую запись, назвать повреждённые"_cp),
                              [o] { return test(*o); });
    add_details(t, help_text("Exit code 2 when a record is damaged.", "Код выхода 2, если запись повреждена."_cp));
    t->add_option("archive", o->archive, help_text("the archive", "архив"_cp))->required();
    add_json(t, o->json);
}

}  // namespace gti_tool
