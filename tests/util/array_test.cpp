#include "gti/util/array.h"

#include <gtest/gtest.h>

#include <numeric>
#include <span>
#include <stdexcept>
#include <vector>

#include "expect.h"

namespace {

std::vector<int> items(const lib::array<int>& a) {
    return {a.begin(), a.end()};
}

TEST(Array, NewElementsAreZeroAndAccessIsChecked) {
    const lib::array<int> empty;
    EXPECT_EQ(empty.size(), 0);
    EXPECT_EQ(empty.data(), nullptr);

    lib::array<double> a(3);
    EXPECT_EQ(std::accumulate(a.begin(), a.end(), 0.0), 0.0);
    a[2] = 7.5;
    EXPECT_EQ(std::span<const double>(a).back(), 7.5);
    for (int index : {-1, 3}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(
            gti_test::throws_with<std::out_of_range>([&] { a[index] = 1; }, "array::operator[]: index out of range"));
    }
    EXPECT_TRUE(
        gti_test::throws_with<std::length_error>([] { lib::array<char> bad(-1); }, "array::reset: negative length"));
}

TEST(Array, ReplacingTheContentsKeepsOneOwnerPerBlock) {
    lib::array<int> a{1, 2, 3};
    lib::array<int> copy = a;
    copy[0] = 9;
    EXPECT_EQ(items(a), (std::vector<int>{1, 2, 3}));

    lib::array<int> moved = std::move(copy);
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(items(moved), (std::vector<int>{9, 2, 3}));
    copy = moved;  // the moved-from array is usable again
    EXPECT_EQ(items(copy), (std::vector<int>{9, 2, 3}));

    lib::array<int>& same = a;
    a = same;
    a = std::move(same);
    EXPECT_EQ(items(a), (std::vector<int>{1, 2, 3}));

    a.assign(std::span<const int>(a).subspan(1));  // from its own elements
    EXPECT_EQ(items(a), (std::vector<int>{2, 3}));
    a.reset(4);
    EXPECT_EQ(items(a), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_THROW(a.reset(-5), std::length_error);
    EXPECT_EQ(a.size(), 4);  // a refused length changes nothing
    a.reset(0);
    EXPECT_EQ(a.data(), nullptr);
}

}  // namespace
