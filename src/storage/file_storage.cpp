#include "gti/storage/file_storage.h"

#include <algorithm>
#include <map>
#include <utility>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"

using namespace lib::literals;

FileStorage::FileStorage() : lock_(std::make_shared<lib::lock_object>(lock_name)) {
    text_values_.set_owner(this);
    clear();
}

FileStorage::FileStorage(FileStorage&& other) : lock_(other.lock_) {
    text_values_.set_owner(this);
    swap_content(other);
}

FileStorage& FileStorage::operator=(FileStorage&& other) {
    if (this != &other) {
        FileStorage taken(std::move(other));
        swap_content(taken);
    }
    return *this;
}

void FileStorage::swap_content(FileStorage& other) noexcept {
    using std::swap;
    swap(saved_file_time, other.saved_file_time);
    swap(time_range_start, other.time_range_start);
    swap(time_range_end, other.time_range_end);
    swap(new_format, other.new_format);
    swap(saved_file_size_, other.saved_file_size_);
    swap(file_name, other.file_name);
    swap(records_, other.records_);
    swap(file_param_map_, other.file_param_map_);
    swap(params_, other.params_);
    swap(param_count_, other.param_count_);
    swap(file_param_count_, other.file_param_count_);
    swap(warnings_, other.warnings_);
    text_values_.swap(other.text_values_);
    swap(compress_progress_, other.compress_progress_);
}

int FileStorage::add_parametr(const FileStorageParam& p) {
    if (param_count_ >= max_params) throw FileStorageException("слишком много параметров"_cp);
    for (int i = 0; i < param_count_; ++i) {
        if (lib::cp1251::equal_nocase(params_[static_cast<std::size_t>(i)].global_name.view(), p.global_name.view()))
            return i;
    }
    params_[static_cast<std::size_t>(param_count_)] = p;
    return param_count_++;
}

void FileStorage::add_record(const FileStorageItem& item) {
    records_.push_back(std::make_shared<FileStorageItem>(item));
}

const FileStorageItem* FileStorage::get_record(int i) const noexcept {
    return i >= 0 && i < get_record_count() ? records_[static_cast<std::size_t>(i)].get() : nullptr;
}

FileStorageItem* FileStorage::get_record_ptr(int i) noexcept {
    return i >= 0 && i < get_record_count() ? records_[static_cast<std::size_t>(i)].get() : nullptr;
}

std::shared_ptr<FileStorageItem> FileStorage::get_record_shared(int i) const {
    return i >= 0 && i < get_record_count() ? records_[static_cast<std::size_t>(i)] : nullptr;
}

const FileStorageParam* FileStorage::get_param(int i) const noexcept {
    return i >= 0 && i < param_count_ ? &params_[static_cast<std::size_t>(i)] : nullptr;
}

int FileStorage::get_param_index(const AnsiString& global_name) const {
    for (int i = 0; i < param_count_; ++i) {
        if (params_[static_cast<std::size_t>(i)].global_name == global_name) return i;
    }
    return -1;
}

void FileStorage::sort_by_time() {
    std::sort(records_.begin(), records_.end(), [](const auto& a, const auto& b) { return a->time < b->time; });
}

void FileStorage::clear() {
    records_.clear();
    param_count_ = 0;
    file_param_count_ = 0;
    text_values_.get_list().Clear();
}

void FileStorage::set_time_range(const lib::unix_time& from, const lib::unix_time& to) {
    time_range_start = from;
    time_range_end = to;
}

void FileStorage::correct_depths() {
    std::vector<const FileStorageItem*> in_order;
    for (const auto& r : records_)
        in_order.push_back(r.get());
    const std::vector<bool> marks = depth_marks(in_order);
    for (std::size_t i = 0; i < records_.size(); ++i)
        records_[i]->valid = marks[i];
}

std::vector<bool> FileStorage::depth_marks(const std::vector<const FileStorageItem*>& records) {
    const std::size_t n = records.size();
    std::vector<bool> marks(n);
    for (std::size_t i = 0; i < n; ++i)
        marks[i] = records[i]->valid;
    if (n <= 3) return marks;
    double m = records.back()->depth;
    for (std::size_t i = n - 1; i-- > 0;) {
        const double d = records[i]->depth;
        if (!(d > 0) && i != 0) {
            marks[i] = false;
        } else if (d < m) {
            marks[i] = true;
            m = d;
        } else {
            marks[i] = false;
        }
    }
    return marks;
}

int FileStorage::calc_time_step() {
    std::map<std::int32_t, int> counts;
    for (std::size_t i = 1; i < records_.size(); ++i)
        ++counts[static_cast<std::int32_t>(records_[i]->time - records_[i - 1]->time)];
    int best = 0, best_count = 0;
    for (const auto& [difference, count] : counts) {
        if (count > best_count) {
            best = difference;
            best_count = count;
        }
    }
    return best;
}
