// Catalogs made from folder trees: a new catalog of a tree, an update that walks the tree again, what
// such an update changed, and the folder that a catalog was made from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Every file and folder below `folder`, depth first, each as a full path: the lines of its catalog.
std::vector<std::string> ListCatalogTree(const std::string& folder);

// Walks `folder` into a new plain catalog at `path`, which replaces any file there only once complete.
void CreateCatalogFile(const std::string& folder, const std::string& path);

// The lines of a catalog text: CR LF or LF ends a line; empty lines are no entries.
std::vector<std::string_view> CatalogLines(std::string_view text);

// The deepest folder that every line lies under, a drive root as "C:\"; empty when the lines share
// none (no lines, or names without a folder). Backslashes alone separate, letter case counts.
std::string CatalogRoot(std::string_view text);

// The paths that an update added and those that it dropped, each sorted and without repeats.
struct TCatalogChanges {
    std::vector<std::string> added;
    std::vector<std::string> removed;
};
TCatalogChanges CompareCatalogs(std::vector<std::string_view> before, std::vector<std::string_view> after);

// Walks `folder` again into the catalog at `path`, replacing it only once complete and keeping it
// packed when it was packed. The file is read before the walk, so a catalog that cannot be opened
// fails at once and stays as it was.
TCatalogChanges UpdateCatalogFile(const std::string& path, const std::string& folder);

// The result pane's report of an update of the catalog `name`: the new paths and the gone ones, each
// under a heading of its own, or one line saying that nothing changed.
std::string DescribeCatalogChanges(const std::string& name, const TCatalogChanges& changes);
