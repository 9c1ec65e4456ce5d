// The compressed data stream ("CREGFILE"): writer, column encoders and reader.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "gti/io/atomic_file.h"
#include "gti/io/damage.h"
#include "gti/io/file_streams.h"
#include "gti/io/zlib_streams.h"
#include "gti/options/race_info.h"
#include "gti/platform/cp_literal.h"
#include "gti/storage/compressed_file.h"
#include "gti/storage/file_storage.h"
#include "read_problems.h"
#include "record_arena.h"
#include "refusals.h"

using namespace lib::literals;

namespace {

using lib::io::BinaryInputStream;
using lib::io::BinaryOutputStream;

using lib::compressed::from_planes;
using lib::compressed::magic;
using lib::compressed::plain_column;
using lib::compressed::quantized_column;
using lib::compressed::restore;
using lib::compressed::to_planes;
using lib::compressed::tolerance;
using lib::compressed::version;

// The bytes of a record in the five record arrays: time, three depths, tag.
constexpr std::uint64_t record_field_bytes = 4 + 4 + 4 + 4 + 1;

// Arrays go through the streams in pieces of at most this size, so that reading a stream that
// cannot tell its length makes memory grow only with the bytes that arrive.
constexpr std::size_t piece_bytes = std::size_t{1} << 20;

[[noreturn]] void fail(const std::string& what) {
    throw FileStorageException("FileStorage::load_after_decompressing: " + what, true);
}

// Fails unless `count` items of at least `least` bytes each fit in what the stream has left.
void check_fits(BinaryInputStream& in, std::uint64_t count, std::uint64_t least) {
    const std::optional<std::uint64_t> left = in.bytes_left();
    if (left && count > *left / least) fail("Длина массива больше остатка данных: "_cp + std::to_string(count));
}

// Reads the bytes of `count` elements of `size` bytes each, in pieces.
void read_bytes(BinaryInputStream& in, std::uint32_t count, std::size_t size, std::vector<char>& bytes) {
    const bool known = in.bytes_left().has_value();
    const std::uint64_t total = std::uint64_t{count} * size;
    bytes.clear();
    if (known) bytes.resize(static_cast<std::size_t>(total));
    for (std::uint64_t done = 0; done < total;) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(total - done, piece_bytes));
        if (!known) {
            if (in.eof()) fail("Длина массива больше остатка данных: "_cp + std::to_string(count));
            bytes.resize(static_cast<std::size_t>(done) + piece);
        }
        in.read(bytes.data() + done, static_cast<unsigned>(piece));
        done += piece;
    }
}

// A stream that counts the bytes read through it, so that damage can be placed.
class counted_stream final : public BinaryInputStream {
public:
    explicit counted_stream(BinaryInputStream& in) : in_(in) {}
    void read(char* buffer, unsigned count) override {
        in_.read(buffer, count);
        pos_ += count;
    }
    void skip(unsigned count) override {
        in_.skip(count);
        pos_ += count;
    }
    bool eof() override { return in_.eof(); }
    std::optional<std::uint64_t> bytes_left() override { return in_.bytes_left(); }
    // The bytes read or skipped so far.
    std::uint64_t position() const noexcept { return pos_; }

private:
    BinaryInputStream& in_;
    std::uint64_t pos_ = 0;
};

// Reads a text up to its zero byte into `text`; false, the rest unread, past `most` bytes.
bool read_text(BinaryInputStream& in, std::uint64_t most, AnsiString& text) {
    std::string bytes;
    for (int c = in.get(); c != 0; c = in.get()) {
        if (bytes.size() >= most) return false;
        bytes.push_back(static_cast<char>(c));
    }
    text = AnsiString(std::move(bytes));
    return true;
}

// Reads a text of at most lib::max_race_text bytes; a longer one is damage.
AnsiString read_text(BinaryInputStream& in) {
    AnsiString text;
    if (!read_text(in, lib::max_race_text, text))
        fail("a text is longer than " + lib::io::grouped(lib::max_race_text) + " bytes");
    return text;
}

std::uint32_t read_u32(BinaryInputStream& in) {
    std::uint32_t v = 0;
    lib::io::read_binary(in, v);
    return v;
}

