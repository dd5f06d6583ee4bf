#pragma once

#include "appkit/NSDragging.h"

#include <memory>

class NSView;
class NSWindow;

// The system's side of drag and drop: one drag at a time, over one window
// of this program. A source begins it (a collection view once the pointer
// moves with a row pressed), and the pointer's moves and its release are
// handed on as they come; another application's drag comes in through
// beginDragFromOtherApplication, as the desktop brings it over a window.
//
// At each move the system finds the destination under the pointer: the
// deepest view there, or its nearest ancestor, that adopts
// NSDraggingDestination and registered a type the drag's pasteboard holds.
// It tells that view the drag entered, moved or left; the operation it
// answers, limited to what the source allows, is what a release performs.
// Escape while dragging cancels the drag (NSApplication hands it here).
// Either way the source hears the end, with the operation performed or
// None.
//
// Main thread only.
class NSDraggingSystem {
public:
    static NSDraggingSystem& shared();

    bool isDragging() const { return active_; }
    // The operation the last finished drag performed; None when it was
    // cancelled or no destination took it.
    NSDragOperation lastOperation() const { return lastOperation_; }

    // A drag of this program, its data already on the drag pasteboard,
    // pressed at `windowPoint` of `window`. The source (an NSObject adopting
    // NSDraggingSource) is told it will begin. Nullptr while another drag
    // is in progress.
    std::shared_ptr<NSDraggingSession> beginDrag(const std::shared_ptr<NSObject>& source,
                                                 const std::shared_ptr<NSWindow>& window, NSPoint windowPoint);
    // A drag of another application, its data already on the drag
    // pasteboard, entering `window` at `windowPoint`, allowing `mask`.
    bool beginDragFromOtherApplication(const std::shared_ptr<NSWindow>& window, NSPoint windowPoint,
                                       NSDragOperation mask);
    // The pointer, in the drag's window.
    void moveTo(NSPoint windowPoint);
    void drop(NSPoint windowPoint);
    void cancel();

private:
    class Info;

    void end(NSPoint windowPoint, NSDragOperation operation);
    void leaveDestination();
    NSPoint screenPoint(NSPoint windowPoint) const;

    bool active_ = false;
    NSDragOperation lastOperation_ = NSDragOperationNone;
    NSInteger sequence_ = 0;
    std::shared_ptr<NSDraggingSession> session_;
    std::shared_ptr<NSObject> source_;
    std::weak_ptr<NSWindow> window_;
    NSDragOperation sourceMask_ = NSDragOperationNone;
    std::shared_ptr<NSView> destination_;
    NSDragOperation destinationOperation_ = NSDragOperationNone;
    NSPoint location_ = NSZeroPoint;
};
