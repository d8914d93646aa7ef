// Feeds arbitrary bytes to the catalog reader's detection and conversion, as an unpacked catalog file:
// it must never crash, never grow a listing it converts, and leave a plain ASCII listing as it is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogs/listing_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const unsigned codePage : {1251u, 1252u}) {
        const TListingFormat format = DetectListingFormat(bytes, codePage);
        std::string text = bytes;
        ConvertListing(text, format, codePage);
        if (!format.fileList && text.size() > bytes.size()) {
            std::abort();
        }
        if (format.encoding == TextEncoding::Ansi && !format.fileList && text != bytes) {
            std::abort();
        }
        DescribeListingFormat(format, codePage);
    }
    return 0;
}
