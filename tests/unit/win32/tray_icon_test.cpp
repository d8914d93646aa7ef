// The tray icon component with the shell's notification call replaced by a recorder: what is added,
// modified and deleted and with which picture, the animation thread against the test thread, and the
// mouse messages of the notification area turned into events and the menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/icon_list.h"
#include "app/tray_icon.h"
#include "tray_test_icons.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 5s; // the longest wait for a tick; a pass usually takes milliseconds

struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAA record;
    std::thread::id thread;
};

// Stands in for Shell_NotifyIconA: keeps every call, answers adds as told.
class ShellRecorder {
public:
    TMiroTrayIcon::NotifyFunction Function() {
        return [this](DWORD message, NOTIFYICONDATAA* record) {
            std::function<void(DWORD)> hook;
            BOOL answer;
            {
                std::lock_guard held(lock);
                calls.push_back({message, *record, std::this_thread::get_id()});
                if (!ticksAllowed && std::this_thread::get_id() != testThread) {
                    ++ticksWhenForbidden;
                }
                changed.notify_all();
                answer = message == NIM_ADD && refuseAdds ? FALSE : TRUE;
                hook.swap(duringNextCall);
            }
            if (hook) {
                hook(message);
            }
            return answer;
        };
    }

    // Runs `hook` inside the next call, as the shell would deliver messages while the caller waits.
    void DuringNextCall(std::function<void(DWORD)> hook) {
        std::lock_guard held(lock);
        duringNextCall = std::move(hook);
    }

    void RefuseAdds(bool refuse) {
        std::lock_guard held(lock);
        refuseAdds = refuse;
    }

    // From now on a call from any thread but the test's counts as a tick that must not happen.
    void ForbidTicks(bool forbid) {
        std::lock_guard held(lock);
        ticksAllowed = !forbid;
    }

    int TicksWhenForbidden() const {
        std::lock_guard held(lock);
        return ticksWhenForbidden;
    }

    std::vector<NotifyCall> Calls() const {
        std::lock_guard held(lock);
        return calls;
    }

    std::size_t Count() const {
        std::lock_guard held(lock);
        return calls.size();
    }

