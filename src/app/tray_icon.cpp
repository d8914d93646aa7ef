#include "app/tray_icon.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "app/timer_thread.h"

namespace {

constexpr char kWindowClass[] = "MirolanTrayWindow";
constexpr std::size_t kTipLength = 63; // the tip field of the first record version, less its zero

// The shell broadcasts this when the taskbar has been created anew, after the shell restarted.
UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

TShiftState KeyShiftState() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= kShiftKey;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= kAltKey;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= kCtrlKey;
    }
    return shift;
}

// Dispatches what is waiting in this thread's queue; a quit request is put back for the main loop.
void ProcessPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Sets a flag for the lifetime of the scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag(flag) { flag = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag = false; }

private:
    bool& flag;
};

} // namespace

template <class Change> void TMiroTrayIcon::Locked(Change change) {
    Threads stopped; // destroyed, and so joined, after `held` has let the lock go
    std::lock_guard held(lock);
    const FlagScope changing(inChange);
    change();
    stopped.swap(stoppedThreads);
}

TMiroTrayIcon::TMiroTrayIcon(NotifyFunction notify) : notify(std::move(notify)) {
    static const ATOM windowClass = [] {
        WNDCLASSA description{};
        description.lpfnWndProc = TrayWndProc;
        description.hInstance = GetModuleHandleA(nullptr);
        description.lpszClassName = kWindowClass;
        return RegisterClassA(&description);
    }();
    if (windowClass == 0) {
        throw std::runtime_error("Cannot register the tray icon's window class");
    }
    // A hidden top-level window rather than a message-only one: only top-level windows hear that the
    // taskbar has been created anew.
    window.reset(CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr));
    if (!window) {
        throw std::runtime_error("Cannot create the tray icon's window");
    }
    SetWindowLongPtrA(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Names the icon already, so that the delete which precedes the first add is about this one.
    notifyRecord.cbSize = NOTIFYICONDATAA_V1_SIZE;
    notifyRecord.hWnd = window.get();
    icons.SetOnChange([this] { RefreshIcon(); });
}

TMiroTrayIcon::~TMiroTrayIcon() {
    enabled = false;
    Locked([this] {
        icons.SetOnChange(nullptr);
        ChangeAnimated(false);
        RemoveFromTray();
    });
    SetWindowLongPtrA(window.get(), GWLP_USERDATA, 0);
}

bool TMiroTrayIcon::Active() const {
    std::lock_guard held(lock);
    return active;
}

void TMiroTrayIcon::SetActive(bool active) {
    Locked([&] {
        if (active == this->active) {
            return;
        }
        this->active = active;
        if (active) {
            AddToTray();
        } else {
            RemoveFromTray();
        }
    });
}

std::string TMiroTrayIcon::Hint() const {
    std::lock_guard held(lock);
    return hint;
}

void TMiroTrayIcon::SetHint(const std::string& hint) {
    Locked([&] {
        if (hint != this->hint) {
            this->hint = hint;
            RefreshIcon();
        }
    });
}

TIconPicture TMiroTrayIcon::Icon() const {
    std::lock_guard held(lock);
    return icon;
}

void TMiroTrayIcon::SetIcon(const TIconPicture& icon) {
    Locked([&] {
        this->icon = icon;
        RefreshIcon();
    });
}

TIconList TMiroTrayIcon::Icons() const {
    std::lock_guard held(lock);
    return icons;
}

void TMiroTrayIcon::SetIcons(const TIconList& icons) {
    Locked([&] { this->icons.Assign(icons); });
}

bool TMiroTrayIcon::Animated() const {
    std::lock_guard held(lock);
    return animated;
}

void TMiroTrayIcon::SetAnimated(bool animated) {
    Locked([&] { ChangeAnimated(animated); });
}

std::uint16_t TMiroTrayIcon::Interval() const {
    std::lock_guard held(lock);
    return interval;
}

void TMiroTrayIcon::SetInterval(std::uint16_t milliseconds) {
    Locked([&] { interval = milliseconds; });
}

int TMiroTrayIcon::IconIndex() const {
    std::lock_guard held(lock);
    return iconIndex;
}

void TMiroTrayIcon::SetIconIndex(int index) {
    Locked([&] {
        iconIndex = index;
        RefreshIcon();
    });
}

void TMiroTrayIcon::SetPopupMenu(HMENU menu, HWND commandWindow) {
    popupMenu = menu;
    this->commandWindow = commandWindow;
}

void TMiroTrayIcon::Loaded() {
    Locked([this] {
        if (active) {
            AddToTray();
        }
    });
}

