#include "csv.h"

#include <zlib.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string>

#include "gti/io/atomic_file.h"
#include "gti/io/whole_file.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/time/unix_time.h"
#include "language.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

// The tool's words in the language of the run, as bytes to build a message of.
std::string tx(const char* en, const char* ru) {
    return tr(en, ru).str();
}

[[noreturn]] void fail(const AnsiString& file, const std::string& what) {
    throw std::runtime_error((file + ": " + AnsiString(what)).str());
}

std::string line_text(int line) {
    return tx("line ", "строка "_cp) + std::to_string(line);
}

std::string cell_count(std::size_t cells, std::size_t header) {
    return std::to_string(cells) + tx(" cells where the header has ", " ячеек, а в заголовке "_cp) +
           std::to_string(header);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// ---- gzip ----------------------------------------------------------------------------------

bool is_gzip(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
           static_cast<unsigned char>(bytes[1]) == 0x8b;
}

// The text of gzip data (every member of it), as large as the data really inflate to.
std::string gunzip(std::string_view bytes, const AnsiString& file) {
    constexpr std::size_t most = std::size_t{1} << 32;
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        fail(file, tx("zlib cannot start inflating", "zlib не может начать распаковку"_cp));
    std::string text;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    std::size_t left = bytes.size();
    int rc = Z_OK;
    std::array<char, 1 << 16> piece;
    bool too_large = false;
    while (true) {
        const uInt in = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
        z.avail_in = in;
        z.next_out = reinterpret_cast<Bytef*>(piece.data());
        z.avail_out = static_cast<uInt>(piece.size());
        rc = inflate(&z, Z_NO_FLUSH);
        left -= in - z.avail_in;
        text.append(piece.data(), piece.size() - z.avail_out);
        if (text.size() >= most) {
            too_large = true;
            break;
        }
        if (rc == Z_STREAM_END && left > 0) {
            inflateReset(&z);  // another gzip member follows
            continue;
        }
        if (rc != Z_OK) break;
    }
    const std::string why = z.msg ? z.msg : "";
    inflateEnd(&z);
    if (too_large)
        fail(file, tx("the gzip data inflate to 4 GiB or more", "данные gzip распаковываются в 4 ГиБ и больше"_cp));
    if (rc == Z_STREAM_END) return text;
    if (rc == Z_BUF_ERROR) fail(file, tx("the gzip data end early", "данные gzip обрываются"_cp));
    fail(file, tx("damaged gzip data (zlib: ", "повреждённые данные gzip (zlib: "_cp) + why + ")");
}

// ---- cells ---------------------------------------------------------------------------------

char detect_delimiter(std::string_view text) {
    int commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        commas += c == ',';
        semicolons += c == ';';
        tabs += c == '\t';
    }
    if (tabs >= semicolons && tabs >= commas && tabs > 0) return '\t';
    if (semicolons >= commas && semicolons > 0) return ';';
    return ',';
}

// Splits a CSV text into rows of cells, counting lines.
class csv_cursor {
public:
    csv_cursor(std::string_view text, char delimiter, const AnsiString& file)
        : text_(text), delimiter_(delimiter), file_(file) {}

    // The cells of the next row (blanks around unquoted cells dropped); false at the end.
    // `line` is the number of the row's first line.
    bool next(std::vector<std::string>& cells, int& line) {
        if (pos_ >= text_.size()) return false;
        line = line_;
        std::size_t n = 0;
        while (true) {
            if (cells.size() <= n) cells.emplace_back();
            std::string& cell = cells[n++];
            cell.clear();
            const bool end_of_row = read_cell(cell);
            if (end_of_row) break;
        }
        cells.resize(n);
        return true;
    }

