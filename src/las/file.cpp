#include "gti/las/file.h"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

#include "gti/io/atomic_file.h"
#include "gti/io/whole_file.h"
#include "gti/las/text.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"

using namespace lib::literals;

namespace lib::las {
namespace {

const char* const version_title = "Version information block";
const char* const well_title = "Well information block";
const char* const curve_title = "Curve information block";
const char* const param_title = "Parameter information block";
const char* const other_title = "Other information block";

// The name of a block title: the text before '|', without blanks at the ends.
std::string_view title_name(std::string_view title) {
    return trim_blanks(title.substr(0, title.find('|')));
}

// The name after '|' (a LAS 3.0 data section's definition); empty without one.
std::string_view title_association(std::string_view title) {
    const std::size_t bar = title.find('|');
    return bar == std::string_view::npos ? std::string_view() : trim_blanks(title.substr(bar + 1));
}

bool starts_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && cp1251::equal_nocase(text.substr(0, prefix.size()), prefix);
}

bool ends_nocase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && cp1251::equal_nocase(text.substr(text.size() - suffix.size()), suffix);
}

// The log's data section: ~A... or ~Log_Data...
bool is_data_title(std::string_view title) {
    const std::string_view name = title_name(title);
    return (!title.empty() && (title[0] == 'A' || title[0] == 'a')) || starts_nocase(name, "Log_Data");
}

// A name that stands for the log's curves (~Curve..., ~Log_Definition).
bool is_curve_name(std::string_view name) {
    return (!name.empty() && (name[0] == 'C' || name[0] == 'c') && !ends_nocase(name, "_Definition")) ||
           starts_nocase(name, "Log_Definition");
}

// The kind letter of a header block's title ('-': a section of another LAS 3.0 data set; 0: by
// the title's first byte).
char title_kind(std::string_view title) {
    const std::string_view name = title_name(title);
    if (starts_nocase(name, "Log_Definition")) return 'c';
    if (starts_nocase(name, "Log_Parameter")) return 'p';
    if (ends_nocase(name, "_Definition") || title.find('|') != std::string_view::npos) return '-';
    return 0;
}

// Tells the code page of header bytes (see detailed::detect_text).
detailed::coding detect_coding(std::string_view bytes, bool bom) {
    if (bom) return detailed::utf8_text;
    bool high = false;
    bool utf8 = true;
    std::size_t cp866_letters = 0, cp1251_letters = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) continue;
        high = true;
        if (b < 0xB0) ++cp866_letters;
        if ((b >= 0xC0 && b < 0xE0) || b >= 0xF0) ++cp1251_letters;
        if (!utf8) continue;
        const std::size_t length = b >= 0xF0 && b < 0xF8   ? 4
                                   : b >= 0xE0 && b < 0xF0 ? 3
                                   : b >= 0xC2 && b < 0xE0 ? 2
                                                           : 0;
        if (length == 0 || i + length > bytes.size()) {
            utf8 = false;
            continue;
        }
        for (std::size_t k = 1; k < length && utf8; ++k)
            utf8 = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        if (utf8) i += length - 1;
    }
    if (!high) return detailed::ansi_text;
    if (utf8) return detailed::utf8_text;
    return cp866_letters > cp1251_letters ? detailed::oem_text : detailed::ansi_text;
}

}  // namespace

// The curve block's on_resize: widens the rows of the document that bound it.
struct file::resize_link {
    file* owner;
    void operator()(int n) const { owner->values.on_params_resize(n); }
};

file::file() {
    values.param_count_source = [this] { return get_param_count(); };
}

file::~file() {
    unbind_curve_block();
}

// A block of the file as the first pass finds it.
struct file::section {
    std::string_view title;
    int line = 0;
    bool data = false;
    std::vector<text_line> lines;  // header blocks
    std::string_view text;         // data blocks: the bytes after the tilde line
};

void file::load(const AnsiString& name) {
    load(os::file_path(name));
}

