#include "gti/las/file.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "gti/io/whole_file.h"
#include "gti/las/text.h"
#include "gti/platform/cp_literal.h"

using namespace lib::literals;

namespace lib::las {
namespace {

const char* const version_title = "Version information block";
const char* const well_title = "Well information block";
const char* const curve_title = "Curve information block";
const char* const param_title = "Parameter information block";
const char* const other_title = "Other information block";

bool is_data_block(std::string_view tilde_line) {
    return tilde_line.size() >= 2 && (tilde_line[1] == 'A' || tilde_line[1] == 'a');
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

void file::load(const AnsiString& name) {
    clear();
    text_lines lines;
    load_to_strings(name, lines);
    load_blocks(lines);
}

void file::load_text(std::string_view text) {
    clear();
    load_blocks(text_lines(text));
}

void file::clear() {
    values.clear();
    blocks.clear();
    unbind_curve_block();
}

void file::load_to_strings(const AnsiString& name, text_lines& lines) {
    lib::io::whole_file f = lib::io::try_read_whole_file(name);
    switch (f.status) {
        case lib::io::whole_file_status::ok:
            lines = text_lines(std::move(f.data), f.size);
            return;
        case lib::io::whole_file_status::not_found:
        case lib::io::whole_file_status::cannot_open:
            throw std::runtime_error(("Could not open file '" + name + "'").str());
        case lib::io::whole_file_status::too_large:
            throw std::runtime_error("Файл слишком велик (4 ГиБ и больше)!"_cp);
        case lib::io::whole_file_status::cannot_read:
            break;
    }
    throw std::runtime_error(("Could not read file '" + name + "'").str());
}

void file::cut_to_blocks(const text_lines& lines, std::vector<line_range>& ranges) {
    ranges.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i][0] != '~') continue;
        if (!ranges.empty()) ranges.back().last = i;
        ranges.push_back({i, lines.size()});
    }
}

void file::load_block(const text_lines& lines, const line_range& range) {
    if (range.first >= range.last || range.last > lines.size() || lines[range.first].size() < 2) return;
    AnsiString title(lines[range.first].substr(1));
    if (coding == detailed::oem_text) convert_to_win(title, title);
    const line_iterator first = lines.begin() + static_cast<std::ptrdiff_t>(range.first + 1);
    const line_iterator last = lines.begin() + static_cast<std::ptrdiff_t>(range.last);
    switch (title[0]) {
        case 'A':
        case 'a': {
            const std::shared_ptr<text_headers> curves = get_curve_block();
            values.load(first, last, curves ? curves->size() : 0);
            return;
        }
        case 'C':
        case 'c': {
            auto block = std::make_shared<text_headers>(title);
            blocks.push_back(block);
            block->load(first, last, coding);
            values.depth_index = block->find_param("DEPT");
            return;
        }
        case 'O':
        case 'o': {
            auto block = std::make_shared<simple_headers>(title);
            blocks.push_back(block);
            block->load(first, last, coding);
            return;
        }
        default: {
            auto block = std::make_shared<text_headers>(title);
            blocks.push_back(block);
            block->load(first, last, coding);
            return;
        }
    }
}

void file::load_blocks(const text_lines& lines) {
    std::vector<line_range> ranges;
    cut_to_blocks(lines, ranges);
    // Header blocks first, so that every data block knows the curves wherever they stand.
    for (const line_range& r : ranges)
        if (!is_data_block(lines[r.first])) load_block(lines, r);
    for (const line_range& r : ranges)
        if (is_data_block(lines[r.first])) load_block(lines, r);
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
    check_for_null_param();
    for (const auto& block : blocks)
        if (block) block->save(out);
    values.save_to_stream(out);
}

void file::set_standart_version_info() {
    const std::shared_ptr<text_headers> version = get_version_block();
    if (!version) return;
    version->items.clear();
    version->add("VERS", "", "2.00", "CWLS log ASCII Standart");
    version->add("WRAP", "", "NO", "One line per depth step");
}

void file::check_for_null_param() {
    const std::shared_ptr<text_headers> well = get_well_block();
    if (well) well->add("NULL", "", std::to_string(values.null_value), "NULL VALUE");
}

void file::unbind_curve_block() noexcept {
    if (const std::shared_ptr<text_headers> block = bound_curve_.lock()) {
        const resize_link* link = block->on_resize.target<resize_link>();
        if (link != nullptr && link->owner == this) block->on_resize = nullptr;
    }
    bound_curve_.reset();
}

}  // namespace lib::las
