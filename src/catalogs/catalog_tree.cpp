#include "catalogs/catalog_tree.h"

#include <algorithm>
#include <iterator>

#include "catalogs/catalog_files.h"
#include "catalogs/container.h"
#include "catalogs/walker.h"

namespace {

// The paths of `from` that `without` lacks; both sorted and free of repeats.
std::vector<std::string> Difference(const std::vector<std::string_view>& from,
                                    const std::vector<std::string_view>& without) {
    std::vector<std::string_view> kept;
    std::set_difference(from.begin(), from.end(), without.begin(), without.end(), std::back_inserter(kept));
    return {kept.begin(), kept.end()};
}

void SortUnique(std::vector<std::string_view>& lines) {
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
}

void AppendSection(std::string& out, const std::string& heading, const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return;
    }
    if (!out.empty()) {
        out += "\r\n";
    }
    out += heading + "\r\n";
    for (const std::string& line : lines) {
        out += line + "\r\n";
    }
}

} // namespace

std::vector<std::string> ListCatalogTree(const std::string& folder) {
    std::vector<std::string> lines;
    ListFiles(folder, "*.*", kAllAttributes, lines,
              {.recurse = true, .fullPaths = true, .includeFolders = true});
    return lines;
}

void CreateCatalogFile(const std::string& folder, const std::string& path) {
    WriteCatalog(path, ListCatalogTree(folder));
}

std::vector<std::string_view> CatalogLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string CatalogRoot(std::string_view text) {
    bool first = true;
    std::string_view root;
    for (const std::string_view line : CatalogLines(text)) {
        const std::size_t slash = line.rfind('\\');
        const std::string_view parent = line.substr(0, slash == std::string_view::npos ? 0 : slash);
        if (first) {
            root = parent;
            first = false;
            continue;
        }
        const auto mismatch = std::mismatch(root.begin(), root.end(), parent.begin(), parent.end());
        const std::size_t same = static_cast<std::size_t>(mismatch.first - root.begin());
        const bool rootEnds = same == root.size();
        const bool parentEnds = same == parent.size();
        if (rootEnds && (parentEnds || parent[same] == '\\')) {
            continue; // the parent lies in the root already
        }
        if (parentEnds && root[same] == '\\') {
            root = root.substr(0, same);
            continue;
        }
        const std::size_t seam = same == 0 ? std::string_view::npos : root.rfind('\\', same - 1);
        root = root.substr(0, seam == std::string_view::npos ? 0 : seam);
    }
    std::string result(root);
    if (result.size() == 2 && result[1] == ':') {
        result += '\\'; // "C:" alone would name the drive's current folder, not its root
    }
    return result;
}

TCatalogChanges CompareCatalogs(std::vector<std::string_view> before, std::vector<std::string_view> after) {
    SortUnique(before);
    SortUnique(after);
    return {Difference(after, before), Difference(before, after)};
}

TCatalogChanges UpdateCatalogFile(const std::string& path, const std::string& folder) {
    const bool packed = IsPackedFile(path);
    const std::string before = ReadCatalogText(path);
    const std::vector<std::string> after = ListCatalogTree(folder);
    if (packed) {
        WritePackedCatalog(path, after);
    } else {
        WriteCatalog(path, after);
    }
    return CompareCatalogs(CatalogLines(before), {after.begin(), after.end()});
}

std::string DescribeCatalogChanges(const std::string& name, const TCatalogChanges& changes) {
    std::string out;
    AppendSection(out, " ------ New in " + name + " :", changes.added);
    AppendSection(out, " ------ Gone from " + name + " :", changes.removed);
    return out.empty() ? "No change in " + name : out;
}
