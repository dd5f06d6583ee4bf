#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"

#include <memory>

// What a tracking area reports and when it is active, with the platform's
// bits. Only entering and leaving are reported here; the others are kept
// for the callers that pass them.
using NSTrackingAreaOptions = NSUInteger;
inline constexpr NSTrackingAreaOptions NSTrackingMouseEnteredAndExited = 0x01;
inline constexpr NSTrackingAreaOptions NSTrackingMouseMoved = 0x02;
inline constexpr NSTrackingAreaOptions NSTrackingCursorUpdate = 0x04;
inline constexpr NSTrackingAreaOptions NSTrackingActiveWhenFirstResponder = 0x10;
inline constexpr NSTrackingAreaOptions NSTrackingActiveInKeyWindow = 0x20;
inline constexpr NSTrackingAreaOptions NSTrackingActiveInActiveApp = 0x40;
inline constexpr NSTrackingAreaOptions NSTrackingActiveAlways = 0x80;
inline constexpr NSTrackingAreaOptions NSTrackingAssumeInside = 0x100;
inline constexpr NSTrackingAreaOptions NSTrackingInVisibleRect = 0x200;
inline constexpr NSTrackingAreaOptions NSTrackingEnabledDuringMouseDrag = 0x400;

// A rectangle of a view whose owner is told when the pointer enters and
// leaves it (mouseEntered: and mouseExited:, with the area in the event).
// The view that the area was added to decides where it lies; the owner is
// held weakly, as on the platform the view's owner outlives its areas.
//
// The window follows the pointer through the mouse events it is sent: each
// one moves the pointer, and every active area of its views that the
// pointer crossed is reported, areas left before areas entered.
class NSTrackingArea : public NSObject {
    KS_OBJECT(NSTrackingArea, NSObject)

public:
    NSTrackingArea(NSRect rect, NSTrackingAreaOptions options, const std::shared_ptr<NSObject>& owner,
                   Id userInfo = Id());

    NSRect rect() const { return rect_; }
    NSTrackingAreaOptions options() const { return options_; }
    std::shared_ptr<NSObject> owner() const { return owner_.lock(); }
    const Id& userInfo() const { return userInfo_; }

    // Internal: whether the pointer was inside at the last mouse event.
    bool isPointerInside() const { return inside_; }
    void setPointerInside(bool inside) { inside_ = inside; }

private:
    NSRect rect_;
    NSTrackingAreaOptions options_;
    std::weak_ptr<NSObject> owner_;
    Id userInfo_;
    bool inside_ = false;
};
