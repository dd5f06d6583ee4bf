#include "driver/DesktopSession.h"

#include "ShownViews.h"

#include "appkit/NSApplication.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSEvent.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSWindow.h"
#include "simulation/SimulatedDesktop.h"

#include <cmath>
#include <optional>
#include <string>

namespace {

using detail::shownList;
using detail::windowLookedAt;

NSPoint centre(NSRect rect)
{
    return NSMakePoint(rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2);
}

struct ClickTarget {
    std::shared_ptr<NSView> view;
    NSPoint point;
};

// Where the pointer shows `toolTip` in the tree: a rectangle of a view with
// that text first (a part of a control), else a view whose own tool tip it
// is.
std::optional<ClickTarget> placeWithToolTip(const std::shared_ptr<NSView>& view, const String& toolTip)
{
    if (!view || view->isHidden())
        return std::nullopt;
    for (const auto& [tag, rect] : view->toolTipRects()) {
        NSPoint point = centre(rect);
        if (view->toolTipAtPoint(point) == toolTip)
            return ClickTarget{view, point};
    }
    for (const auto& subview : view->subviews())
        if (auto found = placeWithToolTip(subview, toolTip))
            return found;
    if (view->toolTip() == toolTip)
        return ClickTarget{view, centre(view->bounds())};
    return std::nullopt;
}

}  // namespace

void DesktopSession::click(const DriverCommand& command)
{
    if (command.row == 0) {
        clickAt(command.x, command.y);
        return;
    }
    auto window = application_ ? windowLookedAt(*application_) : nullptr;
    auto list = window ? shownList(window->contentView()) : nullptr;
    if (!list) {
        transcript_.note("no list on screen");
        return;
    }
    NSInteger rows = list->numberOfItemsInSection(0);
    if (NSInteger(command.row) > rows) {
        transcript_.note("the list has " + std::to_string(rows) + " rows");
        return;
    }
    // The user scrolls to the row first.
    NSIndexPath indexPath(NSInteger(command.row) - 1, 0);
    list->scrollToItemsAtIndexPaths({indexPath}, NSCollectionViewScrollPositionNearestHorizontalEdge);
    auto item = list->itemAtIndexPath(indexPath);
    if (!item) {
        transcript_.note("row " + std::to_string(command.row) + " is not on screen");
        return;
    }
    ClickTarget target{list, centre(list->frameForItemAtIndexPath(indexPath))};
    if (!command.argument.empty()) {
        auto found = placeWithToolTip(item->view(), String(command.argument));
        if (!found) {
            transcript_.note("nothing in row " + std::to_string(command.row) + " has the tool tip \"" +
                             command.argument + "\"");
            return;
        }
        target = *found;
    }

    mouseClick(*window, target.view->convertPoint(target.point, nullptr));
}

void DesktopSession::clickAt(double x, double y)
{
    auto window = application_ ? windowLookedAt(*application_) : nullptr;
    if (!window) {
        transcript_.note("no window of the program on screen");
        return;
    }
    NSSize size = window->frame().size;
    if (x > size.width || y > size.height) {
        transcript_.note("the window is " + std::to_string(static_cast<long>(size.width)) + "x" +
                         std::to_string(static_cast<long>(size.height)));
        return;
    }
    // Window coordinates grow upwards from the bottom left corner.
    mouseClick(*window, NSPoint{x, size.height - y});
}

void DesktopSession::mouseClick(NSWindow& window, NSPoint at)
{
    // A click on a window of a program in the background brings the program
    // to the front first.
    auto desktop = simulation::SimulatedDesktop::current();
    if (pid_t own = desktop->ownProcess(); own && desktop->frontmostApplication() != own) {
        desktop->activate(own, simulation::ActivationRecord{.via = "click"});
        settle();
    }
    for (NSEventType type : {NSEventTypeLeftMouseDown, NSEventTypeLeftMouseUp})
        application_->sendEvent(NSEvent::mouseEventWithType(type, at, heldModifierFlags(), 0, window.windowNumber(),
                                                            Id(), 0, 1, type == NSEventTypeLeftMouseUp ? 0 : 1));
    settle();
}

void DesktopSession::snapshot(const std::string& file)
{
    auto window = application_ ? windowLookedAt(*application_) : nullptr;
    if (!window) {
        transcript_.note("no window of the program on screen");
        return;
    }
    NSSize size = window->frame().size;
    std::string what = window->className().utf8() + " " + std::to_string(static_cast<long>(size.width)) + "x" +
                       std::to_string(static_cast<long>(size.height));
    if (!window->writeSnapshot(String(file), window->backingScaleFactor())) {
        transcript_.note("snapshot of " + what + " not written to " + file);
        return;
    }
    transcript_.note("snapshot of " + what + " written to " + file);
}
