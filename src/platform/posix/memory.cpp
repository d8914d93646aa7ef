#include "platform/memory.h"

#include <cstdint>
#include <sys/mman.h>

namespace platform {

void PreferLargePages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    // Only whole large pages inside the range can be backed so.
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (start + size) & ~(kLargePage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first,
                MADV_HUGEPAGE); // refused: small pages, as before
    }
#else
    static_cast<void>(data);
    static_cast<void>(size);
#endif
}

} // namespace platform
