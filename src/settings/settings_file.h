// The settings file beside the executable: the catalog folder ("Options", "ListPath"), the presets
// ("Presets") and the search history ("SearchLog"). Read once at start and written once at shutdown;
// the writing replaces the old file only when the new one is complete.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ini_profile.h"
#include "presets/presets.h"

inline constexpr char kOptionsSection[] = "Options";
inline constexpr char kPresetsSection[] = "Presets";
inline constexpr char kSearchLogSection[] = "SearchLog";
inline constexpr char kListPathEntry[] = "ListPath";
inline constexpr char kDefaultListPath[] = "LIST";

// The settings file could not be written; the text is "Unable to write to <full path>".
class ESettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The running executable's full path with the extension ".ini".
std::string SettingsFilePath();

// The file's profile; an empty one when the file is missing or cannot be read.
platform::TIniProfile ReadSettingsFile(const std::string& path);
// Writes `profile` in place of the file at `path`; on failure the old file stays as it was and
// ESettingsError is thrown.
void WriteSettingsFile(const std::string& path, const platform::TIniProfile& profile);

std::string ReadListPath(const platform::TIniProfile& profile);
void WriteListPath(platform::TIniProfile& profile, const std::string& listPath);

// The history is kept as entry names with empty values. An expression with "=" in it is written as
// it is ("a=b" gives the line "a=b="), so its entry has the name "a" and the value "b="; reading
// joins such a line back into the whole expression.
std::vector<std::string> ReadSearchHistory(const platform::TIniProfile& profile);
void WriteSearchHistory(platform::TIniProfile& profile, const std::vector<std::string>& history);

// Every entry of "Presets" in file order, values as they stand. A preset name with "=" in it is written
// as it is ("a=b" with ",X," gives the line "a=b=,X,"); since every value that the program writes
// begins with ",", reading joins such a line back at the "=," that begins the value.
std::vector<PresetEntry> ReadPresets(const platform::TIniProfile& profile);
void WritePresets(platform::TIniProfile& profile, const std::vector<PresetEntry>& presets);