const TIconPicture& TMiroTrayIcon::CurrentIcon() const {
    if (animated && icons.Count() > 0) {
        return icons[std::max(std::min(iconIndex, icons.Count() - 1), 0)];
    }
    return icon;
}

void TMiroTrayIcon::FillNotifyRecord() {
    notifyRecord.cbSize = NOTIFYICONDATAA_V1_SIZE;
    notifyRecord.hWnd = window.get();
    notifyRecord.uID = 0;
    notifyRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyRecord.uCallbackMessage = kCallbackMessage;
    notifyRecord.hIcon = CurrentIcon().Handle();
    const std::string tip = hint.substr(0, std::min(hint.find('|'), kTipLength));
    std::memset(notifyRecord.szTip, 0, sizeof notifyRecord.szTip);
    std::memcpy(notifyRecord.szTip, tip.data(), tip.size());
}

void TMiroTrayIcon::AddToTray() {
    RemoveFromTray();
    if (CurrentIcon().Handle() == nullptr) {
        return;
    }
    leftPressed = rightPressed = false;
    FillNotifyRecord();
    iconAdded = notify(NIM_ADD, &notifyRecord) != FALSE;
    if (iconAdded && notifyRecord.szTip[0] == '\0') {
        notify(NIM_MODIFY, &notifyRecord);
    }
    // The animation runs only while the icon is in: a refused add leaves the thread paused.
    if (animated && iconAdded) {
        animationThread->Resume();
    }
}

void TMiroTrayIcon::RemoveFromTray() {
    notify(NIM_DELETE, &notifyRecord);
    iconAdded = false;
    leftPressed = rightPressed = false;
    if (animated) {
        animationThread->Pause();
    }
}

void TMiroTrayIcon::RefreshIcon() {
    if (icons.Count() == 0) {
        ChangeAnimated(false);
    }
    if (iconAdded) {
        if (CurrentIcon().Handle() == nullptr) {
            RemoveFromTray();
        } else {
            FillNotifyRecord();
            notify(NIM_MODIFY, &notifyRecord);
        }
    } else if (active) {
        AddToTray();
    }
}

void TMiroTrayIcon::ChangeAnimated(bool animated) {
    animated = animated && icons.Count() > 0;
    if (animated == this->animated) {
        return;
    }
    if (animated) {
        animationThread = std::make_unique<TTimerThread>(*this, lock, !iconAdded);
        this->animated = true;
    } else {
        this->animated = false;
        // Detached under the lock, so no tick runs from here on; joined by Locked once the lock is
        // free, which a tick in progress needs, or later when the tick itself got here.
        animationThread->Detach();
        stoppedThreads.push_back(std::move(animationThread));
    }
    iconIndex = 0;
    RefreshIcon();
}

void TMiroTrayIcon::AdvanceFrame() {
    if (!animated) {
        return;
    }
    // Compared before adding, so that an index set near the top of the range cannot overflow.
    iconIndex = iconIndex >= icons.Count() - 1 ? 0 : iconIndex + 1;
    RefreshIcon();
}

LRESULT CALLBACK TMiroTrayIcon::TrayWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* component = reinterpret_cast<TMiroTrayIcon*>(GetWindowLongPtrA(handle, GWLP_USERDATA));
    if (component == nullptr) {
        return DefWindowProcA(handle, message, wParam, lParam);
    }
    return component->HandleMessage(message, wParam, lParam);
}

LRESULT TMiroTrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool taskbarCreated = message != 0 && message == TaskbarCreatedMessage();
    const bool ours = (message == kCallbackMessage && enabled) || taskbarCreated || message == WM_COMMAND;
    // While this thread waits in the shell's notification call, holding the lock, messages sent to
    // this window are delivered at once; handled now, they would need the lock. Later, then.
    if (ours && inChange) {
        PostMessageA(window.get(), message, wParam, lParam);
        return 0;
    }
    if (message == kCallbackMessage && enabled) {
        try {
            HandleTrayMouse(static_cast<UINT>(lParam));
        } catch (const std::exception& error) {
            ReportException(error);
        } catch (...) {
            ReportException(std::runtime_error("Unknown error in a tray icon event"));
        }
        return 0;
    }
    if (taskbarCreated) {
        // The old icon went with the old taskbar; without it a tray program cannot be reached.
        Locked([this] {
            if (active) {
                AddToTray();
            }
        });
        return 0;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == 0 && commandWindow != nullptr) {
        return SendMessageA(commandWindow, WM_COMMAND, wParam, lParam); // a choice in the tray menu
    }
    return DefWindowProcA(window.get(), message, wParam, lParam);
}

