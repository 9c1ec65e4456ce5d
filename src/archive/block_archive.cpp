#include "gti/archive/block_archive.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "gti/platform/codepage.h"
#include "gti/time/unix_time.h"

namespace {

// The largest archive: its offsets and the mapping that reads it are 32-bit.
constexpr std::uint64_t max_archive = 0xFFFFFFFFu;
// Deflate makes at most 1032 bytes of one compressed byte (a 258-byte match in two bits).
constexpr std::uint64_t max_ratio = 1032;
// The separator that joins a folder and a file name on this system.
constexpr char native_separator = '/';

const char* const where_add_data = "GZIP_COMPRESS::add_data";
const char* const where_add_file = "GZIP_COMPRESS::add_file";
const char* const where_decompress = "GZIP_DECOMPRESS::decompress_section";

void put_u32(std::string& out, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    out.append(b, 4);
}

std::uint32_t get_u32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// "name: record "x" at byte N" for messages about one record.
AnsiString record_place(const AnsiString& archive, const AnsiString& record, std::uint32_t offset) {
    return archive + ": record \"" + record + "\" at byte " + AnsiString(std::to_string(offset));
}

// The station's text of a zlib result.
const char* zlib_text(int code) {
    switch (code) {
        case Z_STREAM_ERROR:
            return "level parameter is invalid";
        case Z_DATA_ERROR:
            return "the input data was corrupted";
        case Z_MEM_ERROR:
            return "not enough memory";
        case Z_BUF_ERROR:
            return "there is not enough room in the output buffer";
        default:
            return "#unrecognazed#";
    }
}

// Throws the error of a damaged data record.
[[noreturn]] void payload_error(const AnsiString& archive, const AnsiString& record, std::uint32_t offset,
                                const char* text) {
    throw GZIP_EXCEPTION(archive.empty() ? archive : record_place(archive, record, offset), "read", text,
                         where_decompress);
}

// The name part of a path, after the last separator of either kind.
std::string file_part(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

// The piece in which extraction inflates a record and writes it out.
constexpr std::size_t extract_chunk = 1 << 18;

// Inflates a record's stream into a file piece by piece, so that extraction needs no memory of
// the record's size. Throws like decompress_section when the stream is damaged or gives other
// than the recorded length; false when the file refused a write.
bool inflate_to_file(const lib::archive_payload& p, lib::os::file_handle file, char* chunk, const AnsiString& place) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw GZIP_EXCEPTION(place, "uncompress", zlib_text(Z_MEM_ERROR), where_decompress);
    struct end_guard {
        z_stream& z;
        ~end_guard() { inflateEnd(&z); }
    } guard{z};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p.stream));
    z.avail_in = p.compressed;
    std::uint64_t produced = 0;
    bool written = true;
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = extract_chunk;
        result = inflate(&z, Z_NO_FLUSH);
        // As uncompress reports them: a dictionary is damage, a stream that stops short wants room.
        if (result == Z_NEED_DICT) result = Z_DATA_ERROR;
        if (result != Z_OK && result != Z_STREAM_END)
            throw GZIP_EXCEPTION(place, "uncompress", zlib_text(result), where_decompress);
        const std::size_t n = extract_chunk - z.avail_out;
        produced += n;
        if (produced > p.original) throw GZIP_EXCEPTION(place, "uncompress", zlib_text(Z_BUF_ERROR), where_decompress);
        written = written && lib::os::write_file(file, chunk, n);
    }
    if (produced != p.original)
        throw GZIP_EXCEPTION(place, "uncompress", "fewer bytes than recorded", where_decompress);
    return written;
}

}  // namespace

// ---- GZIP_EXCEPTION --------------------------------------------------------------------------

GZIP_EXCEPTION::GZIP_EXCEPTION(const char* function_called, const char* response, const char* where)
    : message_(std::string("ERROR: ") + function_called + " response '" + response + "' at function '" + where + "'") {}

GZIP_EXCEPTION::GZIP_EXCEPTION(const AnsiString& place, const char* function_called, const char* response,
                               const char* where)
    : GZIP_EXCEPTION(function_called, response, where) {
    if (!place.empty()) message_ = place.str() + ": " + message_;
}

void GZIP_EXCEPTION::check_result(int code, const char* function_called, const char* where) {
    if (code != Z_OK) throw GZIP_EXCEPTION(function_called, zlib_text(code), where);
}

// ---- GZIP_COMPRESS ---------------------------------------------------------------------------

