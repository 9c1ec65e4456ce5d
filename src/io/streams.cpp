#include "gti/io/streams.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace lib::io {

void BinaryOutputStream::write_line(const AnsiString& s) {
    std::string line;
    line.reserve(s.size() + 2);
    line.append(s.data(), s.size());
    line += "\r\n";
    write(line.data(), static_cast<unsigned>(line.size()));
}

int BinaryInputStream::get() {
    // Zero unless a byte arrives: a file stream delivers nothing at the end of its file.
    unsigned char c = 0;
    read(reinterpret_cast<char*>(&c), 1);
    return c;
}

AnsiString BinaryInputStream::read_line() {
    AnsiString line;
    while (!eof()) {
        const int c = get();
        if (c == '\n') break;
        if (c >= 0x20) line.push_back(static_cast<char>(c));
    }
    return line;
}

void write_binary(BinaryOutputStream& out, const AnsiString& value) {
    // The text ends at its first zero byte, so that what follows it reads in step; the zero goes
    // out with the bytes in one write.
    const std::size_t length = std::strlen(value.c_str());
    if (length >= std::numeric_limits<unsigned>::max())
        throw std::length_error("write_binary: a text of 4 GiB or more");
    out.write(value.c_str(), static_cast<unsigned>(length + 1));
}

void read_binary(BinaryInputStream& in, AnsiString& value) {
    // Memory and mapped streams throw when the bytes run out before the zero byte; the file
    // stream's get() gives 0 there, which ends the text.
    value.clear();
    for (int c = in.get(); c != 0; c = in.get())
        value.push_back(static_cast<char>(c));
}

void BinaryMemoryOutputStream::write(const char* data, unsigned count) {
    if (count != 0) data_.insert(data_.end(), data, data + count);
}

void BinaryMemoryInputStream::set_data(const char* data, unsigned count) {
    data_.assign(data, data + count);
    pos_ = 0;
}

void BinaryMemoryInputStream::read(char* buffer, unsigned count) {
    if (eof()) throw std::runtime_error("BinaryMemoryInputStream::read: eof() == true");
    if (pos_ + count > data_.size()) throw std::range_error("BinaryMemoryInputStream::read: out of range");
    if (count != 0) std::memcpy(buffer, data_.data() + pos_, count);
    pos_ += count;
}

}  // namespace lib::io
