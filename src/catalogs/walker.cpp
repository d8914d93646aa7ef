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

    void Visit(const std::string& sub) {
        const std::string folder = JoinPath(root, sub);
        // With the mask "*.*" the listing pass already sees every subfolder, so one enumeration of
        // the folder serves both passes.
        const bool onePass = options.recurse && mask == "*.*";
        std::vector<FoundEntry> subfolders;
        {
            platform::TFindFiles find(JoinPath(folder, mask), attributes == kAllAttributes
                                                                  ? platform::TFindFiles::Detail::KindOnly
                                                                  : platform::TFindFiles::Detail::Exact);
            FoundEntry entry;
            while (find.Next(entry)) {
                if (onePass && IsSubfolder(entry)) {
                    subfolders.push_back(entry);
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
            platform::TFindFiles find(JoinPath(folder, "*.*"), platform::TFindFiles::Detail::KindOnly);
            FoundEntry entry;
            while (find.Next(entry)) {
                if (IsSubfolder(entry)) {
                    subfolders.push_back(entry);
                }
            }
        }
        descent.push_back({sub, std::nullopt});
        for (const FoundEntry& subfolder : subfolders) {
            const std::string child = JoinPath(sub, subfolder.name);
            if ((subfolder.attributes & platform::kAttrLink) == 0 || !LeadsToAncestor(child)) {
                Visit(child);
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
    bool LeadsToAncestor(const std::string& child) {
        const auto target = platform::IdentifyFolder(JoinPath(root, child));
        if (!target) {
            return true;
        }
        for (Level& level : descent) {
            if (!level.id) {
                level.id = platform::IdentifyFolder(JoinPath(root, level.sub));
            }
            if (*level.id == target) {
                return true;
            }
        }
        return false;
    }

    struct Level {
        std::string sub;
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
    TWalk(folder, mask, attributes, target, options).Visit("");
    return !target.empty();
}
