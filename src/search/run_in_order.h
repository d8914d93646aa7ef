// Work items done on several threads and handed over in their own order: a search of many catalogs
// prints exactly what one thread would print, while the next catalogs are read and searched. Results
// waiting to be handed over are bounded, so memory stays that of a few catalogs.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Runs `work(i, worker)` for every i below `count` on `threads` threads (`worker`, below `threads`,
// tells a thread's own buffers apart) and calls `deliver(i, result)` on the calling thread for i = 0,
// 1, 2 and so on. `work` must not throw; an exception from `deliver` stops the work and is rethrown once
// every thread has ended.
template <typename Result>
void RunInOrder(std::size_t count, unsigned threads, const std::function<Result(std::size_t, unsigned)>& work,
                const std::function<void(std::size_t, Result&)>& deliver) {
    threads = std::max(threads, 1u);
    const std::size_t window = 2 * static_cast<std::size_t>(threads); // items taken but not yet handed over
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<Result>> done(count);
    std::size_t next = 0;
    std::size_t delivered = 0;
    bool stop = false;
    const auto run = [&](unsigned worker) {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || next >= count || next < delivered + window; });
            if (stop || next >= count) {
                return;
            }
            const std::size_t item = next++;
            lock.unlock();
            Result result = work(item, worker);
            lock.lock();
            done[item] = std::move(result);
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned worker = 0; worker < threads; ++worker) {
        pool.emplace_back(run, worker);
    }
    std::exception_ptr failure;
    try {
        for (std::size_t i = 0; i < count; ++i) {
            std::optional<Result> result;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return done[i].has_value(); });
                result = std::move(done[i]);
                done[i].reset();
                delivered = i + 1;
            }
            changed.notify_all(); // the window moved on
            deliver(i, *result);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex);
        stop = true;
    }
    changed.notify_all();
    for (std::thread& thread : pool) {
        thread.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}
