#include "platform/memory.h"

#include <cstdint>
#include <sys/mman.h>

namespace platform {

void ReserveInLargePages(std::string& buffer, std::size_t capacity) {
    buffer.clear();
    buffer.reserve(capacity);
#ifdef MADV_HUGEPAGE
    // Only whole large pages inside the room can be backed so; a refusal leaves small pages.
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (start + buffer.capacity()) & ~(kLargePage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#endif
}

} // namespace platform
