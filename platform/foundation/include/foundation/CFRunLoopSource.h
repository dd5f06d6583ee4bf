#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class NSRunLoop;
using CFIndex = long;

// An input source that whoever produces the input (the simulated system's
// event tap or hot keys, another thread) signals; the run loops it is in then
// call its perform callback once on their next pass. Signalling wakes them.
class CFRunLoopSource : public std::enable_shared_from_this<CFRunLoopSource> {
public:
    // Sources with a lower order are performed first in a pass.
    static std::shared_ptr<CFRunLoopSource> create(std::function<void()> perform, CFIndex order = 0);

    CFRunLoopSource(std::function<void()> perform, CFIndex order);
    CFRunLoopSource(const CFRunLoopSource&) = delete;
    CFRunLoopSource& operator=(const CFRunLoopSource&) = delete;
    ~CFRunLoopSource();

    // Safe from any thread.
    void signal();
    bool isSignalled() const { return signalled_.load(); }
    // Removes the source from every run loop and lets go of its callback; an
    // invalidated source is never performed again.
    void invalidate();
    bool isValid() const { return valid_.load(); }
    CFIndex order() const { return order_; }

private:
    friend class NSRunLoop;

    // Clears the signal and calls out when the source was signalled.
    bool performIfSignalled();
    void addedTo(NSRunLoop* runLoop);
    void removedFrom(NSRunLoop* runLoop);

    std::atomic<bool> signalled_{false};
    std::atomic<bool> valid_{true};
    CFIndex order_ = 0;
    mutable std::mutex mutex_;
    std::function<void()> perform_;
    std::vector<NSRunLoop*> runLoops_;
};
