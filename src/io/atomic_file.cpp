#include "gti/io/atomic_file.h"

#include <stdexcept>

#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"

using namespace lib::literals;

namespace lib::io {
namespace {

const char* const msg_cannot_write = "Невозможно записать в файл!"_cp;

}  // namespace

atomic_file::atomic_file() : buffer_(new char[capacity]) {}

atomic_file::atomic_file(const AnsiString& name) : atomic_file() {
    open(name);
}

atomic_file::~atomic_file() {
    abort();
}

void atomic_file::open(const AnsiString& name) {
    abort();
    replacement_.reset();
    size_ = 0;
    written_ = 0;
    committed_ = false;
    replacement_.emplace(name);
}

void atomic_file::write_large(const char* data, unsigned count) {
    flush();
    if (count >= capacity) {
        if (!is_open()) throw std::runtime_error(msg_cannot_write);
        if (!os::write_file(replacement_->handle(), data, count)) {
            abort();
            throw std::runtime_error(msg_cannot_write);
        }
        written_ += count;
        return;
    }
    std::memcpy(buffer_.get(), data, count);
    size_ = count;
}

void atomic_file::flush() {
    if (size_ == 0) return;
    const std::size_t n = size_;
    size_ = 0;
    if (!is_open() || !os::write_file(replacement_->handle(), buffer_.get(), n)) {
        abort();
        throw std::runtime_error(msg_cannot_write);
    }
    written_ += n;
}

os::file_handle atomic_file::lock_target() {
    if (!is_open()) throw std::runtime_error(msg_cannot_write);
    return replacement_->lock_target();
}

bool atomic_file::commit() {
    flush();
    if (!is_open()) throw std::runtime_error(msg_cannot_write);
    if (!replacement_->commit()) {
        abort();
        return false;
    }
    committed_ = true;
    return true;
}

void atomic_file::abort() noexcept {
    if (!replacement_ || committed_) return;
    replacement_.reset();
    size_ = 0;
    written_ = 0;
}

void atomic_file::get_time(FILETIME& creation, FILETIME& last_access, FILETIME& last_write) {
    flush();
    os::file_times t;
    if (!replacement_ || !os::get_file_times(replacement_->handle(), t))
        throw std::runtime_error("Невозможно прочитать из файла!"_cp);
    creation = t.creation;
    last_access = t.last_access;
    last_write = t.last_write;
}

}  // namespace lib::io
