// Fuzz target: the block archive reader. The input becomes an archive file; it is indexed,
// every record is decompressed, and the whole archive is extracted into a scratch folder. Any
// bytes either read or fail with GZIP_EXCEPTION; nothing is read outside the mapping, the index
// covers no byte past the end, a record never decompresses to more than deflate can make of its
// bytes, and extraction writes nothing but files of safe names inside the folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "gti/archive/block_archive.h"

namespace {

// A folder in the temporary folder, holding the archive and the extraction folder "out".
const std::string& scratch_dir() {
    // Never destroyed, so the clean-up at exit still finds it.
    static const std::string& name = *new std::string([] {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/gtikit-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratch_dir(), ignored);
        });
        return pattern;
    }());
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string archive = scratch_dir() + "/input.arc";
    const std::string out = scratch_dir() + "/out";
    std::FILE* f = std::fopen(archive.c_str(), "wb");
    if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
    std::error_code ignored;
    std::filesystem::remove_all(out, ignored);
    if (mkdir(out.c_str(), 0700) != 0) std::abort();

    GZIP_DECOMPRESS reader;
    if (!reader.open(archive)) std::abort();
    for (const GZIP_FILE_BLOCK& b : reader.blocks()) {
        if (b.offset >= size || b.size < 0) std::abort();
        if (b.mark != GZIP_MARK_FILE) continue;
        lib::array<char> bytes;
        try {
            reader.decompress_section(&b, bytes);
            if (static_cast<std::uint64_t>(bytes.size()) > 1032u * static_cast<std::uint64_t>(size)) std::abort();
        } catch (const GZIP_EXCEPTION&) {
        }
    }
    (void)reader.read_comment();
    (void)reader.get_time();
    try {
        for (const lib::archive_skip& s : reader.extract_to(out))
            if (s.unsafe_name == lib::safe_archive_name(s.name.view())) std::abort();
    } catch (const GZIP_EXCEPTION&) {
    }
    for (const auto& e : std::filesystem::directory_iterator(scratch_dir()))
        if (e.path().filename() != "input.arc" && e.path().filename() != "out") std::abort();
    for (const auto& e : std::filesystem::directory_iterator(out))
        if (!e.is_regular_file() || !lib::safe_archive_name(e.path().filename().string())) std::abort();
    return 0;
}
