// The values of a record in forms the storage tests compare.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "gti/storage/record.h"

// The values as a plain vector.
inline std::vector<float> plain(const FileStorageItem::value_vector& v) {
    return {v.begin(), v.end()};
}

// The values as text, a missing value (NaN) shown as "-": so that missing values compare equal.
inline std::string shown(const std::vector<float>& v) {
    std::string s;
    for (float x : v)
        s += (std::isnan(x) ? std::string("-") : std::to_string(x)) + " ";
    return s;
}
