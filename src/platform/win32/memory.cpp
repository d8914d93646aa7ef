#include "platform/memory.h"

namespace platform {

// Large pages on Windows need a privilege that ordinary accounts lack, and memory allocated with them
// cannot be handed to a std::string: small pages it is.
void ReserveInLargePages(std::string& buffer, std::size_t capacity) {
    buffer.clear();
    buffer.reserve(capacity);
}

} // namespace platform
