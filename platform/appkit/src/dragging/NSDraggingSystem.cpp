#include "appkit/NSDraggingSystem.h"

#include "appkit/NSPasteboard.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"

#include <algorithm>

NSDraggingSession::NSDraggingSession(std::shared_ptr<NSPasteboard> pasteboard, NSInteger sequenceNumber)
    : pasteboard_(std::move(pasteboard))
    , sequenceNumber_(sequenceNumber)
{
}

// What the destination sees: read from the system as the drag is now.
class NSDraggingSystem::Info : public NSDraggingInfo {
public:
    explicit Info(const NSDraggingSystem& system)
        : system_(system)
    {
    }

    std::shared_ptr<NSWindow> draggingDestinationWindow() const override { return system_.window_.lock(); }
    NSPoint draggingLocation() const override { return system_.location_; }
    std::shared_ptr<NSPasteboard> draggingPasteboard() const override { return system_.session_->draggingPasteboard(); }
    NSInteger draggingSequenceNumber() const override { return system_.session_->draggingSequenceNumber(); }
    Id draggingSource() const override { return Id(system_.source_); }
    NSDragOperation draggingSourceOperationMask() const override { return system_.sourceMask_; }

private:
    const NSDraggingSystem& system_;
};

namespace {

bool takesAnyOf(const NSView& view, const std::vector<NSPasteboardType>& types)
{
    for (const auto& type : view.registeredDraggedTypes())
        if (std::find(types.begin(), types.end(), type) != types.end())
            return true;
    return false;
}

// The view under the point that would hear of the drag.
std::shared_ptr<NSView> destinationAt(const std::shared_ptr<NSWindow>& window, NSPoint point, NSPasteboard& pasteboard)
{
    auto content = window ? window->contentView() : nullptr;
    if (!content || content->isHidden())
        return nullptr;
    auto types = pasteboard.types();
    for (auto view = content->hitTest(point); view; view = view->superview())
        if (dynamic_cast<NSDraggingDestination*>(view.get()) && takesAnyOf(*view, types))
            return view;
    return nullptr;
}

}  // namespace

NSDraggingSystem& NSDraggingSystem::shared()
{
    static auto* system = new NSDraggingSystem;
    return *system;
}

NSPoint NSDraggingSystem::screenPoint(NSPoint windowPoint) const
{
    auto window = window_.lock();
    NSPoint origin = window ? window->frame().origin : NSZeroPoint;
    return {origin.x + windowPoint.x, origin.y + windowPoint.y};
}

std::shared_ptr<NSDraggingSession> NSDraggingSystem::beginDrag(const std::shared_ptr<NSObject>& source,
                                                               const std::shared_ptr<NSWindow>& window,
                                                               NSPoint windowPoint)
{
    auto* draggingSource = dynamic_cast<NSDraggingSource*>(source.get());
    if (active_ || !draggingSource || !window)
        return nullptr;
    active_ = true;
    session_ = std::make_shared<NSDraggingSession>(NSPasteboard::pasteboardWithName(NSPasteboardNameDrag), ++sequence_);
    source_ = source;
    window_ = window;
    location_ = windowPoint;
    session_->setDraggingLocation(screenPoint(windowPoint));
    // Drops land in this program's windows only.
    sourceMask_ = draggingSource->draggingSessionSourceOperationMaskForDraggingContext(
        *session_, NSDraggingContextWithinApplication);
    auto session = session_;
    draggingSource->draggingSessionWillBeginAtPoint(*session, session->draggingLocation());
    return session;
}

bool NSDraggingSystem::beginDragFromOtherApplication(const std::shared_ptr<NSWindow>& window, NSPoint windowPoint,
                                                     NSDragOperation mask)
{
    if (active_ || !window)
        return false;
    active_ = true;
    session_ = std::make_shared<NSDraggingSession>(NSPasteboard::pasteboardWithName(NSPasteboardNameDrag), ++sequence_);
    source_.reset();
    window_ = window;
    sourceMask_ = mask;
    moveTo(windowPoint);
    return true;
}

void NSDraggingSystem::leaveDestination()
{
    if (auto left = std::exchange(destination_, nullptr)) {
        Info info(*this);
        dynamic_cast<NSDraggingDestination&>(*left).draggingExited(info);
    }
    destinationOperation_ = NSDragOperationNone;
}

void NSDraggingSystem::moveTo(NSPoint windowPoint)
{
    if (!active_)
        return;
    location_ = windowPoint;
    session_->setDraggingLocation(screenPoint(windowPoint));
    if (auto* source = dynamic_cast<NSDraggingSource*>(source_.get()))
        source->draggingSessionMovedToPoint(*session_, session_->draggingLocation());
    if (!active_)
        return;

    auto under = destinationAt(window_.lock(), windowPoint, *session_->draggingPasteboard());
    Info info(*this);
    NSDragOperation answer = NSDragOperationNone;
    if (under != destination_) {
        leaveDestination();
        destination_ = under;
        if (under)
            answer = dynamic_cast<NSDraggingDestination&>(*under).draggingEntered(info);
    } else if (under) {
        answer = dynamic_cast<NSDraggingDestination&>(*under).draggingUpdated(info);
    }
    // A destination can only do what the source allows.
    destinationOperation_ = answer & sourceMask_;
}

void NSDraggingSystem::drop(NSPoint windowPoint)
{
    if (!active_)
        return;
    moveTo(windowPoint);
    if (!active_)
        return;
    NSDragOperation performed = NSDragOperationNone;
    if (destination_ && destinationOperation_ != NSDragOperationNone) {
        auto target = std::exchange(destination_, nullptr);
        auto& destination = dynamic_cast<NSDraggingDestination&>(*target);
        Info info(*this);
        if (destination.prepareForDragOperation(info) && destination.performDragOperation(info)) {
            performed = destinationOperation_;
            destination.concludeDragOperation(info);
        }
    } else {
        leaveDestination();
    }
    end(windowPoint, performed);
}

void NSDraggingSystem::cancel()
{
    if (!active_)
        return;
    leaveDestination();
    end(location_, NSDragOperationNone);
}

void NSDraggingSystem::end(NSPoint windowPoint, NSDragOperation operation)
{
    // Cleared first, so that the source may begin another drag when told.
    auto session = std::exchange(session_, nullptr);
    auto source = std::exchange(source_, nullptr);
    NSPoint screen = screenPoint(windowPoint);
    active_ = false;
    destination_.reset();
    destinationOperation_ = NSDragOperationNone;
    window_.reset();
    lastOperation_ = operation;
    session->setDraggingLocation(screen);
    if (auto* draggingSource = dynamic_cast<NSDraggingSource*>(source.get()))
        draggingSource->draggingSessionEndedAtPoint(*session, screen, operation);
}