void file::load(const os::file_path& name) {
    clear();
    const io::whole_file f = io::try_read_whole_file(name);
    switch (f.status) {
        case io::whole_file_status::ok:
            break;
        case io::whole_file_status::not_found:
        case io::whole_file_status::cannot_open:
            throw std::runtime_error(("Could not open file '" + name.display() + "'").str());
        case io::whole_file_status::cannot_read:
            throw std::runtime_error(("Could not read file '" + name.display() + "'").str());
        case io::whole_file_status::too_large:
            throw std::runtime_error("Файл слишком велик (4 ГиБ и больше)!"_cp);
    }
    parse(std::string_view(f.data.get(), f.size));
}

void file::load_text(std::string_view text) {
    clear();
    parse(text);
}

void file::clear() {
    values.clear();
    blocks.clear();
    diagnostics.clear();
    unbind_curve_block();
}

bool file::is_log() const noexcept {
    return !diagnostics.has(diagnostic_kind::not_las) && !diagnostics.has(diagnostic_kind::refused);
}

void file::parse(std::string_view text) {
    // First pass: blocks and their lines; data blocks keep their bytes for later.
    std::vector<section> sections;
    line_scanner scanner(text);
    std::string_view line;
    int number = 0;
    const char* data_start = nullptr;
    for (;;) {
        const char* const before = scanner.rest().data();
        const bool more = scanner.next(line, number);
        std::size_t i = 0;
        while (more && i < line.size() && is_blank(line[i]))
            ++i;
        const bool tilde = more && i < line.size() && line[i] == '~';
        if (data_start != nullptr && (tilde || !more)) {
            sections.back().text = std::string_view(data_start, static_cast<std::size_t>(before - data_start));
            data_start = nullptr;
        }
        if (!more) break;
        if (tilde) {
            section s;
            s.title = trim_blanks(line.substr(i + 1));
            s.line = number;
            s.data = is_data_title(s.title);
            sections.push_back(std::move(s));
            if (sections.back().data) data_start = scanner.rest().data();
            continue;
        }
        if (data_start != nullptr || i == line.size() || line[i] == '#') continue;
        if (sections.empty())
            diagnostics.add(number, diagnostic_kind::unplaced_line, "строка до первого блока \"~\" пропущена"_cp);
        else
            sections.back().lines.push_back({line, number});
    }
    if (sections.empty()) {
        diagnostics.add(0, diagnostic_kind::not_las, "в файле нет ни одного блока \"~\": это не файл LAS"_cp);
        return;
    }

    load_context context;
    context.notes = &diagnostics;
    context.coding = coding;
    if (coding == detailed::detect_text) {
        std::string header;
        for (const section& s : sections) {
            header += s.title;
            for (const text_line& l : s.lines)
                header += l.text;
        }
        context.coding = detect_coding(header, scanner.had_bom());
    }

    // Header blocks in file order, the version block read first: it tells how to read the rest.
    std::vector<std::shared_ptr<las_block_base>> made(sections.size());
    const auto make = [&](std::size_t k) {
        const section& s = sections[k];
        if (s.title.empty()) return;
        const AnsiString title = header_text(s.title, s.line, context);
        const char kind = title_kind(title.view());
        std::shared_ptr<las_block_base> block;
        const bool raw = kind == '-' ? title.view().find('|') != std::string_view::npos
                                     : kind == 0 && (title[0] == 'O' || title[0] == 'o');
        if (raw)
            block = std::make_shared<simple_headers>(title);
        else
            block = std::make_shared<text_headers>(title);
        block->kind = kind;
        block->load(s.lines.begin(), s.lines.end(), context);
        made[k] = block;
    };
    std::size_t version_section = sections.size();
    for (std::size_t k = 0; k < sections.size() && version_section == sections.size(); ++k)
        if (!sections[k].data && title_kind(sections[k].title) == 0 && !sections[k].title.empty() &&
            (sections[k].title[0] == 'V' || sections[k].title[0] == 'v'))
            version_section = k;
    int major = 2;
    data_layout layout;
    bool refused = false;
    if (version_section != sections.size()) {
        make(version_section);
        const auto version = std::dynamic_pointer_cast<text_headers>(made[version_section]);
        const int vers = version->find_param("VERS");
        double v = 0;
        const AnsiString vers_text = vers >= 0 ? version->item_by_index(vers).value : AnsiString();
        if (vers >= 0 && values_cont::read_number(vers_text.view(), v) && v >= 1 && v < 4)
            major = static_cast<int>(v);
        else
            diagnostics.add(sections[version_section].line, diagnostic_kind::unknown_version,
                            "версия LAS \""_cp + vers_text + "\" не известна: файл читается как LAS 2.0"_cp);
        const int wrap = version->find_param("WRAP");
        layout.wrapped = wrap >= 0 && cp1251::equal_nocase(version->item_by_index(wrap).value.view(), "YES");
        const int dlm = version->find_param("DLM");
        const AnsiString delimiter = dlm >= 0 ? version->item_by_index(dlm).value : AnsiString();
        if (cp1251::equal_nocase(delimiter.view(), "COMMA"))
            layout.delimiter = ',';
        else if (!delimiter.empty() && !cp1251::equal_nocase(delimiter.view(), "SPACE") &&
                 !cp1251::equal_nocase(delimiter.view(), "TAB")) {
            diagnostics.add(sections[version_section].line, diagnostic_kind::refused,
                            "разделитель DLM \""_cp + delimiter + "\" не известен: данные не прочитаны"_cp);
            refused = true;
        }
    } else {
        diagnostics.add(0, diagnostic_kind::unknown_version, "нет блока версии: файл читается как LAS 2.0"_cp);
    }
    context.version_1 = major == 1;
    for (std::size_t k = 0; k < sections.size(); ++k)
        if (!sections[k].data && k != version_section) make(k);
    for (const auto& block : made)
        if (block) blocks.push_back(block);

    const std::shared_ptr<text_headers> curves = std::dynamic_pointer_cast<text_headers>(find_block('c'));
    if (curves) values.depth_index = curves->find_param("DEPT");
    if (const auto well = std::dynamic_pointer_cast<text_headers>(find_block('w'))) {
        const int null_item = well->find_param("NULL");
        double null_number = 0;
        if (null_item >= 0) {
            const AnsiString& null_text = well->item_by_index(null_item).value;
            if (values_cont::read_number(null_text.view(), null_number))
                values.null_value = null_number;
            else
                diagnostics.add(0, diagnostic_kind::bad_null,
                                "значение NULL \""_cp + null_text + "\" не число: NULL остаётся "_cp +
                                    AnsiString(number_text(values.null_value)));
        }
    }

    // The data, after every header block.
    bool first_data = true;
    for (const section& s : sections) {
        if (!s.data) continue;
        const std::string_view association = title_association(s.title);
        if (major >= 3 && (!curves || (!association.empty() && !is_curve_name(association)))) {
            diagnostics.add(s.line, diagnostic_kind::refused,
                            "данные LAS 3.0 \""_cp + AnsiString(s.title) +
                                "\" не относятся к блоку кривых: данные не прочитаны"_cp);
            refused = true;
        }
        if (refused) continue;
        if (!first_data)
            diagnostics.add(s.line, diagnostic_kind::several_data,
                            "ещё один блок данных: его строки добавлены к строкам первого"_cp);
        first_data = false;
        const std::shared_ptr<text_headers> bound = get_curve_block();
        layout.columns = bound ? bound->size() : 0;
        layout.first_line = s.line + 1;
        values.load(s.text, layout, &diagnostics);
        if (curves && curves->size() > 0 && cp1251::equal_nocase(curves->item_by_index(0).unit.view(), "ISO8601"))
            values.iso_index = true;
    }
}

