// Fuzz target: the registration-file reader over bytes in memory. Any bytes either read into the
// store, read in part with one warning, or fail because they do not begin like a registration
// file; every record it keeps has one value per parameter, and nothing is read outside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "gti/storage/file_storage.h"

namespace {

void check(const FileStorage& s) {
    if (s.get_param_count() < 0 || s.get_param_count() > FileStorage::max_params) std::abort();
    for (int i = 0; i < s.get_record_count(); ++i) {
        if (s.get_record(i)->values.size() != static_cast<std::size_t>(s.get_param_count())) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    for (bool text_only : {false, true}) {
        FileStorage s;
        try {
            s.add_new_data(bytes, size, text_only);
        } catch (const FileStorageException& e) {
            // Only bytes that are no registration file fail; anything else keeps what is whole.
            if (!e.is_critical()) std::abort();
        }
        std::vector<AnsiString> warnings;
        s.get_warnings(warnings);
        if (warnings.size() > 1) std::abort();
        check(s);
        if (text_only && s.get_param_count() != 0) std::abort();
    }
    return 0;
}
