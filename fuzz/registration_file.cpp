// Fuzz target: the registration-file reader over bytes in memory. Any bytes either read into the
// store, become a warning, or fail with an exception; every record it keeps has one value per
// parameter, and nothing is read outside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

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
        } catch (const std::exception&) {
            // A file cut inside a block fails as the stream reports it.
        }
        check(s);
        if (text_only && s.get_param_count() != 0) std::abort();
    }
    return 0;
}