std::shared_ptr<las_block_base> file::find_block(char letter) const {
    for (const auto& block : blocks)
        if (block && block->begin_with_letter(letter)) return block;
    return nullptr;
}

std::shared_ptr<text_headers> file::get_version_block() {
    return find_or_create_block<text_headers>('v', version_title);
}

std::shared_ptr<text_headers> file::get_well_block() {
    return find_or_create_block<text_headers>('w', well_title);
}

std::shared_ptr<text_headers> file::get_param_block() {
    return find_or_create_block<text_headers>('p', param_title);
}

std::shared_ptr<text_headers> file::get_curve_block() {
    std::shared_ptr<text_headers> block = find_or_create_block<text_headers>('c', curve_title);
    if (block) {
        if (bound_curve_.lock() != block) unbind_curve_block();
        block->on_resize = resize_link{this};
        bound_curve_ = block;
    }
    return block;
}

std::shared_ptr<las_block_base> file::get_other_info_block(bool simple) {
    if (simple) return find_or_create_block<simple_headers>('o', other_title);
    return find_or_create_block<text_headers>('o', other_title);
}

int file::get_param_count() {
    const std::shared_ptr<text_headers> curves = get_curve_block();
    return curves ? curves->size() : 0;
}

void file::save(io::BinaryOutputStream& out) {
    fit_version_block();
    check_for_null_param();
    for (const auto& block : blocks)
        if (block) block->save(out);
    values.save_to_stream(out, null_text());
}

