#include "cli_settings.h"

#include "platform/files.h"
#include "settings/settings_file.h"

namespace {

// The folder of the running executable; of the path the tool was started by when the system cannot say.
std::string ToolFolder(const std::string& toolPath) {
    std::string path = platform::ExecutablePath();
    if (path.empty()) {
        path = toolPath;
    }
    return path.substr(0, platform::FileNameStart(path));
}

} // namespace

std::string DefaultCatalogFolder(const std::string& toolPath) {
    return ReadListPath(ReadSettingsFile(ToolFolder(toolPath) + "mirolan.ini"));
}
