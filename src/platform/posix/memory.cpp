#include "platform/memory.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace platform {

namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

// Only whole large pages inside the room can be backed so; a refusal leaves small pages.
void AdviseLargePages(const void* room, std::size_t size) {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(room);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (start + size) & ~(kLargePage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)room;
    (void)size;
#endif
}

} // namespace

void ReserveInLargePages(std::string& buffer, std::size_t capacity) {
    buffer.clear();
    buffer.reserve(capacity);
    AdviseLargePages(buffer.data(), buffer.capacity());
}

TPageBuffer::~TPageBuffer() {
    if (data != nullptr) {
        munmap(data, capacity);
    }
}

void TPageBuffer::Reserve(std::size_t count, std::size_t keep) {
    if (count <= capacity) {
        return;
    }
    // Whole large pages, starting on one: a mapping one large page longer holds such a room, and the
    // ends outside it go back.
    const std::size_t size = (count + kLargePage - 1) & ~(kLargePage - 1);
    void* mapped =
        mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    if (const std::uintptr_t tail = start + size + kLargePage - (aligned + size); tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    char* room = reinterpret_cast<char*>(aligned);
    AdviseLargePages(room, size);
    if (keep > 0) {
        std::memcpy(room, data, keep);
    }
    if (data != nullptr) {
        munmap(data, capacity);
    }
    data = room;
    capacity = size;
}

} // namespace platform
