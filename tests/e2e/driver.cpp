// Drives a running mirolan.exe through window messages, one step per call, and checks what the step
// should have done. Prints one line per failed check and exits with 1 when any check failed.
//
//   driver hidden                    the window exists and is hidden, and holds the hot key Ctrl+Alt+S
//   driver hot-key-free              no program holds Ctrl+Alt+S (any more)
//   driver show                      a hot key of another id leaves it hidden, hot key 1 shows it
//   driver layout                    every control at its place, with its caption and initial state
//   driver catalogs NAME...          the catalog list holds exactly these names, unticked
//   driver refresh NAME...           a ticked catalog, then "Refresh list": exactly these names, unticked
//   driver history EXPRESSION...     the search box's items are exactly these, its text empty
//   driver history-now EXPRESSION... the search box's items are exactly these
//   driver anchors                   a larger window moves and stretches the anchored controls
//   driver tab                       Tab moves the focus through the controls in tab order
//   driver help                      "Help" three times: shown, hidden, shown, loaded once
//   driver close                     a close request hides the window; the window stays
//   driver escape                    Esc hides the window
//   driver menu-open                 the tray menu's "Open" shows the window
//   driver tray-double-click         a double click on the tray icon shows a hidden window and hides a
//                                    shown one
//   driver end-session               the end-of-session query is agreed to, and a close then ends it
//   driver client-area               prints the client area on the screen as WxH+X+Y, for a screenshot
//   driver menu-close                the tray menu's "Close" ends the program
//   driver tick NAME...              selects catalogs and presses the space bar until exactly these are
//   ticked driver list-order NAME...        prints the names in the catalog list's order, one a line driver
//   search HOW EXPR FILE      types EXPR, starts the search by HOW (enter, button) and waits for
//                                    its end: the pane holds FILE's text, captions are back to idle
//   driver stop HOW EXPR LINES       starts a search of EXPR, stops it by HOW (button, escape, refresh)
//                                    once lines show: the run ends at once with fewer than LINES lines
//   driver stop-runaway EXPR         starts a search that sticks in one long match; STOP ends it at once
//   driver time-search EXPR FILE     ticks every catalog, searches EXPR and prints how long the pane took
//                                    to fill and how often it redrew meanwhile; the pane must hold FILE
//   driver locked-catalog FILE EXPR LINES  FILE held open by another process: the search ends in the
//                                    error box naming it, the lines before it stay (LINES 1: there are
//                                    some), the captions are idle
//   driver preset-add NAME CATALOG...  ticks exactly these catalogs as a user does, types NAME into the
//                                    preset box and presses "Add": the box lists NAME, none selected
//   driver preset-pick NAME CATALOG... unticks all, picks NAME from the box's list: exactly these ticked
//   driver preset-type TEXT NAME CATALOG...  unticks all, types TEXT: it completes to the preset NAME,
//                                    which is selected and ticks exactly these catalogs
//   driver preset-del NAME ITEM...   the box lists exactly ITEM... in order; "Del" does nothing before
//                                    a pick; NAME picked, "Del" leaves the others in order
//   driver toggle-all                "*" with the first catalog ticked unticks all, with it unticked
//                                    ticks all
//   driver act TOKEN...              drives catalog creation and the catalog list's menu through the
//                                    program's own dialogs, one token after the other:
//     create, create-tray            tick the first catalog, then "Create Catalog" (button, tray menu);
//                                    the window hides
//     browse=PATH, browse-cancel     select PATH in the folder browser and press OK, or Cancel
//     browse-keep                    OK on the folder the browser opened with
//     name=TEXT                      type TEXT into the name prompt and press Enter
//     name-empty, name-cancel        OK on an empty name; Esc
//     yes, no, cancel                answer the overwrite question
//     refreshed, not-refreshed       the catalog list was refreshed (no tick left), or the tick stayed
//     menu=NAME, menu-below, menu-key   open the catalog list's menu by a right click on NAME (which
//                                    becomes current), below the last item, or from the keyboard
//     states=FILE:UPDATE,LIST,COMPRESS,DECOMPRESS   the menu of the catalog FILE ("catalogs\NAME")
//                                    offers each command (1) or greys it (0)
//     choose=COMMAND                 update, list, compress, decompress by the keyboard; none: Esc
//     current=NAME                   the current catalog
//     lock=FILE                      hold FILE open exclusively until the step ends
//     error=TEXT                     the error box shows a text that begins with TEXT; OK closes it
//   after the last token no dialog of the program may be left open.
//   driver pane FILE                 the result pane shows exactly the text of FILE
//   driver ticked NAME...            exactly these catalogs are ticked
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/result_view.h"

namespace {

int failures = 0;

void Fail(const std::string& what) {
    std::printf("FAILED: %s\n", what.c_str());
    ++failures;
}

void Check(bool condition, const std::string& what) {
    if (!condition) {
        Fail(what);
    }
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

// From the code page that the arguments come in.
std::wstring Wide(const std::string& text, UINT codePage = CP_ACP) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(
        static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                     wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

template <typename Condition> bool WaitFor(Condition condition, int milliseconds = 10000) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) {
            return true;
        }
        Sleep(50);
    }
    return condition();
}

HWND FindForm() {
    HWND form = nullptr;
    WaitFor([&] { return (form = FindWindowW(L"TMainForm", nullptr)) != nullptr; }, 20000);
    return form;
}

// Sent, not GetWindowTextW: that reads no control text of another process.
std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

