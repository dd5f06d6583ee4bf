#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"

#include <memory>
#include <vector>

// One screen of the simulated desktop, in the framework's screen space
// (origin at the bottom left of the main screen, y upwards), where the
// desktop itself counts from the top left.
class NSScreen : public NSObject {
    KS_OBJECT(NSScreen, NSObject)

public:
    NSScreen(NSRect frame, NSRect visibleFrame);

    // The desktop's screens, the main one (with the menu bar) first.
    static std::vector<std::shared_ptr<NSScreen>> screens();
    // nullptr only on a desktop without screens.
    static std::shared_ptr<NSScreen> mainScreen();

    // The height of the menu bar, which the main screen's visible frame
    // leaves out.
    static constexpr CGFloat menuBarHeight = 24;

    NSRect frame() const { return frame_; }
    NSRect visibleFrame() const { return visibleFrame_; }
    CGFloat backingScaleFactor() const { return 2; }

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;

private:
    NSRect frame_;
    NSRect visibleFrame_;
};