    // The bytes of the text read so far.
    std::size_t position() const noexcept { return pos_; }

private:
    // Reads one cell; true when it ended its row.
    bool read_cell(std::string& cell) {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && (text_[pos_] == ' ' || (text_[pos_] == '\t' && delimiter_ != '\t')))
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '"') {
            const int opened = line_;
            for (++pos_;; ++pos_) {
                if (pos_ >= text_.size())
                    fail(file_, tx("the quote opened on line ", "кавычка, открытая в строке "_cp) +
                                    std::to_string(opened) + tx(" is not closed", ", не закрыта"_cp));
                const char c = text_[pos_];
                if (c == '"') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                        cell += '"';
                        ++pos_;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                if (c == '\n' || (c == '\r' && (pos_ + 1 >= text_.size() || text_[pos_ + 1] != '\n'))) ++line_;
                cell += c;
            }
            while (pos_ < text_.size() && (text_[pos_] == ' ' || (text_[pos_] == '\t' && delimiter_ != '\t')))
                ++pos_;
            if (pos_ < text_.size() && text_[pos_] != delimiter_ && text_[pos_] != '\n' && text_[pos_] != '\r')
                fail(file_, line_text(line_) + tx(": text after the closing quote of a cell",
                                                  ": текст после закрывающей кавычки ячейки"_cp));
        } else {
            pos_ = start;
            while (pos_ < text_.size() && text_[pos_] != delimiter_ && text_[pos_] != '\n' && text_[pos_] != '\r')
                ++pos_;
            cell.assign(trim(text_.substr(start, pos_ - start)));
        }
        if (pos_ >= text_.size()) return true;
        const char c = text_[pos_++];
        if (c == delimiter_) return false;
        if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        ++line_;
        return true;
    }

    std::string_view text_;
    char delimiter_;
    const AnsiString& file_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

bool all_empty(const std::vector<std::string>& cells) {
    for (const std::string& c : cells)
        if (!c.empty()) return false;
    return true;
}

// A cell as a number: the whole cell, as C reads it in any locale; a decimal comma where the
// comma is not the delimiter.
bool read_number(std::string_view cell, char delimiter, double& value) {
    if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
    if (cell.empty() || cell.front() == '+' || cell.front() == ' ') return false;
    std::string comma;
    if (delimiter != ',' && cell.find(',') != std::string_view::npos && cell.find('.') == std::string_view::npos) {
        comma.assign(cell);
        comma[comma.find(',')] = '.';
        cell = comma;
    }
    const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    return ec == std::errc() && end == cell.data() + cell.size();
}

// ---- header --------------------------------------------------------------------------------

bool is_utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// Header or map text as station text: UTF-8 converted (`utf8`), else the bytes as they are.
AnsiString station_text(std::string_view text, bool utf8, const AnsiString& file, const std::string& what) {
    if (!utf8) return AnsiString(text);
    std::string out;
    if (lib::cp1251::from_utf8(text, out)) return AnsiString(std::move(out));
    lib::cp1251::from_utf8_marked(text, out);
    fail(file,
         what + " \"" + out + "\"" +
             tx(" holds characters that station text cannot", " содержит символы, которых нет в тексте станции"_cp));
}

// A unit's superscripts as digits ("m³" is "m3"), which station text can hold.
std::string plain_superscripts(std::string_view unit) {
    std::string out;
    for (std::size_t i = 0; i < unit.size(); ++i) {
        if (unit[i] == '\xC2' && i + 1 < unit.size() && (unit[i + 1] == '\xB2' || unit[i + 1] == '\xB3')) {
            out += unit[++i] == '\xB2' ? '2' : '3';
            continue;
        }
        out += unit[i];
    }
    return out;
}

// "name (unit)" or "name[unit]" or "name" taken apart.
void split_header(std::string_view cell, std::string_view& name, std::string_view& unit) {
    cell = trim(cell);
    name = cell;
    unit = {};
    if (cell.empty()) return;
    const char close = cell.back();
    if (close != ')' && close != ']') return;
    const std::size_t open = cell.rfind(close == ')' ? '(' : '[');
    if (open == std::string_view::npos || open == 0) return;
    name = trim(cell.substr(0, open));
    unit = trim(cell.substr(open + 1, cell.size() - open - 2));
}

