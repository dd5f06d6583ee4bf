#pragma once

#include "appkit/AppKitDefines.h"

#include <memory>
#include <mutex>
#include <vector>

class NSWindow;

namespace detail {

// Every live window of the program, in the order they were made, as the
// window server knows them: by number, without keeping them alive.
class WindowList {
public:
    static WindowList& shared();

    // A fresh window number for a new window; numbers are never reused.
    NSInteger add(const std::shared_ptr<NSWindow>& window);
    void remove(const NSWindow* window);
    std::shared_ptr<NSWindow> windowWithNumber(NSInteger number) const;
    std::vector<std::shared_ptr<NSWindow>> windows() const;

private:
    struct Entry {
        NSInteger number = 0;
        const NSWindow* address = nullptr;
        std::weak_ptr<NSWindow> window;
    };
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    NSInteger nextNumber_ = 1;
};

}  // namespace detail
