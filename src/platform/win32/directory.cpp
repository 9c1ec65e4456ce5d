// Win32 directories: listings with the attribute bits the system keeps, copies, deletions, the
// DOS form of file times, and changing a file's length.
//
// The read-only, hidden and directory bits are the system's own; every entry that is not a
// directory is marked archive and a name beginning with "." is hidden too, as on POSIX. A
// symbolic link or junction is marked as a link; deletions remove the link, never its target.
#include <algorithm>

#include "gti/platform/os.h"
#include "platform/shared.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

// Fills `e` (all but its name) from what a search or GetFileAttributesExW reports.
void describe(DWORD attributes, std::uint64_t size, const WIN32_FILETIME& creation, const WIN32_FILETIME& last_write,
              std::wstring_view name, dir_entry& e) {
    std::uint32_t a = 0;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    a |= directory ? attr_directory : attr_archive;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 && !directory) a |= attr_read_only;
    if ((attributes & FILE_ATTRIBUTE_HIDDEN) != 0 || (!name.empty() && name.front() == L'.')) a |= attr_hidden;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) a |= attr_link;
    e.attributes = a;
    e.size = directory ? 0 : size;
    e.creation = detail::to_filetime(creation);
    e.last_write = detail::to_filetime(last_write);
}

}  // namespace

bool detail::list_entries(const std::string& native_dir, bool every, std::vector<dir_entry>& entries) {
    entries.clear();
    std::wstring pattern = detail::wide(native_dir.empty() ? "." : native_dir);
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    do {
        const std::wstring_view name(found.cFileName);
        if (name == L"." || name == L"..") continue;
        const file_path entry_name = file_path::from_native(detail::utf8(name));
        if (!every && !entry_name.is_station_text()) continue;
        dir_entry e;
        describe(found.dwFileAttributes, (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                 found.ftCreationTime, found.ftLastWriteTime, name, e);
        e.name = entry_name.display();
        e.native_name = entry_name.native();
        entries.push_back(std::move(e));
    } while (FindNextFileW(search, &found));
    ok = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    return ok;
}

namespace {

// The attributes of an entry; INVALID_FILE_ATTRIBUTES when there is none.
DWORD attributes_of(const file_path& path) {
    return GetFileAttributesW(detail::wide(path.native()).c_str());
}

}  // namespace

bool entry_info(const file_path& path, dir_entry& entry) {
    if (path.native().empty()) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(detail::wide(path.native()).c_str(), GetFileExInfoStandard, &data)) return false;
    std::string name = path.native();
    while (name.size() > 1 && (name.back() == '/' || name.back() == '\\'))
        name.pop_back();
    const std::size_t slash = name.find_last_of("/\\");
    const file_path entry_name = file_path::from_native(slash == std::string::npos ? name : name.substr(slash + 1));
    describe(data.dwFileAttributes, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow, data.ftCreationTime,
             data.ftLastWriteTime, detail::wide(entry_name.native()), entry);
    entry.name = entry_name.display();
    entry.native_name = entry_name.native();
    return true;
}

bool copy_file(const file_path& from, const file_path& to) noexcept {
    try {
        const DWORD source_attributes = attributes_of(from);
        if (source_attributes == INVALID_FILE_ATTRIBUTES || (source_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return false;
        const DWORD target_attributes = attributes_of(to);
        if (target_attributes != INVALID_FILE_ATTRIBUTES &&
            (target_attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
            return false;
        const open_result in = open_shared(from, access::read, disposition::open_existing);
        if (in.status != open_status::ok) return false;
        // Opening the target truncates it: a copy onto the source itself is refused before that.
        const HANDLE existing = detail::open_for_info(detail::wide(to.native()));
        if (existing != INVALID_HANDLE_VALUE) {
            const bool same = detail::same_file(existing, detail::handle_of(in.handle));
            CloseHandle(existing);
            if (same) {
                close_file(in.handle);
                return false;
            }
        }
        const open_result out = open_shared(to, access::write, disposition::create_always);
        if (out.status != open_status::ok) {
            close_file(in.handle);
            return false;
        }
        bool ok = detail::copy_contents(in.handle, out.handle);
        if (ok) {
            WIN32_FILETIME creation{}, access_time{}, write_time{};
            ok = GetFileTime(detail::handle_of(in.handle), &creation, &access_time, &write_time) &&
                 SetFileTime(detail::handle_of(out.handle), nullptr, &access_time, &write_time);
        }
        close_file(in.handle);
        return close_file(out.handle) && ok;
    } catch (...) {
        return false;
    }
}

bool delete_file(const file_path& path) noexcept {
    try {
        const DWORD a = attributes_of(path);
        if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
        if ((a & FILE_ATTRIBUTE_READONLY) != 0 && (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
        return DeleteFileW(detail::wide(path.native()).c_str()) != 0;
    } catch (...) {
        return false;
    }
}

bool remove_directory(const file_path& path) noexcept {
    try {
        const DWORD a = attributes_of(path);
        if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
        return RemoveDirectoryW(detail::wide(path.native()).c_str()) != 0;
    } catch (...) {
        return false;
    }
}

bool clear_attributes(const file_path& path) noexcept {
    try {
        const DWORD a = attributes_of(path);
        if (a == INVALID_FILE_ATTRIBUTES) return false;
        if ((a & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
        return SetFileAttributesW(detail::wide(path.native()).c_str(), a & ~DWORD{FILE_ATTRIBUTE_READONLY}) != 0;
    } catch (...) {
        return false;
    }
}

std::uint32_t dos_date_time(const FILETIME& t) noexcept {
    const WIN32_FILETIME w = detail::to_win32(t);
    SYSTEMTIME utc{}, local{};
    // FileTimeToSystemTime takes times up to the year 30827; later ones are past 2107 anyway.
    if (!FileTimeToSystemTime(&w, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return detail::dos_time(filetime_to_uint64(t) < 0x8000000000000000ULL ? 1979 : 2108, 1, 1, 0, 0, 0);
    return detail::dos_time(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

bool set_file_size(file_handle h, std::uint64_t size) noexcept {
    if (size > static_cast<std::uint64_t>(INT64_MAX)) return false;
    const HANDLE fh = detail::handle_of(h);
    LARGE_INTEGER length, kept{}, zero{};
    length.QuadPart = static_cast<LONGLONG>(size);
    // The position is the caller's: it is put back afterwards.
    if (!SetFilePointerEx(fh, zero, &kept, FILE_CURRENT)) return false;
    // Windows refuses to cut a file short under another handle's mapping; growing takes the disk
    // space at once (a full disk is a refusal here).
    const bool ok = SetFilePointerEx(fh, length, nullptr, FILE_BEGIN) && SetEndOfFile(fh);
    SetFilePointerEx(fh, kept, nullptr, FILE_BEGIN);
    return ok;
}

}  // namespace lib::os
