// byte_reader: a cursor over a byte range, for the pure decoders of the data-file formats.
//
// A decoder takes the bytes of a file (or of one block of it) and a position, and either reads a
// whole item and moves the position past it, or reports that the item does not fit and leaves
// the position where the item began. The position is where the decoder stopped: the caller
// knows how much of the data was whole. Nothing here reads outside the range or throws.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "gti/platform/ansi_string.h"

namespace lib::storage {

// A read position in `size` bytes at `data`.
struct byte_reader {
    const char* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;

    // The bytes after the position.
    std::size_t left() const noexcept { return pos < size ? size - pos : 0; }
    // True when `n` more bytes are there.
    bool has(std::size_t n) const noexcept { return n <= left(); }
    // The byte at the position.
    const char* here() const noexcept { return data + pos; }
    // Moves `n` bytes forward; false, unmoved, when fewer are left.
    bool skip(std::size_t n) noexcept {
        if (!has(n)) return false;
        pos += n;
        return true;
    }
    // Reads a number as its little-endian memory image; false, unmoved, when it does not fit.
    template <class T>
    requires std::is_trivially_copyable_v<T>
    bool get(T& value) noexcept {
        if (!has(sizeof(T))) return false;
        std::memcpy(&value, data + pos, sizeof(T));
        pos += sizeof(T);
        return true;
    }
    // Reads a text: its bytes up to a zero byte, which is passed over. False, unmoved, when no
    // zero byte comes before the end.
    bool text(AnsiString& value) {
        const void* zero = left() > 0 ? std::memchr(data + pos, 0, size - pos) : nullptr;
        if (zero == nullptr) return false;
        const auto length = static_cast<std::size_t>(static_cast<const char*>(zero) - (data + pos));
        value = AnsiString(data + pos, length);
        pos += length + 1;
        return true;
    }
};

}  // namespace lib::storage
