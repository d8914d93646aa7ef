#include "app/main_form.h"

#include <algorithm>
#include <commctrl.h>
#include <cstring>
#include <exception>
#include <richedit.h>
#include <stdexcept>
#include <string_view>

#include "app/control_ids.h"
#include "app/resource_ids.h"
#include "app/tray_icon.h"
#include "app/tray_zoom.h"
#include "catalogs/catalog_files.h"
#include "catalogs/paths.h"
#include "settings/settings_file.h"

namespace {

constexpr int kDesignWidth = 775; // the client area that the positions below are given in
constexpr int kDesignHeight = 501;
constexpr int kWindowLeft = 264;
constexpr int kWindowTop = 218;

enum Anchor : unsigned { kAnchorLeft = 1, kAnchorTop = 2, kAnchorRight = 4, kAnchorBottom = 8 };
constexpr unsigned kAnchorDefault = kAnchorLeft | kAnchorTop;
constexpr unsigned kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom;

constexpr COLORREF kLabelText = RGB(255, 255, 255);
constexpr COLORREF kLabelBack = RGB(128, 128, 128);
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_PUSHBUTTON | BS_FLAT;
constexpr DWORD kCheckStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_AUTOCHECKBOX;
constexpr int kComboListHeight = 200;

RECT Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

TFontHandle MakeFont(int height, int weight) {
    HFONT font =
        CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
    return TFontHandle(font);
}

struct ModifierBox {
    int id;
    int left;
    int width;
    const char* caption;
    bool ticked;
    const char* hint; // lines separated by "\n"; none for the last box
};

constexpr int kModifiersLeft = 459;
constexpr int kModifiersTop = 61;
constexpr ModifierBox kModifierBoxes[] = {
    {kIdModifierI, 8, 31, "/i", true, "Case insensitive"},
    {kIdModifierM, 40, 38, "/m", true,
     "If ON then '^' / '$' match\nevery embedded line start / end,\nif OFF, then only beginning / end\n"
     "of whole text"},
    {kIdModifierS, 80, 35, "/s", false,
     "If on then '.' means any char\nIf off then '.' doesn't include line separators"},
    {kIdModifierX, 114, 32, "/x", false, "If ON then eXtended comment syntax available"},
    {kIdModifierG, 149, 56, "Greedy", true,
     "If Off then all operators \nwork as non-greedy \n('*' as '*?', '+' as '+?' \nand so on)"},
    {kIdModifierR, 208, 97, "Russian ranges", true, nullptr},
};

// Errors that escape a handler end up here, as the application's standard error message.
void ShowException(HWND owner, const char* text) {
    MessageBoxA(owner && IsWindowVisible(owner) ? owner : nullptr, text, kApplicationTitle,
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

template <typename Action> void Guarded(HWND owner, Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        ShowException(owner, error.what());
    }
}

// A group box paints its frame and caption only; the window, which leaves its children's area alone,
// would leave the inside unpainted.
LRESULT CALLBACK GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_ERASEBKGND) {
        RECT area;
        GetClientRect(window, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, GroupBoxProc, 0);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

struct StreamSource {
    const char* data;
    std::size_t left;
};

DWORD CALLBACK ReadStreamSource(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const std::size_t count = std::min(source->left, static_cast<std::size_t>(wanted));
    std::memcpy(buffer, source->data, count);
    source->data += count;
    source->left -= count;
    *given = static_cast<LONG>(count);
    return 0;
}

std::string_view HelpDocument(HINSTANCE instance) {
    HRSRC found = FindResourceA(instance, "AHELP", "FILE");
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        throw std::runtime_error("The help document is missing from the program");
    }
    return {static_cast<const char*>(data), SizeofResource(instance, found)};
}

} // namespace

TMainForm::TMainForm(HINSTANCE module) : instance(module) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MIROLAN));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("Cannot register the main window");
    }
    constexpr DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT outer = {0, 0, kDesignWidth, kDesignHeight};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    CreateWindowExA(0, kClassName, kApplicationTitle, style, kWindowLeft, kWindowTop,
                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
    if (!handle) {
        throw std::runtime_error("Cannot create the main window");
    }
}

TMainForm::~TMainForm() {
    if (handle) {
        DestroyWindow(handle);
    }
}

