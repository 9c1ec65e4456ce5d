#include "gti/io/whole_file.h"

#include <cstdint>
#include <stdexcept>

#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"

namespace lib::io {
namespace {

constexpr std::int64_t four_gib = std::int64_t{1} << 32;

// Closes a handle when the read ends, however it ends.
struct handle_guard {
    os::file_handle h;
    ~handle_guard() { os::close_file(h); }
};

}  // namespace

whole_file try_read_whole_file(const AnsiString& name) {
    return try_read_whole_file(os::file_path(name));
}

whole_file try_read_whole_file(const os::file_path& name) {
    whole_file out;
    const os::open_result opened = os::open_shared(name, os::access::read, os::disposition::open_existing);
    if (opened.status != os::open_status::ok) {
        out.status =
            opened.status == os::open_status::not_found ? whole_file_status::not_found : whole_file_status::cannot_open;
        return out;
    }
    const handle_guard guard{opened.handle};
    const std::int64_t size = os::file_size(opened.handle);
    if (size < 0) {
        out.status = whole_file_status::cannot_read;
        return out;
    }
    if (size >= four_gib) {
        out.status = whole_file_status::too_large;
        return out;
    }
    const auto capacity = static_cast<std::size_t>(size);
    out.data = std::make_unique_for_overwrite<char[]>(capacity == 0 ? 1 : capacity);
    while (out.size < capacity) {
        const std::int64_t n = os::read_file(opened.handle, out.data.get() + out.size, capacity - out.size);
        if (n < 0) {
            out.status = whole_file_status::cannot_read;
            return out;
        }
        if (n == 0) break;
        out.size += static_cast<std::size_t>(n);
    }
    out.status = whole_file_status::ok;
    return out;
}

whole_file read_whole_file(const AnsiString& name) {
    return read_whole_file(os::file_path(name));
}

whole_file read_whole_file(const os::file_path& name) {
    whole_file f = try_read_whole_file(name);
    switch (f.status) {
        case whole_file_status::ok:
            return f;
        case whole_file_status::not_found:
            throw std::runtime_error("Файл не найден!"_cp);
        case whole_file_status::cannot_open:
            throw std::runtime_error("Невозможно открыть файл!"_cp);
        case whole_file_status::cannot_read:
            break;
        case whole_file_status::too_large:
            throw std::runtime_error("Файл слишком велик (4 ГиБ и больше)!"_cp);
    }
    throw std::runtime_error("Невозможно прочитать из файла!"_cp);
}

}  // namespace lib::io