bool named_one_of(const AnsiString& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (lib::cp1251::equal_nocase(name.view(), n)) return true;
    return false;
}

bool is_time_name(const AnsiString& name) {
    return named_one_of(name, {"time", "datetime", "date_time", "timestamp", "time_stamp", "time_epoch_s", "time_epoch",
                               "time_epoch_ms", "epoch", "epoch_s", "epoch_ms", "unix_time", "unixtime", "time_utc",
                               "utc_time", "timestamp_ms", "время"_cp, "дата_время"_cp, "датавремя"_cp});
}

bool is_depth_name(const AnsiString& name) {
    return named_one_of(name, {"depth", "dept", "dmea", "md", "depth_m", "hole_depth", "holedepth", "depth_hole",
                               "глубина"_cp, "глубина_забоя"_cp, "забой"_cp});
}

bool ends_with_ms(const AnsiString& name) {
    const std::string lower = lib::cp1251::to_lower(name.view());
    return lower.size() > 3 && lower.compare(lower.size() - 3, 3, "_ms") == 0;
}

// ---- times ---------------------------------------------------------------------------------

// Reads 1 to `most` digits.
bool digits(std::string_view& s, int most, int& value) {
    int n = 0;
    value = 0;
    while (n < most && !s.empty() && s.front() >= '0' && s.front() <= '9') {
        value = value * 10 + (s.front() - '0');
        s.remove_prefix(1);
        ++n;
    }
    return n > 0;
}

bool take(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

// A date and time as local seconds and the zone's offset from UTC; false when the text is none.
bool read_date_time(std::string_view s, std::chrono::local_seconds& when, std::optional<std::chrono::seconds>& zone) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::string_view probe = s;
    int first = 0;
    if (!digits(probe, 4, first)) return false;
    if (s.size() - probe.size() == 4 && (take(probe, '-') || take(probe, '/'))) {
        const char sep = s[4];
        year = first;
        if (!digits(probe, 2, month) || !take(probe, sep) || !digits(probe, 2, day)) return false;
    } else {
        probe = s;
        if (!digits(probe, 2, day) || !take(probe, '.') || !digits(probe, 2, month) || !take(probe, '.') ||
            !digits(probe, 4, year))
            return false;
    }
    if (!probe.empty()) {
        if (!take(probe, 'T') && !take(probe, ' ') && !take(probe, '_')) return false;
        if (!digits(probe, 2, hour) || !take(probe, ':') || !digits(probe, 2, minute)) return false;
        if (take(probe, ':')) {
            if (!digits(probe, 2, second)) return false;
            if (take(probe, '.') || take(probe, ',')) {
                int fraction = 0;
                if (!digits(probe, 9, fraction)) return false;
            }
        }
        if (take(probe, 'Z') || take(probe, 'z')) {
            zone = std::chrono::seconds(0);
        } else if (!probe.empty() && (probe.front() == '+' || probe.front() == '-')) {
            const int sign = probe.front() == '-' ? -1 : 1;
            probe.remove_prefix(1);
            int zh = 0, zm = 0;
            if (!digits(probe, 2, zh)) return false;
            take(probe, ':');
            if (!probe.empty() && !digits(probe, 2, zm)) return false;
            if (zh > 23 || zm > 59) return false;
            zone = std::chrono::seconds(sign * (zh * 3600 + zm * 60));
        }
        if (!probe.empty()) return false;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) return false;
    when = local_days(date) + hours(hour) + minutes(minute) + seconds(second);
    return true;
}

