#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"

#include <memory>

class NSPasteboard;
class NSWindow;

// What a drop does with the data, with the platform's bits. A source offers
// a mask of them; a destination answers the one it would perform.
using NSDragOperation = NSUInteger;
inline constexpr NSDragOperation NSDragOperationNone = 0;
inline constexpr NSDragOperation NSDragOperationCopy = 1;
inline constexpr NSDragOperation NSDragOperationLink = 2;
inline constexpr NSDragOperation NSDragOperationGeneric = 4;
inline constexpr NSDragOperation NSDragOperationPrivate = 8;
inline constexpr NSDragOperation NSDragOperationMove = 16;
inline constexpr NSDragOperation NSDragOperationDelete = 32;
inline constexpr NSDragOperation NSDragOperationEvery = ~NSUInteger(0);

// Where a drop would land, as the source sees it.
enum NSDraggingContext : NSInteger {
    NSDraggingContextOutsideApplication = 0,
    NSDraggingContextWithinApplication = 1,
};

// One drag in progress, from the moment its source began it until it ended.
class NSDraggingSession : public NSObject {
    KS_OBJECT(NSDraggingSession, NSObject)

public:
    NSDraggingSession(std::shared_ptr<NSPasteboard> pasteboard, NSInteger sequenceNumber);

    std::shared_ptr<NSPasteboard> draggingPasteboard() const { return pasteboard_; }
    NSInteger draggingSequenceNumber() const { return sequenceNumber_; }
    // The pointer, in screen coordinates.
    NSPoint draggingLocation() const { return location_; }
    void setDraggingLocation(NSPoint location) { location_ = location; }

private:
    std::shared_ptr<NSPasteboard> pasteboard_;
    NSInteger sequenceNumber_;
    NSPoint location_ = NSZeroPoint;
};

// What a destination learns of the drag over it.
class NSDraggingInfo {
public:
    virtual ~NSDraggingInfo() = default;

    virtual std::shared_ptr<NSWindow> draggingDestinationWindow() const = 0;
    // The pointer, in the destination window's coordinates.
    virtual NSPoint draggingLocation() const = 0;
    virtual std::shared_ptr<NSPasteboard> draggingPasteboard() const = 0;
    virtual NSInteger draggingSequenceNumber() const = 0;
    // The object that began the drag when it is of this program; nil for a
    // drag from another application.
    virtual Id draggingSource() const = 0;
    virtual NSDragOperation draggingSourceOperationMask() const = 0;
};

// A view that takes drops. The system asks only views that registered for
// a type the drag's pasteboard holds (registerForDraggedTypes). Every
// method is optional: by default a view takes nothing.
class NSDraggingDestination {
public:
    virtual ~NSDraggingDestination() = default;

    // The operation the view would perform here; None refuses the drop.
    virtual NSDragOperation draggingEntered(NSDraggingInfo& /*info*/) { return NSDragOperationNone; }
    virtual NSDragOperation draggingUpdated(NSDraggingInfo& info) { return draggingEntered(info); }
    // The drag left the view, or was cancelled over it.
    virtual void draggingExited(NSDraggingInfo& /*info*/) { }
    // Released over the view with an operation it answered: prepare, then
    // perform (true when the drop was taken), then conclude if it was.
    virtual bool prepareForDragOperation(NSDraggingInfo& /*info*/) { return true; }
    virtual bool performDragOperation(NSDraggingInfo& /*info*/) { return false; }
    virtual void concludeDragOperation(NSDraggingInfo& /*info*/) { }
};

// The object a drag comes from. Told when it begins and ends; asked which
// operations it allows, inside this program or outside it.
class NSDraggingSource {
public:
    virtual ~NSDraggingSource() = default;

    virtual NSDragOperation draggingSessionSourceOperationMaskForDraggingContext(NSDraggingSession& session,
                                                                                 NSDraggingContext context) = 0;
    virtual void draggingSessionWillBeginAtPoint(NSDraggingSession& /*session*/, NSPoint /*screenPoint*/) { }
    virtual void draggingSessionMovedToPoint(NSDraggingSession& /*session*/, NSPoint /*screenPoint*/) { }
    // The operation the destination performed; None for a drag that was
    // cancelled or refused.
    virtual void draggingSessionEndedAtPoint(NSDraggingSession& /*session*/, NSPoint /*screenPoint*/,
                                             NSDragOperation /*operation*/)
    {
    }
};
