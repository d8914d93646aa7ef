// The preset rules: a preset names a group of catalogs by a value such as ",CD01,CD07," (the ticked
// catalogs' names, upper-cased, in catalog-list order, each followed by ","), and picking it ticks
// exactly the catalogs that the value names. The catalog list comes in as plain names and ticks.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

class TDualStrings;

// One entry of the settings file's "Presets" section.
struct PresetEntry {
    std::string name;
    std::string value;
};

// "," followed by the name of every ticked catalog, upper-cased, and ",". A comma inside a name is
// kept as it is: the stored format has no escape for it.
std::string PresetValue(std::span<const std::string> catalogs, const std::vector<bool>& ticks);
// For each catalog, whether `value` holds "," + its upper-cased name + ",". A catalog named
// "CD1" is not ticked by CD10, nor "A,B" by A alone.
std::vector<bool> PresetTicks(std::string_view value, std::span<const std::string> catalogs);

// Empty once the blanks and control characters around it are removed.
bool IsBlankPresetName(std::string_view name);

// Makes `presets` the sorted list of the entries, names compared without regard to letter case.
// Of names equal but for letter case the first is kept, with its value; blank names are dropped,
// since no one could pick them in the preset box.
void FillPresets(TDualStrings& presets, std::span<const PresetEntry> entries);
// The presets as settings entries, in the list's order.
std::vector<PresetEntry> PresetEntries(const TDualStrings& presets);
// Gives the preset `name` (letter case aside) the value, or adds it at its sorted place. A blank
// name stores nothing, as it would not come back from the settings file; returns whether it stored.
bool SetPreset(TDualStrings& presets, const std::string& name, const std::string& value);