// A time cell as a time value; an empty `why` when it is one.
std::uint32_t read_time(std::string_view cell, char delimiter, bool millis, std::string& why) {
    why.clear();
    try {
        double number = 0;
        if (read_number(cell, delimiter, number)) {
            if (millis) number /= 1000;
            // Anything beyond ±1e12 s lies far outside the time values; from_local_epoch_seconds says so.
            if (!std::isfinite(number) || std::fabs(number) > 1e12) number = std::copysign(1e12, number);
            return lib::from_local_epoch_seconds(static_cast<std::int64_t>(std::floor(number)));
        }
        std::chrono::local_seconds when;
        std::optional<std::chrono::seconds> zone;
        if (!read_date_time(cell, when, zone)) {
            why = tx("is neither a date and time nor epoch seconds", "не дата и время и не секунды эпохи"_cp);
            return 0;
        }
        return lib::from_local_seconds(zone ? when - *zone : when);
    } catch (const std::out_of_range&) {
        why = tx("is outside the station's times (1969-12-31 to 2106-02-05)",
                 "вне времён станции (1969-12-31 .. 2106-02-05)"_cp);
        return 0;
    }
}

// ---- columns -------------------------------------------------------------------------------

enum class role { time, depth, parameter };

struct column {
    AnsiString name;
    role kind = role::parameter;
    int param = -1;    // the store's index
    double scale = 1;  // from the map
};

std::string place(int line, std::size_t index, const column& c) {
    return line_text(line) + tx(", column ", ", столбец "_cp) + std::to_string(index + 1) + " (" + c.name.str() + ")";
}

std::string shown(std::string_view cell) {
    constexpr std::size_t most = 40;
    return "\"" + std::string(cell.substr(0, most)) + (cell.size() > most ? "..." : "") + "\"";
}

// The columns of a header row, their parameters added to the store.
std::vector<column> read_header(const std::vector<std::string>& cells, const AnsiString& file,
                                const csv_read_options& options, FileStorage& store) {
    bool utf8 = true;
    for (const std::string& c : cells)
        utf8 = utf8 && is_utf8(c);
    std::vector<column> columns(cells.size());
    std::vector<AnsiString> units(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::string_view name, unit;
        split_header(cells[i], name, unit);
        if (name.empty())
            fail(file, tx("column ", "у столбца "_cp) + std::to_string(i + 1) +
                           tx(" of the header has no name", " заголовка нет имени"_cp));
        columns[i].name = station_text(name, utf8, file, tx("the column", "столбец"_cp));
        units[i] = station_text(utf8 ? std::string_view(plain_superscripts(unit)) : unit, utf8, file,
                                tx("the unit", "единица"_cp));
    }
    // The time and depth columns: named, else found by their names.
    auto find = [&](const AnsiString& named, bool (*by_name)(const AnsiString&),
                    const std::string& what) -> std::size_t {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (named.empty() ? by_name(columns[i].name)
                              : lib::cp1251::equal_nocase(columns[i].name.view(), named.view()))
                return i;
        }
        if (!named.empty()) fail(file, what + " \"" + named.str() + "\"");
        return columns.size();
    };
    const std::size_t time =
        find(options.time_column, is_time_name, tx("no time column named", "нет столбца времени с именем"_cp));
    if (time == columns.size())
        fail(file, tx("no time column (name one with --time-column; found by the names time, time_epoch_s, "
                      "datetime, date_time, timestamp, epoch, unix_time)",
                      "нет столбца времени (назовите его --time-column; находится по именам time, time_epoch_s, "_cp
                      "datetime, date_time, timestamp, epoch, unix_time)"_cp));
    columns[time].kind = role::time;
    const std::size_t depth =
        find(options.depth_column, is_depth_name, tx("no depth column named", "нет столбца глубины с именем"_cp));
    if (depth == time)
        fail(file, tx("the time column cannot be the depth column too",
                      "столбец времени не может быть и столбцом глубины"_cp));
    if (depth < columns.size()) columns[depth].kind = role::depth;

    int parameters = 0;
    for (const column& c : columns)
        parameters += c.kind == role::parameter;
    if (parameters > FileStorage::max_params)
        fail(file, std::to_string(parameters) +
                       tx(" parameters, a store holds at most ", " параметров, а хранилище вмещает не больше "_cp) +
                       std::to_string(FileStorage::max_params));
    std::vector<AnsiString> keys;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        column& c = columns[i];
        FileStorageParam p(c.name, c.name, units[i], c.name);
        for (const csv_column_map& m : options.map) {
            if (!lib::cp1251::equal_nocase(m.column.view(), c.name.view())) continue;
            if (!m.key.empty()) p.global_name = m.key;
            if (!m.name.empty()) p.name = m.name;
            if (!m.unit.empty()) p.unit = m.unit;
            c.scale = m.scale;
            break;
        }
        if (c.kind != role::parameter) continue;
        for (std::size_t k = 0; k < keys.size(); ++k) {
            if (lib::cp1251::equal_nocase(keys[k].view(), p.global_name.view()))
                fail(file, tx("the columns ", "столбцы "_cp) + std::to_string(k + 1) + tx(" and ", " и "_cp) +
                               std::to_string(i + 1) + tx(" are one key \"", " — один ключ \""_cp) +
                               p.global_name.str() + "\"");
        }
        keys.resize(i + 1);
        keys[i] = p.global_name;
        try {
            c.param = store.add_parametr(p);
        } catch (const std::exception& e) {
            fail(file, tx("column ", "столбец "_cp) + std::to_string(i + 1) + " (" + c.name.str() + "): " + e.what());
        }
    }
    return columns;
}

