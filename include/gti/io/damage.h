// Messages about damaged files, in the one shape every reader uses:
//
//   12.realtim: damaged at byte 1,234,567: a record block is cut short; 14,399 records read before it
//
// the file as the caller named it, the byte offset where the damage starts, what is wrong in
// words, and how much was read before it, so that a person knows what was kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gti/platform/ansi_string.h"

namespace lib::io {

// A count with its digits grouped by thousands: 1234567 -> "1,234,567".
std::string grouped(std::uint64_t n);

// The message about a damaged place in `file` at byte `offset`: "FILE: damaged at byte N: WHAT",
// followed by "; K records read before it" when the number of whole records read is given.
AnsiString damage_message(const AnsiString& file, std::uint64_t offset, std::string_view what,
                          std::optional<std::uint64_t> records_before = std::nullopt);

}  // namespace lib::io
