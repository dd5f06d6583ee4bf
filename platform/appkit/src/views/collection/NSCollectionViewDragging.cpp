#include "appkit/NSCollectionView.h"

#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSDraggingSystem.h"
#include "appkit/NSEvent.h"
#include "appkit/NSPasteboard.h"
#include "appkit/NSWindow.h"

#include <algorithm>

const String NSCollectionElementKindInterItemGapIndicator("NSCollectionElementKindInterItemGapIndicator");

namespace detail {

struct CollectionViewDragState {
    NSDragOperation localMask = NSDragOperationEvery;
    NSDragOperation externalMask = NSDragOperationNone;

    // The source side: the press that the delegate or the items declined
    // (nothing to drag until the button goes up), and the drag under way.
    bool pressDeclined = false;
    bool dragging = false;
    NSIndexPathSet draggedIndexPaths;

    // The destination side: where the delegate last accepted a drop.
    std::optional<std::pair<NSIndexPath, NSCollectionViewDropOperation>> dropTarget;
    std::shared_ptr<NSView> gapIndicator;
    NSIndexPath indicatorIndexPath;
    std::weak_ptr<NSCollectionViewItem> highlightedItem;
};

}  // namespace detail

namespace {

bool contains(NSRect rect, NSPoint point)
{
    return point.x >= rect.origin.x && point.x < rect.origin.x + rect.size.width && point.y >= rect.origin.y &&
           point.y < rect.origin.y + rect.size.height;
}

}  // namespace

detail::CollectionViewDragState& NSCollectionView::dragState()
{
    if (!dragState_)
        dragState_ = std::make_shared<detail::CollectionViewDragState>();
    return *dragState_;
}

NSDragOperation NSCollectionView::draggingSourceOperationMaskForLocal(bool local) const
{
    detail::CollectionViewDragState defaults;
    const auto& state = dragState_ ? *dragState_ : defaults;
    return local ? state.localMask : state.externalMask;
}

void NSCollectionView::setDraggingSourceOperationMask(NSDragOperation mask, bool local)
{
    (local ? dragState().localMask : dragState().externalMask) = mask;
}

std::pair<NSIndexPath, NSCollectionViewDropOperation> NSCollectionView::proposedDropAtPoint(NSPoint point)
{
    NSInteger sections = numberOfSections();
    if (!layout_ || sections == 0)
        return {NSIndexPath(0, 0), NSCollectionViewDropBefore};
    auto frameOf = [this](const NSIndexPath& indexPath) {
        auto attributes = layout_->layoutAttributesForItemAtIndexPath(indexPath);
        return attributes ? std::optional<NSRect>(attributes->frame) : std::nullopt;
    };
    for (NSInteger section = 0; section < sections; ++section) {
        NSInteger count = numberOfItemsInSection(section);
        for (NSInteger item = 0; item < count; ++item) {
            NSIndexPath indexPath(item, section);
            auto frame = frameOf(indexPath);
            if (!frame)
                continue;
            if (contains(*frame, point)) {
                // Items side by side split across, items in a column split
                // down.
                auto next = item + 1 < count ? frameOf(NSIndexPath(item + 1, section)) : std::nullopt;
                auto previous = item > 0 ? frameOf(NSIndexPath(item - 1, section)) : std::nullopt;
                bool acrossRow =
                    (next && next->origin.y == frame->origin.y) || (previous && previous->origin.y == frame->origin.y);
                CGFloat extent = acrossRow ? frame->size.width : frame->size.height;
                CGFloat offset = acrossRow ? point.x - frame->origin.x : point.y - frame->origin.y;
                if (offset < extent / 4)
                    return {indexPath, NSCollectionViewDropBefore};
                if (offset >= extent * 3 / 4)
                    return {NSIndexPath(item + 1, section), NSCollectionViewDropBefore};
                return {indexPath, NSCollectionViewDropOn};
            }
            // The first item that comes after the point in reading order.
            bool below = frame->origin.y > point.y;
            bool laterInRow = point.y >= frame->origin.y && point.y < frame->origin.y + frame->size.height &&
                              frame->origin.x >= point.x;
            if (below || laterInRow)
                return {indexPath, NSCollectionViewDropBefore};
        }
    }
    return {NSIndexPath(numberOfItemsInSection(sections - 1), sections - 1), NSCollectionViewDropBefore};
}

std::shared_ptr<NSView> NSCollectionView::dropGapIndicator() const
{
    return dragState_ ? dragState_->gapIndicator : nullptr;
}

// --- The source side ---

