// The directory walker: the entries of one folder, or of a whole tree, as lines of a list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WalkOptions {
    bool recurse = false;
    bool fullPaths = false;
    bool includeFolders = false;
};

constexpr std::uint32_t kAllAttributes = 63;

// Empties `target`, then lists depth first: a folder's own entries, then the subtree of each of its
// subfolders. Names beginning with "." are skipped; hidden and system folders are listed but never
// entered. Names are in the ANSI code page, "?" for what it cannot hold; such a folder and any depth
// of tree are walked all the same. Returns whether `target` holds a line. Unreadable folders add
// nothing and are not reported.
bool ListFiles(const std::string& folder, const std::string& mask, std::uint32_t attributes,
               std::vector<std::string>& target, WalkOptions options);