    // Waits for a call from the animation thread after the first `after` calls; returns its index.
    std::optional<std::size_t> WaitForTick(std::size_t after,
                                           std::chrono::milliseconds patience = kPatience) {
        std::unique_lock held(lock);
        std::optional<std::size_t> found;
        changed.wait_for(held, patience, [&] {
            for (std::size_t i = after; i < calls.size(); ++i) {
                if (calls[i].thread != testThread) {
                    found = i;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    // Waits until at least `ticks` calls came from the animation thread.
    bool WaitForTicks(std::size_t ticks) {
        std::unique_lock held(lock);
        return changed.wait_for(held, kPatience, [&] {
            return static_cast<std::size_t>(
                       std::count_if(calls.begin(), calls.end(),
                                     [&](const NotifyCall& c) { return c.thread != testThread; })) >= ticks;
        });
    }

    const std::thread::id testThread = std::this_thread::get_id();

private:
    mutable std::mutex lock;
    std::condition_variable changed;
    std::vector<NotifyCall> calls;
    bool refuseAdds = false;
    bool ticksAllowed = true;
    int ticksWhenForbidden = 0;
    std::function<void(DWORD)> duringNextCall;
};

class TrayIcon : public ::testing::Test {
protected:
    TrayIcon() {
        for (std::uint32_t i = 0; i < 8; ++i) {
            frames.Add(TIconPicture::FromIcoFile(traytest::SolidIco(0xFF000000 | (i * 0x1F) << 8)));
        }
    }

    void LoadLikeTheWindow() {
        tray->SetIcon(rest);
        tray->SetIcons(frames);
        tray->Loaded();
    }

    // "add rest", "modify 3", "delete", ... for the calls from `from` on.
    std::vector<std::string> Calls(std::size_t from = 0) const {
        std::vector<std::string> described;
        const std::vector<NotifyCall> calls = shell.Calls();
        for (std::size_t i = from; i < calls.size(); ++i) {
            described.push_back(Describe(calls[i]));
        }
        return described;
    }

    std::string Describe(const NotifyCall& call) const {
        if (call.message == NIM_DELETE) {
            return "delete";
        }
        return (call.message == NIM_ADD ? "add " : "modify ") + Picture(call.record.hIcon);
    }

    std::string Picture(HICON handle) const {
        if (handle != nullptr && handle == rest.Handle()) {
            return "rest";
        }
        for (int i = 0; i < frames.Count(); ++i) {
            if (handle != nullptr && handle == frames[i].Handle()) {
                return std::to_string(i);
            }
        }
        return handle == nullptr ? "none" : "unknown";
    }

    std::string Last() const { return Calls().back(); }

    // The frames that the animation thread showed from call `from` on, in order.
    std::vector<int> TickFrames(std::size_t from = 0) const {
        std::vector<int> shown;
        const std::vector<NotifyCall> calls = shell.Calls();
        for (std::size_t i = from; i < calls.size(); ++i) {
            if (calls[i].thread != shell.testThread) {
                EXPECT_EQ(calls[i].message, static_cast<DWORD>(NIM_MODIFY));
                shown.push_back(std::stoi(Picture(calls[i].record.hIcon)));
            }
        }
        return shown;
    }

    ShellRecorder shell; // first: outlives the component, which calls it until its end
    TIconPicture rest = TIconPicture::FromIcoFile(traytest::SolidIco(0xFFFF8000));
    TIconList frames;
    std::unique_ptr<TMiroTrayIcon> tray = std::make_unique<TMiroTrayIcon>(shell.Function());
};

using Strings = std::vector<std::string>;

TEST_F(TrayIcon, LoadingShowsTheRestingPictureWithAnEmptyTip) {
    EXPECT_TRUE(Calls().empty()) << "nothing is added at construction";
    tray->SetIcon(rest);
    EXPECT_EQ(Calls(), (Strings{"delete", "add rest", "modify rest"}));
    tray->SetIcons(frames);
    EXPECT_EQ(Calls(3), (Strings{"modify rest"}));
    tray->Loaded();
    EXPECT_EQ(Calls(4), (Strings{"delete", "add rest", "modify rest"}));

    const NOTIFYICONDATAA& added = shell.Calls()[5].record;
    EXPECT_EQ(added.cbSize, NOTIFYICONDATAA_V1_SIZE);
    EXPECT_EQ(added.hWnd, tray->WindowHandle());
    EXPECT_EQ(added.uID, 0u);
    EXPECT_EQ(added.uFlags, 7u);
    EXPECT_EQ(added.uCallbackMessage, 0xB054u);
    EXPECT_STREQ(added.szTip, "");
    EXPECT_EQ(shell.Calls()[4].record.hWnd, tray->WindowHandle()) << "the delete names the icon";
}

TEST_F(TrayIcon, WithoutARestingPictureNothingIsAdded) {
    tray->SetIcons(frames);
    tray->Loaded();
    EXPECT_EQ(Calls(), (Strings{"delete", "delete"}));
    tray->SetIcon(rest);
    EXPECT_EQ(Calls(2), (Strings{"delete", "add rest", "modify rest"}));
    tray->SetIcon(TIconPicture());
    EXPECT_EQ(Calls(5), (Strings{"delete"}));
}

TEST_F(TrayIcon, TipIsTheHintBeforeItsFirstBarCutTo63Characters) {
    LoadLikeTheWindow();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Mirolan", "Mirolan"},
        {"Find|files", "Find"},
        {"a|b|c", "a"},
        {"|after", ""},
        {std::string(63, 'x'), std::string(63, 'x')},
        {std::string(64, 'y'), std::string(63, 'y')},
        {std::string(70, 'z') + "|rest", std::string(63, 'z')},
    };
    for (const auto& [hint, tip] : cases) {
        tray->SetHint(hint);
        EXPECT_STREQ(shell.Calls().back().record.szTip, tip.c_str()) << hint;
        EXPECT_EQ(tray->Hint(), hint);
    }
    const std::size_t before = shell.Count();
    tray->SetHint(tray->Hint());
    EXPECT_EQ(shell.Count(), before) << "the same hint changes nothing";
    tray->Loaded();
    EXPECT_EQ(Calls(before), (Strings{"delete", "add rest"})) << "with a tip, no modify follows the add";
}

TEST_F(TrayIcon, RefusedAddIsTriedAgainAtTheNextRefresh) {
    shell.RefuseAdds(true);
    LoadLikeTheWindow();
    EXPECT_EQ(Calls(), (Strings{"delete", "add rest", "delete", "add rest", "delete", "add rest"}));
    shell.RefuseAdds(false);
    tray->SetIconIndex(-1);
    EXPECT_EQ(Calls(6), (Strings{"delete", "add rest", "modify rest"}));
}

TEST_F(TrayIcon, ActiveTakesTheIconOutAndPutsItBack) {
    LoadLikeTheWindow();
    const std::size_t loaded = shell.Count();
    tray->SetActive(true);
    EXPECT_EQ(shell.Count(), loaded);
    tray->SetActive(false);
    EXPECT_EQ(Calls(loaded), (Strings{"delete"}));
    tray->SetIconIndex(3);
    EXPECT_EQ(Calls(loaded), (Strings{"delete"})) << "an inactive icon stays out";
    tray->SetActive(true);
    EXPECT_EQ(Calls(loaded + 1), (Strings{"delete", "add rest", "modify rest"}));
}

TEST_F(TrayIcon, ShellRestartPutsTheIconBack) {
    LoadLikeTheWindow();
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    const std::size_t loaded = shell.Count();
    SendMessageA(tray->WindowHandle(), taskbarCreated, 0, 0);
    EXPECT_EQ(Calls(loaded), (Strings{"delete", "add rest", "modify rest"}));
    tray->SetActive(false);
    const std::size_t inactive = shell.Count();
    SendMessageA(tray->WindowHandle(), taskbarCreated, 0, 0);
    EXPECT_EQ(shell.Count(), inactive);
}

TEST_F(TrayIcon, AnimatedWithoutFramesStaysOffAndTouchesNothing) {
    tray->SetIcon(rest);
    tray->Loaded();
    tray->SetInterval(1);
    const std::size_t loaded = shell.Count();
    tray->SetAnimated(true);
    EXPECT_FALSE(tray->Animated());
    EXPECT_EQ(shell.Count(), loaded);
    EXPECT_FALSE(shell.WaitForTick(0, 200ms)) << "no thread ticks";
}

TEST_F(TrayIcon, AnimatedShowsFrameZeroAtOnceThenTicksWhileTheTestThreadSleeps) {
    LoadLikeTheWindow();
    tray->SetInterval(10);
    tray->SetAnimated(true);
    EXPECT_TRUE(tray->Animated());
    EXPECT_EQ(Last(), "modify 0");
    const std::size_t started = shell.Count();
    // This thread handles no messages while it waits, as during a catalog walk.
    const auto tick = shell.WaitForTick(started);
    ASSERT_TRUE(tick);
    EXPECT_EQ(Describe(shell.Calls()[*tick]), "modify 1");
}

TEST_F(TrayIcon, AnimatedTwiceDoesNotRestartTheCycle) {
    LoadLikeTheWindow();
    tray->SetInterval(60000);
    tray->SetAnimated(true);
    tray->SetIconIndex(5);
    EXPECT_EQ(Last(), "modify 5");
    const std::size_t before = shell.Count();
    tray->SetAnimated(true);
    EXPECT_EQ(shell.Count(), before);
    EXPECT_EQ(tray->IconIndex(), 5);
}

TEST_F(TrayIcon, OffWhileOffChangesNothingAndIndexMinusOneModifiesOnce) {
    LoadLikeTheWindow();
    const std::size_t loaded = shell.Count();
    tray->SetAnimated(false);
    EXPECT_EQ(shell.Count(), loaded);
    tray->SetIconIndex(-1);
    EXPECT_EQ(Calls(loaded), (Strings{"modify rest"}));
}

TEST_F(TrayIcon, LongOperationAnimatesUntilItEndsEvenByAnError) {
    LoadLikeTheWindow();
    tray->SetInterval(60000);
    const std::size_t loaded = shell.Count();
    try {
        const TTrayAnimation working(*tray);
        EXPECT_TRUE(tray->Animated());
        tray->SetIconIndex(4);
        throw std::runtime_error("Stream read error");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(tray->Animated());
    EXPECT_EQ(tray->IconIndex(), -1);
    EXPECT_EQ(Calls(loaded), (Strings{"modify 0", "modify 4", "modify rest", "modify rest"}));
}

TEST_F(TrayIcon, IndexIsClampedToTheFramesAndTheNextTickWraps) {
    LoadLikeTheWindow();
    tray->SetInterval(20);
    tray->SetAnimated(true);
    const std::vector<std::pair<int, std::pair<const char*, const char*>>> cases = {
        {100, {"modify 7", "modify 0"}},        {-1, {"modify 0", "modify 0"}},
        {7, {"modify 7", "modify 0"}},          {3, {"modify 3", "modify 4"}},
        {0x7FFFFFFF, {"modify 7", "modify 0"}},
    };
    for (const auto& [index, shown] : cases) {
        tray->SetIconIndex(index);
        const std::size_t set = shell.Count();
        EXPECT_EQ(Last(), shown.first) << index;
        const auto tick = shell.WaitForTick(set);
        ASSERT_TRUE(tick) << index;
        EXPECT_EQ(Describe(shell.Calls()[*tick]), shown.second) << index;
    }
}

TEST_F(TrayIcon, TicksStepOneFrameAndNoneFollowsAnimatedOff) {
    LoadLikeTheWindow();
    tray->SetInterval(1);
    tray->SetAnimated(true);
    const std::size_t started = shell.Count();
    ASSERT_TRUE(shell.WaitForTicks(12));
    tray->SetAnimated(false);
    shell.ForbidTicks(true);
    EXPECT_EQ(Last(), "modify rest");
    EXPECT_FALSE(tray->Animated());
    const std::vector<int> shown = TickFrames(started);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i], static_cast<int>((i + 1) % 8)) << "tick " << i;
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(shell.TicksWhenForbidden(), 0);
}

TEST_F(TrayIcon, SwitchingOnAndOffWhileTheThreadTicks) {
    LoadLikeTheWindow();
    tray->SetInterval(1);
    for (int round = 0; round < 150; ++round) {
        shell.ForbidTicks(false);
        const std::size_t start = shell.Count();
        tray->SetAnimated(true);
        EXPECT_EQ(Describe(shell.Calls()[start]), "modify 0");
        if (round % 3 == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(round % 4));
        }
        if (round % 10 == 0) {
            tray->SetIconIndex(round % 8);
        }
        tray->SetAnimated(false);
        shell.ForbidTicks(true);
        EXPECT_EQ(Last(), "modify rest");
        // Within one run every tick shows the frame after the one shown before it.
        int expected = 1;
        const std::vector<NotifyCall> calls = shell.Calls();
        for (std::size_t i = start + 1; i + 1 < calls.size(); ++i) {
            const int frame = std::stoi(Picture(calls[i].record.hIcon));
            if (calls[i].thread != shell.testThread) {
                EXPECT_EQ(frame, expected) << "round " << round;
            }
            expected = (frame + 1) % 8;
        }
    }
    shell.ForbidTicks(false);
    tray->SetAnimated(true);
    EXPECT_TRUE(shell.WaitForTick(shell.Count())) << "the last thread ticks as the first did";
    tray->SetAnimated(false);
    shell.ForbidTicks(true);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(shell.TicksWhenForbidden(), 0);
}

TEST_F(TrayIcon, ThreadPausesWhileTheIconIsOutAndResumesWhenBack) {
    LoadLikeTheWindow();
    tray->SetInterval(5);
    tray->SetAnimated(true);
    ASSERT_TRUE(shell.WaitForTicks(1));
    tray->SetActive(false);
    shell.ForbidTicks(true);
    EXPECT_EQ(Last(), "delete");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(shell.TicksWhenForbidden(), 0);
    shell.ForbidTicks(false);
    const std::size_t out = shell.Count();
    tray->SetActive(true);
    EXPECT_EQ(Calls(out).front(), "delete");
    EXPECT_EQ(Calls(out)[1].substr(0, 4), "add ");
    EXPECT_TRUE(shell.WaitForTick(shell.Count()));
}

TEST_F(TrayIcon, AnimatedWhileTheAddIsRefusedStartsPausedUntilAnAddSucceeds) {
    shell.RefuseAdds(true);
    LoadLikeTheWindow();
    tray->SetInterval(5);
    const std::size_t loaded = shell.Count();
    shell.ForbidTicks(true);
    tray->SetAnimated(true);
    EXPECT_TRUE(tray->Animated());
    EXPECT_EQ(Calls(loaded), (Strings{"delete", "add 0"}));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(shell.TicksWhenForbidden(), 0);
    shell.ForbidTicks(false);
    shell.RefuseAdds(false);
    tray->SetIconIndex(0);
    EXPECT_EQ(Calls(loaded + 2), (Strings{"delete", "add 0", "modify 0"}));
    const auto tick = shell.WaitForTick(loaded + 5);
    ASSERT_TRUE(tick);
    EXPECT_EQ(Describe(shell.Calls()[*tick]), "modify 1");
}

TEST_F(TrayIcon, EmptyFrameTakesTheIconOutUntilTheIndexChanges) {
    TIconList withGap;
    withGap.Add(frames[0]);
    withGap.Add(TIconPicture());
    tray->SetIcon(rest);
    tray->SetIcons(withGap);
    tray->Loaded();
    tray->SetInterval(5);
    tray->SetAnimated(true);
    const std::size_t started = shell.Count();
    const auto tick = shell.WaitForTick(started);
    ASSERT_TRUE(tick);
    EXPECT_EQ(Describe(shell.Calls()[*tick]), "delete");
    shell.ForbidTicks(true);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(shell.TicksWhenForbidden(), 0) << "paused while out";
    shell.ForbidTicks(false);
    const std::size_t out = shell.Count();
    tray->SetIconIndex(0);
    EXPECT_EQ(Calls(out), (Strings{"delete", "add 0", "modify 0"}));
    EXPECT_TRUE(shell.WaitForTick(shell.Count()));
}

TEST_F(TrayIcon, EmptyingTheFramesSwitchesTheAnimationOff) {
    LoadLikeTheWindow();
    tray->SetInterval(1);
    tray->SetAnimated(true);
    ASSERT_TRUE(shell.WaitForTicks(1));
    tray->SetIcons(TIconList());
    shell.ForbidTicks(true);
    EXPECT_FALSE(tray->Animated());
    EXPECT_EQ(Last(), "modify rest");
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(shell.TicksWhenForbidden(), 0);
}

TEST_F(TrayIcon, DestructionWhileAnimatingEndsTheTicksAndTakesTheIconOut) {
    LoadLikeTheWindow();
    tray->SetInterval(1);
    tray->SetAnimated(true);
    ASSERT_TRUE(shell.WaitForTicks(3));
    tray.reset();
    shell.ForbidTicks(true);
    EXPECT_EQ(Last(), "delete");
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(shell.TicksWhenForbidden(), 0);
}

// Mouse messages as the notification area sends them, and the events they become.
class TrayIconMouse : public TrayIcon {
protected:
    TrayIconMouse() {
        LoadLikeTheWindow();
        const auto name = [](TMouseButton b) {
            return b == TMouseButton::Left ? "left" : b == TMouseButton::Right ? "right" : "middle";
        };
        tray->OnMouseDown = [=, this](TMiroTrayIcon&, TMouseButton b, TShiftState s, int, int) {
            events.push_back(std::string("down ") + name(b) + " " + std::to_string(s));
        };
        tray->OnMouseUp = [=, this](TMiroTrayIcon&, TMouseButton b, TShiftState s, int, int) {
            events.push_back(std::string("up ") + name(b) + " " + std::to_string(s));
        };
        tray->OnClick = [=, this](TMiroTrayIcon&, TMouseButton b, TShiftState s, int, int) {
            events.push_back(std::string("click ") + name(b) + " " + std::to_string(s));
        };
        tray->OnMouseMove = [this](TMiroTrayIcon&, TShiftState s, int x, int y) {
            events.push_back("move " + std::to_string(s));
            moves.push_back({x, y});
        };
        tray->OnDblClick = [this](TMiroTrayIcon& sender) {
            EXPECT_EQ(&sender, tray.get());
            events.push_back("dblclick");
        };
    }

    void Send(std::initializer_list<UINT> mouseMessages) {
        for (UINT message : mouseMessages) {
            EXPECT_EQ(SendMessageA(tray->WindowHandle(), TMiroTrayIcon::kCallbackMessage, 0, message), 0);
        }
    }

    Strings Events() {
        Strings taken;
        taken.swap(events);
        return taken;
    }

    Strings events;
    std::vector<POINT> moves;
};

TEST_F(TrayIconMouse, EachMessageBecomesItsEvents) {
    const std::vector<std::pair<std::vector<UINT>, Strings>> cases = {
        {{WM_MOUSEMOVE}, {"move 0"}},
        {{WM_LBUTTONDOWN, WM_LBUTTONUP}, {"down left 8", "click left 8", "up left 8"}},
        {{WM_LBUTTONUP}, {"up left 8"}},
        // Right button without a menu: the click is an ordinary one.
        {{WM_RBUTTONDOWN, WM_RBUTTONUP}, {"down right 16", "click right 16", "up right 16"}},
        // Pressed elsewhere, released over the icon: no click.
        {{WM_RBUTTONUP}, {"up right 16"}},
        {{WM_RBUTTONDBLCLK}, {"down right 64"}},
        {{WM_MBUTTONDOWN, WM_MBUTTONUP}, {"down middle 32", "up middle 32"}},
        {{WM_MBUTTONDBLCLK}, {"down middle 64"}},
        {{WM_LBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONUP},
         {"down left 8", "up right 16", "click left 8", "up left 8"}},
        {{0x01FF, 0x020A, 0x0100}, {}},
    };
    for (const auto& [messages, expected] : cases) {
        for (UINT message : messages) {
            Send({message});
        }
        EXPECT_EQ(Events(), expected) << messages.front();
    }
}

TEST_F(TrayIconMouse, DoubleClickOrderAndNoSecondClick) {
    Send({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
    EXPECT_EQ(Events(),
              (Strings{"down left 8", "click left 8", "up left 8", "dblclick", "down left 64", "up left 8"}));
}

TEST_F(TrayIconMouse, PositionIsTheCursorsAtTheMessage) {
    SetCursorPos(37, 21);
    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    Send({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].x, cursor.x);
    EXPECT_EQ(moves[0].y, cursor.y);
}

TEST_F(TrayIconMouse, DisabledComponentLeavesMessagesToTheSystem) {
    tray->SetEnabled(false);
    Send({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE});
    EXPECT_TRUE(Events().empty());
    tray->SetEnabled(true);
    Send({WM_LBUTTONDBLCLK});
    EXPECT_EQ(Events(), (Strings{"dblclick", "down left 64"}));
}

TEST_F(TrayIconMouse, TakingTheIconOutForgetsPressedButtons) {
    Send({WM_LBUTTONDOWN, WM_RBUTTONDOWN});
    tray->SetActive(false);
    tray->SetActive(true);
    Events();
    Send({WM_LBUTTONUP, WM_RBUTTONUP});
    EXPECT_EQ(Events(), (Strings{"up left 8", "up right 16"}));
}

TEST_F(TrayIconMouse, ExceptionOfAHandlerIsReportedAndTheComponentGoesOn) {
    Strings reports;
    tray->OnException = [&](const std::exception& error) { reports.push_back(error.what()); };
    tray->OnDblClick = [](TMiroTrayIcon&) { throw std::runtime_error("Cannot open file \"x\""); };
    Send({WM_LBUTTONDBLCLK});
    EXPECT_EQ(reports, (Strings{"Cannot open file \"x\""}));
    EXPECT_TRUE(Events().empty()) << "the rest of that message is not handled";
    Send({WM_LBUTTONDOWN});
    EXPECT_EQ(Events(), (Strings{"down left 8"}));
}

TEST_F(TrayIconMouse, MessagesDeliveredDuringANotificationCallAreHandledAfterIt) {
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    shell.DuringNextCall([&](DWORD) {
        Send({WM_LBUTTONDBLCLK});
        SendMessageA(tray->WindowHandle(), taskbarCreated, 0, 0);
    });
    const std::size_t before = shell.Count();
    tray->SetIconIndex(-1);
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(Calls(before), (Strings{"modify rest"}));
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    EXPECT_EQ(Events(), (Strings{"dblclick", "down left 64"}));
    EXPECT_EQ(Calls(before + 1), (Strings{"delete", "add rest", "modify rest"}));
}

// A window that keeps the commands it receives, like the main window receiving menu choices.
class CommandWindow {
public:
    CommandWindow() {
        static const ATOM registered = [] {
            WNDCLASSA description{};
            description.lpfnWndProc = Procedure;
            description.hInstance = GetModuleHandleA(nullptr);
            description.lpszClassName = "MirolanTrayTestCommands";
            return RegisterClassA(&description);
        }();
        EXPECT_NE(registered, 0);
        handle = CreateWindowExA(0, "MirolanTrayTestCommands", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CommandWindow() { DestroyWindow(handle); }

    HWND handle;
    std::vector<WORD> commands;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CommandWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_COMMAND) {
            self->commands.push_back(LOWORD(wParam));
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};

class TrayIconMenu : public TrayIconMouse {
protected:
    TrayIconMenu() {
        AppendMenuA(menu.get(), MF_STRING, kOpen, "Open");
        AppendMenuA(menu.get(), MF_STRING, kClose, "Close");
        tray->SetPopupMenu(menu.get(), target.handle);
    }

    static constexpr UINT kOpen = 41;
    static constexpr UINT kClose = 42;
    std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter> menu{CreatePopupMenu()};
    CommandWindow target;
};

TEST_F(TrayIconMenu, DoubleClickChoosesAnEnabledDefaultItemInsteadOfTheEvent) {
    Send({WM_LBUTTONDBLCLK});
    EXPECT_EQ(Events(), (Strings{"dblclick", "down left 64"})) << "no default item";
    SetMenuDefaultItem(menu.get(), kClose, FALSE);
    Send({WM_LBUTTONDBLCLK});
    EXPECT_EQ(Events(), (Strings{"down left 64"}));
    EXPECT_EQ(target.commands, (std::vector<WORD>{kClose}));
    EnableMenuItem(menu.get(), kClose, MF_BYCOMMAND | MF_GRAYED);
    Send({WM_LBUTTONDBLCLK});
    EXPECT_EQ(Events(), (Strings{"dblclick", "down left 64"})) << "a disabled default item is passed over";
    EXPECT_EQ(target.commands.size(), 1u);
}

// Picks the second item of the open tray menu by keyboard; runs inside the menu's own message loop.
std::atomic<bool> menuSeen{false};
void CALLBACK ChooseSecondItem(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) {
        return;
    }
    KillTimer(nullptr, timer);
    menuSeen = true;
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
        PostMessageA(menuWindow, WM_KEYDOWN, key, 0);
    }
}

TEST_F(TrayIconMenu, RightClickOpensTheMenuAndTheChoiceReachesTheCommandWindow) {
    menuSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ChooseSecondItem);
    Send({WM_RBUTTONDOWN, WM_RBUTTONUP});
    KillTimer(nullptr, timer);
    EXPECT_TRUE(menuSeen);
    EXPECT_EQ(Events(), (Strings{"down right 16", "up right 16"})) << "the menu takes the place of OnClick";
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    EXPECT_EQ(target.commands, (std::vector<WORD>{kClose}));
}

TEST_F(TrayIconMenu, InactiveComponentOpensNoMenu) {
    tray->SetActive(false);
    Send({WM_RBUTTONDOWN, WM_RBUTTONUP});
    EXPECT_EQ(Events(), (Strings{"down right 16", "click right 16", "up right 16"}));
}

} // namespace