// The least magnitude that rounds to infinity as a float: the float's greatest plus half a step.
const double float_overflow = std::ldexp(2.0 - std::ldexp(1.0, -24), 127);

// The null text as text and as a number.
struct null_cell {
    std::string text;
    bool numeric = false;
    double number = 0;
};

// Writes a CSV cell, quoted where it must be.
void append_cell(std::string& out, std::string_view cell) {
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos && trim(cell).size() == cell.size()) {
        out += cell;
        return;
    }
    out += '"';
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void append_float(std::string& out, float v) {
    if (std::isnan(v)) return;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, result.ptr);
}

}  // namespace

std::vector<csv_column_map> read_csv_map(std::string_view text, const AnsiString& file) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const char delimiter = detect_delimiter(text);
    const bool utf8 = is_utf8(text);
    csv_cursor cursor(text, delimiter, file);
    std::vector<std::string> cells;
    int line = 0;
    enum field { f_column, f_key, f_name, f_unit, f_scale, f_count };
    std::array<int, f_count> at;
    at.fill(-1);
    while (cursor.next(cells, line) && all_empty(cells)) {
    }
    if (all_empty(cells))
        fail(file,
             tx("no header line (column,key,name,unit,scale)", "нет строки заголовка (column,key,name,unit,scale)"_cp));
    static constexpr std::array<const char*, f_count> names = {"column", "key", "name", "unit", "scale"};
    for (std::size_t i = 0; i < cells.size(); ++i) {
        int f = 0;
        while (f < f_count && !lib::cp1251::equal_nocase(trim(cells[i]), names[static_cast<std::size_t>(f)]))
            ++f;
        if (f == f_count)
            fail(file,
                 line_text(line) + ": " + shown(cells[i]) +
                     tx(" is none of column, key, name, unit, scale", " — не column, key, name, unit или scale"_cp));
        if (at[static_cast<std::size_t>(f)] >= 0)
            fail(file, line_text(line) + ": \"" + names[static_cast<std::size_t>(f)] + tx("\" twice", "\" дважды"_cp));
        at[static_cast<std::size_t>(f)] = static_cast<int>(i);
    }
    if (at[f_column] < 0) fail(file, line_text(line) + tx(": no \"column\" column", ": нет столбца \"column\""_cp));
    const std::size_t width = cells.size();
    std::vector<csv_column_map> map;
    while (cursor.next(cells, line)) {
        if (all_empty(cells)) continue;
        if (cells.size() != width) fail(file, line_text(line) + ": " + cell_count(cells.size(), width));
        auto cell = [&](field f) {
            const int i = at[static_cast<std::size_t>(f)];
            return i < 0 ? std::string_view() : std::string_view(cells[static_cast<std::size_t>(i)]);
        };
        csv_column_map m;
        m.column = station_text(cell(f_column), utf8, file, tx("the column", "столбец"_cp));
        if (m.column.empty()) fail(file, line_text(line) + tx(": no column named", ": столбец не назван"_cp));
        m.key = station_text(cell(f_key), utf8, file, tx("the key", "ключ"_cp));
        m.name = station_text(cell(f_name), utf8, file, tx("the name", "имя"_cp));
        m.unit = station_text(utf8 ? std::string_view(plain_superscripts(cell(f_unit))) : cell(f_unit), utf8, file,
                              tx("the unit", "единица"_cp));
        if (!cell(f_scale).empty() &&
            (!read_number(cell(f_scale), delimiter, m.scale) || !std::isfinite(m.scale) || m.scale == 0))
            fail(file, line_text(line) + tx(": the scale ", ": масштаб "_cp) + shown(cell(f_scale)) +
                           tx(" is not a number other than 0", " — не число, отличное от 0"_cp));
        for (const csv_column_map& other : map)
            if (lib::cp1251::equal_nocase(other.column.view(), m.column.view()))
                fail(file, line_text(line) + tx(": the column \"", ": столбец \""_cp) + m.column.str() +
                               tx("\" again", "\" повторён"_cp));
        map.push_back(std::move(m));
    }
    return map;
}

