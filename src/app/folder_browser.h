// The shell's folder browser over the whole shell namespace, with OK enabled whatever is selected.
#pragma once

#include <string>
#include <windows.h>

// The chosen folder's file-system path; empty when the user cancels or picks an item that has none
// (such as the computer's own node). A non-empty `selected` is selected when the browser opens.
std::string BrowseForFolder(HWND owner, const std::string& selected = {});
