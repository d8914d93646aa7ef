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
        ListOwnEntries(folder, sub);
        if (options.recurse) {
            descent.push_back({sub, std::nullopt});
            EnterSubfolders(folder, sub);
            descent.pop_back();
        }
    }

private:
    static bool Delivered(const FoundEntry& entry, std::uint32_t wanted) {
        return (entry.attributes & kFilteredAttributes & ~wanted) == 0 && entry.name[0] != '.';
    }

    void ListOwnEntries(const std::string& folder, const std::string& sub) {
        platform::TFindFiles find(JoinPath(folder, mask));
        FoundEntry entry;
        while (find.Next(entry)) {
            if (!Delivered(entry, attributes)) {
                continue;
            }
            if (attributes != kAllAttributes && (entry.attributes & ~attributes) != 0) {
                continue;
            }
            if ((entry.attributes & platform::kAttrFolder) != 0 && !options.includeFolders) {
                continue;
            }
            std::string line = sub.empty() ? entry.name : sub + '\\' + entry.name;
            target.push_back(options.fullPaths ? JoinPath(root, line) : std::move(line));
        }
    }

    void EnterSubfolders(const std::string& folder, const std::string& sub) {
        platform::TFindFiles find(JoinPath(folder, "*.*"));
        FoundEntry entry;
        while (find.Next(entry)) {
            if (!Delivered(entry, platform::kAttrFolder) || (entry.attributes & platform::kAttrFolder) == 0) {
                continue;
            }
            const std::string child = JoinPath(sub, entry.name);
            if ((entry.attributes & platform::kAttrLink) != 0 && LeadsToAncestor(child)) {
                continue;
            }
            Visit(child);
        }
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
