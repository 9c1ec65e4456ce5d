#include "gti/platform/tstream.h"
#include "gti/platform/cp_literal.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

using namespace lib::literals;

std::int64_t TStream::Size() {
    const std::int64_t here = Seek(0, soFromCurrent);
    const std::int64_t size = Seek(0, soFromEnd);
    Seek(here, soFromBeginning);
    return size;
}

TFileStream::TFileStream(const AnsiString& file_name, unsigned short mode)
    : TFileStream(lib::os::file_path(file_name), mode) {}

TFileStream::TFileStream(const lib::os::file_path& file_name, unsigned short mode) {
    using namespace lib::os;
    open_result r;
    if (mode == fmCreate) {
        r = open_shared(file_name, access::read_write, disposition::create_always);
    } else {
        const unsigned short how = mode & 0x0003;
        r = open_shared(file_name,
                        how == fmOpenRead    ? access::read
                        : how == fmOpenWrite ? access::write
                                             : access::read_write,
                        disposition::open_existing);
    }
    if (r.status == open_status::not_found) throw std::runtime_error("Файл не найден!"_cp);
    if (r.status != open_status::ok) throw std::runtime_error("Невозможно открыть файл!"_cp);
    handle_ = r.handle;
}

TFileStream::~TFileStream() {
    lib::os::close_file(handle_);
}

int TFileStream::Read(void* buffer, int count) {
    if (count <= 0) return 0;
    const std::int64_t n = lib::os::read_file(handle_, buffer, static_cast<std::size_t>(count));
    return n < 0 ? 0 : static_cast<int>(n);
}

int TFileStream::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    return lib::os::write_file(handle_, buffer, static_cast<std::size_t>(count)) ? count : 0;
}

std::int64_t TFileStream::Seek(std::int64_t offset, int origin) {
    const lib::os::seek_origin from = origin == soFromBeginning ? lib::os::seek_origin::begin
                                      : origin == soFromEnd     ? lib::os::seek_origin::end
                                                                : lib::os::seek_origin::current;
    return lib::os::seek_file(handle_, offset, from);
}

int TMemoryStream::Read(void* buffer, int count) {
    if (count <= 0 || pos_ >= data_.size()) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<int>(n);
}

int TMemoryStream::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    const auto n = static_cast<std::size_t>(count);
    if (pos_ + n > data_.size()) data_.resize(pos_ + n);
    std::memcpy(data_.data() + pos_, buffer, n);
    pos_ += n;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, int origin) {
    const std::int64_t base = origin == soFromBeginning ? 0
                              : origin == soFromEnd     ? static_cast<std::int64_t>(data_.size())
                                                        : static_cast<std::int64_t>(pos_);
    const std::int64_t target = base + offset;
    if (target < 0) return -1;
    pos_ = static_cast<std::size_t>(target);
    return target;
}

bool TWinSocketStream::WaitForData(int timeout_ms) {
    return lib::os::socket_wait_readable(socket_, timeout_ms);
}

int TWinSocketStream::Read(void* buffer, int count) {
    if (count <= 0 || !WaitForData(timeout_ms_)) return 0;
    const std::int64_t n = lib::os::socket_receive(socket_, buffer, static_cast<std::size_t>(count));
    return n < 0 ? 0 : static_cast<int>(n);
}

int TWinSocketStream::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    // A socket may take a block in parts.
    const char* p = static_cast<const char*>(buffer);
    int left = count;
    while (left > 0) {
        const std::int64_t n = lib::os::socket_send(socket_, p, static_cast<std::size_t>(left));
        if (n <= 0) return count - left > 0 ? count - left : -1;
        p += n;
        left -= static_cast<int>(n);
    }
    return count;
}