LRESULT CALLBACK TMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->handle = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!form) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        form->handle = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ShowException(window, error.what());
        return message == WM_CREATE ? -1 : 0;
    }
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateControls();
        CreateTrayIcon();
        FormCreate();
        return 0;
    case WM_CLOSE:
        if (quitting && runDepth > 0) { // the run lies further down this stack: end it first
            searching = false;
            closeWhenIdle = true;
        } else if (FormCloseQuery()) {
            DestroyWindow(handle);
        }
        return 0;
    case WM_DESTROY:
        // Quit only afterwards: a pending quit would close the error message at once.
        Guarded(handle, [this] { FormDestroy(); });
        PostQuitMessage(0);
        return 0;
    case WM_QUERYENDSESSION:
        return OnEndSession();
    case WM_ENDSESSION:
        // The session ends without a further close request; what the user did this run is kept.
        if (wParam && runDepth > 0) {
            searching = false;
            closeWhenIdle = true;
        } else if (wParam) {
            DestroyWindow(handle);
        }
        return 0;
    case WM_HOTKEY:
        return OnHotKey(wParam);
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            LayOut(LOWORD(lParam), HIWORD(lParam));
        }
        return 0;
    case WM_COMMAND:
        HandleCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        if (wParam == kIdSearchIn && lbSearchIn) {
            lbSearchIn->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == label1 || reinterpret_cast<HWND>(lParam) == label2) {
            SetTextColor(reinterpret_cast<HDC>(wParam), kLabelText);
            SetBkColor(reinterpret_cast<HDC>(wParam), kLabelBack);
            return reinterpret_cast<LRESULT>(labelBrush.Get());
        }
        break;
    case WM_CONTEXTMENU:
        if (lbSearchIn && reinterpret_cast<HWND>(wParam) == lbSearchIn->Handle()) {
            lbSearchInContextMenu(lParam);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(handle, message, wParam, lParam);
}

void TMainForm::HandleCommand(int id, int code) {
    constexpr int kCatalogCommands[] = {kIdRefreshList,      kIdCreateCatalog, kIdCreateCatalogMenu,
                                        kIdUpdateCatalog,    kIdListCatalog,   kIdCompressCatalog,
                                        kIdDecompressCatalog};
    if (std::find(std::begin(kCatalogCommands), std::end(kCatalogCommands), id) !=
            std::end(kCatalogCommands) &&
        DeferWhileSearching(id)) {
        return;
    }
    switch (id) {
    case kIdOpen:
        Open1Click();
        break;
    case kIdRefreshList:
        Refreshlist1Click();
        break;
    case kIdSearch:
        if (code == BN_CLICKED) {
            sbSearchClick();
        }
        break;
    case kIdClose:
        Close1Click();
        break;
    case kIdHelp:
        if (code == BN_CLICKED) {
            SpeedButton4Click();
        }
        break;
    case kIdClear:
        if (code == BN_CLICKED) {
            sbClearClick();
        }
        break;
    case kIdCreateCatalog:
        if (code == BN_CLICKED) {
            sbCreateCatalogClick();
        }
        break;
    case kIdCreateCatalogMenu:
        CreateCatalog1Click();
        break;
    case kIdUpdateCatalog:
        acUpdateCatalogExecute();
        break;
    case kIdListCatalog:
        acListCatalogExecute();
        break;
    case kIdCompressCatalog:
        acCompressCatalogExecute();
        break;
    case kIdDecompressCatalog:
        acDecompressCatalogExecute();
        break;
    case kIdPreset:
        if (code == CBN_EDITCHANGE) {
            cbPreset->EditChanged();
        }
        // A completion has selected its preset by now, and picking from the list selects one too.
        if (code == CBN_EDITCHANGE || code == CBN_SELCHANGE) {
            cbPresetChange();
        }
        break;
    case kIdPresetDelete:
        if (code == BN_CLICKED) {
            SpeedButton1Click();
        }
        break;
    case kIdPresetAll:
        if (code == BN_CLICKED) {
            SpeedButton3Click();
        }
        break;
    case kIdPresetAdd:
        if (code == BN_CLICKED) {
            SpeedButton2Click();
        }
        break;
    case kIdSearchFor:
        if (code == CBN_EDITCHANGE) {
            edSearchFor->EditChanged();
        }
        break;
    default:
        break;
    }
}

