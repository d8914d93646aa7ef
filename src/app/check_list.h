// A check list over the system list box: an owner-drawn list that keeps its item texts, with a box per
// item that a click on the box or the space bar toggles. The tick of an item is its item data.
#pragma once

#include <string>
#include <windows.h>

class TCheckList {
public:
    static constexpr int kItemHeight = 13;

    // Creates the list box as a child of `parent`.
    TCheckList(HWND parent, int id, const RECT& bounds);
    TCheckList(const TCheckList&) = delete;
    TCheckList& operator=(const TCheckList&) = delete;

    HWND Handle() const { return handle; }
    void Clear();
    int Add(const std::string& text); // unticked; returns the index
    int Count() const;
    std::string Text(int index) const;
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    int ItemIndex() const; // the current item, or -1
    // The parent hands over the WM_DRAWITEM that the list sends it.
    void DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    void Toggle(int index);
    // The item whose box lies under a point of the client area, or -1.
    int BoxAt(int x, int y) const;

    HWND handle;
};