GZIP_COMPRESS::~GZIP_COMPRESS() {
    close();
}

bool GZIP_COMPRESS::open(const AnsiString& name) {
    return open(lib::os::file_path(name));
}

bool GZIP_COMPRESS::open(const lib::os::file_path& name) {
    close();
    try {
        out_ = std::make_unique<lib::os::file_replacement>(name);
    } catch (const std::exception&) {
        return false;
    }
    name_ = name.display();
    written_ = 0;
    failed_ = false;
    is_open_ = true;
    try {
        add_time();
    } catch (const GZIP_EXCEPTION&) {
        out_.reset();
        is_open_ = false;
        return false;
    }
    return true;
}

bool GZIP_COMPRESS::close() {
    if (!is_open_) return true;
    is_open_ = false;
    bool ok = !failed_;
    if (ok) {
        try {
            out_->commit();
        } catch (const std::exception&) {
            ok = false;
        }
    }
    out_.reset();
    return ok;
}

void GZIP_COMPRESS::check_writable(const char* where) const {
    if (!is_open_) throw GZIP_EXCEPTION("write", "the archive is not open", where);
    if (failed_) throw GZIP_EXCEPTION(name_, "write", "an earlier write to the archive failed", where);
}

std::string GZIP_COMPRESS::begin_record(const char* where, char mark, const AnsiString& name, std::size_t rest) const {
    check_writable(where);
    if (name.view().find('\0') != std::string_view::npos)
        throw GZIP_EXCEPTION(name_, "write", "a name holds a zero byte", where);
    std::string record;
    record.reserve(name.size() + 2 + rest);
    record += mark;
    record.append(name.data(), name.size());
    record += '\0';
    return record;
}

void GZIP_COMPRESS::write_record(const char* where, const std::string& record) {
    if (written_ + record.size() > max_archive)
        throw GZIP_EXCEPTION(name_, "write", "the archive would pass 4 GiB", where);
    if (!lib::os::write_file(out_->handle(), record.data(), record.size())) {
        failed_ = true;
        throw GZIP_EXCEPTION(name_, "write", "the file system refused the record", where);
    }
    written_ += record.size();
}

void GZIP_COMPRESS::add_time() {
    const char* const where = "GZIP_COMPRESS::add_time";
    std::string record = begin_record(where, GZIP_MARK_TIME, "TIME", 8);
    put_u32(record, 4);
    put_u32(record, lib::get_local_time());
    write_record(where, record);
}

void GZIP_COMPRESS::add_comment(const AnsiString& text) {
    const char* const where = "GZIP_COMPRESS::add_comment";
    std::string record = begin_record(where, GZIP_MARK_COMMENT, text, 4);
    put_u32(record, 0);
    write_record(where, record);
}

void GZIP_COMPRESS::add_data(const AnsiString& name, const lib::array<char>& data, GZIP_MARKS mark) {
    const auto length = static_cast<uLong>(data.size());
    // The station's capacity (length × 1.01 + 12), or zlib's bound where that is larger; the
    // stream is made behind the record's header and lengths, so the record goes out in one write.
    uLongf capacity = std::max(static_cast<uLongf>(static_cast<double>(length) * 1.01 + 12.0), compressBound(length));
    std::string record = begin_record(where_add_data, static_cast<char>(mark), name, 12 + capacity);
    const std::size_t lengths = record.size();
    record.resize(lengths + 12 + capacity);
    const int result = compress2(reinterpret_cast<Bytef*>(record.data() + lengths + 12), &capacity,
                                 reinterpret_cast<const Bytef*>(data.data()), length, 9);
    GZIP_EXCEPTION::check_result(result, "compress2", where_add_data);
    if (capacity > static_cast<uLongf>(INT_MAX) - 8)
        throw GZIP_EXCEPTION(name_, "write", "the record would pass 2 GiB", where_add_data);
    record.resize(lengths + 12 + capacity);
    std::string head;
    put_u32(head, static_cast<std::uint32_t>(capacity + 8));
    put_u32(head, static_cast<std::uint32_t>(length));
    put_u32(head, static_cast<std::uint32_t>(capacity));
    record.replace(lengths, 12, head);
    write_record(where_add_data, record);
}

bool GZIP_COMPRESS::add_file(const AnsiString& path) {
    return add_file(lib::os::file_path(path));
}

