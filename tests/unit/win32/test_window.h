// A hidden top-level window for tests of controls, with the given window procedure.
#pragma once

#include <windows.h>

inline HWND CreateTestParent(const char* className, WNDPROC procedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass); // a second registration of the same class fails harmlessly
    return CreateWindowExA(0, className, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}
