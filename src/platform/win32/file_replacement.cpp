// Crash-safe replacement of a whole file (see file_replacement.h), with MoveFileExW.
//
// Temporary files take slots ".NAME.gti-new0" to ".NAME.gti-new7" beside the target. A writer
// owns a slot while it holds the whole-file lock of the slot's file and the slot's name still
// names that file; a slot file that nobody holds is a leftover of a killed writer: the next writer
// takes it over (truncating it) or removes it. The rename goes through the temporary file's own
// handle with POSIX semantics, so the old file may stay open elsewhere (its lock holder, readers);
// systems before Windows 10 get MoveFileExW with MOVEFILE_WRITE_THROUGH. A missing target is
// never overwritten by one that appeared meanwhile: without the replace flag the system refuses
// an existing name.
#include "gti/platform/file_replacement.h"

#include <io.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gti/platform/cp_literal.h"
#include "platform/shared.h"
#include "platform/win32/win32.h"

using namespace lib::literals;

namespace lib::os {
namespace {

std::wstring slot_path(const std::wstring& dir, const std::wstring& base, int slot) {
    return dir + L"\\." + base + L".gti-new" + std::to_wstring(slot);
}

// True when the path still names the open file.
bool names(const std::wstring& path, HANDLE h) {
    const HANDLE by_name = detail::open_for_info(path);
    if (by_name == INVALID_HANDLE_VALUE) return false;
    const bool same = detail::same_file(h, by_name);
    CloseHandle(by_name);
    return same;
}

HANDLE open_plain(const std::wstring& path, DWORD rights, DWORD disposition) {
    return CreateFileW(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Opens a slot's file and takes its lock; INVALID_HANDLE_VALUE when the slot is missing, busy or
// not a plain file.
HANDLE claim_slot(const std::wstring& path, bool create) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const HANDLE h = open_plain(path, GENERIC_READ | GENERIC_WRITE | DELETE, create ? OPEN_ALWAYS : OPEN_EXISTING);
        if (h == INVALID_HANDLE_VALUE) return h;
        if (GetFileType(h) != FILE_TYPE_DISK || !detail::lock_byte(h, detail::lock_offset)) {
            CloseHandle(h);
            return INVALID_HANDLE_VALUE;
        }
        if (names(path, h)) return h;
        CloseHandle(h);
    }
    return INVALID_HANDLE_VALUE;
}

// The file the path names after symbolic links, so that the rename replaces the file itself.
std::wstring resolved(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
    const HANDLE h = detail::open_for_info(path);
    if (h == INVALID_HANDLE_VALUE) return path;
    std::wstring final_path(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(h, final_path.data(), static_cast<DWORD>(final_path.size()), 0);
    CloseHandle(h);
    if (n == 0 || n >= final_path.size()) return path;
    final_path.resize(n);
    return final_path;
}

// Renames the open file `h` to `target`, over an existing file when `replace` is set. POSIX
// semantics first (Windows 10 and later): the old file may stay open in other handles, such as
// the one that holds its lock, and readers keep what they had open. Older systems fall back to
// MoveFileExW, which needs the old file closed everywhere.
bool rename_open_file(HANDLE h, const std::wstring& from, const std::wstring& target, bool replace, DWORD& error) {
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->Flags = FILE_RENAME_FLAG_POSIX_SEMANTICS | (replace ? FILE_RENAME_FLAG_REPLACE_IF_EXISTS : 0);
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), info->FileName);
    // FileRenameInfoEx, which these headers declare only for a later _WIN32_WINNT.
    constexpr auto rename_info_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    if (SetFileInformationByHandle(h, rename_info_ex, info, static_cast<DWORD>(buffer.size()))) return true;
    error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
    if (MoveFileExW(from.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0)))
        return true;
    error = GetLastError();
    // ReplaceFileW takes the old file's place even while readers hold it open (sharing its
    // deletion), and keeps its attributes.
    if (replace && error == ERROR_ACCESS_DENIED &&
        ReplaceFileW(target.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    if (replace && error == ERROR_ACCESS_DENIED) error = GetLastError();
    return false;
}

bool is_directory(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool names_file(const file_path& path, file_handle h) noexcept {
    try {
        return names(detail::wide(path.native()), detail::handle_of(h));
    } catch (...) {
        return false;
    }
}

const char* not_regular_file_message() noexcept {
    return "Это не файл: папка, канал или устройство!"_cp;
}

struct file_replacement::state {
    std::wstring target;
    std::wstring dir;
    std::wstring temp;
    HANDLE temp_h = INVALID_HANDLE_VALUE;
    file_handle temp_fd = invalid_handle;
    HANDLE target_h = INVALID_HANDLE_VALUE;
    file_handle target_fd = invalid_handle;  // owns target_h once the target is locked
    bool looked = false;                     // lock_target() ran
    bool committed = false;

    void close_target() noexcept {
        if (target_fd != invalid_handle)
            _close(target_fd);
        else if (target_h != INVALID_HANDLE_VALUE)
            CloseHandle(target_h);
        target_fd = invalid_handle;
        target_h = INVALID_HANDLE_VALUE;
    }
};

file_replacement::file_replacement(const AnsiString& target) : file_replacement(file_path(target)) {}

file_replacement::file_replacement(const file_path& target) : s_(std::make_unique<state>()) {
    state& s = *s_;
    s.target = resolved(detail::wide(target.native()));
    const std::size_t slash = s.target.find_last_of(L"/\\");
    s.dir = slash == std::wstring::npos ? L"." : s.target.substr(0, slash == 0 ? 1 : slash);
    const std::wstring base = slash == std::wstring::npos ? s.target : s.target.substr(slash + 1);

    const DWORD a = GetFileAttributesW(s.target.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) {
        if ((a & FILE_ATTRIBUTE_DIRECTORY) != 0) throw std::runtime_error(not_regular_file_message());
        const HANDLE probe = detail::open_for_info(s.target);
        const bool regular = probe != INVALID_HANDLE_VALUE && GetFileType(probe) == FILE_TYPE_DISK;
        if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
        if (!regular) throw std::runtime_error(not_regular_file_message());
    }
    if (!is_directory(s.dir)) throw std::runtime_error(detail::msg_not_found);

    for (int slot = 0; slot < detail::replacement_slots; ++slot) {
        const std::wstring path = slot_path(s.dir, base, slot);
        if (s.temp_h == INVALID_HANDLE_VALUE) {
            s.temp_h = claim_slot(path, true);
            if (s.temp_h != INVALID_HANDLE_VALUE) {
                s.temp = path;
                // A leftover of a killed writer is taken over from its first byte.
                LARGE_INTEGER zero{};
                if (!SetFilePointerEx(s.temp_h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(s.temp_h)) {
                    abort();
                    throw std::runtime_error(detail::msg_write);
                }
            } else if (GetLastError() == ERROR_DISK_FULL || GetLastError() == ERROR_WRITE_PROTECT) {
                throw std::runtime_error(detail::msg_write);
            }
            continue;
        }
        // Leftovers past our own slot are removed.
        const HANDLE stale = claim_slot(path, false);
        if (stale != INVALID_HANDLE_VALUE) {
            DeleteFileW(path.c_str());
            CloseHandle(stale);
        }
    }
    if (s.temp_h == INVALID_HANDLE_VALUE) throw std::runtime_error(detail::msg_write);
    s.temp_fd = detail::adopt(s.temp_h);
    if (s.temp_fd == invalid_handle) {
        DeleteFileW(s.temp.c_str());
        s.temp_h = INVALID_HANDLE_VALUE;
        throw std::runtime_error(detail::msg_write);
    }
}

file_replacement::~file_replacement() {
    abort();
    if (s_->temp_fd != invalid_handle) _close(s_->temp_fd);
}

file_handle file_replacement::handle() const noexcept {
    return s_->temp_fd;
}

file_handle file_replacement::lock_target() {
    using clock = std::chrono::steady_clock;
    state& s = *s_;
    s.looked = true;
    const auto deadline = clock::now() + std::chrono::seconds(2);
    for (int pause_us = 500;;) {
        s.target_h = open_plain(s.target, GENERIC_READ, OPEN_EXISTING);
        if (s.target_h == INVALID_HANDLE_VALUE) {
            const DWORD e = GetLastError();
            if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return invalid_handle;
            if (e != ERROR_SHARING_VIOLATION) throw std::runtime_error(detail::msg_lock);
        } else if (GetFileType(s.target_h) != FILE_TYPE_DISK) {
            s.close_target();
            throw std::runtime_error(not_regular_file_message());
        } else if (detail::lock_byte(s.target_h, detail::lock_offset)) {
            // The lock counts only if the path still names the file that was locked: an earlier
            // writer may have replaced it meanwhile.
            if (names(s.target, s.target_h)) {
                s.target_fd = detail::adopt(s.target_h);
                if (s.target_fd == invalid_handle) {
                    s.target_h = INVALID_HANDLE_VALUE;
                    throw std::runtime_error(detail::msg_lock);
                }
                return s.target_fd;
            }
        } else if (GetLastError() != ERROR_LOCK_VIOLATION) {
            s.close_target();
            throw std::runtime_error(detail::msg_lock);
        }
        s.close_target();
        if (clock::now() >= deadline) throw std::runtime_error(detail::msg_lock);
        std::this_thread::sleep_for(std::chrono::microseconds(pause_us));
        pause_us = pause_us < 20000 ? pause_us * 2 : pause_us;
    }
}

bool file_replacement::commit() {
    state& s = *s_;
    if (s.temp_fd == invalid_handle || s.committed) throw std::runtime_error(detail::msg_write);
    try {
        if (!FlushFileBuffers(s.temp_h)) throw std::runtime_error(detail::msg_write);
        // A caller that looked at the target replaces exactly what it saw.
        const bool caller_looked = s.looked;
        if (!caller_looked) lock_target();
        for (;;) {
            const bool replacing = s.target_h != INVALID_HANDLE_VALUE;
            // A scanner or an indexer may hold the target open without sharing its deletion for
            // a moment: the rename is tried again for about two seconds.
            bool moved = false;
            DWORD error = 0;
            for (int attempt = 0; attempt < 100; ++attempt) {
                moved = rename_open_file(s.temp_h, s.temp, s.target, replacing, error);
                if (moved || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) break;
                // Without POSIX semantics (before Windows 10, and under Wine) no handle may hold
                // the old file open, the locking one included: it goes, and for the moment of
                // the rename the old file is unlocked.
                s.close_target();
                std::this_thread::sleep_for(std::chrono::milliseconds(attempt == 0 ? 0 : 20));
            }
            if (moved) {
                // The new entry goes to disk with the file's own metadata.
                FlushFileBuffers(s.temp_h);
                break;
            }
            if (replacing || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS))
                throw std::runtime_error(detail::msg_write);
            // The target appeared after it was looked for.
            if (caller_looked) {
                abort();
                return false;
            }
            lock_target();
        }
        s.committed = true;
        // The slot's lock must not stay on what is now the target.
        detail::unlock_byte(s.temp_h, detail::lock_offset);
        s.close_target();
        return true;
    } catch (...) {
        abort();
        throw;
    }
}

void file_replacement::abort() noexcept {
    state& s = *s_;
    if (!s.committed && s.temp_fd != invalid_handle) {
        DeleteFileW(s.temp.c_str());
        _close(s.temp_fd);
        s.temp_fd = invalid_handle;
        s.temp_h = INVALID_HANDLE_VALUE;
    }
    s.close_target();
}

file_handle file_replacement::release_handle() noexcept {
    if (!s_->committed) return invalid_handle;
    s_->temp_h = INVALID_HANDLE_VALUE;
    return std::exchange(s_->temp_fd, invalid_handle);
}

}  // namespace lib::os
