#include "platform/LargePages.h"

#include <sys/mman.h>

#include <cstdint>

namespace kerfmax {

void PreferLargePages(void* data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    // The system's large page on the machines we run on; madvise wants whole pages.
    constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kLargePage - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace kerfmax
