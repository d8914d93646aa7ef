// Resource ids of the program's pictures, the program's icon (also the tray's resting picture) and
// the eight tray animation frames, and of its dialog. windres reads this header too, hence plain macros.
#pragma once

#define IDI_MIROLAN 1
#define IDI_TRAY_FRAME0 101
#define IDI_TRAY_FRAME1 102
#define IDI_TRAY_FRAME2 103
#define IDI_TRAY_FRAME3 104
#define IDI_TRAY_FRAME4 105
#define IDI_TRAY_FRAME5 106
#define IDI_TRAY_FRAME6 107
#define IDI_TRAY_FRAME7 108

#ifndef RC_INVOKED
constexpr int kTrayFrameCount = 8; // ids IDI_TRAY_FRAME0 .. IDI_TRAY_FRAME0 + 7, in animation order
#endif

// The name prompt of catalog creation: its dialog template and the edit box in it.
#define IDD_NAME_PROMPT 300
#define IDC_NAME_PROMPT_TEXT 301
#define IDC_NAME_PROMPT_EDIT 302