template <class T>
void write_planes(BinaryOutputStream& out, const T* values, std::size_t n) {
    lib::io::write_binary(out, static_cast<std::uint32_t>(n));
    if (n == 0) return;
    std::vector<char> planes(n * sizeof(T));
    to_planes(values, n, planes.data());
    for (std::size_t at = 0; at < planes.size(); at += piece_bytes)
        out.write(planes.data() + at, static_cast<unsigned>(std::min(planes.size() - at, piece_bytes)));
}

// One quantization of a column.
struct quantization {
    float low = 0;
    float high = 0;
    unsigned levels = 0;
    std::vector<std::int32_t> exact_positions;
    std::vector<float> exact_values;
    std::vector<std::uint16_t> codes;  // the codes of the values that are not exact
};

// Quantizes `column` with `levels` levels (codes 0 .. levels). Returns false, as soon as it is
// known, when some value that is not stored exactly would come back outside the tolerance,
// unless `force`.
bool quantize(const std::vector<float>& column, unsigned levels, bool force, quantization& q) {
    const std::size_t n = column.size();
    // The range of the finite values; the others can only be stored exactly.
    bool any = false;
    float low = 0, high = 0;
    for (const float v : column) {
        if (!std::isfinite(v)) continue;
        if (!any || v < low) low = v;
        if (!any || v > high) high = v;
        any = true;
    }
    // A constant column gets a range of 1. A narrow one keeps its own: flows in m3/s vary by a
    // few millionths, and a range of 1 would leave none of their readings within the tolerance.
    // Beyond 2^24 the 1 may be lost: a constant column then restores from Lo alone.
    // A value counts as zero, and any code restores it well enough, only when it is that small
    // against the column's own magnitude: a gas log in fractions (H2S near 1e-8) is judged
    // value by value like any other.
    const double magnitude = std::max(std::fabs(static_cast<double>(low)), std::fabs(static_cast<double>(high)));
    const double zero_below = 1e-5 * std::min(1.0, magnitude);
    if (high == low) high += 1;
    const double range = static_cast<double>(high) - low;
    const double scale = range > 0 ? levels / range : 0.0;

    // Codes and errors of every value; never more than `most_exact` values can be stored exactly.
    const std::size_t most_exact = std::max<std::size_t>(1, n / 30);
    std::vector<double> errors(n);
    std::vector<std::uint16_t> codes(n);
    std::size_t outside = 0;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const float v = column[i];
        double e = std::numeric_limits<double>::infinity();
        if (std::isfinite(v)) {
            const auto code = static_cast<std::uint16_t>((static_cast<double>(v) - low) * scale + 0.5);
            codes[i] = code;
            const float r = restore(code, low, high, levels);
            const bool zero = r == v || std::fabs(static_cast<double>(v)) < zero_below;
            e = zero ? 0.0 : std::fabs((static_cast<double>(r) - v) / v);
        }
        errors[i] = e;
        sum += e;
        if (!(e < tolerance) && ++outside > most_exact && !force) return false;
    }

    // The worst values go exactly: at most most_exact of them, none below four times the mean
    // error, the first of equally bad ones first.
    const double threshold = n == 0 ? 0.0 : 4 * (sum / static_cast<double>(n));
    std::vector<std::int32_t> exact;
    for (std::size_t i = 0; i < n; ++i)
        if (errors[i] >= threshold) exact.push_back(static_cast<std::int32_t>(i));
    if (exact.size() > most_exact) {
        const auto worse = [&](std::int32_t a, std::int32_t b) {
            const double ea = errors[static_cast<std::size_t>(a)], eb = errors[static_cast<std::size_t>(b)];
            return ea > eb || (ea == eb && a < b);
        };
        std::nth_element(exact.begin(), exact.begin() + static_cast<std::ptrdiff_t>(most_exact), exact.end(), worse);
        exact.resize(most_exact);
        std::sort(exact.begin(), exact.end());
    }

    q.low = low;
    q.high = high;
    q.levels = levels;
    q.exact_values.clear();
    q.codes.clear();
    q.codes.reserve(n - exact.size());
    std::size_t next = 0;
    double worst = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (next < exact.size() && static_cast<std::size_t>(exact[next]) == i) {
            q.exact_values.push_back(column[i]);
            ++next;
        } else {
            q.codes.push_back(codes[i]);
            worst = std::max(worst, errors[i]);
        }
    }
    q.exact_positions = std::move(exact);
    return force || worst < tolerance;
}

