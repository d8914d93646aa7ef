// What the file layer builds on its own operations, the same on every system.
#include "platform/files.h"

namespace platform {

std::string ReadWholeFile(const std::string& path) {
    TFile file(path, TFile::Mode::Read);
    std::string content(static_cast<std::size_t>(file.Size()), '\0');
    content.resize(file.Read(content.data(), content.size()));
    return content;
}

} // namespace platform
