// The operating-system layer for files.
//
// Every file the library touches goes through these calls; the upper modules never call the
// OS themselves, so a port to another system replaces only this layer's implementation.
//
// Paths are station text (code page 1251) or std::filesystem::path. The layer hands station text
// to the file system in the system's own spelling (UTF-8 on POSIX), so a well folder named
// "Южная-7" carries that name on disk and in the library alike; a std::filesystem::path is the
// system's own name and may hold any character the system allows ("Sleipner Øst", "井"). Every
// call that opens, creates, lists or removes files takes both, through `file_path`. File
// contents are never converted.
//
// Sharing model. Several station programs open one data file at once: files are always opened
// with reading and writing shared. Mutual exclusion comes from an exclusive whole-file lock that
// belongs to one handle (two handles of one process exclude each other too) and is given up
// when the handle closes or its process dies. A file mapped by some handle cannot be truncated
// through another: opening with `disposition::create_always` waits (reports `busy`) while any
// other handle holds the file locked or mapped, so a viewer reading a mapped data file never
// sees it vanish under its feet.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/system.h"

// Every binary format of the station is little-endian and the streams copy memory images.
static_assert(std::endian::native == std::endian::little, "gtikit stores memory images: a big-endian port starts here");

namespace lib::os {

// A file handle of the system: a descriptor (on Windows one of the C runtime, owning the HANDLE).
using file_handle = int;
// The value of a handle that holds no file.
inline constexpr file_handle invalid_handle = -1;

// What a handle may do with the file.
enum class access { read, write, read_write };

// What happens to an existing or missing file at opening.
enum class disposition {
    open_existing,  // opens an existing file; a missing one is `not_found`
    open_always,    // opens an existing file, creates a missing one
    create_always,  // creates a missing file; truncates an existing one to length 0
};

// A file name as the calls of this layer take it: station text or the system's own name.
//
// Messages name a file by display(), which is station text: the name itself when code page 1251
// holds it, otherwise the name with each character 1251 cannot hold written "<U+XXXX>" and each
// byte that is not UTF-8 "<0xNN>" ("Sleipner <U+00D8>st"). Code that writes a name into a
// station file takes station_text(), which refuses such a name.
class file_path {
public:
    // A name in station text (1251).
    file_path(const AnsiString& station);
    // A name of the system, with any characters it allows.
    file_path(const std::filesystem::path& native);

    // A name given in the system's own spelling, as native() gives it.
    static file_path from_native(std::string_view native);

