// Writes a small file of timed drilling records through the library's streams, reads it back
// through a mapped file and prints the records as the station shows their times.
//
// Usage: timed_records [FILE]   (default: timed_records.dat in the current folder)
#include <gti/gtikit.h>
#include <gti/platform/cp_literal.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

using namespace lib::literals;

namespace {

// One record: when it was taken, the bit depth and the hook load.
struct record {
    std::uint32_t time;
    float depth_m;
    float hook_load_t;
};

// The station writes text in code page 1251; a terminal wants UTF-8.
void print(const AnsiString& line) {
    std::printf("%s\n", lib::cp1251::to_utf8(line.view()).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const AnsiString file = argc > 1 ? AnsiString(argv[1]) : AnsiString("timed_records.dat");
    try {
        // A minute of drilling sampled every 10 s, starting 2004-03-05 07:09:00.
        const std::uint32_t start = lib::time_2_long(2004, 3, 5, 7, 9, 0);
        {
            lib::io::BinaryOutputFileStream out;
            out.open(file, false, true);
            lib::io::write_binary(out, AnsiString("Скважина Южная-7, рейс 12"_cp));
            for (std::uint32_t i = 0; i <= 6; ++i) {
                const record r{start + 10 * i, 1250.0f + 0.05f * static_cast<float>(i),
                               86.5f - 0.3f * static_cast<float>(i)};
                lib::io::write_binary(out, r);
            }
            out.close();
        }

        lib::io::InputMappedFile in;
        in.open(file, true);
        AnsiString title;
        lib::io::read_binary(in, title);
        print(title);
        while (!in.eof()) {
            record r;
            lib::io::read_binary(in, r);
            char seconds[4];
            std::snprintf(seconds, sizeof seconds, ":%02u", static_cast<unsigned>(r.time % 60));
            print(lib::date_to_string(r.time) + seconds + "  глубина "_cp + lib::float_to_str(r.depth_m, 2) +
                  " м, вес на крюке "_cp + lib::float_to_str(r.hook_load_t, 1) + " т"_cp);
        }
        print(AnsiString("Записей: "_cp) +
              AnsiString(std::to_string((in.get_size() - title.size() - 1) / sizeof(record))) + ", длительность "_cp +
              lib::time_to_mis_sec(60));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", lib::cp1251::to_utf8(e.what()).c_str());
        return 1;
    }
    return 0;
}
