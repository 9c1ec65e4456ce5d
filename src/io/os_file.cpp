#include "gti/io/os_file.h"

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "gti/platform/cp_literal.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/system.h"

using namespace lib::literals;

namespace lib::io {
namespace {

const char* const msg_not_found = "Файл не найден!"_cp;
const char* const msg_cannot_open = "Невозможно открыть файл!"_cp;
const char* const msg_cannot_lock = "Невозможно заблокировать файл!"_cp;
const char* const msg_cannot_write = "Невозможно записать в файл!"_cp;
const char* const msg_cannot_read = "Невозможно прочитать из файла!"_cp;
const char* const msg_too_large = "Файл слишком велик (4 ГиБ и больше)!"_cp;

constexpr unsigned retry_pause_ms = 100;
constexpr std::int64_t four_gib = std::int64_t{1} << 32;

// A size or position as the station's 32-bit counts hold it.
unsigned as_32_bits(std::int64_t v) {
    if (v >= four_gib) throw std::runtime_error(msg_too_large);
    return static_cast<unsigned>(v);
}

}  // namespace

OSFile::~OSFile() {
    close();
}

OSFile::OSFile(OSFile&& other) noexcept
    : handle_(std::exchange(other.handle_, os::invalid_handle)), locked_(std::exchange(other.locked_, false)) {}

OSFile& OSFile::operator=(OSFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, os::invalid_handle);
        locked_ = std::exchange(other.locked_, false);
    }
    return *this;
}

void OSFile::open(const AnsiString& name, open_types type, bool lock) {
    open(os::file_path(name), type, lock);
}

void OSFile::open(const os::file_path& name, open_types type, bool lock) {
    close();
    os::access mode = os::access::write;
    os::disposition disp = os::disposition::open_always;
    if (type == open_read) {
        mode = os::access::read;
        disp = os::disposition::open_existing;
    } else if (type == open_write) {
        disp = os::disposition::create_always;
    }
    // A file written anew keeps the lock its truncation took: no reader sees it in between.
    const bool locked_by_open = lock && type == open_write;
    for (int attempt = 0;; ++attempt) {
        const os::open_result r = os::open_shared(name, mode, disp, locked_by_open);
        if (r.status == os::open_status::ok) {
            handle_ = r.handle;
            break;
        }
        if (r.status == os::open_status::not_regular) throw std::runtime_error(os::not_regular_file_message());
        if (attempt == max_try_counter - 1) {
            if (r.status == os::open_status::busy)
                throw std::runtime_error(name.display().str() + ": busy: another program holds it locked or reads it");
            throw std::runtime_error(msg_cannot_open);
        }
        if (r.status == os::open_status::not_found) throw std::runtime_error(msg_not_found);
        sleep_ms(retry_pause_ms);
    }
    if (locked_by_open)
        locked_ = true;
    else if (lock)
        this->lock();
    // A writer may have replaced the file while this handle waited for the lock: the name is then
    // opened again, so that nothing goes to a file that is no longer there.
    for (int attempt = 1; type == open_append && lock && !os::names_file(name, handle_); ++attempt) {
        close();
        const os::open_result r = os::open_shared(name, mode, disp);
        if (r.status != os::open_status::ok) throw std::runtime_error(msg_cannot_open);
        handle_ = r.handle;
        if (attempt == max_try_counter) {
            close();
            throw std::runtime_error(msg_cannot_open);
        }
        this->lock();
    }
    if (type == open_append) set_pointer(0, seek_end);
}

void OSFile::close() noexcept {
    if (!is_open()) return;
    if (locked_) unlock();
    os::close_file(handle_);
    handle_ = os::invalid_handle;
}

void OSFile::lock() {
    for (int attempt = 0; attempt < max_try_counter; ++attempt) {
        if (os::try_lock_file(handle_)) {
            locked_ = true;
            return;
        }
        sleep_ms(retry_pause_ms);
    }
    throw std::runtime_error(msg_cannot_lock);
}

void OSFile::unlock() noexcept {
    os::unlock_file(handle_);
    locked_ = false;
}

unsigned OSFile::read(char* buffer, unsigned count) {
    const std::int64_t n = os::read_file(handle_, buffer, count);
    if (n < 0) throw std::runtime_error(msg_cannot_read);
    return static_cast<unsigned>(n);
}

void OSFile::write(const char* data, unsigned count) {
    if (count == 0) return;
    if (!os::write_file(handle_, data, count)) throw std::runtime_error(msg_cannot_write);
}

void OSFile::append(const char* data, unsigned count) {
    const std::int64_t end = os::seek_file(handle_, 0, os::seek_origin::end);
    if (end < 0) throw std::runtime_error(msg_cannot_write);
    if (count == 0 || os::write_file(handle_, data, count)) return;
    os::set_file_size(handle_, static_cast<std::uint64_t>(end));
    throw std::runtime_error(msg_cannot_write);
}

unsigned OSFile::set_pointer(int offset, seek_types from) {
    os::seek_origin origin;
    switch (from) {
        case seek_begin:
            origin = os::seek_origin::begin;
            break;
        case seek_end:
            origin = os::seek_origin::end;
            break;
        case seek_current:
            origin = os::seek_origin::current;
            break;
        default:
            return 0xFFFFFFFFu;
    }
    const std::int64_t pos = os::seek_file(handle_, offset, origin);
    if (pos < 0) return 0xFFFFFFFFu;
    return as_32_bits(pos);
}

bool OSFile::eof() {
    const std::int64_t pos = os::seek_file(handle_, 0, os::seek_origin::current);
    const std::int64_t size = os::file_size(handle_);
    return pos < 0 || size < 0 || pos >= size;
}

unsigned OSFile::get_real_size() {
    const std::int64_t size = os::file_size(handle_);
    if (size < 0) throw std::runtime_error(msg_cannot_read);
    return as_32_bits(size);
}

void OSFile::get_time(FILETIME& creation, FILETIME& last_access, FILETIME& last_write) {
    os::flush_file(handle_);
    os::file_times t;
    if (!os::get_file_times(handle_, t)) throw std::runtime_error(msg_cannot_read);
    creation = t.creation;
    last_access = t.last_access;
    last_write = t.last_write;
}

}  // namespace lib::io
