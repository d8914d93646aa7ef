// The wait cursor for as long as one of these lives: work that handles no messages meanwhile.
#pragma once

#include <windows.h>

class TWaitCursor {
public:
    TWaitCursor() : previous(SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)))) {} // IDC_WAIT
    ~TWaitCursor() { SetCursor(previous); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    HCURSOR previous;
};
