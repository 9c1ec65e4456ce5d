// The parts of the OS layer that are the same on every system: station names of files, the
// 1251 forms of the file functions (each converts the name and calls the file_path form), sorted
// listings, the DOS form of times, copies, slot names and the words of the serial opening
// statuses.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "gti/platform/codepage.h"
#include "gti/platform/dynlib.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "gti/platform/serial_line.h"
#include "platform/shared.h"

namespace lib::os {

std::string native_path(const AnsiString& path) {
    return cp1251::to_utf8(path.view());
}

bool station_name(std::string_view native, AnsiString& name) {
    std::string converted;
    if (!cp1251::from_utf8(native, converted)) return false;
    name = std::move(converted);
    return true;
}

open_result open_shared(const AnsiString& path, access mode, disposition disp, bool keep_lock) noexcept {
    try {
        return open_shared(file_path(path), mode, disp, keep_lock);
    } catch (...) {
        return {};
    }
}

bool copy_file(const AnsiString& from, const AnsiString& to) noexcept {
    try {
        return copy_file(file_path(from), file_path(to));
    } catch (...) {
        return false;
    }
}

bool delete_file(const AnsiString& path) noexcept {
    try {
        return delete_file(file_path(path));
    } catch (...) {
        return false;
    }
}

bool remove_directory(const AnsiString& path) noexcept {
    try {
        return remove_directory(file_path(path));
    } catch (...) {
        return false;
    }
}

bool clear_attributes(const AnsiString& path) noexcept {
    try {
        return clear_attributes(file_path(path));
    } catch (...) {
        return false;
    }
}

library_handle load_library(const AnsiString& path) noexcept {
    try {
        return load_library(file_path(path));
    } catch (...) {
        return nullptr;
    }
}

bool names_file(const AnsiString& path, file_handle h) noexcept {
    try {
        return names_file(file_path(path), h);
    } catch (...) {
        return false;
    }
}

const AnsiString& file_path::station_text() const {
    if (!exact_)
        throw std::invalid_argument(
            (display_ +
             ": the name cannot be written into a station file: code page 1251 cannot hold the marked characters")
                .str());
    return display_;
}

bool list_directory(const AnsiString& dir, std::vector<dir_entry>& entries) {
    if (!detail::list_entries(native_path(dir), false, entries)) return false;
    std::sort(entries.begin(), entries.end(), [](const dir_entry& a, const dir_entry& b) { return a.name < b.name; });
    return true;
}

bool list_directory(const file_path& dir, std::vector<dir_entry>& entries) {
    if (!detail::list_entries(dir.native(), true, entries)) return false;
    std::sort(entries.begin(), entries.end(), [](const dir_entry& a, const dir_entry& b) { return a.name < b.name; });
    return true;
}

bool entry_info(const AnsiString& path, dir_entry& entry) {
    return entry_info(file_path(path), entry);
}

const char* serial_open_text(serial_open_status status) noexcept {
    switch (status) {
        case serial_open_status::ok:
            return "open";
        case serial_open_status::not_found:
            return "no such device";
        case serial_open_status::busy:
            return "the port is in use";
        case serial_open_status::not_a_terminal:
            return "not a terminal (serial) device";
        case serial_open_status::already_open:
            return "the port object is open already";
        case serial_open_status::failed:
            break;
    }
    return "the port cannot be opened";
}

std::uint32_t detail::dos_time(int year, int month, int day, int hour, int minute, int second) noexcept {
    if (year < 1980) return dos_time(1980, 1, 1, 0, 0, 0);
    if (year > 2107) return dos_time(2107, 12, 31, 23, 59, 58);
    second = std::min(second, 59);  // a leap second
    return static_cast<std::uint32_t>(year - 1980) << 25 | static_cast<std::uint32_t>(month) << 21 |
           static_cast<std::uint32_t>(day) << 16 | static_cast<std::uint32_t>(hour) << 11 |
           static_cast<std::uint32_t>(minute) << 5 | static_cast<std::uint32_t>(second / 2);
}

bool detail::copy_contents(file_handle in, file_handle out) noexcept {
    char buffer[65536];
    for (;;) {
        const std::int64_t n = read_file(in, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0 || !write_file(out, buffer, static_cast<std::size_t>(n))) return false;
    }
}

std::string detail::escaped_slot_name(const AnsiString& name) {
    std::string escaped;
    for (const char c : cp1251::to_lower(name.view())) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '-') {
            escaped += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            escaped += hex;
        }
    }
    return escaped;
}

}  // namespace lib::os
