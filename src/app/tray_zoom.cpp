#include "app/tray_zoom.h"

void AnimateTrayZoom(HWND window, bool towardTray) {
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar == nullptr) {
        return;
    }
    HWND trayArea = FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr);
    if (trayArea == nullptr) {
        return;
    }
    RECT windowRect;
    RECT trayRect;
    if (!GetWindowRect(window, &windowRect) || !GetWindowRect(trayArea, &trayRect)) {
        return;
    }
    if (towardTray) {
        DrawAnimatedRects(window, IDANI_CAPTION, &windowRect, &trayRect);
    } else {
        DrawAnimatedRects(window, IDANI_CAPTION, &trayRect, &windowRect);
    }
}
