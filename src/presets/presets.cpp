#include "presets/presets.h"

#include "platform/codepage.h"
#include "presets/dual_strings.h"

std::string PresetValue(std::span<const std::string> catalogs, const std::vector<bool>& ticks) {
    std::string value = ",";
    for (std::size_t i = 0; i < catalogs.size() && i < ticks.size(); ++i) {
        if (ticks[i]) {
            value += platform::UpperString(catalogs[i]);
            value += ',';
        }
    }
    return value;
}

std::vector<bool> PresetTicks(std::string_view value, std::span<const std::string> catalogs) {
    std::vector<bool> ticks;
    ticks.reserve(catalogs.size());
    for (const std::string& catalog : catalogs) {
        const std::string framed = ',' + platform::UpperString(catalog) + ',';
        ticks.push_back(value.find(framed) != std::string_view::npos);
    }
    return ticks;
}

bool IsBlankPresetName(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) > ' ') {
            return false;
        }
    }
    return true;
}

void FillPresets(TDualStrings& presets, std::span<const PresetEntry> entries) {
    presets.Clear();
    presets.SetCaseSensitive(false);
    presets.SetSorted(true);
    for (const PresetEntry& entry : entries) {
        int at = 0;
        if (!IsBlankPresetName(entry.name) && !presets.Find(entry.name, at)) {
            presets.AddValue(entry.name, entry.value);
        }
    }
}

std::vector<PresetEntry> PresetEntries(const TDualStrings& presets) {
    std::vector<PresetEntry> entries;
    entries.reserve(static_cast<std::size_t>(presets.Count()));
    for (int i = 0; i < presets.Count(); ++i) {
        entries.push_back({presets.Strings(i), presets.ValueAt(i)});
    }
    return entries;
}

bool SetPreset(TDualStrings& presets, const std::string& name, const std::string& value) {
    if (IsBlankPresetName(name)) {
        return false;
    }
    presets.SetValue(name, value, false);
    return true;
}
