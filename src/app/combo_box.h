// A drop-down box with editable text that completes what the user types to the first item starting
// with it, letter case aside, selecting the completed rest so that typing on replaces it.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

class TComboBox {
public:
    // Creates the box as a child of `parent`; `bounds` give the closed box, `listHeight` the height of
    // its open list.
    TComboBox(HWND parent, int id, const RECT& bounds, int listHeight);
    TComboBox(const TComboBox&) = delete;
    TComboBox& operator=(const TComboBox&) = delete;

    HWND Handle() const { return handle; }
    HWND EditHandle() const { return edit; }
    void Clear(); // the items; the text stays
    void Add(const std::string& item);
    std::vector<std::string> Items() const;
    int ItemIndex() const; // the selected item, or -1
    std::string Text() const;
    void SetText(const std::string& text);
    // The parent hands over CBN_EDITCHANGE: after a typed character the text is completed, and the
    // completing item becomes the selected one. Returns whether it completed.
    bool EditChanged();

private:
    static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

    HWND handle;
    HWND edit = nullptr;
    bool typed = false; // the last change came from a typed character, not a deletion
};