void file::save(const AnsiString& name) {
    save(os::file_path(name));
}

void file::save(const os::file_path& name) {
    io::atomic_file out(name);
    save(out);
    out.commit();
}

void file::set_standart_version_info() {
    const std::shared_ptr<text_headers> version = get_version_block();
    if (!version) return;
    version->items.clear();
    version->add("VERS", "", "2.00", "CWLS log ASCII Standart");
    version->add("WRAP", "", "NO", "One line per depth step");
}

void file::fit_version_block() {
    const auto version = std::dynamic_pointer_cast<text_headers>(find_block('v'));
    if (!version) return;
    // The well items go out in the layout of 2.0, value before the colon.
    const int vers = version->find_param("VERS");
    double v = 0;
    if (vers >= 0 && values_cont::read_number(version->item_by_index(vers).value.view(), v) && v >= 1 && v < 2)
        version->item_by_index(vers).value = "2.0";
    const int wrap = version->find_param("WRAP");
    if (wrap >= 0 && !cp1251::equal_nocase(version->item_by_index(wrap).value.view(), "NO"))
        version->add("WRAP", "", "NO", "One line per depth step");
    const int dlm = version->find_param("DLM");
    if (dlm >= 0 && !cp1251::equal_nocase(version->item_by_index(dlm).value.view(), "SPACE"))
        version->add("DLM", "", "SPACE", version->item_by_index(dlm).description);
}

void file::check_for_null_param() {
    const std::shared_ptr<text_headers> well = get_well_block();
    if (!well) return;
    const int found = well->find_param("NULL");
    double held = 0;
    if (found >= 0 && values_cont::read_number(well->item_by_index(found).value.view(), held) &&
        held == values.null_value)
        return;
    const double v = values.null_value;
    const std::string text =
        v == std::floor(v) && std::fabs(v) < 1e15 ? std::to_string(static_cast<long long>(v)) : number_text(v);
    well->add("NULL", "", text, "NULL VALUE");
}

std::string file::null_text() {
    const auto well = std::dynamic_pointer_cast<text_headers>(find_block('w'));
    const int found = well ? well->find_param("NULL") : -1;
    double held = 0;
    if (found >= 0 && values_cont::read_number(well->item_by_index(found).value.view(), held) &&
        held == values.null_value)
        return well->item_by_index(found).value.str();
    return number_text(values.null_value);
}

void file::unbind_curve_block() noexcept {
    if (const std::shared_ptr<text_headers> block = bound_curve_.lock()) {
        const resize_link* link = block->on_resize.target<resize_link>();
        if (link != nullptr && link->owner == this) block->on_resize = nullptr;
    }
    bound_curve_.reset();
}

}  // namespace lib::las