bool TMainForm::PreviewMessage(const MSG& message) {
    if (!handle || (message.hwnd != handle && !IsChild(handle, message.hwnd))) {
        return false;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
        MoveFocus(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    if (message.message == WM_KEYUP) {
        Guarded(handle, [&] { FormKeyUp(message.wParam); });
    }
    if (message.message == WM_KEYDOWN && message.hwnd == edSearchFor->EditHandle() &&
        message.wParam == VK_RETURN) {
        Guarded(handle, [&] { edSearchForKeyDown(message.wParam); });
        return true;
    }
    return false;
}

HWND TMainForm::AddControl(const char* className, const char* text, DWORD style, DWORD exStyle, int id,
                           RECT bounds, unsigned anchors) {
    HWND control = CreateWindowExA(exStyle, className, text, style, bounds.left, bounds.top,
                                   bounds.right - bounds.left, bounds.bottom - bounds.top, handle,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!control) {
        throw std::runtime_error(std::string("Cannot create the control ") + className);
    }
    AdoptControl(control, bounds, anchors);
    return control;
}

void TMainForm::AdoptControl(HWND control, RECT design, unsigned anchors) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    anchored.push_back({control, design, anchors});
}

void TMainForm::AddHint(HWND control, const char* text) {
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE; // the size that every version of the common controls accepts
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = handle;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(hints, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// Later controls lie under earlier ones: the help pane comes first, over the result pane and the
// catalog list, and the check boxes before the group box around them.
void TMainForm::CreateControls() {
    font = MakeFont(-11, FW_NORMAL);
    labelFont = MakeFont(-16, FW_BOLD);
    labelBrush = TBrushHandle(CreateSolidBrush(kLabelBack));
    richEdit = TLibraryHandle(LoadLibraryA("riched20.dll"));
    hints = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle, nullptr,
                            instance, nullptr);
    SendMessageA(hints, TTM_SETMAXTIPWIDTH, 0, 400); // lets the hints break at their line ends

    reHelp = AddControl(RICHEDIT_CLASSA, "",
                        WS_CHILD | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS | ES_MULTILINE | ES_READONLY |
                            ES_AUTOVSCROLL | ES_DISABLENOSCROLL,
                        WS_EX_CLIENTEDGE, kIdHelpPane, Bounds(1, 104, 769, 389), kAnchorAll);
    for (const ModifierBox& box : kModifierBoxes) {
        HWND check = AddControl("BUTTON", box.caption, kCheckStyle, 0, box.id,
                                Bounds(kModifiersLeft + box.left, kModifiersTop + 14, box.width, 17),
                                kAnchorTop | kAnchorRight);
        SendMessageA(check, BM_SETCHECK, box.ticked ? BST_CHECKED : BST_UNCHECKED, 0);
        if (box.hint) {
            AddHint(check, box.hint);
        }
    }
    HWND modifiers =
        AddControl("BUTTON", " Global modifiers ", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0,
                   kIdModifiers, Bounds(kModifiersLeft, kModifiersTop, 311, 36), kAnchorTop | kAnchorRight);
    SetWindowSubclass(modifiers, GroupBoxProc, 0, 0);

    constexpr DWORD labelStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT | SS_NOPREFIX;
    label1 =
        AddControl("STATIC", " Search In:", labelStyle, 0, kIdLabel1, Bounds(1, 10, 139, 22), kAnchorDefault);
    const std::string searchFor = " Search For:" + std::string(51, ' ') + "(you may use regular expressions)";
    label2 = AddControl("STATIC", searchFor.c_str(), labelStyle, 0, kIdLabel2, Bounds(145, 10, 629, 22),
                        kAnchorLeft | kAnchorTop | kAnchorRight);
    SendMessageA(label1, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont.Get()), FALSE);
    SendMessageA(label2, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont.Get()), FALSE);

    cbPreset = std::make_unique<TComboBox>(handle, kIdPreset, Bounds(5, 40, 134, 21), kComboListHeight);
    AdoptControl(cbPreset->Handle(), Bounds(5, 40, 134, kComboListHeight), kAnchorDefault);
    AddControl("BUTTON", "Clear", kButtonStyle, 0, kIdClear, Bounds(144, 38, 65, 25), kAnchorDefault);
    AddControl("BUTTON", "Search", kButtonStyle, 0, kIdSearch, Bounds(216, 38, 57, 25), kAnchorDefault);
    edSearchFor =
        std::make_unique<TComboBox>(handle, kIdSearchFor, Bounds(280, 40, 489, 21), kComboListHeight);
    AdoptControl(edSearchFor->Handle(), Bounds(280, 40, 489, kComboListHeight),
                 kAnchorLeft | kAnchorTop | kAnchorRight);
    AddControl("BUTTON", "Del", kButtonStyle, 0, kIdPresetDelete, Bounds(6, 64, 51, 22), kAnchorDefault);
    AddControl("BUTTON", "*", kButtonStyle, 0, kIdPresetAll, Bounds(64, 64, 17, 22), kAnchorDefault);
    AddControl("BUTTON", "Add", kButtonStyle, 0, kIdPresetAdd, Bounds(88, 64, 49, 22), kAnchorDefault);
    AddControl("BUTTON", "Create Catalog", kButtonStyle, 0, kIdCreateCatalog, Bounds(144, 72, 89, 25),
               kAnchorDefault);
    AddControl("BUTTON", "Help", kButtonStyle, 0, kIdHelp, Bounds(390, 66, 65, 29),
               kAnchorTop | kAnchorRight);

    lbSearchIn = std::make_unique<TCheckList>(handle, kIdSearchIn, Bounds(4, 88, 135, 405));
    AdoptControl(lbSearchIn->Handle(), Bounds(4, 88, 135, 405), kAnchorLeft | kAnchorTop | kAnchorBottom);
    SendMessageA(lbSearchIn->Handle(), LB_SETITEMHEIGHT, 0, TCheckList::kItemHeight);
    memSearchResult = std::make_unique<TResultView>(handle, kIdSearchResult, Bounds(144, 104, 625, 389));
    AdoptControl(memSearchResult->Handle(), Bounds(144, 104, 625, 389), kAnchorAll);

    tabOrder = {memSearchResult->Handle(), lbSearchIn->Handle(), cbPreset->Handle(), edSearchFor->Handle(),
                reHelp};

    popTrayIcon = TMenuHandle(CreatePopupMenu());
    AppendMenuA(popTrayIcon.Get(), MF_STRING, kIdOpen, "Open");
    AppendMenuA(popTrayIcon.Get(), MF_STRING, kIdRefreshList, "Refresh list");
    AppendMenuA(popTrayIcon.Get(), MF_SEPARATOR | MF_GRAYED, 0, nullptr);
    AppendMenuA(popTrayIcon.Get(), MF_STRING, kIdCreateCatalogMenu, "Create Catalog ");
    AppendMenuA(popTrayIcon.Get(), MF_SEPARATOR | MF_GRAYED, 0, nullptr);
    AppendMenuA(popTrayIcon.Get(), MF_STRING, kIdClose, "Close");

    popListCatalog = TMenuHandle(CreatePopupMenu());
    AppendMenuA(popListCatalog.Get(), MF_STRING, kIdUpdateCatalog, "Update catalog");
    AppendMenuA(popListCatalog.Get(), MF_SEPARATOR | MF_GRAYED, 0, nullptr);
    AppendMenuA(popListCatalog.Get(), MF_STRING, kIdListCatalog, "List");
    AppendMenuA(popListCatalog.Get(), MF_SEPARATOR | MF_GRAYED, 0, nullptr);
    AppendMenuA(popListCatalog.Get(), MF_STRING, kIdCompressCatalog, "Compress catalog");
    AppendMenuA(popListCatalog.Get(), MF_STRING, kIdDecompressCatalog, "Decompress catalog");
}