bool GZIP_COMPRESS::add_file(const lib::os::file_path& path) {
    check_writable(where_add_file);
    const AnsiString record_name = lib::os::file_path::from_native(file_part(path.native())).station_text();
    const lib::os::open_result opened =
        lib::os::open_shared(path, lib::os::access::read, lib::os::disposition::open_existing);
    if (opened.status != lib::os::open_status::ok) return false;
    struct handle_guard {
        lib::os::file_handle h;
        ~handle_guard() { lib::os::close_file(h); }
    } guard{opened.handle};
    const std::int64_t size = lib::os::file_size(opened.handle);
    if (size < 0) return false;
    if (size >= INT_MAX)
        throw GZIP_EXCEPTION(path.display(), "read", "the file is too large for an archive", where_add_file);
    lib::array<char> data(static_cast<int>(size));
    std::int64_t got = 0;
    while (got < size) {
        const std::int64_t n =
            lib::os::read_file(opened.handle, data.data() + got, static_cast<std::size_t>(size - got));
        if (n < 0) return false;
        if (n == 0) break;
        got += n;
    }
    char probe;
    if (got != size || lib::os::read_file(opened.handle, &probe, 1) != 0 || lib::os::file_size(opened.handle) != size)
        throw GZIP_EXCEPTION(path.display(), "read", "the file changed size while it was read", where_add_file);
    add_data(record_name, data, GZIP_MARK_FILE);
    return true;
}

// ---- Reading ---------------------------------------------------------------------------------

namespace lib {

bool safe_archive_name(std::string_view name) noexcept {
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':';
    });
}

std::vector<GZIP_FILE_BLOCK> index_archive(std::string_view bytes, AnsiString& warning) {
    std::vector<GZIP_FILE_BLOCK> blocks;
    warning.clear();
    const std::size_t end = bytes.size();
    std::size_t pos = 0;
    while (pos < end) {
        GZIP_FILE_BLOCK block;
        block.offset = static_cast<std::uint32_t>(pos);
        block.mark = static_cast<signed char>(bytes[pos]);
        const std::size_t zero = bytes.find('\0', pos + 1);
        if (zero == std::string_view::npos || end - zero - 1 < 4) {
            warning = "the record at byte " + AnsiString(std::to_string(pos)) + " is cut short by the end of the file";
            break;
        }
        block.name = AnsiString(bytes.substr(pos + 1, zero - pos - 1));
        std::int32_t size;
        std::memcpy(&size, bytes.data() + zero + 1, 4);
        if (size < 0) {
            warning = "the record at byte " + AnsiString(std::to_string(pos)) + " has a negative size";
            break;
        }
        block.size = size;
        const std::size_t payload = zero + 5;
        blocks.push_back(std::move(block));
        if (static_cast<std::size_t>(size) > end - payload) {
            warning = "the record \"" + blocks.back().name + "\" at byte " + AnsiString(std::to_string(pos)) +
                      " is cut short by the end of the file";
            break;
        }
        pos = payload + static_cast<std::size_t>(size);
    }
    return blocks;
}

archive_payload locate_payload(std::string_view bytes, std::uint32_t offset, const AnsiString& place) {
    const std::size_t end = bytes.size();
    const std::size_t zero = offset < end ? bytes.find('\0', offset + 1) : std::string_view::npos;
    if (zero == std::string_view::npos) payload_error(place, "", offset, "the record is cut short");
    const AnsiString name(bytes.substr(offset + 1, zero - offset - 1));
    if (end - zero - 1 < 12) payload_error(place, name, offset, "the record is cut short");
    const char* p = bytes.data() + zero + 1;
    const auto size = static_cast<std::int32_t>(get_u32(p));
    archive_payload result;
    result.original = get_u32(p + 4);
    const auto compressed = static_cast<std::int32_t>(get_u32(p + 8));
    if (size < 8 || compressed < 0 || compressed > size - 8)
        payload_error(place, name, offset, "the compressed length passes the end of the record");
    if (static_cast<std::size_t>(compressed) > end - zero - 13)
        payload_error(place, name, offset, "the compressed length passes the end of the archive");
    result.compressed = static_cast<std::uint32_t>(compressed);
    if (result.original > INT_MAX || result.original > max_ratio * result.compressed)
        payload_error(place, name, offset, "the uncompressed length is more than the compressed bytes can hold");
    result.stream = p + 12;
    return result;
}

}  // namespace lib

GZIP_DECOMPRESS::~GZIP_DECOMPRESS() {
    close();
}

std::string_view GZIP_DECOMPRESS::bytes() const noexcept {
    return file_.bytes();
}

bool GZIP_DECOMPRESS::open(const AnsiString& name) {
    return open(lib::os::file_path(name));
}