template <class T>
void write_quantized(BinaryOutputStream& out, const quantization& q, std::size_t n) {
    lib::io::write_binary(out, static_cast<std::uint32_t>(sizeof(T)));
    lib::io::write_binary(out, static_cast<std::uint32_t>(q.levels));
    lib::io::write_binary(out, q.high);
    lib::io::write_binary(out, q.low);
    lib::io::write_binary(out, static_cast<std::uint32_t>(n));
    write_planes(out, q.exact_positions.data(), q.exact_positions.size());
    write_planes(out, q.exact_values.data(), q.exact_values.size());
    std::vector<T> codes(q.codes.begin(), q.codes.end());
    write_planes(out, codes.data(), codes.size());
}

}  // namespace

template <class T>
void FileStorage::add_new_reg_file_vector(BinaryOutputStream& out, const std::vector<T>& values) {
    write_planes(out, values.data(), values.size());
}

template <class T>
void FileStorage::add_new_reg_any_values(BinaryOutputStream& out, T FileStorageItem::*field) const {
    std::vector<T> values;
    values.reserve(records_.size());
    for (const auto& r : records_)
        values.push_back((*r).*field);
    add_new_reg_file_vector(out, values);
}

template <class T>
bool FileStorage::try_to_copmpress(BinaryOutputStream& out, const std::vector<float>& column, unsigned levels,
                                   bool force) {
    if (levels == 0 || levels > std::numeric_limits<T>::max())
        throw std::invalid_argument("FileStorage::try_to_copmpress: levels do not fit the codes");
    quantization q;
    if (!quantize(column, levels, force, q)) return false;
    write_quantized<T>(out, q, column.size());
    return true;
}

void FileStorage::try_to_compress(BinaryOutputStream& out, const std::vector<float>& column) {
    quantization q;
    const auto attempt = [&](unsigned levels) { return quantize(column, levels, false, q); };
    if (attempt(255)) {
        lib::io::write_binary(out, static_cast<std::uint32_t>(quantized_column));
        write_quantized<std::uint8_t>(out, q, column.size());
        return;
    }
    for (const unsigned levels : {1024u, 2048u, 4096u, 8192u, 16384u, 32768u, 65535u}) {
        if (!attempt(levels)) continue;
        lib::io::write_binary(out, static_cast<std::uint32_t>(quantized_column));
        write_quantized<std::uint16_t>(out, q, column.size());
        return;
    }
    // No code width keeps the column within the tolerance: it goes as it was measured.
    save_vector(out, column, encode_plain);
}

void FileStorage::save_vector(BinaryOutputStream& out, const std::vector<float>& column, EncodeType encoding) {
    if (encoding == encode_quantized) {
        try_to_compress(out, column);
        return;
    }
    lib::io::write_binary(out, static_cast<std::uint32_t>(plain_column));
    add_new_reg_file_vector(out, column);
}

void FileStorage::save_for_compressing(BinaryOutputStream& out, EncodeType encoding,
                                       std::function<void(int)> progress) {
    compress_progress_ = std::move(progress);
    lib::io::write_binary(out, AnsiString(magic));
    lib::io::write_binary(out, version);
    lib::io::write_binary(out, static_cast<std::uint32_t>(param_count_));
    for (int i = 0; i < param_count_; ++i) {
        const FileStorageParam& p = params_[static_cast<std::size_t>(i)];
        lib::io::write_binary(out, p.name);
        lib::io::write_binary(out, p.short_name);
        lib::io::write_binary(out, p.unit);
        lib::io::write_binary(out, p.global_name);
        lib::io::write_binary(out, p.scale_min);
        lib::io::write_binary(out, p.scale_max);
    }
    lib::io::write_binary(out, text_values_.get_full_text());
    lib::io::write_binary(out, static_cast<std::uint32_t>(records_.size()));
    add_new_reg_any_values(out, &FileStorageItem::time);
    add_new_reg_any_values(out, &FileStorageItem::depth);
    add_new_reg_any_values(out, &FileStorageItem::second_depth);
    add_new_reg_any_values(out, &FileStorageItem::third_depth);
    add_new_reg_any_values(out, &FileStorageItem::tag);

    std::vector<float> column(records_.size());
    for (int p = 0; p < param_count_; ++p) {
        // A record of an old-format file may hold fewer values than the store has parameters.
        const auto at = static_cast<std::size_t>(p);
        for (std::size_t j = 0; j < records_.size(); ++j) {
            const auto& values = records_[j]->values;
            column[j] = at < values.size() ? values[at] : missing_value;
        }
        save_vector(out, column, encoding);
        if (compress_progress_) compress_progress_(p);
    }
}

