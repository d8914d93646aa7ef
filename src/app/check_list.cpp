#include "app/check_list.h"

#include <commctrl.h>
#include <stdexcept>

namespace {

constexpr int kBoxSize = 13; // the system's check box picture
constexpr int kBoxMargin = 2;
constexpr int kTextGap = 4;

} // namespace

TCheckList::TCheckList(HWND parent, int id, const RECT& bounds)
    : handle(CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS | LBS_NOTIFY |
                                 LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                             bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                             nullptr)) {
    if (!handle) {
        throw std::runtime_error("Cannot create the catalog list");
    }
    SendMessageA(handle, LB_SETITEMHEIGHT, 0, kItemHeight);
    SetWindowSubclass(handle, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void TCheckList::Clear() {
    SendMessageA(handle, LB_RESETCONTENT, 0, 0);
}

int TCheckList::Add(const std::string& text) {
    const auto index =
        static_cast<int>(SendMessageA(handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0) {
        SendMessageA(handle, LB_SETITEMDATA, index, 0);
    }
    return index;
}

int TCheckList::Count() const {
    return static_cast<int>(SendMessageA(handle, LB_GETCOUNT, 0, 0));
}

std::string TCheckList::Text(int index) const {
    const LRESULT length = SendMessageA(handle, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(handle, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

bool TCheckList::Checked(int index) const {
    const LRESULT data = SendMessageA(handle, LB_GETITEMDATA, index, 0);
    return data != LB_ERR && data != 0;
}

void TCheckList::SetChecked(int index, bool checked) {
    if (SendMessageA(handle, LB_SETITEMDATA, index, checked ? 1 : 0) == LB_ERR) {
        return;
    }
    RECT item;
    if (SendMessageA(handle, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
        InvalidateRect(handle, &item, FALSE);
    }
}

int TCheckList::ItemIndex() const {
    return static_cast<int>(SendMessageA(handle, LB_GETCURSEL, 0, 0));
}

void TCheckList::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.itemID == static_cast<UINT>(-1)) {
        if (item.itemState & ODS_FOCUS) {
            DrawFocusRect(item.hDC, &item.rcItem);
        }
        return;
    }
    const int index = static_cast<int>(item.itemID);
    RECT box = item.rcItem;
    box.left += kBoxMargin;
    box.right = box.left + kBoxSize;
    box.top += (item.rcItem.bottom - item.rcItem.top - kBoxSize) / 2;
    box.bottom = box.top + kBoxSize;
    RECT text = item.rcItem;
    text.left = box.right + kTextGap;

    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_WINDOW));
    DrawFrameControl(item.hDC, &box, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (Checked(index) ? DFCS_CHECKED : 0));

    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &text, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(item.hDC, TRANSPARENT);
    const std::string label = Text(index);
    RECT inner = text;
    inner.left += 1;
    DrawTextA(item.hDC, label.c_str(), static_cast<int>(label.size()), &inner,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS) {
        DrawFocusRect(item.hDC, &text);
    }
}

void TCheckList::Toggle(int index) {
    SetChecked(index, !Checked(index));
}

int TCheckList::BoxAt(int x, int y) const {
    if (x < 0 || x >= kBoxMargin + kBoxSize + kTextGap / 2) {
        return -1;
    }
    const LRESULT hit = SendMessageA(handle, LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
    return HIWORD(hit) == 0 ? static_cast<int>(LOWORD(hit)) : -1;
}

LRESULT CALLBACK TCheckList::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    auto* list = reinterpret_cast<TCheckList*>(self);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // A double click on a box is a second click on it: two quick clicks toggle twice.
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (const int index =
                list->BoxAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            index >= 0) {
            list->Toggle(index);
        }
        return result;
    }
    case WM_CHAR:
        if (wParam == ' ') {
            if (const int index = list->ItemIndex(); index >= 0) {
                list->Toggle(index);
            }
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, SubclassProc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