// The wide messages: the narrow ones come back cut across processes under Wine.
std::vector<std::wstring> Items(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage) {
    std::vector<std::wstring> items;
    const auto count = static_cast<int>(SendMessageW(control, countMessage, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(control, lengthMessage, i, 0);
        std::wstring item(length < 0 ? 0 : static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT copied =
            item.empty() ? -1 : SendMessageW(control, textMessage, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
        items.push_back(item);
    }
    return items;
}

RECT ClientBounds(HWND form, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
           "x" + std::to_string(r.bottom - r.top);
}

struct Expected {
    int id;
    const wchar_t* caption; // null: not checked
    int left, top, width, height;
    bool visible;
};

void CheckLayout(HWND form) {
    RECT client;
    GetClientRect(form, &client);
    Check(client.right == 775 && client.bottom == 501, "client area 775x501, is " + Describe(client));
    const std::wstring caption = WindowText(form);
    Check(caption.rfind(L"Mirolan", 0) == 0 && caption.size() > 7, "caption \"Mirolan\" and a credit");

    const std::wstring searchFor =
        L" Search For:" + std::wstring(51, L' ') + L"(you may use regular expressions)";
    const Expected controls[] = {
        {kIdLabel1, L" Search In:", 1, 10, 139, 22, true},
        {kIdLabel2, searchFor.c_str(), 145, 10, 629, 22, true},
        {kIdPreset, L"", 5, 40, 134, 21, true},
        {kIdClear, L"Clear", 144, 38, 65, 25, true},
        {kIdSearch, L"Search", 216, 38, 57, 25, true},
        {kIdSearchFor, L"", 280, 40, 489, 21, true},
        {kIdPresetDelete, L"Del", 6, 64, 51, 22, true},
        {kIdPresetAll, L"*", 64, 64, 17, 22, true},
        {kIdPresetAdd, L"Add", 88, 64, 49, 22, true},
        {kIdCreateCatalog, L"Create Catalog", 144, 72, 89, 25, true},
        {kIdHelp, L"Help", 390, 66, 65, 29, true},
        {kIdModifiers, L" Global modifiers ", 459, 61, 311, 36, true},
        {kIdModifierI, L"/i", 459 + 8, 61 + 14, 31, 17, true},
        {kIdModifierM, L"/m", 459 + 40, 61 + 14, 38, 17, true},
        {kIdModifierS, L"/s", 459 + 80, 61 + 14, 35, 17, true},
        {kIdModifierX, L"/x", 459 + 114, 61 + 14, 32, 17, true},
        {kIdModifierG, L"Greedy", 459 + 149, 61 + 14, 56, 17, true},
        {kIdModifierR, L"Russian ranges", 459 + 208, 61 + 14, 97, 17, true},
        {kIdSearchIn, nullptr, 4, 88, 135, 405, true},
        {kIdSearchResult, L"", 144, 104, 625, 389, true},
        {kIdHelpPane, nullptr, 1, 104, 769, 389, false},
    };
    for (const Expected& e : controls) {
        HWND control = GetDlgItem(form, e.id);
        const std::string name = "control " + std::to_string(e.id);
        if (!control) {
            Fail(name + " is missing");
            continue;
        }
        const RECT r = ClientBounds(form, control);
        const RECT want = {e.left, e.top, e.left + e.width, e.top + e.height};
        Check(EqualRect(&r, &want) != FALSE, name + " at " + Describe(want) + ", is at " + Describe(r));
        if (e.caption) {
            Check(WindowText(control) == e.caption, name + " caption \"" + Narrow(e.caption) + "\", is \"" +
                                                        Narrow(WindowText(control)) + "\"");
        }
        Check(IsWindowVisible(control) == (e.visible ? TRUE : FALSE),
              name + (e.visible ? " visible" : " hidden"));
    }
    const std::pair<int, bool> ticks[] = {{kIdModifierI, true},  {kIdModifierM, true}, {kIdModifierS, false},
                                          {kIdModifierX, false}, {kIdModifierG, true}, {kIdModifierR, true}};
    for (const auto& [id, ticked] : ticks) {
        const bool checked = SendMessageW(GetDlgItem(form, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
        Check(checked == ticked, "modifier " + std::to_string(id) + (ticked ? " ticked" : " not ticked"));
    }
    Check(SendMessageW(GetDlgItem(form, kIdSearchIn), LB_GETITEMHEIGHT, 0, 0) == 13,
          "catalog item height 13");
}

void CheckItems(const std::vector<std::wstring>& items, char** names, int count, const std::string& what) {
    std::multiset<std::wstring> got(items.begin(), items.end());
    std::multiset<std::wstring> want;
    for (int i = 0; i < count; ++i) {
        want.insert(Wide(names[i]));
    }
    std::string listed;
    for (const std::wstring& item : items) {
        listed += " \"" + Narrow(item) + "\"";
    }
    Check(got == want, what + " holds" + listed);
}

void Resize(HWND form, int clientWidth, int clientHeight) {
    RECT outer, client;
    GetWindowRect(form, &outer);
    GetClientRect(form, &client);
    const int width = outer.right - outer.left + clientWidth - client.right;
    const int height = outer.bottom - outer.top + clientHeight - client.bottom;
    SetWindowPos(form, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    WaitFor([&] {
        GetClientRect(form, &client);
        return client.right == clientWidth && client.bottom == clientHeight;
    });
}

void CheckAnchors(HWND form) {
    Resize(form, 875, 551);
    const Expected moved[] = {
        {kIdLabel1, nullptr, 1, 10, 139, 22, true},      {kIdLabel2, nullptr, 145, 10, 729, 22, true},
        {kIdSearchFor, nullptr, 280, 40, 589, 21, true}, {kIdHelp, nullptr, 490, 66, 65, 29, true},
        {kIdModifiers, nullptr, 559, 61, 311, 36, true}, {kIdModifierR, nullptr, 767, 75, 97, 17, true},
        {kIdSearchIn, nullptr, 4, 88, 135, 455, true},   {kIdSearchResult, nullptr, 144, 104, 725, 439, true},
        {kIdHelpPane, nullptr, 1, 104, 869, 439, false}, {kIdCreateCatalog, nullptr, 144, 72, 89, 25, true},
    };
    for (const Expected& e : moved) {
        const RECT r = ClientBounds(form, GetDlgItem(form, e.id));
        const RECT want = {e.left, e.top, e.left + e.width, e.top + e.height};
        Check(EqualRect(&r, &want) != FALSE, "resized: control " + std::to_string(e.id) + " at " +
                                                 Describe(want) + ", is at " + Describe(r));
    }
    Resize(form, 775, 501);
    const RECT r = ClientBounds(form, GetDlgItem(form, kIdSearchResult));
    const RECT want = {144, 104, 144 + 625, 104 + 389};
    Check(EqualRect(&r, &want) != FALSE, "back to size: result pane at " + Describe(r));
}

HWND FocusOf(HWND form) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
    return info.hwndFocus;
}

// The control that holds the focus: a drop-down box for the edit inside it.
int FocusedId(HWND form) {
    HWND focus = FocusOf(form);
    if (focus && GetParent(focus) != form) {
        focus = GetParent(focus);
    }
    return focus ? GetDlgCtrlID(focus) : 0;
}

void CheckTabOrder(HWND form) {
    const int order[] = {kIdSearchResult, kIdSearchIn, kIdPreset, kIdSearchFor}; // the help pane is hidden
    int at = -1;
    for (int press = 0; press < 6; ++press) {
        HWND target = FocusOf(form);
        PostMessageW(target ? target : form, WM_KEYDOWN, VK_TAB, 0x000F0001);
        const int before = FocusedId(form);
        WaitFor([&] { return FocusedId(form) != before; }, 2000);
        const int id = FocusedId(form);
        if (at < 0) {
            for (int i = 0; i < 4; ++i) {
                at = order[i] == id ? i : at;
            }
            Check(at >= 0, "Tab focuses a control of the tab order, focuses " + std::to_string(id));
            if (at < 0) {
                return;
            }
        } else {
            at = (at + 1) % 4;
            Check(id == order[at],
                  "Tab focuses control " + std::to_string(order[at]) + ", focuses " + std::to_string(id));
        }
    }
}

BOOL CALLBACK CountHints(HWND window, LPARAM count) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wcscmp(name, L"tooltips_class32") == 0) {
        *reinterpret_cast<LRESULT*>(count) += SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0);
    }
    return TRUE;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// What the layout does not show: the kinds of the panes, their limits and the hints.
void CheckControlKinds(HWND form) {
    HWND result = GetDlgItem(form, kIdSearchResult);
    const auto resultStyle = static_cast<DWORD>(GetWindowLongPtrW(result, GWL_STYLE));
    Check(ClassOf(result) == L"MirolanResultView", "result pane: the program's own result view");
    Check((resultStyle & (WS_HSCROLL | WS_VSCROLL)) == (WS_HSCROLL | WS_VSCROLL),
          "result pane: both scroll bars");
    HWND help = GetDlgItem(form, kIdHelpPane);
    const auto helpStyle = static_cast<DWORD>(GetWindowLongPtrW(help, GWL_STYLE));
    Check(ClassOf(help) == L"RichEdit20A", "help pane: a rich-edit control");
    Check((helpStyle & (ES_READONLY | WS_VSCROLL | ES_DISABLENOSCROLL)) ==
              (ES_READONLY | WS_VSCROLL | ES_DISABLENOSCROLL),
          "help pane: read-only, vertical scroll bar always shown");
    HWND list = GetDlgItem(form, kIdSearchIn);
    const auto listStyle = static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE));
    Check((listStyle & (LBS_OWNERDRAWFIXED | LBS_HASSTRINGS)) == (LBS_OWNERDRAWFIXED | LBS_HASSTRINGS),
          "catalog list: owner-drawn, keeping its texts");
    LRESULT hints = 0;
    EnumThreadWindows(GetWindowThreadProcessId(form, nullptr), CountHints, reinterpret_cast<LPARAM>(&hints));
    Check(hints == 5, "five modifier boxes carry hints, " + std::to_string(hints) + " do");
}

void DoubleClickTrayIcon(HWND form) {
    HWND tray = nullptr;
    WaitFor([&] {
        for (HWND w = FindWindowExW(nullptr, nullptr, L"MirolanTrayWindow", nullptr); w;
             w = FindWindowExW(nullptr, w, L"MirolanTrayWindow", nullptr)) {
            if (GetWindowThreadProcessId(w, nullptr) == GetWindowThreadProcessId(form, nullptr)) {
                tray = w;
            }
        }
        return tray != nullptr;
    });
    if (!tray) {
        Fail("no tray icon window in the program");
        return;
    }
    const bool wasVisible = IsWindowVisible(form) != FALSE;
    for (const UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        PostMessageW(tray, 0xB054, 0, mouse);
    }
    Check(WaitFor([&] { return (IsWindowVisible(form) != FALSE) != wasVisible; }),
          wasVisible ? "a double click on the tray icon hides the window"
                     : "a double click on the tray icon shows the window");
}

void CheckHelp(HWND form) {
    HWND pane = GetDlgItem(form, kIdHelpPane);
    const WPARAM click = MAKEWPARAM(kIdHelp, BN_CLICKED);
    HWND button = GetDlgItem(form, kIdHelp);
    SendMessageW(form, WM_COMMAND, click, reinterpret_cast<LPARAM>(button));
    Check(IsWindowVisible(pane) != FALSE, "first Help shows the help pane");
    const std::wstring loaded = WindowText(pane);
    Check(loaded.find(L"Mirolan") != std::wstring::npos, "the help pane holds the document");
    Check(loaded.find(L"\x0421\x0438\x043D\x0442\x0430\x043A\x0441\x0438\x0441") != std::wstring::npos,
          "the document reads in Russian (\"Синтаксис\")");
    SendMessageW(form, WM_COMMAND, click, reinterpret_cast<LPARAM>(button));
    Check(IsWindowVisible(pane) == FALSE, "second Help hides the help pane");
    SendMessageW(form, WM_COMMAND, click, reinterpret_cast<LPARAM>(button));
    Check(IsWindowVisible(pane) != FALSE, "third Help shows the help pane again");
    Check(WindowText(pane) == loaded, "the document is loaded once, not appended");
}

std::vector<std::wstring> Catalogs(HWND list) {
    return Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::wstring> Presets(HWND box) {
    return Items(box, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

bool Ticked(HWND list, int index) {
    return SendMessageW(list, LB_GETITEMDATA, index, 0) != 0;
}

// As a user does it: the item is selected, then the space bar pressed and released.
void ToggleCatalog(HWND list, int index) {
    const bool before = Ticked(list, index);
    PostMessageW(list, LB_SETCURSEL, index, 0);
    PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(list, WM_KEYUP, VK_SPACE, 0xC0390001);
    Check(WaitFor([&] { return Ticked(list, index) != before; }, 5000),
          "the space bar toggles catalog " + std::to_string(index));
}

// Exactly the named catalogs ticked; the ticks of the others are checked to be clear.
void CheckTicks(HWND list, char** names, int count, const std::string& what) {
    const std::vector<std::wstring> catalogs = Catalogs(list);
    std::set<std::wstring> wanted;
    for (int i = 0; i < count; ++i) {
        wanted.insert(Wide(names[i]));
    }
    std::string ticked;
    bool same = true;
    for (std::size_t i = 0; i < catalogs.size(); ++i) {
        const bool on = Ticked(list, static_cast<int>(i));
        ticked += on ? " \"" + Narrow(catalogs[i]) + "\"" : "";
        same = same && on == (wanted.count(catalogs[i]) > 0);
        wanted.erase(catalogs[i]);
    }
    Check(same && wanted.empty(), what + ": ticked are" + ticked);
}

// Toggles the catalogs whose tick differs, so that exactly the named ones are ticked.
void TickCatalogs(HWND list, char** names, int count) {
    const std::vector<std::wstring> catalogs = Catalogs(list);
    std::set<std::wstring> wanted;
    for (int i = 0; i < count; ++i) {
        wanted.insert(Wide(names[i]));
        Check(std::find(catalogs.begin(), catalogs.end(), Wide(names[i])) != catalogs.end(),
              std::string("the catalog list holds ") + names[i]);
    }
    for (std::size_t i = 0; i < catalogs.size(); ++i) {
        if (Ticked(list, static_cast<int>(i)) != (wanted.count(catalogs[i]) > 0)) {
            ToggleCatalog(list, static_cast<int>(i));
        }
    }
    CheckTicks(list, names, count, "after ticking");
}

// Over whatever the box holds, as after selecting its whole text: the first character replaces it.
void TypeInto(HWND box, const std::wstring& text) {
    HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
    if (!edit) {
        Fail("the preset box has no edit field");
        return;
    }
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (const wchar_t c : text) {
        PostMessageW(edit, WM_CHAR, c, 1);
    }
    Check(WaitFor([&] { return LOWORD(SendMessageW(box, CB_GETEDITSEL, 0, 0)) == text.size(); }, 5000),
          "typed \"" + Narrow(text) + "\", the box holds \"" + Narrow(WindowText(box)) + "\"");
}

void Click(HWND form, int id) {
    SendMessageW(GetDlgItem(form, id), BM_CLICK, 0, 0);
}

int Selected(HWND box) {
    return static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
}

// As the box's list does when the user picks an item: the selection, then its notification.
void PickPreset(HWND form, HWND box, const std::wstring& name) {
    const std::vector<std::wstring> presets = Presets(box);
    const auto found = std::find(presets.begin(), presets.end(), name);
    if (found == presets.end()) {
        Fail("the preset box lists " + Narrow(name));
        return;
    }
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(found - presets.begin()), 0);
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(kIdPreset, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

std::string Listed(const std::vector<std::wstring>& items) {
    std::string listed;
    for (const std::wstring& item : items) {
        listed += " \"" + Narrow(item) + "\"";
    }
    return listed;
}

void AddPreset(HWND form, char** args, int count) {
    HWND list = GetDlgItem(form, kIdSearchIn);
    HWND box = GetDlgItem(form, kIdPreset);
    const std::wstring name = Wide(args[0]);
    TickCatalogs(list, args + 1, count - 1);
    TypeInto(box, name);
    Click(form, kIdPresetAdd);
    const std::vector<std::wstring> presets = Presets(box);
    Check(std::find(presets.begin(), presets.end(), name) != presets.end(),
          "after \"Add\" the preset box lists the name, lists" + Listed(presets));
    Check(Selected(box) == CB_ERR, "after \"Add\" no preset is selected");
    Check(WindowText(box) == name, "after \"Add\" the box keeps the name");
    CheckTicks(list, args + 1, count - 1, "after \"Add\" the ticks stay");
}

void CheckDelete(HWND form, char** args, int count) {
    HWND box = GetDlgItem(form, kIdPreset);
    const std::wstring name = Wide(args[0]);
    std::vector<std::wstring> wanted;
    for (int i = 1; i < count; ++i) {
        wanted.push_back(Wide(args[i]));
    }
    Check(Presets(box) == wanted, "the preset box lists, in order," + Listed(Presets(box)));
    Click(form, kIdPresetDelete);
    Check(Presets(box) == wanted, "\"Del\" without a picked preset deletes nothing");
    PickPreset(form, box, name);
    Click(form, kIdPresetDelete);
    std::erase(wanted, name);
    Check(Presets(box) == wanted, "\"Del\" after the pick leaves" + Listed(Presets(box)));
    Check(Selected(box) == CB_ERR, "after \"Del\" no preset is selected");
}

void CheckToggleAll(HWND form) {
    HWND list = GetDlgItem(form, kIdSearchIn);
    const std::vector<std::wstring> catalogs = Catalogs(list);
    if (catalogs.size() < 2) {
        Fail("\"*\" needs two catalogs");
        return;
    }
    const auto all = [&](bool on) {
        for (std::size_t i = 0; i < catalogs.size(); ++i) {
            if (Ticked(list, static_cast<int>(i)) != on) {
                return false;
            }
        }
        return true;
    };
    if (!Ticked(list, 0)) {
        ToggleCatalog(list, 0);
    }
    Click(form, kIdPresetAll);
    Check(all(false), "\"*\" with the first catalog ticked unticks all");
    ToggleCatalog(list, 1);
    Click(form, kIdPresetAll);
    Check(all(true), "\"*\" with the first catalog unticked ticks all");
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
            bytes.append(block, got);
        }
        std::fclose(file);
    } else {
        Fail("cannot read " + path);
    }
    return bytes;
}

// The file's text as the pane shows it: its bytes in the ANSI code page.
std::wstring FileText(const std::string& path) {
    return Wide(ReadFileBytes(path));
}

bool Idle(HWND form) {
    return WindowText(form) == L"Mirolan" && WindowText(GetDlgItem(form, kIdSearch)) == L"Search";
}

// The caption is marked first: only the end of a run sets it to "Mirolan" again.
void StartSearch(HWND form, const std::string& how, const std::string& expression) {
    HWND box = GetDlgItem(form, kIdSearchFor);
    const std::wstring typed = Wide(expression);
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    SendMessageW(form, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"e2e: before the run"));
    if (how == "enter") {
        HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
    } else {
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(kIdSearch, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(form, kIdSearch)));
    }
}

std::size_t PaneLines(HWND form) {
    const std::wstring pane = WindowText(GetDlgItem(form, kIdSearchResult));
    std::size_t lines = 0;
    for (std::size_t at = pane.find(L"\r\n"); at != std::wstring::npos; at = pane.find(L"\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

void CheckSearch(HWND form, const std::string& how, const std::string& expression,
                 const std::string& expected) {
    StartSearch(form, how, expression);
    Check(WaitFor([&] { return Idle(form); }, 20000), "the run of \"" + expression + "\" ends");
    const std::wstring pane = WindowText(GetDlgItem(form, kIdSearchResult));
    const std::wstring wanted = FileText(expected);
    Check(pane == wanted, "the pane holds what mirolan-cli prints for \"" + expression +
                              "\": " + std::to_string(pane.size()) + " against " +
                              std::to_string(wanted.size()) + " characters:\n" + Narrow(pane.substr(0, 400)));
}

// Posted as the user's actions would come: the run processes them while it works.
void RequestStop(HWND form, const std::string& how) {
    if (how == "escape") {
        PostMessageW(form, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    } else if (how == "refresh") {
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(kIdRefreshList, 0), 0);
    } else {
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(kIdSearch, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(form, kIdSearch)));
    }
}

void CheckStopsAtOnce(HWND form, const std::string& what) {
    const ULONGLONG asked = GetTickCount64();
    const bool ended = WaitFor([&] { return Idle(form); }, 3000);
    Check(ended, what + ": the captions return to \"Search\" and \"Mirolan\" at once");
    std::printf("%s: ended %llu ms after the request\n", what.c_str(), GetTickCount64() - asked);
}

void CheckStop(HWND form, const std::string& how, const std::string& expression, std::size_t fullLines) {
    StartSearch(form, "button", expression);
    Check(WaitFor([&] { return WindowText(GetDlgItem(form, kIdSearch)) == L"STOP"; }, 5000),
          "the button reads \"STOP\" while the run goes on");
    Check(WaitFor([&] { return PaneLines(form) > 2; }, 5000), "lines show while the run goes on");
    RequestStop(form, how);
    CheckStopsAtOnce(form, "stop by " + how);
    const std::size_t shown = PaneLines(form);
    Check(shown < fullLines, "fewer lines than a whole run: " + std::to_string(shown));
    Sleep(300);
    Check(PaneLines(form) == shown, "no line follows the stop");
    Check(IsWindowVisible(form) != FALSE, "the window stays up");
    if (how == "refresh") {
        HWND list = GetDlgItem(form, kIdSearchIn);
        Check(WaitFor([&] { return SendMessageW(list, LB_GETITEMDATA, 0, 0) == 0; }, 3000) &&
                  Catalogs(GetDlgItem(form, kIdSearchIn)).size() > 1,
              "the list is refreshed once the run has ended");
    }
}

void CheckStopRunaway(HWND form, const std::string& expression) {
    StartSearch(form, "button", expression);
    Check(WaitFor([&] { return WindowText(form).find(L"run search in") != std::wstring::npos; }, 5000),
          "the runaway search runs");
    Sleep(700);
    Check(!Idle(form), "the runaway search is still running");
    RequestStop(form, "button");
    CheckStopsAtOnce(form, "stop inside one match");
}

void TimeSearch(HWND form, const std::string& expression, const std::string& expected) {
    HWND list = GetDlgItem(form, kIdSearchIn);
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        SendMessageW(list, LB_SETITEMDATA, i, 1);
    }
    HWND pane = GetDlgItem(form, kIdSearchResult);
    const LRESULT paintsBefore = SendMessageW(pane, TResultView::kGetPaintCount, 0, 0);
    const ULONGLONG start = GetTickCount64();
    StartSearch(form, "button", expression);
    Check(WaitFor([&] { return Idle(form); }, 600000), "the timed search ends");
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000;
    const LRESULT paints = SendMessageW(pane, TResultView::kGetPaintCount, 0, 0) - paintsBefore;
    const std::size_t wanted = ReadFileBytes(expected).size();
    const auto shown = static_cast<std::size_t>(SendMessageW(pane, WM_GETTEXTLENGTH, 0, 0));
    Check(shown == wanted, "the pane holds " + std::to_string(shown) + " bytes, the terminal printed " +
                               std::to_string(wanted));
    std::printf("filled in %.3f s, %ld paints (%.1f a second), %zu lines\n", seconds,
                static_cast<long>(paints), static_cast<double>(paints) / std::max(seconds, 0.001),
                PaneLines(form));
}

HWND FindErrorBox(HWND form) {
    struct Search {
        DWORD thread;
        HWND found;
    } search = {GetWindowThreadProcessId(form, nullptr), nullptr};
    EnumThreadWindows(
        search.thread,
        [](HWND window, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CheckLockedCatalog(HWND form, const std::string& file, const std::string& expression, bool linesBefore) {
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Check(held != INVALID_HANDLE_VALUE, "the driver holds " + file);
    StartSearch(form, "button", expression);
    HWND box = nullptr;
    Check(WaitFor([&] { return (box = FindErrorBox(form)) != nullptr; }, 10000), "an error box comes up");
    if (box) {
        const std::wstring message = WindowText(GetDlgItem(box, 0xFFFF));
        const std::size_t slash = file.find_last_of("\\/");
        const std::wstring name = Wide(file.substr(slash == std::string::npos ? 0 : slash + 1));
        Check(message.rfind(L"Cannot open file \"", 0) == 0 && message.find(name) != std::wstring::npos,
              "the box names the catalog: " + Narrow(message));
        Check(Idle(form), "the captions are idle under the error box");
        Check(linesBefore ? PaneLines(form) > 2 : PaneLines(form) == 0,
              linesBefore ? "the lines found before the error stay" : "no line comes before the error");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        Check(WaitFor([&] { return !IsWindow(box); }), "the error box closes");
    }
    CloseHandle(held);
}

struct FoundWindows {
    const wchar_t* className;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM found) {
    auto* into = reinterpret_cast<FoundWindows*>(found);
    if (IsWindowVisible(window) && ClassOf(window) == into->className) {
        into->windows.push_back(window);
    }
    return TRUE;
}

// The visible top-level windows of a class on the program's thread.
std::vector<HWND> ProgramWindows(HWND form, const wchar_t* className) {
    FoundWindows found{className, {}};
    EnumThreadWindows(GetWindowThreadProcessId(form, nullptr), CollectVisible,
                      reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

// "Файл каталога", "Введите имя файла для каталога", "Файл уже существует", "Такой файл уже есть.
// Переписать?"
const wchar_t kPromptCaption[] = L"\x0424\x0430\x0439\x043B \x043A\x0430\x0442\x0430\x043B\x043E\x0433\x0430";
const wchar_t kPromptText[] =
    L"\x0412\x0432\x0435\x0434\x0438\x0442\x0435 \x0438\x043C\x044F \x0444\x0430\x0439"
    L"\x043B\x0430 \x0434\x043B\x044F \x043A\x0430\x0442\x0430\x043B\x043E\x0433\x0430";
const wchar_t kQuestionCaption[] = L"\x0424\x0430\x0439\x043B \x0443\x0436\x0435 "
                                   L"\x0441\x0443\x0449\x0435\x0441\x0442\x0432\x0443\x0435\x0442";
const wchar_t kQuestionText[] = L"\x0422\x0430\x043A\x043E\x0439 \x0444\x0430\x0439\x043B \x0443\x0436\x0435 "
                                L"\x0435\x0441\x0442\x044C. \x041F\x0435\x0440\x0435\x043F\x0438\x0441\x0430"
                                L"\x0442\x044C?";
const wchar_t kBrowseTitle[] =
    L"\x0412\x044B\x0431\x043E\x0440 \x043F\x0430\x043F\x043A\x0438"; // "Выбор папки"
const wchar_t kErrorCaption[] = L"Mirolan - by the Mirolan authors";

enum class DialogKind { Browser, Prompt, Question, Error };

bool IsKind(HWND dialog, DialogKind kind) {
    switch (kind) {
    case DialogKind::Browser:
        return FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr) != nullptr;
    case DialogKind::Prompt:
        return WindowText(dialog) == kPromptCaption;
    case DialogKind::Question:
        return WindowText(dialog) == kQuestionCaption;
    case DialogKind::Error:
        return WindowText(dialog) == kErrorCaption;
    }
    return false;
}

HWND WaitForDialog(HWND form, DialogKind kind, int milliseconds = 10000) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND dialog : ProgramWindows(form, L"#32770")) {
                if (IsKind(dialog, kind)) {
                    found = dialog;
                }
            }
            return found != nullptr;
        },
        milliseconds);
    return found;
}

// The texts of a dialog's static controls, joined: a message box's text is one of them.
std::wstring StaticTexts(HWND dialog) {
    std::wstring texts;
    for (HWND child = FindWindowExW(dialog, nullptr, L"Static", nullptr); child;
         child = FindWindowExW(dialog, child, L"Static", nullptr)) {
        texts += WindowText(child) + L"\n";
    }
    return texts;
}

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PostKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

// Selects a folder as a user would: the path goes into the program's memory for BFFM_SETSELECTIONA.
bool SelectInBrowser(HWND browser, const std::string& path) {
    DWORD process = 0;
    GetWindowThreadProcessId(browser, &process);
    HANDLE program = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    if (!program) {
        return false;
    }
    void* remote = VirtualAllocEx(program, nullptr, path.size() + 1, MEM_COMMIT, PAGE_READWRITE);
    const bool written =
        remote && WriteProcessMemory(program, remote, path.c_str(), path.size() + 1, nullptr);
    if (written) {
        SendMessageW(browser, WM_USER + 102, TRUE, reinterpret_cast<LPARAM>(remote)); // BFFM_SETSELECTIONA
    }
    if (remote) {
        VirtualFreeEx(program, remote, 0, MEM_RELEASE);
    }
    CloseHandle(program);
    return written;
}

int CatalogIndex(HWND list, const std::string& name) {
    const std::vector<std::wstring> items = Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == Wide(name)) {
            return static_cast<int>(i);
        }
    }
    Fail("no catalog " + name + " in the list");
    return -1;
}

