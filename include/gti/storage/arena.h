// The memory of loaded records: one arena per load.
//
// A loader makes a few million small objects (a record, its shared handle and its values) that
// live and die together. It takes them from an arena: large blocks of pages (huge pages advised)
// handed out front to back, so a load costs a few page faults per megabyte and no allocator
// overhead per record. The arena is counted: every record and every value array made from it
// holds it, and it returns its blocks when the last of them is gone, so a record that a caller
// keeps stays valid after the store forgot it.
//
// Once the load is over the arena is sealed: what later grows a record's values (a resize, an
// assignment) comes from the ordinary heap, and only the memory first given out stays in the
// blocks until the arena goes.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace lib::storage {

// Blocks of memory handed out front to back; freed all at once when the last holder lets go.
class arena {
public:
    // An arena whose blocks hold `block_size` bytes (larger requests get a block of their own).
    static arena* create(std::size_t block_size);
    arena(const arena&) = delete;
    arena& operator=(const arena&) = delete;

    // One more holder.
    void hold() noexcept { holders_.fetch_add(1, std::memory_order_relaxed); }
    // One holder fewer; the last one frees the arena.
    void release() noexcept {
        if (holders_.fetch_sub(1, std::memory_order_acq_rel) == 1) destroy();
    }
    // `size` bytes aligned to `align`, from the blocks; from the heap once sealed.
    void* allocate(std::size_t size, std::size_t align);
    // Returns memory: heap memory to the heap; block memory stays until the arena goes.
    void deallocate(void* p, std::size_t align) noexcept;
    // Ends the load: later requests go to the heap.
    void seal() noexcept { sealed_ = true; }
    // The bytes of the blocks.
    std::size_t reserved() const noexcept;

private:
    explicit arena(std::size_t block_size) : block_size_(block_size) {}
    ~arena();
    void destroy() noexcept;
    bool owns(const void* p) const noexcept;

    struct block {
        char* base;
        std::size_t size;
    };
    std::atomic<long> holders_{0};
    std::size_t block_size_;
    std::vector<block> blocks_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    bool sealed_ = false;
};

// An allocator over an arena, or over the heap when it has none. Copies of a container take the
// heap; moves and assignments carry the arena along, which keeps it alive.
template <class T>
class arena_allocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;

    // The heap.
    arena_allocator() noexcept = default;
    // The arena `a`, held while this allocator lives.
    explicit arena_allocator(arena* a) noexcept : a_(a) {
        if (a_) a_->hold();
    }
    arena_allocator(const arena_allocator& o) noexcept : arena_allocator(o.a_) {}
    template <class U>
    arena_allocator(const arena_allocator<U>& o) noexcept : arena_allocator(o.get_arena()) {}
    arena_allocator& operator=(const arena_allocator& o) noexcept {
        if (o.a_) o.a_->hold();
        if (a_) a_->release();
        a_ = o.a_;
        return *this;
    }
    ~arena_allocator() {
        if (a_) a_->release();
    }

    // Memory for n objects.
    T* allocate(std::size_t n) {
        if (a_ == nullptr) return std::allocator<T>().allocate(n);
        return static_cast<T*>(a_->allocate(n * sizeof(T), alignof(T)));
    }
    // Returns memory of allocate.
    void deallocate(T* p, std::size_t n) noexcept {
        if (a_ == nullptr)
            std::allocator<T>().deallocate(p, n);
        else
            a_->deallocate(p, alignof(T));
    }
    // A copied container lives on the heap.
    arena_allocator select_on_container_copy_construction() const noexcept { return arena_allocator(); }
    // The arena, or null for the heap.
    arena* get_arena() const noexcept { return a_; }

    template <class U>
    bool operator==(const arena_allocator<U>& o) const noexcept {
        return a_ == o.get_arena();
    }

private:
    arena* a_ = nullptr;
};

}  // namespace lib::storage