    // The name in the system's own spelling (on POSIX: the bytes handed to the system calls; on
    // Windows: UTF-8, which the layer turns into the UTF-16 of the wide-character calls).
    const std::string& native() const noexcept { return native_; }
    // The name as a std::filesystem::path.
    std::filesystem::path path() const;
    // The name as station text for messages (see above).
    const AnsiString& display() const noexcept { return display_; }
    // True when code page 1251 holds the name, so that display() is the name itself.
    bool is_station_text() const noexcept { return exact_; }
    // The name as station text, for writing into a station file. Throws std::invalid_argument
    // naming the file and the characters that 1251 cannot hold when it holds not all of them.
    const AnsiString& station_text() const;

private:
    std::string native_;
    AnsiString display_;
    bool exact_ = true;
};

// The outcome of one attempt to open a file.
enum class open_status {
    ok,
    not_found,    // the file or a directory of its path does not exist
    busy,         // another handle holds the file locked or mapped, so it cannot be truncated now
    not_regular,  // the path names a folder, a FIFO or a device: no file of data
    failed,       // any other refusal of the system (permissions, too many files)
};

// A handle and the outcome of the attempt that produced it.
struct open_result {
    file_handle handle = invalid_handle;
    open_status status = open_status::failed;
};

// Makes one attempt to open a file with reading and writing shared. Never waits (a FIFO does not
// hang it: it is refused as `not_regular`, like a folder or a device). With
// `keep_lock`, a file opened with create_always keeps the whole-file lock that its truncation
// took, so that no other handle sees it between the truncation and the new contents.
open_result open_shared(const AnsiString& path, access mode, disposition disp, bool keep_lock = false) noexcept;
open_result open_shared(const file_path& path, access mode, disposition disp, bool keep_lock = false) noexcept;

// Closes a handle; closing releases its lock and its mapping guard. False when the system
// reported an error.
bool close_file(file_handle h) noexcept;

// Reads up to `count` bytes at the current position. Returns the bytes read (fewer at the end of
// the file, 0 there) or -1 when the system reports an error.
std::int64_t read_file(file_handle h, void* buffer, std::size_t count) noexcept;

// Writes all `count` bytes at the current position, repeating after partial writes. False when
// the system refused before all bytes were written.
bool write_file(file_handle h, const void* data, std::size_t count) noexcept;

// Where a seek counts from.
enum class seek_origin { begin, current, end };

// Moves the position. Returns the new position, or -1 when the system refuses (a position
// before the start of the file, for instance) and the position is unchanged.
std::int64_t seek_file(file_handle h, std::int64_t offset, seek_origin origin) noexcept;

// The size of the file in bytes, or -1 on error.
std::int64_t file_size(file_handle h) noexcept;

// Takes the exclusive whole-file lock of this handle if no other handle holds it. Never waits.
bool try_lock_file(file_handle h) noexcept;

// Gives up the whole-file lock of this handle; does nothing when it holds none.
void unlock_file(file_handle h) noexcept;

// Forces the data and times of the file to disk.
bool flush_file(file_handle h) noexcept;

// The three times of a file.
struct file_times {
    FILETIME creation;
    FILETIME last_access;
    FILETIME last_write;
};

// Reads the times of an open file. Where the file system keeps no creation time, the time of
// the last change of the file's status stands in for it.
bool get_file_times(file_handle h, file_times& times) noexcept;

// Maps the first `size` bytes of the file into memory, read-only or read-write (a read-write
// mapping needs a handle opened with `access::read_write`). While the mapping lives, no other
// handle can truncate the file. Returns null on failure; `size` 0 always fails.
void* map_file(file_handle h, std::size_t size, bool writable) noexcept;

// Removes a mapping made by map_file on the same handle.
void unmap_file(file_handle h, void* address, std::size_t size) noexcept;

// The spelling of a station path on the file system.
std::string native_path(const AnsiString& path);

// The station spelling of a name read from the file system. False when code page 1251 cannot
// hold it: such a name is treated as if it were not there.
bool station_name(std::string_view native, AnsiString& name);

// A small file shared by several programs and rewritten as a whole (an INI file).
//
// contents() is the file as last seen; refresh() rereads it only when another handle or
// program has replaced or changed it since. update() is a transaction: under an exclusive lock
// it reads the newest contents, lets the caller change them and replaces the file with a new one
// in a single rename, so two programs that change different keys of one file both keep their
// changes and a reader never sees a half-written file.
class shared_file {
public:
    explicit shared_file(const AnsiString& path);
    explicit shared_file(const file_path& path);
    ~shared_file();
    shared_file(const shared_file&) = delete;
    shared_file& operator=(const shared_file&) = delete;

    // The path given at construction, as file_path::display() gives it.
    const AnsiString& path() const noexcept;

    // Rereads the file when it changed since last seen; true when contents() changed. A missing
    // or unreadable file reads as empty, and so does a file over 8 MiB, which is no settings file.
    bool refresh();

    // The file's bytes as last read or written.
    const std::string& contents() const noexcept;

