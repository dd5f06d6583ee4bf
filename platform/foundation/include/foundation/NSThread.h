#pragma once

#include <mutex>

// The thread that started the process is the main thread; the platform lets
// some objects be used there only.
class NSThread {
public:
    static bool isMainThread();
};

// A lock that its owner may take again, as the platform's recursive lock.
class NSRecursiveLock {
public:
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool tryLock() { return mutex_.try_lock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};
