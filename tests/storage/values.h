// The values of a record as a plain vector, for comparisons in the storage tests.
#pragma once

#include <vector>

#include "gti/storage/record.h"

inline std::vector<float> plain(const FileStorageItem::value_vector& v) {
    return {v.begin(), v.end()};
}
