// Feeds arbitrary bytes to the settings reader as the program's settings file: it must never crash,
// and whatever the program writes back from what it read must read back the same at the next start.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ini_profile.h"
#include "settings/settings_file.h"

namespace {

struct TSettings {
    std::string listPath;
    std::vector<std::string> history;
    std::vector<PresetEntry> presets;
};

TSettings Read(const platform::TIniProfile& profile) {
    return {ReadListPath(profile), ReadSearchHistory(profile), ReadPresets(profile)};
}

// The shutdown's writing, then the next start's reading.
TSettings RoundTrip(const TSettings& settings) {
    platform::TIniProfile profile;
    WriteListPath(profile, settings.listPath);
    WritePresets(profile, settings.presets);
    WriteSearchHistory(profile, settings.history);
    return Read(platform::TIniProfile::Parse(profile.Format()));
}

bool Same(const TSettings& a, const TSettings& b) {
    if (a.listPath != b.listPath || a.history != b.history || a.presets.size() != b.presets.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.presets.size(); ++i) {
        if (a.presets[i].name != b.presets[i].name || a.presets[i].value != b.presets[i].value) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TSettings read =
        Read(platform::TIniProfile::Parse(std::string_view(reinterpret_cast<const char*>(data), size)));
    // A file from elsewhere may hold what the program cannot keep; what it wrote itself, it keeps.
    const TSettings written = RoundTrip(read);
    if (!Same(RoundTrip(written), written)) {
        __builtin_trap();
    }
    return 0;
}
