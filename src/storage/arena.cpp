#include "gti/storage/arena.h"

#include <algorithm>
#include <cstdint>

#include "gti/platform/os.h"

namespace lib::storage {

arena* arena::create(std::size_t block_size) {
    return new arena(block_size);
}

arena::~arena() {
    for (const block& b : blocks_)
        os::free_pages(b.base, b.size);
}

void arena::destroy() noexcept {
    delete this;
}

void* arena::allocate(std::size_t size, std::size_t align) {
    if (sealed_) return ::operator new(size, std::align_val_t(align));
    auto aligned = [&](char* p) {
        const auto a = reinterpret_cast<std::uintptr_t>(p);
        return reinterpret_cast<char*>((a + align - 1) & ~(align - 1));
    };
    char* p = next_ ? aligned(next_) : nullptr;
    if (p == nullptr || p > end_ || static_cast<std::size_t>(end_ - p) < size) {
        const std::size_t want = std::max(block_size_, size + align);
        blocks_.reserve(blocks_.size() + 1);
        void* base = os::allocate_pages(want);
        if (base == nullptr) throw std::bad_alloc();
        blocks_.push_back({static_cast<char*>(base), want});
        next_ = static_cast<char*>(base);
        end_ = next_ + want;
        p = aligned(next_);
    }
    next_ = p + size;
    return p;
}

void arena::deallocate(void* p, std::size_t align) noexcept {
    if (owns(p)) return;
    ::operator delete(p, std::align_val_t(align));
}

bool arena::owns(const void* p) const noexcept {
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    return std::any_of(blocks_.begin(), blocks_.end(), [&](const block& b) {
        const auto base = reinterpret_cast<std::uintptr_t>(b.base);
        return at >= base && at - base < b.size;
    });
}

std::size_t arena::reserved() const noexcept {
    std::size_t total = 0;
    for (const block& b : blocks_)
        total += b.size;
    return total;
}

}  // namespace lib::storage
