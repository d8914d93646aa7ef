// The one settings entry the terminal tool needs: the catalog folder of the window's mirolan.ini
// when that file lies beside the tool. The window's full settings file is not read here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The ListPath entry of section [Options] of ini text; names compare without letter case.
std::optional<std::string> FindListPath(std::string_view iniText);

// ListPath of mirolan.ini in the tool's folder, else "LIST" as the window would take it.
std::string DefaultCatalogFolder(const std::string& toolPath);