bool GZIP_DECOMPRESS::open(const lib::os::file_path& name) {
    close();
    archive_name = name.display();
    if (!file_.open(name, lib::om_read, 0)) return false;
    blocks_ = lib::index_archive(bytes(), warning_);
    file_.seekg(0, lib::sk_begin);
    return true;
}

void GZIP_DECOMPRESS::close() {
    file_.close();
    blocks_.clear();
    warning_.clear();
}

AnsiString GZIP_DECOMPRESS::read_comment() const {
    for (const GZIP_FILE_BLOCK& b : blocks_)
        if (b.mark == GZIP_MARK_COMMENT) return b.name;
    return {};
}

std::uint32_t GZIP_DECOMPRESS::get_time() const {
    for (const GZIP_FILE_BLOCK& b : blocks_) {
        if (b.mark != GZIP_MARK_TIME) continue;
        const std::size_t payload = b.offset + b.name.size() + 6;
        if (b.size < 4 || payload + 4 > bytes().size()) return 0;
        return get_u32(bytes().data() + payload);
    }
    return 0;
}

GZIP_FILE_BLOCK* GZIP_DECOMPRESS::find_block(const AnsiString& name) {
    for (GZIP_FILE_BLOCK& b : blocks_)
        if (lib::cp1251::equal_nocase(b.name.view(), name.view())) return &b;
    return nullptr;
}

lib::archive_payload GZIP_DECOMPRESS::payload(const GZIP_FILE_BLOCK& block) const {
    if (!file_.is_open()) throw GZIP_EXCEPTION(archive_name, "read", "no archive is open", where_decompress);
    return lib::locate_payload(bytes(), block.offset, archive_name);
}

void GZIP_DECOMPRESS::decompress_section(const GZIP_FILE_BLOCK* block, lib::array<char>& out) {
    if (block == nullptr) throw GZIP_EXCEPTION(archive_name, "read", "no record given", where_decompress);
    const lib::archive_payload p = payload(*block);
    lib::array<char> data(static_cast<int>(p.original));
    auto produced = static_cast<uLongf>(p.original);
    const int result = uncompress(reinterpret_cast<Bytef*>(data.data()), &produced,
                                  reinterpret_cast<const Bytef*>(p.stream), p.compressed);
    const AnsiString place = record_place(archive_name, block->name, block->offset);
    if (result != Z_OK) throw GZIP_EXCEPTION(place, "uncompress", zlib_text(result), where_decompress);
    if (produced != p.original)
        throw GZIP_EXCEPTION(place, "uncompress", "fewer bytes than recorded", where_decompress);
    out = std::move(data);
}

std::vector<lib::archive_skip> GZIP_DECOMPRESS::extract_to(
    const AnsiString& dir, const std::function<void(const GZIP_FILE_BLOCK&)>& before_each) {
    return extract_to(lib::os::file_path(dir), before_each);
}

std::vector<lib::archive_skip> GZIP_DECOMPRESS::extract_to(
    const lib::os::file_path& dir, const std::function<void(const GZIP_FILE_BLOCK&)>& before_each) {
    std::vector<lib::archive_skip> skipped;
    if (!file_.is_open()) return skipped;
    std::string folder = dir.native();
    // A separator of either kind may end the folder; the native one joins.
    if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    if (!folder.empty() && folder != "/") folder += native_separator;
    std::unique_ptr<char[]> chunk;
    for (const GZIP_FILE_BLOCK& b : blocks_) {
        if (b.mark != GZIP_MARK_FILE) continue;
        if (before_each) before_each(b);
        if (!lib::safe_archive_name(b.name.view())) {
            skipped.push_back({b.name, b.offset, true});
            continue;
        }
        const lib::archive_payload p = payload(b);
        if (!chunk) chunk = std::make_unique_for_overwrite<char[]>(extract_chunk);
        std::unique_ptr<lib::os::file_replacement> out;
        try {
            out = std::make_unique<lib::os::file_replacement>(
                lib::os::file_path::from_native(folder + lib::os::file_path(b.name).native()));
        } catch (const std::exception&) {
            skipped.push_back({b.name, b.offset, false});
            continue;
        }
        bool written = inflate_to_file(p, out->handle(), chunk.get(), record_place(archive_name, b.name, b.offset));
        if (written) {
            try {
                written = out->commit();
            } catch (const std::exception&) {
                written = false;
            }
        }
        if (!written) skipped.push_back({b.name, b.offset, false});
    }
    return skipped;
}
