// Memory for the large buffers that whole catalogs are read into.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Empties `buffer` and gives it room for `capacity` bytes, backed by large pages where the system
// can: under a hypervisor the first touch of each small page can cost more than reading the bytes it
// holds. Where ordinary programs get no such pages, the room is all it gets.
void ReserveInLargePages(std::string& buffer, std::size_t capacity);

} // namespace platform
