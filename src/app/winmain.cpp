// The tray program's entry. The window is not built yet; until it is, the program says so.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "The Mirolan window is not built yet.", "Mirolan", MB_OK | MB_ICONINFORMATION);
    return 0;
}
