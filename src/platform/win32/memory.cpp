#include "platform/memory.h"

#include <cstring>
#include <new>
#include <windows.h>

namespace platform {

// Large pages on Windows need a privilege that ordinary accounts lack, and memory allocated with them
// cannot be handed to a std::string: small pages it is.
void ReserveInLargePages(std::string& buffer, std::size_t capacity) {
    buffer.clear();
    buffer.reserve(capacity);
}

TPageBuffer::~TPageBuffer() {
    if (data != nullptr) {
        VirtualFree(data, 0, MEM_RELEASE);
    }
}

void TPageBuffer::Reserve(std::size_t count, std::size_t keep) {
    if (count <= capacity) {
        return;
    }
    // The system's own allocation granularity: a whole number of its 64 KB blocks, starting on one.
    constexpr std::size_t kGranularity = std::size_t{64} << 10;
    const std::size_t size = (count + kGranularity - 1) & ~(kGranularity - 1);
    auto* room = static_cast<char*>(VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (room == nullptr) {
        throw std::bad_alloc();
    }
    if (keep > 0) {
        std::memcpy(room, data, keep);
    }
    if (data != nullptr) {
        VirtualFree(data, 0, MEM_RELEASE);
    }
    data = room;
    capacity = size;
}

} // namespace platform
