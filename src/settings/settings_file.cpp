#include "settings/settings_file.h"

#include "platform/files.h"
#include "platform/safe_write.h"

std::string SettingsFilePath() {
    std::string path = platform::ExecutablePath();
    const std::size_t name = platform::FileNameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot >= name) {
        path.resize(dot);
    }
    return path + ".ini";
}

platform::TIniProfile ReadSettingsFile(const std::string& path) {
    try {
        return platform::TIniProfile::Parse(platform::ReadWholeFile(path));
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

std::vector<PresetEntry> ReadPresets(const platform::TIniProfile& profile) {
    std::vector<PresetEntry> presets;
    if (const platform::IniSection* section = profile.FindSection(kPresetsSection)) {
        for (const platform::IniEntry& entry : section->entries) {
            const std::size_t seam = entry.value.find("=,");
            if (!entry.value.starts_with(',') && seam != std::string::npos) {
                presets.push_back(
                    {entry.name + '=' + entry.value.substr(0, seam), entry.value.substr(seam + 1)});
            } else {
                presets.push_back({entry.name, entry.value});
            }
        }
    }
    return presets;
}

void WritePresets(platform::TIniProfile& profile, const std::vector<PresetEntry>& presets) {
    for (const PresetEntry& preset : presets) {
        profile.WriteString(kPresetsSection, preset.name, preset.value);
    }
}
