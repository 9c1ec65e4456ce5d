// Fuzz target: the compressed-data-stream reader, over a memory stream (whose length it knows)
// and over a stream that cannot tell its length. Any bytes either read into the store or fail
// with an exception, nothing is read outside the input, and both streams give the same store.
// A store that was read is written again: plain, it reads back bit for bit; quantized, every
// value comes back exactly or within the relative error of 1e-4 (values that count as zero
// excepted).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "gti/io/streams.h"
#include "gti/numeric/interpolation.h"
#include "gti/storage/file_storage.h"

namespace {

// A stream over bytes that does not say how many it holds.
class opaque_stream final : public lib::io::BinaryInputStream {
public:
    opaque_stream(const char* data, std::size_t size) : data_(data), size_(size) {}
    void read(char* buffer, unsigned count) override {
        if (pos_ > size_ || count > size_ - pos_) throw std::runtime_error("end of the bytes");
        if (count != 0) std::memcpy(buffer, data_ + pos_, count);
        pos_ += count;
    }
    void skip(unsigned count) override { pos_ += count; }
    bool eof() override { return pos_ >= size_; }

private:
    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Reads the bytes; true when they are a whole stream.
bool read(FileStorage& s, lib::io::BinaryInputStream& in) {
    try {
        s.load_after_decompressing(in);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Every record kept had its 17 bytes of fields in the input: none is made from a count alone.
void check_shape(const FileStorage& s, std::size_t size) {
    if (s.get_param_count() < 0 || s.get_param_count() > FileStorage::max_params) std::abort();
    if (static_cast<std::uint64_t>(s.get_record_count()) * 17 > size) std::abort();
    for (int i = 0; i < s.get_record_count(); ++i) {
        if (s.get_record(i)->values.size() != static_cast<std::size_t>(s.get_param_count())) std::abort();
    }
}

bool same_bits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// `back` holds the records of `s`, each value exactly or, when `tolerant`, within the tolerance.
void check_same(const FileStorage& s, const FileStorage& back, bool tolerant) {
    if (back.get_record_count() != s.get_record_count() || back.get_param_count() != s.get_param_count()) std::abort();
    for (int i = 0; i < s.get_record_count(); ++i) {
        const FileStorageItem& a = *s.get_record(i);
        const FileStorageItem& b = *back.get_record(i);
        if (a.time != b.time || a.tag != b.tag || !same_bits(a.depth, b.depth) ||
            !same_bits(a.second_depth, b.second_depth) || !same_bits(a.third_depth, b.third_depth))
            std::abort();
        for (std::size_t p = 0; p < a.values.size(); ++p) {
            const float v = a.values[p], r = b.values[p];
            if (same_bits(v, r)) continue;
            if (!tolerant || !std::isfinite(v)) std::abort();
            if (!lib::is_over_null(v) && !(std::fabs((static_cast<double>(r) - v) / v) < 1e-4)) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    FileStorage s;
    lib::io::BinaryMemoryInputStream in(bytes, static_cast<unsigned>(size));
    const bool whole = read(s, in);
    check_shape(s, size);

    FileStorage opaque_store;
    opaque_stream opaque(bytes, size);
    if (read(opaque_store, opaque) != whole) std::abort();
    check_shape(opaque_store, size);
    if (!whole) return 0;
    check_same(s, opaque_store, false);

    for (const auto encoding : {FileStorage::encode_plain, FileStorage::encode_quantized}) {
        lib::io::BinaryMemoryOutputStream out;
        s.save_for_compressing(out, encoding, nullptr);
        FileStorage back;
        lib::io::BinaryMemoryInputStream again(out.get_buffer(), out.get_size());
        back.load_after_decompressing(again);
        check_same(s, back, encoding == FileStorage::encode_quantized);
    }
    return 0;
}