void TMainForm::LayOut(int clientWidth, int clientHeight) {
    const int growX = clientWidth - kDesignWidth;
    const int growY = clientHeight - kDesignHeight;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(anchored.size()));
    for (const Anchored& item : anchored) {
        RECT r = item.design;
        if (item.anchors & kAnchorRight) {
            r.right += growX;
            if (!(item.anchors & kAnchorLeft)) {
                r.left += growX;
            }
        }
        if (item.anchors & kAnchorBottom) {
            r.bottom += growY;
            if (!(item.anchors & kAnchorTop)) {
                r.top += growY;
            }
        }
        if (batch) {
            batch = DeferWindowPos(batch, item.control, nullptr, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (batch) {
        EndDeferWindowPos(batch);
    }
}

void TMainForm::MoveFocus(bool backwards) {
    const HWND focus = GetFocus();
    const int count = static_cast<int>(tabOrder.size());
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (tabOrder[i] == focus || IsChild(tabOrder[i], focus)) {
            current = i;
        }
    }
    for (int step = 1; step <= count; ++step) {
        const int start = current < 0 ? (backwards ? count : -1) : current;
        const int next = ((start + (backwards ? -step : step)) % count + count) % count;
        const HWND control = tabOrder[next];
        if ((GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE) && IsWindowEnabled(control)) {
            SetFocus(control);
            return;
        }
    }
}

void TMainForm::FormCreate() {
    RegisterHotKey(handle, kHotKeyId, MOD_CONTROL | MOD_ALT, 'S'); // taken elsewhere: no hot key
    lbSearchIn->Clear();
    const platform::TIniProfile settings = ReadSettingsFile(SettingsFilePath());
    listPath = ReadListPath(settings);
    ForceFolder(listPath);
    edSearchFor->Clear();
    for (const std::string& expression : ReadSearchHistory(settings)) {
        edSearchFor->Add(expression);
    }
    LoadPresets(settings);
    RefreshCatalogList();
    cbPreset->SetText("");
    edSearchFor->SetText("");
    memSearchResult->Clear();
    created = true;
}

void TMainForm::FormDestroy() {
    UnregisterHotKey(handle, kHotKeyId);
    if (!created) {
        return; // a window that failed to come up has read nothing, and must not overwrite the file
    }
    platform::TIniProfile settings;
    WriteListPath(settings, listPath);
    StorePresets(settings);
    WriteSearchHistory(settings, edSearchFor->Items());
    WriteSettingsFile(SettingsFilePath(), settings);
}

bool TMainForm::FormCloseQuery() {
    if (!quitting) {
        HideToTray();
    }
    return quitting;
}

void TMainForm::FormKeyUp(WPARAM key) {
    if (key != VK_ESCAPE) {
        return;
    }
    if (searching) {
        searching = false;
    } else {
        HideToTray();
    }
}

LRESULT TMainForm::OnHotKey(WPARAM id) {
    if (id != kHotKeyId) {
        return 0;
    }
    if (!IsWindowVisible(handle)) {
        Open1Click();
    }
    SetForegroundWindow(handle);
    return 0;
}

LRESULT TMainForm::OnEndSession() {
    quitting = true;
    return TRUE;
}

void TMainForm::Open1Click() {
    AnimateTrayZoom(handle, false);
    ShowWindow(handle, SW_SHOW);
    if (IsIconic(handle)) {
        ShowWindow(handle, SW_RESTORE);
    }
    SetForegroundWindow(handle);
}

void TMainForm::HideToTray() {
    ShowWindow(handle, SW_HIDE);
    AnimateTrayZoom(handle, true);
}

// Posted, not sent: the tray menu that calls this must return before its window goes.
void TMainForm::Close1Click() {
    quitting = true;
    PostMessageA(handle, WM_CLOSE, 0, 0);
}

void TMainForm::Refreshlist1Click() {
    RefreshCatalogList();
}

void TMainForm::MiroTrayIcon1DblClick() {
    if (IsWindowVisible(handle)) {
        HideToTray();
    } else {
        Open1Click();
    }
}

void TMainForm::SpeedButton4Click() {
    if (!helpLoaded) {
        SetWindowTextA(reHelp, "");
        const std::string_view document = HelpDocument(instance);
        StreamSource source = {document.data(), document.size()};
        EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadStreamSource};
        SendMessageA(reHelp, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
        helpLoaded = true;
    }
    const bool shown = (GetWindowLongPtrA(reHelp, GWL_STYLE) & WS_VISIBLE) != 0;
    ShowWindow(reHelp, shown ? SW_HIDE : SW_SHOW);
}

void TMainForm::sbClearClick() {
    memSearchResult->Clear();
}

bool TMainForm::RefreshCatalogList() {
    lbSearchIn->Clear();
    const std::vector<std::string> names = ListCatalogNames(listPath);
    for (const std::string& name : names) {
        lbSearchIn->Add(name);
    }
    return !names.empty();
}
