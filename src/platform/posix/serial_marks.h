// Decoding of the line-error marks that a terminal driver puts into the byte stream when it is
// told to mark errors (PARMRK): a data byte 0xFF arrives doubled, FF FF; a byte received with a
// parity or framing error arrives as FF 00 b, and a break as FF 00 00.
#pragma once

#include <cstddef>

namespace lib::os::detail {

// Decodes `count` bytes in place and returns how many data bytes are left at the front. `state`
// carries a mark cut by the end of one read into the next (0 at the start). `error` is set when
// a complete error mark was seen (its byte is dropped), or an FF followed by a byte that is
// neither 00 nor FF.
std::size_t decode_marks(int& state, unsigned char* bytes, std::size_t count, bool& error) noexcept;

}  // namespace lib::os::detail
