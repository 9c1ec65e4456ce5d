#include "gti/io/mapped_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace lib {
namespace {

constexpr unsigned failed = 0xFFFFFFFF;
constexpr std::uint64_t max_size = 0xFFFFFFFF;

// The value of a 10-byte extended real: 64-bit mantissa with its integer bit, then the sign and
// the 15-bit exponent, little-endian.
long double decode_extended(const unsigned char* b) noexcept {
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = mantissa << 8 | b[i];
    const unsigned sign_exponent = static_cast<unsigned>(b[8]) | static_cast<unsigned>(b[9]) << 8;
    const int exponent = static_cast<int>(sign_exponent & 0x7FFF);
    long double v;
    if (exponent == 0x7FFF)
        v = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                 : std::numeric_limits<long double>::quiet_NaN();
    else
        v = std::ldexp(static_cast<long double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    return (sign_exponent & 0x8000) ? -v : v;
}

}  // namespace

mapped_file_base::~mapped_file_base() {
    base_close();
}

bool mapped_file_base::base_open(const char* name, open_modes mode, unsigned size) noexcept {
    try {
        return base_open(os::file_path(AnsiString(name)), mode, size);
    } catch (...) {
        return false;
    }
}

bool mapped_file_base::base_open(const os::file_path& name, open_modes mode, unsigned size) noexcept {
    if (is_open() || (mode != om_read && mode != om_write)) return false;
    const bool writing = mode == om_write;
    const os::open_result r =
        os::open_shared(name, writing ? os::access::read_write : os::access::read,
                        writing ? os::disposition::create_always : os::disposition::open_existing);
    if (r.status != os::open_status::ok) return false;
    const std::int64_t file_size = os::file_size(r.handle);
    std::uint64_t map_size = file_size < 0 ? 0 : static_cast<std::uint64_t>(file_size);
    if (writing) map_size = std::max<std::uint64_t>(map_size, size == 0 ? 1 : size);
    void* view = nullptr;
    const bool ok = file_size >= 0 && map_size <= max_size && (!writing || os::set_file_size(r.handle, map_size)) &&
                    (map_size == 0 || (view = os::map_file(r.handle, map_size, writing)) != nullptr);
    if (!ok) {
        os::close_file(r.handle);
        return false;
    }
    file_ = r.handle;
    view_ = static_cast<char*>(view);
    view_size_ = map_size;
    initial_size_ = current_size_ = static_cast<unsigned>(file_size);
    writable_ = writing;
    return true;
}

void mapped_file_base::base_close() noexcept {
    if (view_ != nullptr) os::unmap_file(file_, view_, view_size_);
    if (file_ != os::invalid_handle) os::close_file(file_);
    file_ = os::invalid_handle;
    view_ = nullptr;
    view_size_ = 0;
    initial_size_ = current_size_ = 0;
    writable_ = false;
}

bool mapped_file_base::resize(unsigned new_size) noexcept {
    if (view_ == nullptr || !writable_ || new_size == 0) return false;
    os::unmap_file(file_, view_, view_size_);
    view_ = nullptr;
    view_size_ = 0;
    void* view = nullptr;
    if (!os::set_file_size(file_, new_size) || (view = os::map_file(file_, new_size, true)) == nullptr) {
        base_close();
        return false;
    }
    view_ = static_cast<char*>(view);
    view_size_ = current_size_ = new_size;
    return true;
}

mapped_file::~mapped_file() {
    if (high_water_ != 0) {
        resize(high_water_);
    } else if (writable_ && view_ != nullptr) {
        os::unmap_file(file_, view_, view_size_);
        view_ = nullptr;
        os::set_file_size(file_, 0);
    }
    base_close();
}

bool mapped_file::open(const AnsiString& name, open_modes mode, int size) noexcept {
    try {
        return open(os::file_path(name), mode, size);
    } catch (...) {
        return false;
    }
}

bool mapped_file::open(const os::file_path& name, open_modes mode, int size) noexcept {
    const unsigned limit = size < 0 ? 0 : static_cast<unsigned>(size);
    if (!base_open(name, mode, limit)) return false;
    read_pos_ = write_pos_ = 0;
    write_limit_ = limit;
    end_ = false;
    high_water_ = 0;
    return true;
}

std::int64_t mapped_file::moved(std::int64_t position, int offset, seek_type from) const noexcept {
    switch (from) {
        case sk_begin:
            return offset;
        case sk_current:
            return position + offset;
        case sk_end:
            return static_cast<std::int64_t>(current_size_) - offset - 1;
    }
    return position;
}

std::int64_t mapped_file::seekg(int offset, seek_type from) noexcept {
    read_pos_ = moved(read_pos_, offset, from);
    end_ = read_pos_ >= current_size_;
    return read_pos_;
}

std::int64_t mapped_file::seekp(int offset, seek_type from) noexcept {
    write_pos_ = moved(write_pos_, offset, from);
    return write_pos_;
}

bool mapped_file::read_image(void* target, std::size_t n) noexcept {
    if (view_ == nullptr || end_ || read_pos_ < 0 || static_cast<std::uint64_t>(read_pos_) + n > current_size_)
        return false;
    std::memcpy(target, view_ + read_pos_, n);
    read_pos_ += static_cast<std::int64_t>(n);
    end_ = read_pos_ >= current_size_;
    return true;
}

int mapped_file::get() noexcept {
    signed char c = 0;
    return read_image(&c, 1) ? c : -1;
}

mapped_file& mapped_file::operator>>(bool& value) noexcept {
    unsigned char b = 0;
    if (read_image(&b, 1)) value = b != 0;
    return *this;
}

mapped_file& mapped_file::operator>>(long double& value) noexcept {
    unsigned char b[10];
    if (read_image(b, sizeof b)) value = decode_extended(b);
    return *this;
}

mapped_file& mapped_file::operator>>(AnsiString& value) {
    if (view_ == nullptr || end_ || read_pos_ < 0 || read_pos_ >= current_size_) return *this;
    const char* start = view_ + read_pos_;
    const auto* zero = static_cast<const char*>(std::memchr(start, '\0', current_size_ - read_pos_));
    if (zero == nullptr) return *this;
    value = AnsiString(start, static_cast<std::size_t>(zero - start));
    read_pos_ += zero - start + 1;
    end_ = read_pos_ >= current_size_;
    return *this;
}

mapped_file& mapped_file::operator>>(TDateTime& value) noexcept {
    double days = 0;
    if (read_image(&days, sizeof days)) value = days;
    return *this;
}

int mapped_file::read(char* buffer, int count) noexcept {
    if (view_ == nullptr || end_ || read_pos_ < 0 || read_pos_ >= current_size_) return -1;
    const auto n = static_cast<int>(std::min<std::int64_t>(std::max(count, 0), current_size_ - read_pos_));
    if (n > 0) std::memcpy(buffer, view_ + read_pos_, static_cast<std::size_t>(n));
    read_pos_ += n;
    end_ = read_pos_ >= current_size_;
    return n;
}

unsigned mapped_file::write(const char* data, unsigned count) noexcept {
    if (view_ == nullptr || !writable_ || write_pos_ < 0) return failed;
    const std::uint64_t end = static_cast<std::uint64_t>(write_pos_) + count;
    // A file ends before 4 GiB, and no position after a write may read as the failure value.
    if (end >= max_size) return failed;
    if (end >= write_limit_) {
        // The growth step, held below 4 GiB while the write itself fits.
        const std::uint64_t grown = std::min(std::max<std::uint64_t>(count + 2ULL * current_size_, end), max_size);
        if (!resize(static_cast<unsigned>(grown))) return failed;
        write_limit_ = grown;
    }
    if (count != 0) std::memcpy(view_ + write_pos_, data, count);
    write_pos_ = static_cast<std::int64_t>(end);
    high_water_ = std::max(high_water_, static_cast<unsigned>(end));
    return static_cast<unsigned>(end);
}

unsigned write_bin_data(mapped_file& file, const AnsiString& value) noexcept {
    return write_bin_data(file, value.c_str());
}

unsigned write_bin_data(mapped_file& file, const TDateTime& value) noexcept {
    const double days = value;
    return file.write(reinterpret_cast<const char*>(&days), sizeof days);
}

unsigned write_bin_data(mapped_file& file, const char* value) noexcept {
    if (value == nullptr) value = "";
    const std::size_t n = std::strlen(value);
    if (n >= max_size) return failed;
    return file.write(value, static_cast<unsigned>(n) + 1);
}

}  // namespace lib
