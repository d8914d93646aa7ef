// Memory for the large buffers that whole catalogs are read into.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace platform {

// Empties `buffer` and gives it room for `capacity` bytes, backed by large pages where the system
// can: under a hypervisor the first touch of each small page can cost more than reading the bytes it
// holds. Where ordinary programs get no such pages, the room is all it gets.
void ReserveInLargePages(std::string& buffer, std::size_t capacity);

// Room for a whole catalog that starts on a page boundary, in large pages where the system can. A
// string's memory starts 16 bytes past one, and some processors copy from the file cache into such
// memory at a quarter of their speed: a catalog is read into this instead.
class TPageBuffer {
public:
    TPageBuffer() = default;
    TPageBuffer(TPageBuffer&& other) noexcept { *this = std::move(other); }
    TPageBuffer& operator=(TPageBuffer&& other) noexcept {
        std::swap(data, other.data);
        std::swap(capacity, other.capacity);
        return *this;
    }
    ~TPageBuffer();

    char* Data() const { return data; }
    std::size_t Capacity() const { return capacity; }
    // Room for at least `count` bytes, the first `keep` of those held kept; throws std::bad_alloc.
    void Reserve(std::size_t count, std::size_t keep);

private:
    char* data = nullptr;
    std::size_t capacity = 0;
};

} // namespace platform
