#include "app/name_prompt.h"

#include <stdexcept>

#include "app/resource_ids.h"
#include "platform/files.h"

namespace {

INT_PTR CALLBACK NamePromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SendDlgItemMessageA(dialog, IDC_NAME_PROMPT_EDIT, EM_SETLIMITTEXT, 0, 0);
        return TRUE; // the focus goes to the edit box, the first control that takes it
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* name = reinterpret_cast<std::string*>(GetWindowLongPtrA(dialog, DWLP_USER));
            HWND edit = GetDlgItem(dialog, IDC_NAME_PROMPT_EDIT);
            name->assign(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
            name->resize(
                static_cast<std::size_t>(GetWindowTextA(edit, name->data(), static_cast<int>(name->size()))));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

std::string AskCatalogName(HWND owner) {
    std::string name;
    const auto instance = reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr));
    const INT_PTR answer = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_NAME_PROMPT), owner, NamePromptProc,
                                           reinterpret_cast<LPARAM>(&name));
    if (answer == -1) {
        throw std::runtime_error("Cannot show the name prompt: " + platform::LastErrorText());
    }
    return answer == IDOK ? name : std::string();
}