std::vector<csv_column_map> load_csv_map(const lib::os::file_path& file) {
    lib::io::whole_file bytes;
    try {
        bytes = lib::io::read_whole_file(file);
    } catch (const std::exception& e) {
        fail(file.display(), e.what());
    }
    return read_csv_map(std::string_view(bytes.data.get(), bytes.size), file.display());
}

void read_csv(std::string_view text, const AnsiString& file, const csv_read_options& options, FileStorage& store,
              const std::function<void(double)>& progress) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const char delimiter = detect_delimiter(text);
    csv_cursor cursor(text, delimiter, file);
    std::vector<std::string> cells;
    int line = 0;
    bool header = false;
    while ((header = cursor.next(cells, line)) && all_empty(cells)) {
    }
    if (!header) fail(file, tx("no header line", "нет строки заголовка"_cp));
    // Some programs end every line with a delimiter: a header's empty last cell is no column.
    const bool closing_delimiter = cells.size() > 1 && cells.back().empty();
    if (closing_delimiter) cells.pop_back();
    const std::vector<column> columns = read_header(cells, file, options, store);
    bool millis = false;
    for (const column& c : columns)
        if (c.kind == role::time) millis = ends_with_ms(c.name);

    null_cell null;
    if (options.null_text) {
        null.text = trim(*options.null_text);
        null.numeric = read_number(null.text, delimiter, null.number);
    }
    auto missing = [&](std::string_view cell, double number, bool is_number) {
        if (cell.empty()) return true;
        if (!options.null_text) return false;
        return cell == null.text || (null.numeric && is_number && number == null.number);
    };

    FileStorageItem item;
    std::string why;
    for (std::size_t row = 1; cursor.next(cells, line); ++row) {
        if (progress && row % 4096 == 0) progress(static_cast<double>(cursor.position()) / text.size());
        if (all_empty(cells)) continue;
        if (closing_delimiter && cells.size() == columns.size() + 1 && cells.back().empty()) cells.pop_back();
        if (cells.size() != columns.size())
            fail(file, line_text(line) + ": " + cell_count(cells.size(), columns.size()));
        item.resize(store.get_param_count());
        std::fill(item.values.begin(), item.values.end(), missing_value);
        item.depth = 0;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const column& c = columns[i];
            const std::string& cell = cells[i];
            if (c.kind == role::time) {
                if (missing(cell, 0, false))
                    fail(file, place(line, i, c) + tx(": the record has no time", ": у записи нет времени"_cp));
                item.time = read_time(cell, delimiter, millis, why);
                if (!why.empty()) fail(file, place(line, i, c) + ": " + shown(cell) + " " + why);
                continue;
            }
            double number = 0;
            const bool is_number = read_number(cell, delimiter, number);
            if (missing(cell, number, is_number)) {
                if (c.kind == role::depth) item.depth = missing_value;
                continue;
            }
            if (!is_number)
                fail(file, place(line, i, c) + ": " + shown(cell) + tx(" is not a number", " — не число"_cp));
            number *= c.scale;
            if (std::isfinite(number) && std::fabs(number) >= float_overflow)
                fail(file, place(line, i, c) + ": " + shown(cell) +
                               tx(" is beyond the range of a float", " вне диапазона float"_cp));
            const float value = static_cast<float>(number);
            if (c.kind == role::depth)
                item.depth = value;
            else
                item.values[static_cast<std::size_t>(c.param)] = value;
        }
        if (item.time >= store.time_range_start && item.time <= store.time_range_end) store.add_record(item);
    }
}

