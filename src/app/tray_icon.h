// The program's icon in the notification area of the taskbar. TMiroTrayIcon keeps the icon there from
// its creation until its destruction, turns mouse actions on it into events and the tray menu, and
// animates it through a list of frames on a thread of its own, so that it moves on while the
// user-interface thread is busy. Everything but the ticks runs on the thread that created it.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "app/icon_list.h"
#include "app/icon_picture.h"

class TTimerThread;

enum class TMouseButton { Left, Right, Middle };

// Keys held and the button of a mouse action, as bits.
using TShiftState = unsigned;
constexpr TShiftState kShiftKey = 1;
constexpr TShiftState kAltKey = 2;
constexpr TShiftState kCtrlKey = 4;
constexpr TShiftState kLeftButton = 8;
constexpr TShiftState kRightButton = 16;
constexpr TShiftState kMiddleButton = 32;
constexpr TShiftState kDoubleClick = 64;

class TMiroTrayIcon {
public:
    // The shell's notification call (Shell_NotifyIconA); the tests put a recorder in its place.
    using NotifyFunction = std::function<BOOL(DWORD message, NOTIFYICONDATAA* data)>;
    using TMouseEvent =
        std::function<void(TMiroTrayIcon& sender, TMouseButton button, TShiftState shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(TMiroTrayIcon& sender, TShiftState shift, int x, int y)>;
    using TNotifyEvent = std::function<void(TMiroTrayIcon& sender)>;
    using TExceptionEvent = std::function<void(const std::exception& error)>;

    // The message that the notification area sends to WindowHandle, the mouse message in its lParam.
    static constexpr UINT kCallbackMessage = 0xB054;
    static constexpr std::uint16_t kDefaultInterval = 150;

    // Makes the hidden window; adds nothing yet (SetIcon, SetIcons and Loaded do).
    explicit TMiroTrayIcon(NotifyFunction notify = Shell_NotifyIconA);
    TMiroTrayIcon(const TMiroTrayIcon&) = delete;
    TMiroTrayIcon& operator=(const TMiroTrayIcon&) = delete;
    // Stops the animation (no tick runs afterwards), takes the icon out and destroys the window.
    ~TMiroTrayIcon();

    // Whether the icon is to be in the notification area (true at start).
    bool Active() const;
    void SetActive(bool active);
    // Whether mouse actions are handled (true at start).
    bool Enabled() const { return enabled; }
    void SetEnabled(bool enabled) { this->enabled = enabled; }
    // The tip: the text before the first "|", at most 63 characters.
    std::string Hint() const;
    void SetHint(const std::string& hint);
    // The resting picture, shown while not animating.
    TIconPicture Icon() const;
    void SetIcon(const TIconPicture& icon);
    // The animation frames; an empty list switches the animation off.
    TIconList Icons() const;
    void SetIcons(const TIconList& icons);
    // On: shows frame 0 at once, then the next frame every Interval milliseconds. Off: shows the
    // resting picture, and no tick runs once the call has returned. Ignored with no frames.
    bool Animated() const;
    void SetAnimated(bool animated);
    std::uint16_t Interval() const;
    void SetInterval(std::uint16_t milliseconds); // taken from the next wait on
    // The frame shown while animating, clamped to the list; stored unchecked.
    int IconIndex() const;
    void SetIconIndex(int index);
    // The menu that a right click opens (none: the click goes to OnClick). The chosen item reaches
    // `commandWindow` as WM_COMMAND, as from its own menu; so does the menu's default item on a
    // double click. Both must outlive their use here; pass nulls to drop them.
    void SetPopupMenu(HMENU menu, HWND commandWindow);
    HMENU PopupMenu() const { return popupMenu; }
    // Tells the component that its owner has set it up: puts the icon in afresh.
    void Loaded();
    // The hidden window that the notification area talks to.
    HWND WindowHandle() const { return window.get(); }

    // Events, all on the user-interface thread; an unassigned one is skipped.
    TMouseEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    // Shows an exception raised while a mouse action was handled; unassigned: a message box.
    TExceptionEvent OnException;

private:
    friend class TTimerThread;

    struct WindowDeleter {
        void operator()(HWND handle) const { DestroyWindow(handle); }
    };
    using Threads = std::vector<std::unique_ptr<TTimerThread>>;

    // The rest of the private operations run holding `lock`, unless they say otherwise.
    template <class Change> void Locked(Change change);
    const TIconPicture& CurrentIcon() const;
    void FillNotifyRecord();
    void AddToTray();
    void RemoveFromTray();
    void RefreshIcon();
    void ChangeAnimated(bool animated);
    std::uint16_t TickInterval() const { return interval; }
    void AdvanceFrame();

    // User-interface thread, without the lock.
    static LRESULT CALLBACK TrayWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void HandleTrayMouse(UINT mouseMessage);
    void HandleDblClick();
    void HandleClick(TMouseButton button, TShiftState shift, int x, int y);
    void HandleMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void HandleMouseMove(TShiftState shift, int x, int y);
    void HandleMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    bool ShowTrayMenu(int x, int y);
    bool ClickDefaultItem();
    void NotePress(TMouseButton button);
    bool TakePress(TMouseButton button);
    void ReportException(const std::exception& error);

    const NotifyFunction notify;
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter> window;
    bool enabled = true;
    HMENU popupMenu = nullptr;
    HWND commandWindow = nullptr;
    bool inChange = false; // this thread holds the lock in a change of the shared state

    // Shared with the animation thread: guarded by `lock`.
    mutable std::mutex lock;
    NOTIFYICONDATAA notifyRecord{};
    TIconPicture icon;
    TIconList icons;
    std::string hint;
    bool active = true;
    bool animated = false;
    bool iconAdded = false;
    bool leftPressed = false; // buttons pressed on the icon whose release is still to come
    bool rightPressed = false;
    std::uint16_t interval = kDefaultInterval;
    int iconIndex = -1;
    std::unique_ptr<TTimerThread> animationThread;
    Threads stoppedThreads; // detached, to be joined once the lock is free
};

// The icon animates for as long as one of these lives: a long operation (a search, a walk, packing)
// holds one, and the icon comes to rest with frame index -1 however the operation ends.
class TTrayAnimation {
public:
    explicit TTrayAnimation(TMiroTrayIcon& icon) : icon(icon) { icon.SetAnimated(true); }
    ~TTrayAnimation() {
        icon.SetAnimated(false);
        icon.SetIconIndex(-1);
    }
    TTrayAnimation(const TTrayAnimation&) = delete;
    TTrayAnimation& operator=(const TTrayAnimation&) = delete;

private:
    TMiroTrayIcon& icon;
};
