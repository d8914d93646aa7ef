#include "app/timer_thread.h"

#include <chrono>

#include "app/tray_icon.h"

TTimerThread::TTimerThread(TMiroTrayIcon& owner, std::mutex& lock, bool paused)
    : lock(lock), owner(&owner), paused(paused), thread([this] { Run(); }) {}

TTimerThread::~TTimerThread() {
    {
        std::lock_guard held(lock);
        Detach();
    }
    thread.join();
}

void TTimerThread::Pause() {
    paused = true;
    wake.notify_all();
}

void TTimerThread::Resume() {
    paused = false;
    wake.notify_all();
}

void TTimerThread::Detach() {
    owner = nullptr;
    wake.notify_all();
}

void TTimerThread::Run() {
    std::unique_lock held(lock);
    const auto interrupted = [this] { return owner == nullptr || paused; };
    while (owner != nullptr) {
        if (paused) {
            wake.wait(held, [this] { return owner == nullptr || !paused; });
            continue;
        }
        const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(owner->TickInterval());
        if (!wake.wait_until(held, due, interrupted)) {
            owner->AdvanceFrame();
        }
    }
}
