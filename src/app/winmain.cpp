// The tray program's entry: makes the one window, hidden, and runs the message loop until it is closed
// for good. The command line is not read.
#include <windows.h>

#include <commctrl.h>
#include <exception>

#include "app/main_form.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        TMainForm mainForm(instance);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (!mainForm.PreviewMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        return static_cast<int>(message.wParam);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), kApplicationTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
}