void RightClick(HWND list, int x, int y) {
    PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    PostMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
}

// The catalog list's menu items in menu order, and the downward key presses that reach each.
const std::pair<const char*, int> kMenuCommands[] = {
    {"update", 1}, {"list", 2}, {"compress", 3}, {"decompress", 4}};

// Opens the catalog list's menu by a right click on the catalog `name` ("menu"), below the last item
// ("menu-below") or from the keyboard ("menu-key"); the menu's window, or null.
HWND OpenMenu(HWND form, const std::string& how, const std::string& name) {
    HWND list = GetDlgItem(form, kIdSearchIn);
    const auto top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    if (how == "menu") {
        RightClick(list, 40, (CatalogIndex(list, name) - top) * 13 + 6);
    } else if (how == "menu-below") {
        RightClick(list, 40, (count - top) * 13 + 20);
    } else {
        PostMessageW(form, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
    }
    HWND popup = nullptr;
    WaitFor([&] {
        const std::vector<HWND> menus = ProgramWindows(form, L"#32768");
        popup = menus.empty() ? nullptr : menus.front();
        return popup != nullptr;
    });
    Check(popup != nullptr, "the catalog list's menu opens");
    return popup;
}

// Chooses a command of the open menu with the keyboard, as a user would; "none" closes it with Esc.
void Choose(HWND popup, const std::string& command) {
    bool known = command == "none";
    for (const auto& [name, downs] : kMenuCommands) {
        if (command == name) {
            known = true;
            for (int i = 0; i < downs; ++i) {
                PostKey(popup, VK_DOWN);
            }
            PostKey(popup, VK_RETURN);
        }
    }
    Check(known, "known command " + command);
    if (command == "none" || !known) {
        PostKey(popup, VK_ESCAPE);
    }
    Check(WaitFor([&] { return IsWindowVisible(popup) == FALSE; }), "the menu closes");
}

HANDLE LockFile(const std::string& path) {
    const std::wstring wide = Wide(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "opening " + path + " exclusively");
    return file;
}

// Waits for the error box; checks that its text holds `text` and closes it. False when none came.
bool CloseErrorBox(HWND form, const std::string& text, int milliseconds) {
    HWND box = WaitForDialog(form, DialogKind::Error, milliseconds);
    if (!box) {
        return false;
    }
    const std::wstring said = StaticTexts(box);
    Check(said.find(Wide(text)) != std::wstring::npos,
          "the error box says \"" + text + "...\", says \"" + Narrow(said) + "\"");
    Press(box, IDOK);
    WaitFor([&] { return IsWindow(box) == FALSE; });
    return true;
}

// The menu's item states for the catalog file `path` ("catalogs\NAME"), seen as a user sees them: the
// file is held open exclusively once the menu is open, so an enabled command, which reads the file
// first, ends in the error box, and a greyed one does nothing. Item states cannot be read across
// processes under Wine.
void CheckMenuStates(HWND form, const std::string& path, const std::string& states) {
    const std::string name = path.substr(path.rfind('\\') + 1);
    for (std::size_t i = 0; i < 4; ++i) {
        HWND popup = OpenMenu(form, "menu", name);
        if (!popup) {
            return;
        }
        HANDLE file = LockFile(path);
        Choose(popup, kMenuCommands[i].first);
        const bool enabled = states[2 * i] == '1';
        const bool refused = CloseErrorBox(form, "Cannot open file \"", enabled ? 10000 : 500);
        Check(refused == enabled,
              name + ": \"" + kMenuCommands[i].first + "\" " + (enabled ? "enabled" : "greyed"));
        CloseHandle(file);
    }
}

void Act(HWND form, char** tokens, int count) {
    HWND list = GetDlgItem(form, kIdSearchIn);
    HWND popup = nullptr;
    std::vector<HANDLE> locks;
    for (int t = 0; t < count; ++t) {
        const std::string token = tokens[t];
        const std::size_t equals = token.find('=');
        const std::string verb = token.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : token.substr(equals + 1);
        if (verb == "create" || verb == "create-tray") {
            SendMessageW(list, LB_SETITEMDATA, 0, 1);
            if (verb == "create") {
                Press(form, kIdCreateCatalog);
            } else {
                PostMessageW(form, WM_COMMAND, MAKEWPARAM(kIdCreateCatalogMenu, 0), 0);
            }
            Check(WaitFor([&] { return IsWindowVisible(form) == FALSE; }), "creation hides the window");
        } else if (verb == "browse" || verb == "browse-keep" || verb == "browse-cancel") {
            HWND browser = WaitForDialog(form, DialogKind::Browser);
            if (!browser) {
                Fail("no folder browser");
                return;
            }
            Check(StaticTexts(browser).find(kBrowseTitle) != std::wstring::npos,
                  "the folder browser's title, says \"" + Narrow(StaticTexts(browser)) + "\"");
            if (verb == "browse") {
                // Once shown, the browser may still settle on its first folder; a selection made again a
                // moment later is the one that stays, as a user's would be.
                Check(SelectInBrowser(browser, value), "selecting " + value + " in the folder browser");
                Sleep(500);
                Check(SelectInBrowser(browser, value), "selecting " + value + " in the folder browser again");
            }
            Press(browser, verb == "browse-cancel" ? IDCANCEL : IDOK);
        } else if (verb == "name" || verb == "name-empty" || verb == "name-cancel") {
            HWND prompt = WaitForDialog(form, DialogKind::Prompt);
            if (!prompt) {
                Fail("no name prompt");
                return;
            }
            Check(StaticTexts(prompt).find(kPromptText) != std::wstring::npos,
                  "the prompt asks for the file name");
            HWND edit = FindWindowExW(prompt, nullptr, L"Edit", nullptr);
            Check(FocusOf(prompt) == edit, "the name prompt opens with the focus in its edit box");
            if (verb == "name") {
                const std::wstring text = Wide(value);
                SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
                PostKey(edit, VK_RETURN);
            } else if (verb == "name-empty") {
                Press(prompt, IDOK);
            } else {
                PostKey(edit, VK_ESCAPE);
            }
        } else if (verb == "yes" || verb == "no" || verb == "cancel") {
            HWND question = WaitForDialog(form, DialogKind::Question);
            if (!question) {
                Fail("no overwrite question");
                return;
            }
            Check(StaticTexts(question).find(kQuestionText) != std::wstring::npos,
                  "the overwrite question's text");
            Press(question, verb == "yes" ? IDYES : verb == "no" ? IDNO : IDCANCEL);
        } else if (verb == "refreshed") {
            Check(WaitFor([&] { return SendMessageW(list, LB_GETITEMDATA, 0, 0) == 0; }),
                  "the list is refreshed");
        } else if (verb == "not-refreshed") {
            Sleep(500);
            Check(SendMessageW(list, LB_GETITEMDATA, 0, 0) == 1, "the list is not refreshed");
        } else if (verb == "menu" || verb == "menu-below" || verb == "menu-key") {
            popup = OpenMenu(form, verb, value);
            if (!popup) {
                return;
            }
        } else if (verb == "states") {
            const std::size_t colon = value.rfind(':');
            CheckMenuStates(form, value.substr(0, colon), value.substr(colon + 1));
        } else if (verb == "choose") {
            Choose(popup, value);
        } else if (verb == "current") {
            Check(SendMessageW(list, LB_GETCURSEL, 0, 0) == CatalogIndex(list, value),
                  "current catalog " + value);
        } else if (verb == "lock") {
            locks.push_back(LockFile(value));
        } else if (verb == "error") {
            Check(CloseErrorBox(form, value, 10000), "the error box shows");
        } else {
            Fail("unknown token " + token);
            return;
        }
    }
    Sleep(300);
    for (const DialogKind kind :
         {DialogKind::Browser, DialogKind::Prompt, DialogKind::Question, DialogKind::Error}) {
        if (HWND left = WaitForDialog(form, kind, 0)) {
            Fail("a dialog is left open: \"" + Narrow(WindowText(left)) + "\"");
            PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
        }
    }
    for (HANDLE file : locks) {
        CloseHandle(file);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: driver STEP [ARGS]\n");
        return 2;
    }
    const std::string step = argv[1];
    if (step == "hot-key-free") {
        const bool registered = RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'S') != FALSE;
        Check(registered, "Ctrl+Alt+S is free");
        if (registered) {
            UnregisterHotKey(nullptr, 1);
        }
        return failures == 0 ? 0 : 1;
    }
    HWND form = FindForm();
    if (!form) {
        Fail("no window of class TMainForm");
        return 1;
    }
    if (step == "hidden") {
        Check(IsWindowVisible(form) == FALSE, "hidden at start");
        // The window is found as soon as it exists; its creation handler may still be running.
        const bool taken = WaitFor([] {
            if (RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'S')) {
                UnregisterHotKey(nullptr, 1);
                return false;
            }
            return true;
        });
        Check(taken, "the program holds Ctrl+Alt+S");
    } else if (step == "show") {
        PostMessageW(form, WM_HOTKEY, 2, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'S'));
        Sleep(500);
        Check(IsWindowVisible(form) == FALSE, "a hot key of another id leaves it hidden");
        PostMessageW(form, WM_HOTKEY, kHotKeyId, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'S'));
        Check(WaitFor([&] { return IsWindowVisible(form) != FALSE; }), "hot key 1 shows the window");
        PostMessageW(form, WM_HOTKEY, kHotKeyId, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'S'));
        Sleep(500);
        Check(IsWindowVisible(form) != FALSE, "hot key 1 never hides the window");
    } else if (step == "layout") {
        CheckLayout(form);
        CheckControlKinds(form);
    } else if (step == "catalogs" || step == "refresh") {
        HWND list = GetDlgItem(form, kIdSearchIn);
        if (step == "refresh") {
            SendMessageW(list, LB_SETITEMDATA, 0, 1);
            SendMessageW(list, LB_SETCURSEL, 0, 0);
            SendMessageW(form, WM_COMMAND, MAKEWPARAM(kIdRefreshList, 0), 0);
        }
        CheckItems(Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT), argv + 2, argc - 2,
                   "the catalog list");
        const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            Check(SendMessageW(list, LB_GETITEMDATA, i, 0) == 0,
                  "catalog " + std::to_string(i) + " unticked");
        }
        Check(SendMessageW(list, LB_GETCURSEL, 0, 0) == LB_ERR, "no current catalog");
    } else if (step == "history" || step == "history-now") {
        HWND box = GetDlgItem(form, kIdSearchFor);
        CheckItems(Items(box, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT), argv + 2, argc - 2,
                   "the search history");
        Check(step == "history-now" || WindowText(box).empty(), "the search box is empty at start");
    } else if (step == "anchors") {
        CheckAnchors(form);
    } else if (step == "tab") {
        CheckTabOrder(form);
    } else if (step == "help") {
        CheckHelp(form);
    } else if (step == "close") {
        PostMessageW(form, WM_CLOSE, 0, 0);
        Check(WaitFor([&] { return IsWindowVisible(form) == FALSE; }), "a close request hides the window");
        Sleep(500);
        Check(IsWindow(form) != FALSE, "the window stays after a close request");
    } else if (step == "escape") {
        PostMessageW(form, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        Check(WaitFor([&] { return IsWindowVisible(form) == FALSE; }), "Esc hides the window");
    } else if (step == "menu-open") {
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(kIdOpen, 0), 0);
        Check(WaitFor([&] { return IsWindowVisible(form) != FALSE; }), "\"Open\" shows the window");
    } else if (step == "tray-double-click") {
        DoubleClickTrayIcon(form);
    } else if (step == "end-session") {
        const bool wasVisible = IsWindowVisible(form) != FALSE;
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
        Check(answer == 1, "the end-of-session query is agreed to");
        Check((IsWindowVisible(form) != FALSE) == wasVisible, "the query neither shows nor hides the window");
        Check(IsWindow(form) != FALSE, "the query alone does not end the program");
        PostMessageW(form, WM_CLOSE, 0, 0);
        Check(WaitFor([&] { return IsWindow(form) == FALSE; }), "a close after the query ends the program");
    } else if (step == "client-area") {
        RECT client;
        GetClientRect(form, &client);
        MapWindowPoints(form, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
        std::printf("%ldx%ld+%ld+%ld\n", client.right - client.left, client.bottom - client.top, client.left,
                    client.top);
    } else if (step == "tick") {
        TickCatalogs(GetDlgItem(form, kIdSearchIn), argv + 2, argc - 2);
    } else if (step == "list-order") {
        for (const std::wstring& item : Catalogs(GetDlgItem(form, kIdSearchIn))) {
            for (int i = 2; i < argc; ++i) {
                if (Wide(argv[i]) == item) {
                    std::printf("%s\n", argv[i]);
                }
            }
        }
    } else if (step == "search" && argc == 5) {
        CheckSearch(form, argv[2], argv[3], argv[4]);
    } else if (step == "stop" && argc == 5) {
        CheckStop(form, argv[2], argv[3], static_cast<std::size_t>(std::atol(argv[4])));
    } else if (step == "stop-runaway" && argc == 3) {
        CheckStopRunaway(form, argv[2]);
    } else if (step == "time-search" && argc == 4) {
        TimeSearch(form, argv[2], argv[3]);
    } else if (step == "locked-catalog" && argc == 5) {
        CheckLockedCatalog(form, argv[2], argv[3], std::string(argv[4]) == "1");
    } else if (step == "menu-close") {
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(kIdClose, 0), 0);
        Check(WaitFor([&] { return IsWindow(form) == FALSE; }), "\"Close\" ends the program");
    } else if (step == "preset-add" && argc >= 3) {
        AddPreset(form, argv + 2, argc - 2);
    } else if (step == "preset-pick" && argc >= 3) {
        HWND list = GetDlgItem(form, kIdSearchIn);
        TickCatalogs(list, argv + 3, 0);
        PickPreset(form, GetDlgItem(form, kIdPreset), Wide(argv[2]));
        CheckTicks(list, argv + 3, argc - 3, "after picking the preset");
    } else if (step == "preset-type" && argc >= 4) {
        HWND list = GetDlgItem(form, kIdSearchIn);
        HWND box = GetDlgItem(form, kIdPreset);
        TickCatalogs(list, argv + 4, 0);
        TypeInto(box, Wide(argv[2]));
        const std::wstring name = Wide(argv[3]);
        Check(WindowText(box) == name,
              "the typed text completes to the preset, is \"" + Narrow(WindowText(box)) + "\"");
        const int selected = Selected(box);
        const std::vector<std::wstring> presets = Presets(box);
        Check(selected >= 0 && static_cast<std::size_t>(selected) < presets.size() &&
                  presets[static_cast<std::size_t>(selected)] == name,
              "the completion selects the preset");
        CheckTicks(list, argv + 4, argc - 4, "after the completion");
    } else if (step == "preset-del" && argc >= 3) {
        CheckDelete(form, argv + 2, argc - 2);
    } else if (step == "toggle-all") {
        CheckToggleAll(form);
    } else if (step == "act") {
        Act(form, argv + 2, argc - 2);
    } else if (step == "pane") {
        HWND pane = GetDlgItem(form, kIdSearchResult);
        const std::wstring want = FileText(argc > 2 ? argv[2] : "");
        Check(WaitFor([&] { return WindowText(pane) == want; }, 5000),
              "the result pane shows the file's text, shows \"" + Narrow(WindowText(pane)) + "\"");
    } else if (step == "ticked") {
        CheckTicks(GetDlgItem(form, kIdSearchIn), argv + 2, argc - 2, "the catalog list");
    } else {
        std::printf("unknown step %s\n", step.c_str());
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
