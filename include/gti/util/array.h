// lib::array: the station's owning array of values with an int length.
//
// Coefficient tables of the filters, point tables of interpolation and byte blocks of the
// archive are arrays whose length is chosen at run time and that are replaced as a whole.
// Replacing the contents frees the old block; copies are deep and moves leave the source empty,
// so every block has exactly one owner. Element access is checked: an index outside the array
// throws std::out_of_range instead of touching memory that is not the array's.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <memory>
#include <span>
#include <stdexcept>
#include <utility>

namespace lib {

// An owning array of T with an int length; T must be default-constructible and copyable.
template <class T>
class array {
public:
    // An empty array.
    array() noexcept = default;
    // `length` value-initialised elements (0 for numbers); throws std::length_error when negative.
    explicit array(int length) { reset(length); }
    // An array holding copies of the given elements.
    array(std::initializer_list<T> values) { assign(std::span<const T>(values.begin(), values.size())); }

    // Copies are deep; moves leave the source empty.
    array(const array& other) { assign(other); }
    array(array&& other) noexcept : data_(std::move(other.data_)), length_(std::exchange(other.length_, 0)) {}
    array& operator=(const array& other) {
        if (this != &other) assign(other);
        return *this;
    }
    array& operator=(array&& other) noexcept {
        data_ = std::move(other.data_);
        length_ = std::exchange(other.length_, 0);
        return *this;
    }
    ~array() = default;

    // The number of elements.
    int size() const noexcept { return length_; }
    // True when the array holds no elements.
    bool empty() const noexcept { return length_ == 0; }
    // The first element (null when empty).
    T* data() noexcept { return data_.get(); }
    const T* data() const noexcept { return data_.get(); }
    // Iteration over the elements.
    T* begin() noexcept { return data_.get(); }
    T* end() noexcept { return data_.get() + length_; }
    const T* begin() const noexcept { return data_.get(); }
    const T* end() const noexcept { return data_.get() + length_; }

    // The element at `index`; throws std::out_of_range outside 0..size()-1.
    T& operator[](int index) { return data_[checked(index)]; }
    const T& operator[](int index) const { return data_[checked(index)]; }

    // Replaces the contents by `length` value-initialised elements. The old block is freed only
    // once the new one exists, so a failed allocation leaves the array as it was. Throws
    // std::length_error when `length` is negative.
    void reset(int length) {
        if (length < 0) throw std::length_error("array::reset: negative length");
        std::unique_ptr<T[]> block = length == 0 ? nullptr : std::make_unique<T[]>(static_cast<std::size_t>(length));
        data_ = std::move(block);
        length_ = length;
    }

    // Replaces the contents by copies of `values` (which may be this array's own elements).
    void assign(std::span<const T> values) {
        if (values.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            throw std::length_error("array::assign: too many elements");
        array copy;
        copy.reset(static_cast<int>(values.size()));
        std::copy(values.begin(), values.end(), copy.begin());
        *this = std::move(copy);
    }

    // Frees the block and leaves the array empty.
    void clear() noexcept {
        data_.reset();
        length_ = 0;
    }

private:
    std::size_t checked(int index) const {
        if (index < 0 || index >= length_) throw std::out_of_range("array::operator[]: index out of range");
        return static_cast<std::size_t>(index);
    }

    std::unique_ptr<T[]> data_;
    int length_ = 0;
};

}  // namespace lib
