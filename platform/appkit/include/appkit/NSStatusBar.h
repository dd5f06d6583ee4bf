#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"

#include <memory>
#include <mutex>
#include <vector>

class NSStatusItem;

// The menu bar's row of status items, from the right end of the main
// screen leftwards in the order they were made.
class NSStatusBar : public NSObject {
    KS_OBJECT(NSStatusBar, NSObject)

public:
    static NSStatusBar& systemStatusBar();

    // A new item; NSVariableStatusItemLength sizes it to its content.
    std::shared_ptr<NSStatusItem> statusItemWithLength(CGFloat length);
    void removeStatusItem(const std::shared_ptr<NSStatusItem>& item);
    // The items still alive, in order.
    std::vector<std::shared_ptr<NSStatusItem>> statusItems() const;
    CGFloat thickness() const { return 24; }

private:
    void layOut();

    mutable std::mutex mutex_;
    std::vector<std::weak_ptr<NSStatusItem>> items_;
};
