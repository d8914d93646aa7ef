#include "catalogs/walker.h"

#include <optional>

#include "catalogs/paths.h"
#include "platform/find.h"

namespace {

using platform::FoundEntry;

// Entries with one of these attributes are delivered only when the wanted set holds it.
constexpr std::uint32_t kFilteredAttributes =
    platform::kAttrHidden | platform::kAttrSystem | platform::kAttrVolume | platform::kAttrFolder;

class TWalk {
public:
    TWalk(const std::string& root, const std::string& mask, std::uint32_t attributes,
          std::vector<std::string>& target, WalkOptions options)
        : root(root), mask(mask), attributes(attributes), target(target), options(options) {}

    // Lists the folder reached by `folder`, whose lines begin with `sub`. The walk descends by the
    // platform's own paths, which reach folders that the lines, in the ANSI code page, cannot name.
    void Visit(const platform::TFolder& folder, const std::string& sub) {
        // With the mask "*.*" the listing pass already sees every subfolder, so one enumeration of
        // the folder serves both passes.
        const bool onePass = options.recurse && mask == "*.*";
        std::vector<Subfolder> subfolders;
        {
            platform::TFindFiles find(folder, mask,
                                      attributes == kAllAttributes ? platform::TFindFiles::Detail::KindOnly
                                                                   : platform::TFindFiles::Detail::Exact);
            FoundEntry entry;
            while (find.Next(entry)) {
                if (onePass && IsSubfolder(entry)) {
                    subfolders.push_back({entry, find.EntryFolder()});
                }
                if (Listed(entry)) {
                    std::string line = sub.empty() ? entry.name : sub + '\\' + entry.name;
                    target.push_back(options.fullPaths ? JoinPath(root, line) : std::move(line));
                }
            }
        }
        if (!options.recurse) {
            return;
        }
        if (!onePass) {
            platform::TFindFiles find(folder, "*.*", platform::TFindFiles::Detail::KindOnly);
            FoundEntry entry;
            while (find.Next(entry)) {
                if (IsSubfolder(entry)) {
                    subfolders.push_back({entry, find.EntryFolder()});
                }
            }
        }
        descent.push_back({&folder, std::nullopt});
        for (const Subfolder& subfolder : subfolders) {
            if ((subfolder.entry.attributes & platform::kAttrLink) == 0 ||
                !LeadsToAncestor(subfolder.folder)) {
                Visit(subfolder.folder, JoinPath(sub, subfolder.entry.name));
            }
        }
        descent.pop_back();
    }

private:
    // The platform's enumeration filter: an entry with a filtered attribute comes only when wanted.
    static bool Delivered(const FoundEntry& entry, std::uint32_t wanted) {
        return (entry.attributes & kFilteredAttributes & ~wanted) == 0 && entry.name[0] != '.';
    }

    bool Listed(const FoundEntry& entry) const {
        if (!Delivered(entry, attributes)) {
            return false;
        }
        if (attributes != kAllAttributes && (entry.attributes & ~attributes) != 0) {
            return false;
        }
        return (entry.attributes & platform::kAttrFolder) == 0 || options.includeFolders;
    }

    // Subfolders are enumerated with the folder attribute alone, so hidden and system ones are not
    // delivered and never entered.
    static bool IsSubfolder(const FoundEntry& entry) {
        return Delivered(entry, platform::kAttrFolder) && (entry.attributes & platform::kAttrFolder) != 0;
    }

    // A folder link is entered like a folder, unless it leads back to a folder of the current descent:
    // that would repeat the tree below it without end. Only links pay for looking up identities.
    bool LeadsToAncestor(const platform::TFolder& child) {
        const auto target = platform::IdentifyFolder(child);
        if (!target) {
            return true;
        }
        for (Level& level : descent) {
            if (!level.id) {
                level.id = platform::IdentifyFolder(*level.folder);
            }
            if (*level.id == target) {
                return true;
            }
        }
        return false;
    }

    struct Subfolder {
        FoundEntry entry;
        platform::TFolder folder;
    };

    struct Level {
        const platform::TFolder* folder;
        std::optional<std::optional<platform::FolderId>> id; // looked up when a link is met
    };

    const std::string root;
    const std::string mask;
    const std::uint32_t attributes;
    std::vector<std::string>& target;
    const WalkOptions options;
    std::vector<Level> descent; // the folders from the root down to the one being walked
};

} // namespace

bool ListFiles(const std::string& folder, const std::string& mask, std::uint32_t attributes,
               std::vector<std::string>& target, WalkOptions options) {
    target.clear();
    TWalk(folder, mask, attributes, target, options).Visit(platform::TFolder(folder), "");
    return !target.empty();
}
