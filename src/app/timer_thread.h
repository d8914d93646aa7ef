// The tray icon's animation thread: while it runs, it ticks its owner every Interval milliseconds,
// counted from the end of the previous tick. It shares its owner's lock: the owner pauses, resumes and
// detaches it only while holding that lock, and each tick runs holding it, so a tick never interleaves
// with a change of the owner's state, and once Detach has returned no tick runs any more.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

class TMiroTrayIcon;

class TTimerThread {
public:
    // Call holding `lock`, the owner's; the thread begins its first wait once the lock is free.
    TTimerThread(TMiroTrayIcon& owner, std::mutex& lock, bool paused);
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;
    // Detaches and joins. Call without holding the lock: a tick in progress needs it to finish.
    ~TTimerThread();

    // The rest is called holding the lock. A pause takes effect between ticks; a resume starts a
    // fresh wait.
    void Pause();
    void Resume();
    // Forgets the owner and ends the thread's loop.
    void Detach();

private:
    void Run();

    std::mutex& lock;
    std::condition_variable wake;
    TMiroTrayIcon* owner;
    bool paused;
    std::thread thread; // last: it starts running once the fields above are set
};
