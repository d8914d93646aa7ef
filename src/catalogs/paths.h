// Catalog paths: the one rule that joins a folder and a name, and making a folder exist.
#pragma once

#include <string>

// Joins with exactly one backslash at the seam; only the backslash counts as a separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates the folder and any missing parents, top down; failures are silent.
void ForceFolder(const std::string& path);
