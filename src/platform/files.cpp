// What the file layer builds on its own operations, the same on every system.
#include "platform/files.h"

#include <algorithm>
#include <memory>

namespace platform {

std::string ReadWholeFile(const std::string& path) {
    TFile file(path, TFile::Mode::Read);
    return ReadWholeFile(file);
}

std::string ReadWholeFile(TFile& file) {
    std::string bytes;
    ReadWholeFile(file, bytes);
    return bytes;
}

void ReadWholeFile(TFile& file, std::string& into) {
    // Sizing a string zero-fills it, a second pass over a large catalog; appending from a buffer that
    // stays in the cache is cheaper.
    constexpr std::size_t kBounce = 1 << 20;
    into.clear();
    into.reserve(static_cast<std::size_t>(std::max<std::int64_t>(file.Size() - file.Position(), 0)));
    const auto bounce = std::make_unique_for_overwrite<char[]>(kBounce);
    for (;;) {
        const std::size_t n = file.Read(bounce.get(), kBounce);
        into.append(bounce.get(), n);
        if (n < kBounce) {
            return;
        }
    }
}

} // namespace platform