template <class T>
void FileStorage::read_new_reg_file_vector(BinaryInputStream& in, std::vector<T>& values) {
    const std::uint32_t count = read_u32(in);
    check_fits(in, count, sizeof(T));
    std::vector<char> planes;
    read_bytes(in, count, sizeof(T), planes);
    values.resize(count);
    from_planes(planes.data(), count, values.data());
}

template <class T>
void FileStorage::read_new_reg_any_values(BinaryInputStream& in, T FileStorageItem::*field) {
    std::vector<T> values;
    read_new_reg_file_vector(in, values);
    if (values.size() != records_.size())
        fail("Длина массива не равна числу записей: "_cp + std::to_string(values.size()));
    for (std::size_t j = 0; j < values.size(); ++j)
        (*records_[j]).*field = values[j];
}

template <class T>
void FileStorage::smart_read_vector2(BinaryInputStream& in, std::vector<float>& column,
                                     const std::vector<std::int32_t>& exact_positions,
                                     const std::vector<float>& exact_values, float low, float high, unsigned levels,
                                     unsigned n) {
    for (std::size_t k = 0; k < exact_positions.size(); ++k) {
        if (exact_positions[k] < 0 || static_cast<std::uint32_t>(exact_positions[k]) >= n ||
            (k > 0 && exact_positions[k] <= exact_positions[k - 1]))
            fail("Точные позиции не возрастают или выходят за столбец"_cp);
    }
    if (exact_values.size() != exact_positions.size())
        fail("Число точных значений не равно числу позиций: "_cp + std::to_string(exact_values.size()));
    std::vector<T> codes;
    read_new_reg_file_vector(in, codes);
    if (codes.size() + exact_positions.size() != n)
        fail("Число кодов не равно числу неточных значений: "_cp + std::to_string(codes.size()));
    if (levels == 0 && !codes.empty()) fail("Число уровней равно нулю"_cp);
    column.resize(n);
    std::size_t next_exact = 0, next_code = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (next_exact < exact_positions.size() && static_cast<std::size_t>(exact_positions[next_exact]) == i)
            column[i] = exact_values[next_exact++];
        else
            column[i] = restore(codes[next_code++], low, high, levels);
    }
}

void FileStorage::smart_read_vector(BinaryInputStream& in, std::vector<float>& column) {
    const std::uint32_t width = read_u32(in);
    const std::uint32_t levels = read_u32(in);
    float high = 0, low = 0;
    lib::io::read_binary(in, high);
    lib::io::read_binary(in, low);
    const std::uint32_t n = read_u32(in);
    if (width != 1 && width != 2 && width != 4) fail("Неизвестная разрядность кодов: "_cp + std::to_string(width));
    // Every value takes at least one byte: an exact one eight, a code one to four.
    check_fits(in, n, 1);
    std::vector<std::int32_t> positions;
    read_new_reg_file_vector(in, positions);
    std::vector<float> values;
    read_new_reg_file_vector(in, values);
    if (width == 1)
        smart_read_vector2<std::uint8_t>(in, column, positions, values, low, high, levels, n);
    else if (width == 2)
        smart_read_vector2<std::uint16_t>(in, column, positions, values, low, high, levels, n);
    else
        smart_read_vector2<std::uint32_t>(in, column, positions, values, low, high, levels, n);
}