    // Changes the file: `edit` receives the newest contents and changes them in place; when it
    // returns false nothing is written. The new file is in place when update() returns. Throws
    // std::runtime_error with "Невозможно заблокировать файл!" when the lock cannot be had within
    // about two seconds, with "Невозможно прочитать из файла!" when the file cannot be read (or is
    // over 8 MiB), with "Файл не найден!" when its folder does not exist, and with "Невозможно
    // записать в файл!" when the new file cannot be written; the old file is then left as it was.
    // The file is replaced through a file_replacement (see file_replacement.h).
    void update(const std::function<bool(std::string& contents)>& edit);

private:
    struct state;
    std::unique_ptr<state> s_;
};

// ---- Sockets ---------------------------------------------------------------------------------
// TCP connections between station programs. Functions never throw; failures give
// invalid_socket, -1 or false.

// A socket of the system.
using socket_handle = int;
// The value of a socket that holds no connection.
inline constexpr socket_handle invalid_socket = -1;

// Listens for TCP connections on an IPv4 address (such as "127.0.0.1") and port; port 0 takes
// a free one. `bound_port` receives the port in use.
socket_handle tcp_listen(const char* address, unsigned short port, unsigned short& bound_port) noexcept;

// Waits at most `timeout_ms` (-1: without limit) for a connection on a listener and accepts it.
socket_handle tcp_accept(socket_handle listener, int timeout_ms) noexcept;

// Connects to an IPv4 address and port, waiting at most `timeout_ms`.
socket_handle tcp_connect(const char* address, unsigned short port, int timeout_ms) noexcept;

// Sends up to `count` bytes; returns how many were taken, or -1 (a closed peer never raises a
// signal).
std::int64_t socket_send(socket_handle s, const void* data, std::size_t count) noexcept;

// Receives up to `count` bytes; returns how many came, 0 when the peer has closed, -1 on error.
std::int64_t socket_receive(socket_handle s, void* buffer, std::size_t count) noexcept;

// Waits at most `timeout_ms` until the socket has data to read or the peer has closed.
bool socket_wait_readable(socket_handle s, int timeout_ms) noexcept;

// Closes a socket; invalid_socket is ignored.
void close_socket(socket_handle s) noexcept;

// ---- Named locks -----------------------------------------------------------------------------

// A lock that every program of the machine reaches by its name, as the station's programs share
// the lock "reg_data_file_mutex" around their data files. The owning thread may take it again
// (each lock() needs its unlock()); other threads, of this program or another, wait. A program
// that dies while holding it gives it up. Objects of one program with the same name are one lock.
// The lock lives in a file named after it in a folder of the user's own ($XDG_RUNTIME_DIR, else
// "gtikit-UID" under the temporary folder, created 0700, never reached through a link), so locks of
// another user never block this one.
class named_mutex {
public:
    // The lock of that name; nothing is taken. Throws std::runtime_error when its file cannot be
    // created.
    explicit named_mutex(const AnsiString& name);
    ~named_mutex();
    named_mutex(const named_mutex&) = delete;
    named_mutex& operator=(const named_mutex&) = delete;

    // Waits without limit until the calling thread holds the lock. Throws std::runtime_error when
    // the system refuses the wait.
    void lock();
    // Takes the lock if it is free or already the calling thread's; never waits.
    bool try_lock();
    // Gives up one hold of the calling thread; holds of other threads are not touched.
    void unlock();

    // The lock's shared inner state (opaque).
    struct state;

private:
    std::shared_ptr<state> s_;
};

// ---- The running program ---------------------------------------------------------------------

// The folder of the running program's executable, with its trailing separator.
AnsiString executable_directory();

}  // namespace lib::os

