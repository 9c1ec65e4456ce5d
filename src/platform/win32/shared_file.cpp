// A small file shared by several programs, replaced as a whole under a lock.
//
// A writer locks the current file and reads it, then writes the changed contents through a
// file_replacement, which renames the new file over the old one. Readers take no lock: a rename
// is atomic, so they see the old file or the new one, never a mixture.
#include <io.h>

#include <stdexcept>
#include <utility>

#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "platform/shared.h"
#include "platform/win32/win32.h"

namespace lib::os {
namespace {

// A file larger than this is not a settings file: it is never read whole into memory, and
// update() refuses to replace it.
constexpr std::uint64_t max_shared_file = 8ULL << 20;

struct version {
    DWORD volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = ~0ULL;
    std::uint64_t written = 0;
    friend bool operator==(const version&, const version&) = default;
};

bool version_of(HANDLE h, version& v) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return false;
    v = version{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime};
    return true;
}

// Reads the whole file from offset 0 without moving the handle's position; false on a read
// error or a file too large.
bool read_all(HANDLE h, std::string& out) {
    out.clear();
    char buffer[16384];
    std::uint64_t offset = 0;
    for (;;) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD n = 0;
        if (!ReadFile(h, buffer, sizeof buffer, &n, &at)) return GetLastError() == ERROR_HANDLE_EOF;
        if (n == 0) return true;
        offset += n;
        if (offset > max_shared_file) return false;
        out.append(buffer, n);
    }
}

}  // namespace

struct shared_file::state {
    AnsiString path;
    std::wstring native;
    // The version in `contents`. No handle stays open on it: a system without POSIX renames
    // could not replace the file while one did.
    bool known = false;
    version seen;
    std::string contents;

    void forget() {
        known = false;
        seen = version{};
        contents.clear();
    }

    // Takes the contents of the file open as `h` as the version seen.
    void adopt(HANDLE h, std::string new_contents) {
        known = version_of(h, seen);
        contents = std::move(new_contents);
    }
};

shared_file::shared_file(const AnsiString& path) : shared_file(file_path(path)) {}

shared_file::shared_file(const file_path& path) : s_(std::make_unique<state>()) {
    s_->path = path.display();
    s_->native = detail::wide(path.native());
}

shared_file::~shared_file() = default;

const AnsiString& shared_file::path() const noexcept {
    return s_->path;
}
const std::string& shared_file::contents() const noexcept {
    return s_->contents;
}

bool shared_file::refresh() {
    const HANDLE h =
        CreateFileW(s_->native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    version now;
    if (h != INVALID_HANDLE_VALUE && s_->known && version_of(h, now) && now == s_->seen) {
        CloseHandle(h);
        return false;
    }
    std::string text;
    if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK || !read_all(h, text)) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        const bool changed = !s_->contents.empty();
        s_->forget();
        return changed;
    }
    const bool changed = text != s_->contents;
    s_->adopt(h, std::move(text));
    CloseHandle(h);
    return changed;
}

void shared_file::update(const std::function<bool(std::string& contents)>& edit) {
    // A file that appears while a missing one was being created is read and edited in its turn.
    for (;;) {
        file_replacement next(file_path::from_native(detail::utf8(s_->native)));
        const file_handle old = next.lock_target();
        std::string current;
        if (old != invalid_handle && !read_all(detail::handle_of(old), current))
            throw std::runtime_error(detail::msg_read);
        std::string changed = current;
        if (!edit(changed) || changed == current) {
            if (old == invalid_handle)
                s_->forget();
            else
                s_->adopt(detail::handle_of(old), std::move(current));
            return;
        }
        if (!write_file(next.handle(), changed.data(), changed.size())) throw std::runtime_error(detail::msg_write);
        if (!next.commit()) continue;
        const file_handle written = next.release_handle();
        s_->adopt(detail::handle_of(written), std::move(changed));
        close_file(written);
        return;
    }
}

}  // namespace lib::os
