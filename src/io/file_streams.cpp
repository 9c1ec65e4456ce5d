#include "gti/io/file_streams.h"

#include <algorithm>
#include <stdexcept>

#include "gti/platform/os.h"

namespace lib::io {

BinaryOutputFileStream::BinaryOutputFileStream() : buffer_(new char[1024]), capacity_(1024) {}

BinaryOutputFileStream::~BinaryOutputFileStream() {
    try {
        close();
    } catch (...) {
        // Destructors do not throw; close() reports the failure to callers that ask.
        file_.close();
    }
}

void BinaryOutputFileStream::open(const AnsiString& name, bool append, bool lock) {
    open(os::file_path(name), append, lock);
}

void BinaryOutputFileStream::open(const os::file_path& name, bool append, bool lock) {
    // Bytes still buffered for an earlier file go to that file, never to the new one.
    close();
    file_.open(name, append ? open_append : open_write, lock);
}

void BinaryOutputFileStream::write_large(const char* data, unsigned count) {
    if (count > flush_threshold) {
        // A block larger than the buffer's threshold goes straight to the file, after what
        // was buffered before it.
        flush();
        file_.write(data, count);
        return;
    }
    const std::size_t needed = size_ + count;
    std::size_t capacity = std::max(capacity_ * 2, needed);
    std::unique_ptr<char[]> bigger(new char[capacity]);
    std::memcpy(bigger.get(), buffer_.get(), size_);
    buffer_ = std::move(bigger);
    capacity_ = capacity;
    std::memcpy(buffer_.get() + size_, data, count);
    size_ = needed;
    if (size_ > flush_threshold) flush();
}

void BinaryOutputFileStream::flush() {
    if (size_ == 0) return;
    // The buffer is emptied even when the write fails, so that a failed write is reported once
    // and not repeated by close() or the destructor.
    const std::size_t n = size_;
    size_ = 0;
    file_.write(buffer_.get(), static_cast<unsigned>(n));
}

void BinaryOutputFileStream::close() {
    if (!file_.is_open()) {
        size_ = 0;
        return;
    }
    try {
        flush();
    } catch (...) {
        file_.close();
        throw;
    }
    file_.close();
}

void BinaryOutputFileStream::get_time(FILETIME& creation, FILETIME& last_access, FILETIME& last_write) {
    flush();
    file_.get_time(creation, last_access, last_write);
}

unsigned BinaryOutputFileStream::get_real_size() {
    flush();
    return file_.get_real_size();
}

void BinaryInputFileStream::open(const AnsiString& name, bool lock) {
    open(os::file_path(name), lock);
}

void BinaryInputFileStream::open(const os::file_path& name, bool lock) {
    file_.open(name, open_read, lock);
}

std::optional<std::uint64_t> BinaryInputFileStream::bytes_left() {
    const std::uint64_t size = file_.get_real_size();
    const std::uint64_t position = file_.set_pointer(0, seek_current);
    return position < size ? size - position : 0;
}

void BinaryInputFileStream::skip(unsigned count) {
    // Moves from the current position in steps that fit set_pointer's signed offset.
    while (count > 0) {
        const unsigned step = std::min(count, 0x7FFFFFFFu);
        file_.set_pointer(static_cast<int>(step), seek_current);
        count -= step;
    }
}

InputMappedFile::~InputMappedFile() {
    close();
}

void InputMappedFile::open(const AnsiString& name, bool lock) {
    open(os::file_path(name), lock);
}

void InputMappedFile::open(const os::file_path& name, bool lock) {
    close();
    file_.open(name, open_read, lock);
    // A failure leaves no file open.
    try {
        const unsigned size = file_.get_real_size();
        if (size == 0) throw std::runtime_error("InputMappedFile::open: (h_file_mapping == NULL)");
        void* view = os::map_file(file_.get_handle(), size, false);
        if (view == nullptr) throw std::runtime_error("InputMappedFile::open: (pointer == NULL)");
        base_ = static_cast<const char*>(view);
        size_ = size;
        pos_ = 0;
    } catch (...) {
        file_.close();
        throw;
    }
}

void InputMappedFile::close() noexcept {
    if (base_ != nullptr) os::unmap_file(file_.get_handle(), const_cast<char*>(base_), size_);
    base_ = nullptr;
    size_ = 0;
    pos_ = 0;
    file_.close();
}

void InputMappedFile::set_pointer(int offset, seek_types from) noexcept {
    switch (from) {
        case seek_begin:
            pos_ = offset;
            break;
        case seek_end:
            pos_ = static_cast<std::int64_t>(size_) + offset;
            break;
        case seek_current:
            pos_ += offset;
            break;
        default:
            break;
    }
}

void InputMappedFile::fail_eof() {
    throw std::runtime_error("InputMappedFile::read: eof");
}

}  // namespace lib::io
