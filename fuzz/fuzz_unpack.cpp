// Feeds arbitrary bytes to the container reader: it must give a text or one of its named errors,
// never crash, hang or allocate beyond what the input can inflate to.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogs/container.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream source(std::string(reinterpret_cast<const char*>(data), size));
    try {
        UnpackStream(source, 0);
    } catch (const EStreamError&) {
    } catch (const EInflateError&) {
    }
    return 0;
}
