#include "driver/DesktopSession.h"

#include "ShownViews.h"

#include "appkit/NSApplication.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSDraggingSystem.h"
#include "appkit/NSEvent.h"
#include "appkit/NSPasteboard.h"
#include "appkit/NSWindow.h"
#include "simulation/SimulatedDesktop.h"
#include "simulation/SimulatedKeyboard.h"

#include <string>

namespace {

std::string operationName(NSDragOperation operation)
{
    switch (operation) {
    case NSDragOperationNone:
        return "none";
    case NSDragOperationCopy:
        return "copy";
    case NSDragOperationLink:
        return "link";
    case NSDragOperationGeneric:
        return "generic";
    case NSDragOperationPrivate:
        return "private";
    case NSDragOperationMove:
        return "move";
    case NSDragOperationDelete:
        return "delete";
    default:
        return std::to_string(operation);
    }
}

}  // namespace

void DesktopSession::drag(const DriverCommand& command)
{
    std::shared_ptr<NSWindow> window = application_ ? application_->keyWindow() : nullptr;
    if (!window && application_ && !application_->orderedWindows().empty())
        window = application_->orderedWindows().front();
    // The first list that takes drops.
    auto takesDrops = [](const NSCollectionView& list) { return !list.registeredDraggedTypes().empty(); };
    auto list = window ? detail::shownList(window->contentView(), takesDrops) : nullptr;
    if (!list) {
        transcript_.note("no list on screen takes drops");
        return;
    }
    NSInteger rows = list->numberOfItemsInSection(0);
    if (NSInteger(command.dragRow) > rows || NSInteger(command.dragGap) > rows + 1) {
        transcript_.note("the list has " + std::to_string(rows) + " rows");
        return;
    }

    // Just inside the row after the gap, or inside the last row's far edge
    // for the gap after it: where the list proposes a drop before.
    auto frameOfRow = [&](NSInteger row) { return list->frameForItemAtIndexPath(NSIndexPath(row, 0)); };
    NSPoint gapPoint = NSMakePoint(list->bounds().size.width / 2, 1);
    if (rows > 0) {
        bool afterLast = NSInteger(command.dragGap) == rows + 1;
        NSRect row = frameOfRow(afterLast ? rows - 1 : NSInteger(command.dragGap) - 1);
        gapPoint = NSMakePoint(row.origin.x + row.size.width / 2,
                               afterLast ? row.origin.y + row.size.height - 1 : row.origin.y + 1);
    }
    gapPoint = list->convertPoint(gapPoint, nullptr);
    auto& dragging = NSDraggingSystem::shared();

    if (command.dragRow == 0) {
        auto pasteboard = NSPasteboard::pasteboardWithName(NSPasteboardNameDrag);
        pasteboard->clearContents();
        pasteboard->writeObjects({Id(String(command.argument))});
        // It comes in over the window's top edge.
        NSPoint entry = NSMakePoint(gapPoint.x, window->frame().size.height - 1);
        dragging.beginDragFromOtherApplication(window, entry, NSDragOperationEvery);
        dragging.moveTo(gapPoint);
        dragging.drop(gapPoint);
        settle();
        transcript_.note(dragging.lastOperation() == NSDragOperationNone
                             ? std::string("the list refuses the text")
                             : "the list takes the text (" + operationName(dragging.lastOperation()) + ")");
        return;
    }

    NSRect pressed = frameOfRow(NSInteger(command.dragRow) - 1);
    NSPoint start = list->convertPoint(
        NSMakePoint(pressed.origin.x + pressed.size.width / 2, pressed.origin.y + pressed.size.height / 2), nullptr);
    auto send = [&](NSEventType type, NSPoint at) {
        application_->sendEvent(NSEvent::mouseEventWithType(type, at, 0, 0, window->windowNumber(), Id(), 0, 1,
                                                            type == NSEventTypeLeftMouseUp ? 0 : 1));
    };
    send(NSEventTypeLeftMouseDown, start);
    send(NSEventTypeLeftMouseDragged, NSMakePoint(start.x + 4, start.y));
    bool began = dragging.isDragging();
    send(NSEventTypeLeftMouseDragged, gapPoint);
    if (command.flag) {
        auto desktop = simulation::SimulatedDesktop::current();
        constexpr unsigned short escapeKeyCode = 53;
        desktop->keyboard()->pressKey(escapeKeyCode, 0);
        // The key reaches the program on its main queue: it must arrive
        // while the drag is still on, or it would end the drag's window
        // instead (Escape in the switcher hides it).
        settle();
    }
    send(NSEventTypeLeftMouseUp, gapPoint);
    settle();
    if (!began)
        transcript_.note("the row can't be dragged");
    else if (command.flag)
        transcript_.note("the drag is cancelled");
    else if (dragging.lastOperation() == NSDragOperationNone)
        transcript_.note("the drop is refused");
    else
        transcript_.note("the drop is taken (" + operationName(dragging.lastOperation()) + ")");
}
