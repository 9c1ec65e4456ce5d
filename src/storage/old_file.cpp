// The old generation of data files: decoders and encoders over bytes.
#include "gti/storage/old_file.h"
#include "gti/platform/cp_literal.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "gti/storage/text_values.h"
#include "gti/util/string_list.h"
#include "util/ini_document.h"

namespace lib::old_file {
namespace {

template <class T>
void put(char* at, const T& v) noexcept {
    std::memcpy(at, &v, sizeof v);
}

// A stored INI value without one enclosing pair of double quotes, as TIniFile reads it.
AnsiString ini_value(const detail::ini_document& doc, std::string_view section, std::string_view key) {
    const std::optional<std::string_view> v = doc.find(section, key);
    if (!v) return AnsiString();
    return FileStorageTextValues::check_inverted_commas(AnsiString(*v));
}

}  // namespace

bool decode_record(storage::byte_reader& in, record_view& r) noexcept {
    if (!in.has(record_size)) return false;
    const char* p = in.here();
    r.tag = static_cast<std::uint8_t>(p[0]);
    std::memcpy(&r.time, p + 1, 4);
    std::memcpy(&r.depth, p + 5, 4);
    std::memcpy(&r.second_depth, p + 9, 4);
    r.values = p + 13;
    in.skip(record_size);
    return true;
}

bool starts_like_file(const char* data, std::size_t size) noexcept {
    static constexpr char zero[4] = {};
    return size >= record_size && std::memcmp(data + record_size - 4, zero, 4) == 0;
}

void encode_record(const FileStorageItem& r, const columns& cols, char* out) noexcept {
    std::memset(out, 0, record_size);
    put(out, r.tag);
    put(out + 1, r.time);
    put(out + 5, r.depth);
    put(out + 9, r.second_depth);
    for (int k = 0; k < value_count; ++k) {
        const int p = cols[static_cast<std::size_t>(k)];
        if (p >= 0 && static_cast<std::size_t>(p) < r.values.size())
            put(out + 13 + 4 * k, r.values[static_cast<std::size_t>(p)]);
    }
}

bool decode_entry(storage::byte_reader& in, FileStorageParam& p) {
    constexpr std::size_t tail = entry_unused_before + 8 + entry_unused_after;
    const bool texts = in.text(p.name) && in.text(p.short_name) && in.text(p.unit) && in.text(p.global_name);
    if (!texts || !in.has(tail)) {
        in.pos = in.size;
        return false;
    }
    std::memcpy(&p.scale_min, in.here() + entry_unused_before, 4);
    std::memcpy(&p.scale_max, in.here() + entry_unused_before + 4, 4);
    in.skip(tail);
    return true;
}

std::vector<FileStorageParam> decode_list(const char* data, std::size_t size) {
    std::vector<FileStorageParam> entries;
    storage::byte_reader in{data, size};
    FileStorageParam p;
    while (in.left() > 0 && decode_entry(in, p))
        entries.push_back(p);
    return entries;
}

void encode_list(io::BinaryOutputStream& out, const FileStorageParam* params, int count) {
    const char unused[entry_unused_before] = {};
    for (int i = 0; i < std::min(count, value_count); ++i) {
        const FileStorageParam& p = params[i];
        io::write_binary(out, p.name);
        io::write_binary(out, p.short_name);
        io::write_binary(out, p.unit);
        io::write_binary(out, p.global_name);
        out.write(unused, entry_unused_before);
        io::write_binary(out, p.scale_min);
        io::write_binary(out, p.scale_max);
        out.write(unused, entry_unused_after);
    }
}

void merge_run_text(std::string_view run_text, TStrings& list) {
    TStringList lines;
    lines.SetText(AnsiString(run_text));
    for (int i = 0; i < lines.Count(); ++i) {
        if (lines[i].find('=') == AnsiString::npos) continue;
        const AnsiString key = lines.Names(i);
        list.SetValue(key, FileStorageTextValues::check_inverted_commas(lines.Values(key)));
    }
    const detail::ini_document ini{std::string(run_text)};
    list.SetValue("нач_глубина"_cp, ini_value(ini, "начало_рейса"_cp, "глубина"_cp));
    list.SetValue("нач_время"_cp, ini_value(ini, "начало_рейса"_cp, "время"_cp));
    list.SetValue("конеч_глубина"_cp, ini_value(ini, "окончание_рейса"_cp, "глубина"_cp));
    list.SetValue("конеч_время"_cp, ini_value(ini, "окончание_рейса"_cp, "время"_cp));
}

}  // namespace lib::old_file