void NSCollectionView::mouseDragged(NSEvent& event)
{
    auto& state = dragState();
    auto& system = NSDraggingSystem::shared();
    if (state.dragging) {
        system.moveTo(event.locationInWindow());
        return;
    }
    auto window = this->window();
    auto pressedAt = window ? window->mouseDownLocation() : std::nullopt;
    if (state.pressDeclined || !pressedAt || system.isDragging())
        return;
    state.pressDeclined = true;

    auto pressed = indexPathForItemAtPoint(convertPointFromView(*pressedAt, nullptr));
    auto delegate = this->delegate();
    if (!pressed || !delegate)
        return;
    NSIndexPathSet dragged = selection_.containsObject(*pressed) ? selection_ : NSIndexPathSet{*pressed};
    if (!delegate->collectionViewCanDragItemsAtIndexPaths(*this, dragged, event))
        return;
    std::vector<Id> writers;
    NSIndexPathSet written;
    for (const auto& indexPath : dragged) {
        Id writer = delegate->collectionViewPasteboardWriterForItemAtIndexPath(*this, indexPath);
        if (writer.isNil())
            continue;
        writers.push_back(writer);
        written.addObject(indexPath);
    }
    auto pasteboard = NSPasteboard::pasteboardWithName(NSPasteboardNameDrag);
    pasteboard->clearContents();
    if (writers.empty() || !pasteboard->writeObjects(writers))
        return;

    state.pressDeclined = false;
    state.dragging = true;
    state.draggedIndexPaths = written;
    if (!system.beginDrag(shared_from_this(), window, *pressedAt)) {
        state.dragging = false;
        state.draggedIndexPaths = {};
        return;
    }
    system.moveTo(event.locationInWindow());
}

void NSCollectionView::mouseUp(NSEvent& event)
{
    auto& state = dragState();
    state.pressDeclined = false;
    if (state.dragging) {
        NSDraggingSystem::shared().drop(event.locationInWindow());
        return;
    }
    NSView::mouseUp(event);
}

NSDragOperation NSCollectionView::draggingSessionSourceOperationMaskForDraggingContext(NSDraggingSession&,
                                                                                       NSDraggingContext context)
{
    return draggingSourceOperationMaskForLocal(context == NSDraggingContextWithinApplication);
}

void NSCollectionView::draggingSessionWillBeginAtPoint(NSDraggingSession& session, NSPoint screenPoint)
{
    if (auto delegate = this->delegate())
        delegate->collectionViewDraggingSessionWillBeginAtPoint(*this, session, screenPoint,
                                                                dragState().draggedIndexPaths);
}

void NSCollectionView::draggingSessionEndedAtPoint(NSDraggingSession& session, NSPoint screenPoint,
                                                   NSDragOperation operation)
{
    auto& state = dragState();
    state.dragging = false;
    state.draggedIndexPaths = {};
    if (auto delegate = this->delegate())
        delegate->collectionViewDraggingSessionEndedAtPoint(*this, session, screenPoint, operation);
}

// --- The destination side ---

void NSCollectionView::showDropTarget(std::optional<std::pair<NSIndexPath, NSCollectionViewDropOperation>> target)
{
    auto& state = dragState();
    state.dropTarget = target;

    bool gap = target && target->second == NSCollectionViewDropBefore;
    if (state.gapIndicator && (!gap || state.indicatorIndexPath != target->first)) {
        state.gapIndicator->removeFromSuperview();
        state.gapIndicator.reset();
    }
    if (gap && !state.gapIndicator && layout_) {
        auto source = dataSource();
        auto attributes = layout_->layoutAttributesForInterItemGapBeforeIndexPath(target->first);
        auto indicator = source && attributes ? source->collectionViewViewForSupplementaryElementOfKindAtIndexPath(
                                                    *this, NSCollectionElementKindInterItemGapIndicator, target->first)
                                              : nullptr;
        if (indicator) {
            indicator->setFrame(attributes->frame);
            addSubview(indicator);
            state.gapIndicator = indicator;
            state.indicatorIndexPath = target->first;
        }
    }

    std::shared_ptr<NSCollectionViewItem> onItem;
    if (target && target->second == NSCollectionViewDropOn)
        onItem = itemAtIndexPath(target->first);
    auto highlighted = state.highlightedItem.lock();
    if (highlighted != onItem) {
        if (highlighted)
            highlighted->setHighlightState(NSCollectionViewItemHighlightNone);
        if (onItem)
            onItem->setHighlightState(NSCollectionViewItemHighlightAsDropTarget);
        state.highlightedItem = onItem;
    }
}

NSDragOperation NSCollectionView::validateDropAt(NSDraggingInfo& info)
{
    auto delegate = this->delegate();
    if (!delegate) {
        showDropTarget(std::nullopt);
        return NSDragOperationNone;
    }
    auto [indexPath, operation] = proposedDropAtPoint(convertPointFromView(info.draggingLocation(), nullptr));
    NSDragOperation answer = delegate->collectionViewValidateDrop(*this, info, indexPath, operation);
    if (answer == NSDragOperationNone)
        showDropTarget(std::nullopt);
    else
        showDropTarget(std::pair{indexPath, operation});
    return answer;
}

NSDragOperation NSCollectionView::draggingEntered(NSDraggingInfo& info)
{
    return validateDropAt(info);
}

NSDragOperation NSCollectionView::draggingUpdated(NSDraggingInfo& info)
{
    return validateDropAt(info);
}

void NSCollectionView::draggingExited(NSDraggingInfo&)
{
    showDropTarget(std::nullopt);
}

bool NSCollectionView::performDragOperation(NSDraggingInfo& info)
{
    auto target = dragState().dropTarget;
    showDropTarget(std::nullopt);
    auto delegate = this->delegate();
    return target && delegate && delegate->collectionViewAcceptDrop(*this, info, target->first, target->second);
}
