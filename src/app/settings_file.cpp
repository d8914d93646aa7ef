#include "app/settings_file.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/safe_write.h"

std::string SettingsFilePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of("\\/:");
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        path.resize(dot);
    }
    return path + ".ini";
}

platform::TIniProfile ReadSettingsFile(const std::string& path) {
    try {
        platform::TFile file(path, platform::TFile::Mode::Read);
        std::string text(static_cast<std::size_t>(file.Size()), '\0');
        text.resize(file.Read(text.data(), text.size()));
        return platform::TIniProfile::Parse(text);
    } catch (const platform::EFileError&) {
        return {};
    }
}

void WriteSettingsFile(const std::string& path, const platform::TIniProfile& profile) {
    const std::string text = profile.Format();
    try {
        platform::TSafeWrite out(path);
        out.Write(text.data(), text.size());
        out.Commit();
    } catch (const platform::EFileError&) {
        throw ESettingsError("Unable to write to " + platform::FullPath(path));
    }
}

std::string ReadListPath(const platform::TIniProfile& profile) {
    return profile.ReadString(kOptionsSection, kListPathEntry, kDefaultListPath);
}

void WriteListPath(platform::TIniProfile& profile, const std::string& listPath) {
    profile.WriteString(kOptionsSection, kListPathEntry, listPath);
}

std::vector<std::string> ReadSearchHistory(const platform::TIniProfile& profile) {
    std::vector<std::string> history;
    if (const platform::IniSection* section = profile.FindSection(kSearchLogSection)) {
        for (const platform::IniEntry& entry : section->entries) {
            // Only a line that this program wrote for an expression with "=" ends its value in "=".
            if (!entry.value.empty() && entry.value.back() == '=') {
                history.push_back(entry.name + '=' + entry.value.substr(0, entry.value.size() - 1));
            } else {
                history.push_back(entry.name);
            }
        }
    }
    return history;
}

void WriteSearchHistory(platform::TIniProfile& profile, const std::vector<std::string>& history) {
    for (const std::string& expression : history) {
        profile.WriteString(kSearchLogSection, expression, "");
    }
}
