// The one settings entry the terminal tool needs: the catalog folder of the window's mirolan.ini
// when that file lies beside the tool.
#pragma once

#include <string>

// ListPath of mirolan.ini in the tool's folder, else "LIST" as the window would take it.
std::string DefaultCatalogFolder(const std::string& toolPath);
