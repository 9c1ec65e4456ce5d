// Pages of memory for large blocks: VirtualAlloc, zeroed by the system.
#include "gti/platform/os.h"
#include "platform/win32/win32.h"

namespace lib::os {

void* allocate_pages(std::size_t size) noexcept {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void free_pages(void* block, std::size_t) noexcept {
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace lib::os
