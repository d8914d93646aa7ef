// The zoom effect between a window and the taskbar's notification area, drawn when the window hides
// to the tray or comes back from it.
#pragma once

#include <windows.h>

// Draws the caption rectangle flying from `window` to the notification area (toward the tray) or back,
// and returns when it is over. Draws nothing when there is no taskbar, no notification area or no
// rectangle of either.
void AnimateTrayZoom(HWND window, bool towardTray);
