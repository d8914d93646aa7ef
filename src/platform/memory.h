// Memory for the large buffers that whole catalogs are read into.
#pragma once

#include <cstddef>

namespace platform {

// Asks the system to back [data, data + size), not yet touched, with large pages where it can: under
// a hypervisor the first touch of each small page can cost more than reading the bytes it holds. A
// hint only; nothing happens where ordinary programs get no such pages.
void PreferLargePages(void* data, std::size_t size);

} // namespace platform