void FileStorage::load_after_decompressing(BinaryInputStream& in) {
    load_stream(in, AnsiString(), "of the stream");
}

void FileStorage::load_stream(BinaryInputStream& source, const AnsiString& file, const char* where) {
    clear();
    counted_stream in(source);
    // Where the reading stopped, for a person: the file named, the byte of the stream.
    const auto place = [&](std::string_view what) {
        return lib::storage::with_file(file, "damaged at byte " + lib::io::grouped(in.position()) +
                                                 (*where != 0 ? " " : "") + where + ": " + std::string(what));
    };
    std::uint32_t count = 0;
    std::vector<int> columns;
    std::uint32_t record_count = 0;
    std::vector<std::uint32_t> times;
    std::vector<float> depths, second_depths, third_depths;
    std::vector<std::uint8_t> tags;
    try {
        AnsiString head;
        if (!read_text(in, std::strlen(magic), head) || head != magic) fail("Некорркетный заголовок файла"_cp);
        if (read_u32(in) != version) fail("Некорркетная версия файла"_cp);

        // A descriptor takes at least four zero bytes and two floats.
        count = read_u32(in);
        check_fits(in, count, 4 + 8);
        // Column i of the stream goes to the parameter that its descriptor became: descriptors
        // with one key share a parameter, and the later column wins, as in a registration file.
        for (std::uint32_t i = 0; i < count; ++i) {
            // A stream that cannot tell its length ends the descriptors when it ends.
            if (in.eof()) fail("Длина массива больше остатка данных: "_cp + std::to_string(count));
            FileStorageParam p;
            p.name = read_text(in);
            p.short_name = read_text(in);
            p.unit = read_text(in);
            p.global_name = read_text(in);
            lib::io::read_binary(in, p.scale_min);
            lib::io::read_binary(in, p.scale_max);
            columns.push_back(add_parametr(p));
        }
        text_values_.get_list().SetText(read_text(in));

        // Every record takes its five fields and at least a byte in each column. The records are
        // made only once their columns have arrived: memory grows with the bytes really there,
        // never with a count alone.
        record_count = read_u32(in);
        check_fits(in, record_count, record_field_bytes + count);
        const auto field = [&](auto& values) {
            read_new_reg_file_vector(in, values);
            if (values.size() != record_count)
                fail("Длина массива не равна числу записей: "_cp + std::to_string(values.size()));
        };
        field(times);
        field(depths);
        field(second_depths);
        field(third_depths);
        field(tags);
    } catch (const FileStorageException& e) {
        if (file.empty() || !e.is_critical()) throw;
        if (in.position() <= std::strlen(magic) + 1 + 4)
            throw FileStorageException(lib::storage::with_file(file, e.what()), true);
        throw FileStorageException(place(e.what()), true);
    } catch (const std::runtime_error& e) {
        if (file.empty()) throw;
        throw std::runtime_error(place(e.what()));
    }

    // A column that is damaged or cut short ends the reading: the columns before it are kept,
    // the others are missing.
    std::vector<std::vector<float>> read(count);
    std::uint32_t whole = 0;
    try {
        for (; whole < count; ++whole) {
            std::vector<float>& column = read[whole];
            const std::uint32_t tag = read_u32(in);
            if (tag == plain_column)
                read_new_reg_file_vector(in, column);
            else if (tag == quantized_column)
                smart_read_vector(in, column);
            else
                fail("Неизвестный тип столбца: "_cp + std::to_string(tag));
            if (column.size() != record_count)
                fail("Длина массива не равна числу записей: "_cp + std::to_string(column.size()));
        }
    } catch (const std::runtime_error& e) {
        read.resize(whole);
        warnings_.push_back(AnsiString(place(e.what()) + "; " + lib::io::grouped(whole) + " of " +
                                       lib::io::grouped(count) + " columns read before it, the others left out"));
        // The parameters of the columns read come first (a key met again keeps its first place):
        // the others go, so that no record holds values that the data never had.
        int kept = 0;
        for (std::uint32_t i = 0; i < whole; ++i)
            kept = std::max(kept, columns[i] + 1);
        param_count_ = kept;
    }

    {
        record_arena arena(records_, record_count, param_count_);
        for (std::uint32_t j = 0; j < record_count; ++j) {
            FileStorageItem& r = arena.add(param_count_);
            r.time = times[j];
            r.depth = depths[j];
            r.second_depth = second_depths[j];
            r.third_depth = third_depths[j];
            r.tag = tags[j];
        }
    }
    for (std::uint32_t i = 0; i < whole; ++i) {
        const auto at = static_cast<std::size_t>(columns[i]);
        for (std::size_t j = 0; j < record_count; ++j)
            records_[j]->values[at] = read[i][j];
        std::vector<float>().swap(read[i]);
    }
    text_values_.ri_from_data();
}