void load_csv_file(const lib::os::file_path& file, const csv_read_options& options, FileStorage& store,
                   const std::function<void(double)>& progress) {
    const AnsiString& name = file.display();
    lib::io::whole_file bytes;
    try {
        bytes = lib::io::read_whole_file(file);
    } catch (const std::exception& e) {
        fail(name, e.what());
    }
    const std::string_view raw(bytes.data.get(), bytes.size);
    if (!is_gzip(raw)) {
        read_csv(raw, name, options, store, progress);
        return;
    }
    const std::string text = gunzip(raw, name);
    bytes = {};
    read_csv(text, name, options, store, progress);
}

void write_csv(const FileStorage& store, lib::io::BinaryOutputStream& out,
               const std::function<void(double)>& progress) {
    std::string text = "time,depth (m)";
    for (int p = 0; p < store.get_param_count(); ++p) {
        const FileStorageParam* param = store.get_param(p);
        std::string head = lib::cp1251::to_utf8(param->global_name.view());
        const char last = head.empty() ? '\0' : head.back();
        if (!param->unit.empty() || last == ')' || last == ']')
            head += " (" + lib::cp1251::to_utf8(param->unit.view()) + ")";
        text += ',';
        append_cell(text, head);
    }
    text += '\n';
    constexpr std::size_t piece = 1 << 16;
    for (int r = 0; r < store.get_record_count(); ++r) {
        const FileStorageItem* record = store.get_record(r);
        text += lib::to_iso8601(record->time).view();
        text += ',';
        append_float(text, record->depth);
        for (int p = 0; p < store.get_param_count(); ++p) {
            text += ',';
            const auto i = static_cast<std::size_t>(p);
            if (i < record->values.size()) append_float(text, record->values[i]);
        }
        text += '\n';
        if (text.size() >= piece) {
            out.write(text.data(), static_cast<unsigned>(text.size()));
            text.clear();
            if (progress) progress(static_cast<double>(r + 1) / store.get_record_count());
        }
    }
    out.write(text.data(), static_cast<unsigned>(text.size()));
}

void save_csv_file(const FileStorage& store, const lib::os::file_path& file,
                   const std::function<void(double)>& progress) {
    try {
        lib::io::atomic_file out(file);
        write_csv(store, out, progress);
        out.commit();
    } catch (const std::exception& e) {
        fail(file.display(), e.what());
    }
}

bool is_csv_file(const AnsiString& name) {
    const std::string lower = lib::cp1251::to_lower(name.view());
    auto ends = [&](std::string_view end) {
        return lower.size() >= end.size() && lower.compare(lower.size() - end.size(), end.size(), end) == 0;
    };
    return ends(".csv") || ends(".csv.gz");
}

}  // namespace gti_tool
