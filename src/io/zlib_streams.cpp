#include "gti/io/zlib_streams.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace lib::io {
namespace {

constexpr std::size_t piece = 1 << 16;

}  // namespace

struct InflatingInputStream::state {
    z_stream z{};
    std::size_t size = 0;
    std::function<void(double)> progress;
    char out[piece];
    std::size_t at = 0, end = 0;
    bool finished = false;

    // Inflates the next piece; false at the end of the zlib stream.
    bool refill() {
        at = end = 0;
        while (!finished && end == 0) {
            z.next_out = reinterpret_cast<Bytef*>(out);
            z.avail_out = sizeof out;
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                finished = true;
            else if (rc == Z_BUF_ERROR && z.avail_in == 0)
                throw std::runtime_error("the compressed data end early");
            else if (rc != Z_OK)
                throw std::runtime_error(std::string("damaged compressed data (zlib: ") + (z.msg ? z.msg : "error") +
                                         ")");
            end = sizeof out - z.avail_out;
            if (progress && size > 0) progress(static_cast<double>(z.total_in) / static_cast<double>(size));
        }
        return end > 0;
    }
};

InflatingInputStream::InflatingInputStream(const char* data, std::size_t size, std::function<void(double)> progress)
    : z_(std::make_unique<state>()) {
    if (inflateInit(&z_->z) != Z_OK) throw std::runtime_error("zlib cannot start inflating");
    z_->z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_->z.avail_in = static_cast<uInt>(std::min<std::size_t>(size, UINT32_MAX));
    z_->size = size;
    z_->progress = std::move(progress);
}

InflatingInputStream::~InflatingInputStream() {
    inflateEnd(&z_->z);
}

void InflatingInputStream::read(char* buffer, unsigned count) {
    while (count > 0) {
        if (z_->at == z_->end && !z_->refill()) throw std::runtime_error("the compressed data end early");
        const auto n = static_cast<unsigned>(std::min<std::size_t>(count, z_->end - z_->at));
        std::memcpy(buffer, z_->out + z_->at, n);
        z_->at += n;
        buffer += n;
        count -= n;
    }
}

void InflatingInputStream::skip(unsigned count) {
    char scratch[4096];
    while (count > 0) {
        const unsigned n = std::min<unsigned>(count, sizeof scratch);
        read(scratch, n);
        count -= n;
    }
}

bool InflatingInputStream::eof() {
    return z_->at == z_->end && !z_->refill();
}

struct DeflatingOutputStream::state {
    z_stream z{};
    std::string out;
    std::size_t used = 0;

    void run(int flush) {
        int rc;
        do {
            if (out.size() - used < piece) out.resize(std::max(out.size() * 2, used + piece));
            z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            z.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - used, UINT32_MAX));
            const std::size_t offered = z.avail_out;
            rc = deflate(&z, flush);
            used += offered - z.avail_out;
            if (rc == Z_STREAM_ERROR) throw std::runtime_error("zlib cannot deflate");
        } while (flush == Z_FINISH ? rc != Z_STREAM_END : z.avail_out == 0);
    }
};

DeflatingOutputStream::DeflatingOutputStream() : z_(std::make_unique<state>()) {
    if (deflateInit(&z_->z, 9) != Z_OK) throw std::runtime_error("zlib cannot start deflating");
}

DeflatingOutputStream::~DeflatingOutputStream() {
    deflateEnd(&z_->z);
}

void DeflatingOutputStream::write(const char* data, unsigned count) {
    z_->z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_->z.avail_in = count;
    z_->run(Z_NO_FLUSH);
}

const std::string& DeflatingOutputStream::finish() {
    z_->run(Z_FINISH);
    z_->out.resize(z_->used);
    return z_->out;
}

}  // namespace lib::io