void FileStorage::load_after_decompressing(const AnsiString& file) {
    load_after_decompressing(lib::os::file_path(file));
}

void FileStorage::load_after_decompressing(const lib::os::file_path& file) {
    lib::storage::naming_file(file, [&] {
        lib::io::InputMappedFile in;
        lib::storage::open_data_file(in, file, true);
        load_stream(in, file.display(), "");
    });
}

bool FileStorage::add_compressed_file(const AnsiString& name, bool text_only,
                                      const std::function<void(double)>& progress) {
    return add_compressed_file(lib::os::file_path(name), text_only, progress);
}

bool FileStorage::add_compressed_file(const lib::os::file_path& name, bool text_only,
                                      const std::function<void(double)>& progress) {
    return lib::storage::naming_file(name, [&] {
        lib::io::InputMappedFile mapped;
        lib::storage::open_data_file(mapped, name, true);
        return add_compressed_data(mapped.get_data(), mapped.get_size(), text_only, name.display(), progress);
    });
}

bool FileStorage::add_compressed_data(const char* data, std::size_t size, bool text_only, const AnsiString& name,
                                      const std::function<void(double)>& progress) {
    const AnsiString label = name.empty() ? AnsiString("compressed data") : name;
    if (!lib::compressed::starts_like_file(data, size))
        throw FileStorageException(lib::storage::with_file(label, "not a compressed data file"), true);
    FileStorage read;
    {
        lib::io::InflatingInputStream in(data, size, progress);
        read.load_stream(in, label, "of the inflated data");
        // The zlib stream's own end and checksum vouch for what was read whole.
        try {
            while (read.warnings_.empty() && !in.eof())
                in.get();
        } catch (const std::runtime_error& e) {
            read.warnings_.push_back(AnsiString(lib::storage::with_file(
                label, "the end of the compressed data is damaged: " + std::string(e.what()) +
                           "; every column was read, but the data could not be checked whole")));
        }
    }
    warnings_.insert(warnings_.end(), read.warnings_.begin(), read.warnings_.end());
    // Merged like a data file of another kind: parameters by key, records inside the time range.
    const TStringList& lines = read.text_values_.get_list();
    TStringList& list = text_values_.get_list();
    for (int i = 0; i < lines.Count(); ++i) {
        if (lines[i].find('=') == AnsiString::npos) continue;
        const AnsiString key = lines.Names(i);
        list.SetValue(key, lines.Values(key));
    }
    file_name = name;
    if (!text_only) {
        std::vector<int> columns;
        for (int i = 0; i < read.param_count_; ++i)
            columns.push_back(add_parametr(read.params_[static_cast<std::size_t>(i)]));
        bool in_place = read.param_count_ == param_count_;
        for (int i = 0; in_place && i < read.param_count_; ++i)
            in_place = columns[static_cast<std::size_t>(i)] == i;
        for (auto& r : records_)
            r->resize(param_count_);
        for (auto& r : read.records_) {
            if (r->time < time_range_start || r->time > time_range_end) continue;
            if (in_place) {
                records_.push_back(std::move(r));
                continue;
            }
            auto merged = std::make_shared<FileStorageItem>(*r);
            merged->values.assign(static_cast<std::size_t>(param_count_), missing_value);
            for (std::size_t i = 0; i < columns.size(); ++i)
                merged->values[static_cast<std::size_t>(columns[i])] = r->values[i];
            records_.push_back(std::move(merged));
        }
    }
    text_values_.ri_from_data();
    return !text_only && get_record_count() > 0;
}

