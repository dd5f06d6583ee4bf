#pragma once

// Waiting in a test for what another process does: the main run loop runs,
// asleep until work arrives, until the test's condition holds. The callbacks
// the test waits for stop the loop (NSRunLoop::mainRunLoop().stop()) so that
// the condition is looked at again. The limit only ends a test that would
// otherwise hang; a working test never reaches it.

#include "foundation/NSRunLoop.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

inline bool runMainRunLoopUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    std::mutex mutex;
    std::condition_variable finished;
    bool over = false;
    std::atomic<bool> expired{false};
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!finished.wait_for(lock, limit, [&] { return over; })) {
            expired = true;
            loop.performBlock([&loop] { loop.stop(); });
        }
    });
    loop.runUntilIdle();
    while (!done() && !expired)
        loop.run();
    {
        std::lock_guard lock(mutex);
        over = true;
    }
    finished.notify_all();
    watchdog.join();
    // The watchdog's stop may still be queued: drop it with whatever else
    // has no one waiting for it.
    loop.runUntilIdle();
    return done();
}
