// zlib streams: bytes deflated as they are written, inflated as they are read.
//
// The station keeps its compressed data files (".creg") as one zlib stream (RFC 1950, deflate
// level 9) of the stream they hold. These two streams put zlib between a format's writer or
// reader and the bytes in memory, so the format's code never sees compressed bytes.
//
// Failures are std::runtime_error:
//   "zlib cannot start inflating" / "zlib cannot start deflating"   zlib has no memory
//   "the compressed data end early"            the zlib stream stops before its end mark, or a
//                                              read asks for more than it holds
//   "damaged compressed data (zlib: <why>)"    the bytes are no zlib stream, or a damaged one
//   "zlib cannot deflate"                      a deflate call failed
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "gti/io/streams.h"

namespace lib::io {

// Inflates a zlib stream held in memory as it is read. The bytes must live as long as the
// stream. It cannot tell how many bytes remain (bytes_left is empty).
class InflatingInputStream final : public BinaryInputStream {
public:
    // A stream over `size` deflated bytes; `progress`, when set, hears the fraction of them
    // consumed (0 to 1) after every piece inflated.
    InflatingInputStream(const char* data, std::size_t size, std::function<void(double)> progress = nullptr);
    ~InflatingInputStream();
    InflatingInputStream(const InflatingInputStream&) = delete;
    InflatingInputStream& operator=(const InflatingInputStream&) = delete;

    // Reads exactly `count` inflated bytes, or throws.
    void read(char* buffer, unsigned count) override;
    // Reads and drops `count` bytes.
    void skip(unsigned count) override;
    // True at the end of the zlib stream.
    bool eof() override;

private:
    struct state;
    std::unique_ptr<state> z_;
};

// Deflates what is written (level 9) into memory; finish() ends the zlib stream.
class DeflatingOutputStream final : public BinaryOutputStream {
public:
    DeflatingOutputStream();
    ~DeflatingOutputStream();
    DeflatingOutputStream(const DeflatingOutputStream&) = delete;
    DeflatingOutputStream& operator=(const DeflatingOutputStream&) = delete;

    // Deflates the bytes.
    void write(const char* data, unsigned count) override;
    // Ends the zlib stream and returns all of it; nothing may be written afterwards.
    const std::string& finish();

private:
    struct state;
    std::unique_ptr<state> z_;
};

}  // namespace lib::io
