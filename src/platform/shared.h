// The pieces of the OS layer that the POSIX and Win32 backends share: written once in
// portable.cpp, or the backend's own step that a shared function calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "gti/platform/os.h"

namespace lib::os::detail {

// The station's messages of failed file operations.
inline const char* const msg_not_found = "Файл не найден!"_cp;
inline const char* const msg_read = "Невозможно прочитать из файла!"_cp;
inline const char* const msg_write = "Невозможно записать в файл!"_cp;
inline const char* const msg_lock = "Невозможно заблокировать файл!"_cp;

// The number of temporary-file slots of a file replacement: writers of one target at once.
constexpr int replacement_slots = 8;

// The packed DOS form of local calendar fields; years before 1980 give its first moment and years
// after 2107 its last one.
std::uint32_t dos_time(int year, int month, int day, int hour, int minute, int second) noexcept;

// Copies what is left of `in` to `out`; false when a read or a write fails.
bool copy_contents(file_handle in, file_handle out) noexcept;

// A slot name in the characters of a local slot's path: lower case, everything but ASCII letters,
// digits, '.', '_' and '-' as "%XX".
std::string escaped_slot_name(const AnsiString& name);

// The backend's listing of a folder, in no order; `every` keeps the entries whose names are not
// station text.
bool list_entries(const std::string& native_dir, bool every, std::vector<dir_entry>& entries);

}  // namespace lib::os::detail
