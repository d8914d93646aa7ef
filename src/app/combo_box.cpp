#include "app/combo_box.h"

#include <commctrl.h>
#include <stdexcept>
#include <string_view>

#include "platform/codepage.h"

TComboBox::TComboBox(HWND parent, int id, const RECT& bounds, int listHeight)
    : handle(CreateWindowExA(
          0, "COMBOBOX", "",
          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS | CBS_DROPDOWN | CBS_AUTOHSCROLL,
          bounds.left, bounds.top, bounds.right - bounds.left, listHeight, parent,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
          reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr)) {
    if (!handle) {
        throw std::runtime_error("Cannot create a drop-down box");
    }
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(handle, &info)) {
        edit = info.hwndItem;
        SetWindowSubclass(edit, EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    // The closed box is as high as asked, whatever the font: the selection field and its frame.
    RECT closed;
    GetWindowRect(handle, &closed);
    const LRESULT field = SendMessageA(handle, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    const int wanted = bounds.bottom - bounds.top;
    if (field != CB_ERR && closed.bottom - closed.top != wanted) {
        SendMessageA(handle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                     field + wanted - (closed.bottom - closed.top));
    }
}

void TComboBox::Clear() {
    const std::string text = Text();
    SendMessageA(handle, CB_RESETCONTENT, 0, 0);
    SetText(text);
}

void TComboBox::Add(const std::string& item) {
    SendMessageA(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

std::vector<std::string> TComboBox::Items() const {
    std::vector<std::string> items;
    const auto count = static_cast<int>(SendMessageA(handle, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(handle, CB_GETLBTEXTLEN, i, 0);
        std::string item(length == CB_ERR ? 0 : static_cast<std::size_t>(length) + 1, '\0');
        const LRESULT copied =
            item.empty() ? CB_ERR
                         : SendMessageA(handle, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
        items.push_back(item);
    }
    return items;
}

int TComboBox::ItemIndex() const {
    return static_cast<int>(SendMessageA(handle, CB_GETCURSEL, 0, 0));
}

std::string TComboBox::Text() const {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(handle)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(handle, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TComboBox::SetText(const std::string& text) {
    SetWindowTextA(handle, text.c_str());
}

bool TComboBox::EditChanged() {
    if (!typed) {
        return false;
    }
    typed = false;
    DWORD caret = 0;
    SendMessageA(handle, CB_GETEDITSEL, 0, reinterpret_cast<LPARAM>(&caret));
    const std::string typedText = Text().substr(0, caret);
    if (typedText.empty()) {
        return false;
    }
    // Compared here rather than by CB_FINDSTRING, whose letter case is not the code page's everywhere.
    const std::vector<std::string> items = Items();
    for (std::size_t index = 0; index < items.size(); ++index) {
        if (items[index].size() >= typedText.size() &&
            platform::CompareText(std::string_view(items[index]).substr(0, typedText.size()), typedText) ==
                0) {
            SendMessageA(handle, CB_SETCURSEL, index, 0);
            SendMessageA(handle, CB_SETEDITSEL, 0, MAKELPARAM(typedText.size(), -1));
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK TComboBox::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR self) {
    switch (message) {
    case WM_KEYDOWN:
        reinterpret_cast<TComboBox*>(self)->typed = false; // Delete sends no character
        break;
    case WM_CHAR:
        // Only a character that adds text completes; Backspace and control keys leave the text as it is.
        reinterpret_cast<TComboBox*>(self)->typed = wParam >= ' ' && wParam != 127;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, EditProc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
