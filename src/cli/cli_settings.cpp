#include "cli_settings.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/codepage.h"
#include "platform/files.h"

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return platform::CompareText(a, b) == 0;
}

// The folder of the running executable, as the C runtime knows it; the path the tool was started by
// (which may hold no folder at all) only when the runtime cannot say.
std::string ToolFolder(const std::string& toolPath) {
    std::string path = toolPath;
#ifdef _WIN32
    if (_pgmptr != nullptr && *_pgmptr != '\0') {
        path = _pgmptr;
    }
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        path = self.string();
    }
#endif
    std::size_t cut = path.size();
    while (cut > 0 && !platform::IsPathSeparator(path[cut - 1])) {
        --cut;
    }
    return path.substr(0, cut);
}

} // namespace

std::optional<std::string> FindListPath(std::string_view iniText) {
    bool inOptions = false;
    while (!iniText.empty()) {
        const std::size_t end = iniText.find('\n');
        const std::string_view line = Trim(iniText.substr(0, end));
        iniText = end == std::string_view::npos ? std::string_view() : iniText.substr(end + 1);
        if (line.size() >= 2 && line.front() == '[') {
            const std::size_t close = line.find(']');
            inOptions =
                close != std::string_view::npos && SameName(Trim(line.substr(1, close - 1)), "Options");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inOptions || equals == std::string_view::npos ||
            !SameName(Trim(line.substr(0, equals)), "ListPath")) {
            continue;
        }
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2); // as the system's profile reading unquotes
        }
        return std::string(value);
    }
    return std::nullopt;
}

std::string DefaultCatalogFolder(const std::string& toolPath) {
    const std::string ini = ToolFolder(toolPath) + "mirolan.ini";
    if (platform::FileExists(ini)) {
        platform::TFile file(ini, platform::TFile::Mode::Read);
        std::string text(static_cast<std::size_t>(file.Size()), '\0');
        text.resize(file.Read(text.data(), text.size()));
        if (auto listPath = FindListPath(text)) {
            return *listPath;
        }
    }
    return "LIST";
}
