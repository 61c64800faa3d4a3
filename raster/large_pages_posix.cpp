#include <sys/mman.h>

#include <cstdint>

#include "raster/large_pages.h"

namespace kestrelon {

// Any thread.
void AdviseLargePages(void* block, std::size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHugePage - 1);
    // A refusal (no transparent huge pages, an old kernel) leaves ordinary pages: nothing to do.
    if (end > first)
        (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace kestrelon
