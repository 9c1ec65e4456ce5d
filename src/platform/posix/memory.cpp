// Pages of memory for large blocks: mmap, with transparent huge pages advised.
#include <sys/mman.h>

#include "gti/platform/os.h"

namespace lib::os {

void* allocate_pages(std::size_t size) noexcept {
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void free_pages(void* block, std::size_t size) noexcept {
    if (block != nullptr) munmap(block, size);
}

}  // namespace lib::os
