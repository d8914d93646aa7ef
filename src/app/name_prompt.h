// The modal prompt of catalog creation that asks for the new catalog's file name.
#pragma once

#include <string>
#include <windows.h>

// The text typed, exactly as typed; empty when the user cancels (Esc, Cancel, the close box).
std::string AskCatalogName(HWND owner);