void FileStorage::save_compressed_file(const AnsiString& name, EncodeType encoding,
                                       const std::function<void(double)>& progress) {
    save_compressed_file(lib::os::file_path(name), encoding, progress);
}

void FileStorage::save_compressed_file(const lib::os::file_path& name, EncodeType encoding,
                                       const std::function<void(double)>& progress) {
    lib::storage::refuse_unstorable_texts(*this, name.display());
    lib::io::DeflatingOutputStream deflated;
    const int columns = std::max(1, param_count_);
    save_for_compressing(deflated, encoding, [&](int column) {
        if (progress) progress((column + 1.0) / columns);
    });
    const std::string& bytes = deflated.finish();
    lib::io::atomic_file out(name);
    for (std::size_t at = 0; at < bytes.size(); at += INT_MAX)
        out.write(bytes.data() + at, static_cast<unsigned>(std::min<std::size_t>(bytes.size() - at, INT_MAX)));
    out.commit();
    FILETIME created, accessed;
    out.get_time(created, accessed, saved_file_time);
    saved_file_size_ = out.get_real_size();
}

template void FileStorage::add_new_reg_file_vector(BinaryOutputStream&, const std::vector<char>&);
template void FileStorage::add_new_reg_file_vector(BinaryOutputStream&, const std::vector<unsigned char>&);
template void FileStorage::add_new_reg_file_vector(BinaryOutputStream&, const std::vector<unsigned short>&);
template void FileStorage::add_new_reg_file_vector(BinaryOutputStream&, const std::vector<int>&);
template void FileStorage::add_new_reg_file_vector(BinaryOutputStream&, const std::vector<unsigned int>&);
template void FileStorage::add_new_reg_file_vector(BinaryOutputStream&, const std::vector<float>&);
template void FileStorage::read_new_reg_file_vector(BinaryInputStream&, std::vector<char>&);
template void FileStorage::read_new_reg_file_vector(BinaryInputStream&, std::vector<unsigned char>&);
template void FileStorage::read_new_reg_file_vector(BinaryInputStream&, std::vector<unsigned short>&);
template void FileStorage::read_new_reg_file_vector(BinaryInputStream&, std::vector<int>&);
template void FileStorage::read_new_reg_file_vector(BinaryInputStream&, std::vector<unsigned int>&);
template void FileStorage::read_new_reg_file_vector(BinaryInputStream&, std::vector<float>&);
template void FileStorage::add_new_reg_any_values(BinaryOutputStream&, std::uint32_t FileStorageItem::*) const;
template void FileStorage::add_new_reg_any_values(BinaryOutputStream&, float FileStorageItem::*) const;
template void FileStorage::add_new_reg_any_values(BinaryOutputStream&, std::uint8_t FileStorageItem::*) const;
template void FileStorage::read_new_reg_any_values(BinaryInputStream&, std::uint32_t FileStorageItem::*);
template void FileStorage::read_new_reg_any_values(BinaryInputStream&, float FileStorageItem::*);
template void FileStorage::read_new_reg_any_values(BinaryInputStream&, std::uint8_t FileStorageItem::*);
template bool FileStorage::try_to_copmpress<std::uint8_t>(BinaryOutputStream&, const std::vector<float>&, unsigned,
                                                          bool);
template bool FileStorage::try_to_copmpress<std::uint16_t>(BinaryOutputStream&, const std::vector<float>&, unsigned,
                                                           bool);
template void FileStorage::smart_read_vector2<std::uint8_t>(BinaryInputStream&, std::vector<float>&,
                                                            const std::vector<std::int32_t>&, const std::vector<float>&,
                                                            float, float, unsigned, unsigned);
template void FileStorage::smart_read_vector2<std::uint16_t>(BinaryInputStream&, std::vector<float>&,
                                                             const std::vector<std::int32_t>&,
                                                             const std::vector<float>&, float, float, unsigned,
                                                             unsigned);
template void FileStorage::smart_read_vector2<std::uint32_t>(BinaryInputStream&, std::vector<float>&,
                                                             const std::vector<std::int32_t>&,
                                                             const std::vector<float>&, float, float, unsigned,
                                                             unsigned);
