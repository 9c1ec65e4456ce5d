// Fuzz target: reading a mapped file of any bytes. The input becomes a file; its bytes also steer
// a sequence of typed reads and seeks, none of which may read outside the mapping or report more
// bytes than the file holds. The code page guess reads the same file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gti/io/mapped_file.h"
#include "gti/util/files.h"

namespace {

// A file in the temporary folder that holds the current input.
const std::string& scratch_file() {
    static const std::string name = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/gtikit-fuzz-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) std::abort();
        close(fd);
        std::atexit([] { std::remove(scratch_file().c_str()); });
        return pattern;
    }();
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& name = scratch_file();
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();

    lib::mapped_file file;
    if (!file.open(name, lib::om_read, 0) || file.get_size() != size) std::abort();
    char buffer[300];
    for (std::size_t i = 0; i < size && i < 64; ++i) {
        const int step = data[i];
        int number = 0;
        long double extended = 0;
        double real = 0;
        AnsiString text;
        switch (step % 8) {
            case 0:
                (void)file.get();
                break;
            case 1:
                file >> number;
                break;
            case 2:
                file >> text;
                if (text.size() >= size) std::abort();
                break;
            case 3:
                file >> extended;
                break;
            case 4:
                if (file.read(buffer, step) > static_cast<int>(size)) std::abort();
                break;
            case 5:
                file.seekg(step - 128, lib::sk_current);
                break;
            case 6:
                file.seekg(step / 8, lib::sk_end);
                break;
            case 7:
                file >> real;
                break;
        }
    }
    file.close();
    const int coding = lib::check_file_coding(name);
    if (coding != 0 && coding != 1) std::abort();
    return 0;
}
