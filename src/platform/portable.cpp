// The parts of the OS layer that are the same on every system: station names of files, the
// 1251 forms of the file functions (each converts the name and calls the file_path form), and the
// words of the serial opening statuses.
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "gti/platform/codepage.h"
#include "gti/platform/dynlib.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "gti/platform/serial_line.h"

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

}  // namespace lib::os
