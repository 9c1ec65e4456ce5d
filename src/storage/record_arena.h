// The arena of one load: records made in it are appended to a store's record list.
#pragma once

#include <memory>
#include <vector>

#include "gti/storage/file_storage.h"

// Makes the records of one load in one arena; seals the arena when the load ends.
class FileStorage::record_arena {
public:
    // An arena for about `expected` records of `value_count` values, appended to `records`.
    record_arena(std::vector<std::shared_ptr<FileStorageItem>>& records, std::size_t expected, int value_count);
    ~record_arena();
    record_arena(const record_arena&) = delete;
    record_arena& operator=(const record_arena&) = delete;

    // Appends a new record with `value_count` values, all 0, and returns it.
    FileStorageItem& add(int value_count);

private:
    std::vector<std::shared_ptr<FileStorageItem>>& records_;
    lib::storage::arena* arena_;
};