void TMiroTrayIcon::HandleTrayMouse(UINT mouseMessage) {
    if (mouseMessage < WM_MOUSEMOVE || mouseMessage > WM_MBUTTONDBLCLK) {
        return;
    }
    const TShiftState shift = KeyShiftState();
    POINT at{};
    GetCursorPos(&at);
    const int x = at.x;
    const int y = at.y;
    switch (mouseMessage) {
    case WM_MOUSEMOVE:
        HandleMouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
        HandleMouseDown(TMouseButton::Left, shift | kLeftButton, x, y);
        NotePress(TMouseButton::Left);
        break;
    case WM_LBUTTONUP:
        if (TakePress(TMouseButton::Left)) {
            HandleClick(TMouseButton::Left, shift | kLeftButton, x, y);
        }
        HandleMouseUp(TMouseButton::Left, shift | kLeftButton, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        HandleDblClick();
        HandleMouseDown(TMouseButton::Left, shift | kDoubleClick, x, y);
        break;
    case WM_RBUTTONDOWN:
        HandleMouseDown(TMouseButton::Right, shift | kRightButton, x, y);
        NotePress(TMouseButton::Right);
        break;
    case WM_RBUTTONUP:
        if (TakePress(TMouseButton::Right)) {
            HandleClick(TMouseButton::Right, shift | kRightButton, x, y);
        }
        HandleMouseUp(TMouseButton::Right, shift | kRightButton, x, y);
        break;
    case WM_RBUTTONDBLCLK:
        HandleMouseDown(TMouseButton::Right, shift | kDoubleClick, x, y);
        break;
    case WM_MBUTTONDOWN:
        HandleMouseDown(TMouseButton::Middle, shift | kMiddleButton, x, y);
        break;
    case WM_MBUTTONUP:
        HandleMouseUp(TMouseButton::Middle, shift | kMiddleButton, x, y);
        break;
    case WM_MBUTTONDBLCLK:
        HandleMouseDown(TMouseButton::Middle, shift | kDoubleClick, x, y);
        break;
    }
}

void TMiroTrayIcon::HandleDblClick() {
    if (!ClickDefaultItem() && OnDblClick) {
        OnDblClick(*this);
    }
}

void TMiroTrayIcon::HandleClick(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::Right && ShowTrayMenu(x, y)) {
        return;
    }
    if (OnClick) {
        OnClick(*this, button, shift, x, y);
    }
}

void TMiroTrayIcon::HandleMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) {
        OnMouseDown(*this, button, shift, x, y);
    }
}

void TMiroTrayIcon::HandleMouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) {
        OnMouseMove(*this, shift, x, y);
    }
}

void TMiroTrayIcon::HandleMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) {
        OnMouseUp(*this, button, shift, x, y);
    }
}

bool TMiroTrayIcon::ShowTrayMenu(int x, int y) {
    if (popupMenu == nullptr || !Active()) {
        return false;
    }
    // A control that holds the mouse or has a drop-down list open would keep the menu from working.
    if (HWND focused = GetFocus()) {
        SendMessageA(focused, WM_CANCELMODE, 0, 0);
    }
    // The menu closes on a click elsewhere only when its owner is the foreground window.
    const auto bringForward = [this] {
        if (IsWindowEnabled(window.get())) {
            SetForegroundWindow(window.get());
        }
    };
    bringForward();
    ProcessPendingMessages();
    TrackPopupMenu(popupMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, window.get(), nullptr);
    bringForward();
    return true;
}

bool TMiroTrayIcon::ClickDefaultItem() {
    if (popupMenu == nullptr || !Active()) {
        return false;
    }
    const UINT item = GetMenuDefaultItem(popupMenu, FALSE, 0);
    if (item == static_cast<UINT>(-1)) {
        return false;
    }
    const UINT state = GetMenuState(popupMenu, item, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) || (state & (MF_DISABLED | MF_GRAYED)) != 0) {
        return false;
    }
    SendMessageA(commandWindow, WM_COMMAND, MAKEWPARAM(item, 0), 0);
    return true;
}

void TMiroTrayIcon::NotePress(TMouseButton button) {
    std::lock_guard held(lock);
    (button == TMouseButton::Left ? leftPressed : rightPressed) = true;
}

bool TMiroTrayIcon::TakePress(TMouseButton button) {
    std::lock_guard held(lock);
    bool& pressed = button == TMouseButton::Left ? leftPressed : rightPressed;
    const bool was = pressed;
    pressed = false;
    return was;
}

void TMiroTrayIcon::ReportException(const std::exception& error) {
    if (OnException) {
        OnException(error);
    } else {
        MessageBoxA(nullptr, error.what(), "Mirolan", MB_OK | MB_ICONERROR);
    }
}
