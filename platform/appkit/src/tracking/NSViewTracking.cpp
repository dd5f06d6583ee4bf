#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSTrackingArea.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"
#include "foundation/NSException.h"

#include <algorithm>

namespace {

bool contains(NSRect rect, NSPoint point)
{
    return point.x >= rect.origin.x && point.x < rect.origin.x + rect.size.width && point.y >= rect.origin.y &&
           point.y < rect.origin.y + rect.size.height;
}

}  // namespace

void NSView::addTrackingArea(const std::shared_ptr<NSTrackingArea>& area)
{
    if (!area)
        NSException::raise(NSInvalidArgumentException, "Invalid parameter not satisfying: %s", "trackingArea");
    if (std::find(trackingAreas_.begin(), trackingAreas_.end(), area) == trackingAreas_.end())
        trackingAreas_.push_back(area);
}

void NSView::removeTrackingArea(const std::shared_ptr<NSTrackingArea>& area)
{
    std::erase(trackingAreas_, area);
}

NSToolTipTag NSView::addToolTipRect(NSRect rect, const std::shared_ptr<NSObject>& owner, void* userData)
{
    NSToolTipTag tag = ++lastToolTipTag_;
    toolTipRects_.push_back({.tag = tag, .rect = rect, .owner = owner, .userData = userData});
    return tag;
}

void NSView::removeToolTip(NSToolTipTag tag)
{
    std::erase_if(toolTipRects_, [tag](const ToolTipRect& entry) { return entry.tag == tag; });
}

void NSView::removeAllToolTips()
{
    toolTipRects_.clear();
}

std::vector<std::pair<NSToolTipTag, NSRect>> NSView::toolTipRects() const
{
    std::vector<std::pair<NSToolTipTag, NSRect>> rects;
    for (const auto& entry : toolTipRects_)
        rects.emplace_back(entry.tag, entry.rect);
    return rects;
}

String NSView::toolTipAtPoint(NSPoint point)
{
    for (auto it = toolTipRects_.rbegin(); it != toolTipRects_.rend(); ++it) {
        if (!contains(it->rect, point))
            continue;
        auto owner = it->owner.lock();
        if (auto* answering = dynamic_cast<NSViewToolTipOwner*>(owner.get()))
            return answering->viewStringForToolTip(*this, it->tag, point, it->userData);
        // An owner that gives no text (or is gone) shows nothing.
        return String();
    }
    return toolTip_;
}

namespace {

// Depth first, front to back does not matter here: every area is told.
void collectViews(const std::shared_ptr<NSView>& view, std::vector<std::shared_ptr<NSView>>& views)
{
    if (!view || view->isHidden())
        return;
    views.push_back(view);
    for (const auto& subview : view->subviews())
        collectViews(subview, views);
}

bool isActive(const NSTrackingArea& area, const NSView& view, const NSWindow& window, bool dragging)
{
    NSTrackingAreaOptions options = area.options();
    if (!(options & NSTrackingMouseEnteredAndExited))
        return false;
    if (dragging && !(options & NSTrackingEnabledDuringMouseDrag))
        return false;
    if (options & NSTrackingActiveAlways)
        return true;
    if (options & NSTrackingActiveInActiveApp)
        return NSApplication::sharedApplication()->isActive();
    if (options & NSTrackingActiveInKeyWindow)
        return window.isKeyWindow();
    if (options & NSTrackingActiveWhenFirstResponder)
        return window.firstResponder().get() == &view;
    return false;
}

}  // namespace

void NSWindow::trackPointer(NSEvent& event)
{
    mouseLocation_ = event.locationInWindow();
    std::vector<std::shared_ptr<NSView>> views;
    collectViews(contentView_, views);
    for (const auto& view : views) {
        if (view->trackedBounds_ && CGRectEqualToRect(*view->trackedBounds_, view->bounds()))
            continue;
        view->trackedBounds_ = view->bounds();
        view->updateTrackingAreas();
    }
    bool dragging = event.type() == NSEventTypeLeftMouseDragged || event.type() == NSEventTypeRightMouseDragged;
    struct Crossing {
        std::shared_ptr<NSTrackingArea> area;
        bool entered;
    };
    std::vector<Crossing> crossings;
    for (const auto& view : views) {
        NSPoint local = view->convertPointFromView(mouseLocation_, nullptr);
        // Copied: an owner may replace the areas while it is told.
        for (const auto& area : std::vector(view->trackingAreas())) {
            bool inside = isActive(*area, *view, *this, dragging) && contains(area->rect(), local);
            if (inside != area->isPointerInside())
                crossings.push_back({area, inside});
        }
    }
    // Areas left are told before areas entered, as the pointer leaves one
    // before it comes into the next.
    std::stable_partition(crossings.begin(), crossings.end(), [](const Crossing& c) { return !c.entered; });
    for (const auto& crossing : crossings) {
        crossing.area->setPointerInside(crossing.entered);
        auto owner = std::dynamic_pointer_cast<NSResponder>(crossing.area->owner());
        if (!owner)
            continue;
        auto told = NSEvent::enterExitEventWithType(crossing.entered ? NSEventTypeMouseEntered : NSEventTypeMouseExited,
                                                    mouseLocation_, event.modifierFlags(), event.timestamp(),
                                                    windowNumber_, crossing.area);
        if (crossing.entered)
            owner->mouseEntered(*told);
        else
            owner->mouseExited(*told);
    }
}