// Directories, copies, deletions and started programs.
//
// Directory entries carry the attribute bits of the station's directory searches, derived from
// what the file system keeps:
//
//   0x01  read-only   the owner has no write permission (deleting and overwriting are refused)
//   0x02  hidden      the name begins with "."
//   0x10  directory
//   0x20  archive     every entry that is not a directory
//   0x400 link        a symbolic link; it reports its target's kind, size and times, and the
//                     station's recursive searches and deletions never pass through it
//
// A name on disk that code page 1251 cannot hold is left out of the listings of a station-text
// folder; a listing through file_path gives every entry.
namespace lib::os {

// Attribute bits of a directory entry.
inline constexpr std::uint32_t attr_read_only = 0x01;
inline constexpr std::uint32_t attr_hidden = 0x02;
inline constexpr std::uint32_t attr_directory = 0x10;
inline constexpr std::uint32_t attr_archive = 0x20;
inline constexpr std::uint32_t attr_link = 0x400;

// One entry of a directory.
struct dir_entry {
    AnsiString name;               // the name without its directory, as file_path::display()
    std::string native_name;       // the name as the system spells it
    std::uint32_t attributes = 0;  // attr_* bits
    std::uint64_t size = 0;        // bytes; 0 for a directory
    FILETIME creation;             // the time of the last status change where none is kept
    FILETIME last_write;
};

// Replaces the contents of `entries` by the entries of a directory in byte order of their names,
// without "." and "..". An empty path lists the working directory. False when the directory
// cannot be read.
bool list_directory(const AnsiString& dir, std::vector<dir_entry>& entries);
// The same for any folder, listing every entry: join `native_name` to the folder to reach one
// whose name is not station text.
bool list_directory(const file_path& dir, std::vector<dir_entry>& entries);

// The entry that `path` names (its name: the text after the last "/"); false when there is none.
bool entry_info(const AnsiString& path, dir_entry& entry);
bool entry_info(const file_path& path, dir_entry& entry);

// Copies a file onto another, replacing its contents in place; the copy takes the source's
// last-write time and permissions. False when the source cannot be read, when the target is
// read-only, a directory, or locked or mapped by another handle, when both name one file, or
// when the copy cannot be completed (the target may then hold part of the data).
bool copy_file(const AnsiString& from, const AnsiString& to) noexcept;
bool copy_file(const file_path& from, const file_path& to) noexcept;

// Deletes a file or a symbolic link. False when it is missing, a directory, or read-only.
bool delete_file(const AnsiString& path) noexcept;
bool delete_file(const file_path& path) noexcept;

// Removes an empty directory, or a symbolic link to a directory (or to nothing any more). False
// otherwise.
bool remove_directory(const AnsiString& path) noexcept;
bool remove_directory(const file_path& path) noexcept;

// Clears the read-only attribute: gives the owner write permission. A symbolic link is left as
// it is (its target is not touched). False when there is no such entry.
bool clear_attributes(const AnsiString& path) noexcept;
bool clear_attributes(const file_path& path) noexcept;

// A file time as the packed DOS date-time of local time: bits 25-31 year - 1980, 21-24 month,
// 16-20 day, 11-15 hour, 5-10 minute, 0-4 seconds / 2. Times before 1980 give 1980-01-01 00:00,
// times after 2107 the last moment of 2107, so the order of times is kept.
std::uint32_t dos_date_time(const FILETIME& t) noexcept;

// Sets the length of a file opened for writing; the bytes past the old end read as zeros, and
// their disk space is taken at once (false when the disk is full). Cutting the file shorter is
// refused (false) while another handle maps it; this handle must hold no mapping of it then.
bool set_file_size(file_handle h, std::uint64_t size) noexcept;

// The id of a started program; 0 stands for none.
using process_id = int;

// Starts `program` (looked up through PATH when it holds no "/") with `arguments`, each handed
// over as one argument exactly as given: nothing passes through a shell. Returns the program's
// id, or 0 when it cannot be started. Until wait_program has seen it end, a finished program
// keeps a small entry in the system's process table, as a never-closed process handle does.
process_id start_program(const AnsiString& program, const std::vector<AnsiString>& arguments) noexcept;

// Waits up to `timeout_ms` for a started program to end. True, with its exit code (-1 when a
// signal ended it), once it has ended; false while it runs or when `id` is none of ours.
bool wait_program(process_id id, unsigned timeout_ms, int& exit_code) noexcept;

// Opens a document with the desktop's handler for it: starts the document opener ("xdg-open"
// unless replaced) with the document's path and then `parameters` as its arguments. A path that
// begins with "-" is passed as "./-..." so that the opener cannot take it for an option.
// Returns the opener's id, or 0 when it cannot be started.
process_id open_document(const AnsiString& document, const std::vector<AnsiString>& parameters) noexcept;

// Replaces the command that opens documents (a program and its first arguments, such as
// {"gio", "open"}) and returns the command it replaces; an empty command restores "xdg-open".
std::vector<AnsiString> set_document_opener(std::vector<AnsiString> command);

// Pages of memory for large blocks of many small objects: `size` bytes of zeroed memory, with
// huge pages advised where the system offers them (fewer page faults when the block fills).
// Null when the system refuses. Free with free_pages and the same size.
void* allocate_pages(std::size_t size) noexcept;
// Returns pages of allocate_pages.
void free_pages(void* block, std::size_t size) noexcept;

}  // namespace lib::os
