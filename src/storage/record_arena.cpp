#include "record_arena.h"

#include <algorithm>

namespace {

// The smallest and the largest block of a load's arena.
constexpr std::size_t least_block = std::size_t{64} << 10;
constexpr std::size_t most_block = std::size_t{32} << 20;
// The arena's bytes of a record besides its values: the record and its shared handle.
constexpr std::size_t record_overhead = 96;

}  // namespace

FileStorage::record_arena::record_arena(std::vector<std::shared_ptr<FileStorageItem>>& records, std::size_t expected,
                                        int value_count)
    : records_(records),
      arena_(lib::storage::arena::create(
          std::clamp(expected * (record_overhead + 4 * static_cast<std::size_t>(std::max(value_count, 0))), least_block,
                     most_block))) {
    arena_->hold();
    records_.reserve(records_.size() + expected);
}

FileStorage::record_arena::~record_arena() {
    arena_->seal();
    arena_->release();
}

FileStorageItem& FileStorage::record_arena::add(int value_count) {
    const lib::storage::arena_allocator<FileStorageItem> in_arena(arena_);
    auto r = std::allocate_shared<FileStorageItem>(in_arena);
    r->values = FileStorageItem::value_vector(static_cast<std::size_t>(std::max(value_count, 0)), missing_value,
                                              lib::storage::arena_allocator<float>(arena_));
    records_.push_back(std::move(r));
    return *records_.back();
}
