#include "appkit/NSCollectionView.h"

#include "appkit/NSApplication.h"
#include "appkit/NSClipView.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSEvent.h"
#include "appkit/NSNib.h"
#include "appkit/NSStoryboard.h"
#include "foundation/NSException.h"

#include <algorithm>
#include <utility>

namespace {

NSRect intersection(NSRect a, NSRect b)
{
    CGFloat left = std::max(a.origin.x, b.origin.x);
    CGFloat top = std::max(a.origin.y, b.origin.y);
    CGFloat right = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
    CGFloat bottom = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
    if (right <= left || bottom <= top)
        return NSZeroRect;
    return {{left, top}, {right - left, bottom - top}};
}

// Storyboards and nibs may name the collection view's classes; they are
// known from the moment a program that uses them is loaded.
const bool registeredForStoryboards = [] {
    NSStoryboard::registerClass<NSCollectionView>();
    NSStoryboard::registerClass<NSCollectionViewItem>();
    NSStoryboard::registerClass<NSCollectionViewLayout>();
    NSStoryboard::registerClass<NSCollectionViewGridLayout>();
    return true;
}();

}  // namespace

NSCollectionView::NSCollectionView(NSRect frame)
    : NSView(frame)
{
    (void)registeredForStoryboards;
}

NSCollectionView::~NSCollectionView() = default;

void NSCollectionView::describe(ClassDescriptor& d)
{
    d.property<NSCollectionView>(
        "dataSource", [](NSCollectionView& v) { return Id(std::dynamic_pointer_cast<NSObject>(v.dataSource())); },
        [](NSCollectionView& v, const Id& value) { v.setDataSource(value.object<NSCollectionViewDataSource>()); });
    d.property<NSCollectionView>(
        "delegate", [](NSCollectionView& v) { return Id(std::dynamic_pointer_cast<NSObject>(v.delegate())); },
        [](NSCollectionView& v, const Id& value) { v.setDelegate(value.object<NSCollectionViewDelegate>()); });
    d.property<NSCollectionView>(
        "collectionViewLayout", [](NSCollectionView& v) { return Id(v.collectionViewLayout()); },
        [](NSCollectionView& v, const Id& value) {
            v.setCollectionViewLayout(value.object<NSCollectionViewLayout>());
        });
    d.property<NSCollectionView>(
        "selectable", [](NSCollectionView& v) { return Id::boolean(v.isSelectable()); },
        [](NSCollectionView& v, const Id& value) { v.setSelectable(value.boolValue()); });
    d.property<NSCollectionView>(
        "allowsMultipleSelection", [](NSCollectionView& v) { return Id::boolean(v.allowsMultipleSelection()); },
        [](NSCollectionView& v, const Id& value) { v.setAllowsMultipleSelection(value.boolValue()); });
    d.property<NSCollectionView>(
        "allowsEmptySelection", [](NSCollectionView& v) { return Id::boolean(v.allowsEmptySelection()); },
        [](NSCollectionView& v, const Id& value) { v.setAllowsEmptySelection(value.boolValue()); });
}

// --- Content ---

void NSCollectionView::setDataSource(const std::shared_ptr<NSCollectionViewDataSource>& dataSource)
{
    dataSource_ = dataSource;
    reloadData();
}

void NSCollectionView::setCollectionViewLayout(const std::shared_ptr<NSCollectionViewLayout>& layout)
{
    if (layout_ == layout)
        return;
    if (layout_)
        layout_->collectionView_.reset();
    layout_ = layout;
    if (layout_)
        layout_->collectionView_ = std::static_pointer_cast<NSCollectionView>(shared_from_this());
    itemsNeedUpdate_ = true;
    setNeedsLayout(true);
}

void NSCollectionView::loadCountsIfNeeded()
{
    if (countsLoaded_)
        return;
    // Marked first: a data source that asks the view for its counts while
    // answering gets what is known so far rather than a loop.
    countsLoaded_ = true;
    itemCounts_.clear();
    auto source = dataSource();
    if (!source)
        return;
    NSInteger sections = std::max<NSInteger>(source->numberOfSectionsInCollectionView(*this), 0);
    for (NSInteger section = 0; section < sections; ++section)
        itemCounts_.push_back(std::max<NSInteger>(source->collectionViewNumberOfItemsInSection(*this, section), 0));
}

NSInteger NSCollectionView::numberOfSections()
{
    loadCountsIfNeeded();
    return NSInteger(itemCounts_.size());
}

NSInteger NSCollectionView::numberOfItemsInSection(NSInteger section)
{
    loadCountsIfNeeded();
    if (section < 0 || section >= NSInteger(itemCounts_.size()))
        return 0;
    return itemCounts_[std::size_t(section)];
}

bool NSCollectionView::addressesItem(const NSIndexPath& indexPath)
{
    return indexPath.item() >= 0 && indexPath.item() < numberOfItemsInSection(indexPath.section());
}

void NSCollectionView::reloadData()
{
    for (auto& [indexPath, item] : std::exchange(visibleItems_, {}))
        enqueueForReuse(item);
    countsLoaded_ = false;
    itemsNeedUpdate_ = true;
    setNeedsLayout(true);
    // The selection outlives a reload where it still names an item: the
    // switcher's lists reload after reordering and keep the row selected.
    if (!selection_.empty())
        selection_ = selection_.filtered([this](const NSIndexPath& indexPath) { return addressesItem(indexPath); });
}

// --- Items ---

void NSCollectionView::registerClass(const ClassDescriptor& itemClass, ItemFactory factory, const String& identifier)
{
    registrations_[identifier] = {&itemClass, std::move(factory), nullptr};
    reuseQueues_.erase(identifier);
}

void NSCollectionView::registerNib(const std::shared_ptr<NSNib>& nib, const String& identifier)
{
    if (nib)
        registrations_[identifier] = {nullptr, {}, nib};
    else
        registrations_.erase(identifier);
    reuseQueues_.erase(identifier);
}

std::shared_ptr<NSCollectionViewItem> NSCollectionView::itemFromNib(NSNib& nib, const String& identifier)
{
    NSNib::Objects objects;
    if (!nib.instantiateWithOwner(Id(), &objects))
        NSException::raise(NSInternalInconsistencyException, "Could not load the nib '%s' for item identifier '%s'",
                           nib.name().utf8().c_str(), identifier.utf8().c_str());
    auto found = std::find_if(objects.begin(), objects.end(), [](const std::shared_ptr<NSObject>& object) {
        return object && object->isKindOf<NSCollectionViewItem>();
    });
    if (found == objects.end())
        NSException::raise(NSInternalInconsistencyException,
                           "The nib '%s' for item identifier '%s' holds no NSCollectionViewItem",
                           nib.name().utf8().c_str(), identifier.utf8().c_str());
    auto item = std::static_pointer_cast<NSCollectionViewItem>(*found);
    objects.erase(found);
    item->nibObjects_ = std::move(objects);
    return item;
}

std::shared_ptr<NSCollectionViewItem> NSCollectionView::makeItemWithIdentifier(const String& identifier,
                                                                               const NSIndexPath&)
{
    if (auto queue = reuseQueues_.find(identifier); queue != reuseQueues_.end() && !queue->second.empty()) {
        auto item = std::move(queue->second.back());
        queue->second.pop_back();
        item->prepareForReuse();
        return item;
    }
    auto found = registrations_.find(identifier);
    if (found == registrations_.end())
        NSException::raise(NSInternalInconsistencyException,
                           "Could not make an item with identifier '%s': no class or nib is registered for it",
                           identifier.utf8().c_str());
    // Copied: making the item may register again.
    Registration registration = found->second;
    std::shared_ptr<NSCollectionViewItem> item;
    if (registration.nib)
        item = itemFromNib(*registration.nib, identifier);
    else if (registration.factory)
        item = registration.factory();
    if (!item || (registration.itemClass && !item->isKindOfClass(*registration.itemClass)))
        NSException::raise(NSInternalInconsistencyException,
                           "Could not make an item with identifier '%s': its class made no item of its kind",
                           identifier.utf8().c_str());
    item->collectionView_ = std::static_pointer_cast<NSCollectionView>(shared_from_this());
    item->reuseIdentifier_ = identifier;
    // Handed out with its view, as the platform does: the data source fills
    // in the outlets the view's nib connected.
    item->loadViewIfNeeded();
    return item;
}

void NSCollectionView::enqueueForReuse(const std::shared_ptr<NSCollectionViewItem>& item)
{
    if (item->isViewLoaded() && item->view()->superview().get() == this)
        item->view()->removeFromSuperview();
    // Items that did not come from makeItemWithIdentifier have nowhere to go.
    if (!item->reuseIdentifier_.empty())
        reuseQueues_[item->reuseIdentifier_].push_back(item);
}

NSRect NSCollectionView::visibleArea()
{
    auto self = std::static_pointer_cast<NSView>(shared_from_this());
    NSRect area = bounds();
    for (auto ancestor = superview(); ancestor; ancestor = ancestor->superview())
        area = intersection(area, ancestor->convertRect(ancestor->bounds(), self));
    return area;
}

void NSCollectionView::fitToClipView()
{
    auto clip = std::dynamic_pointer_cast<NSClipView>(superview());
    if (!clip || clip->documentView().get() != this)
        return;
    NSSize shown = clip->bounds().size;
    NSRect frame = this->frame();
    if (frame.size.width != shown.width)
        NSView::setFrame({frame.origin, {shown.width, frame.size.height}});
    CGFloat content = 0;
    if (layout_) {
        loadCountsIfNeeded();
        layout_->prepareLayout();
        content = layout_->collectionViewContentSize().height;
    }
    CGFloat height = std::max(content, shown.height);
    if (this->frame().size.height != height) {
        NSView::setFrame({this->frame().origin, {shown.width, height}});
        // A shorter content may leave the clip view scrolled past its end.
        clip->documentFrameDidChange();
    }
}

void NSCollectionView::updateVisibleItems()
{
    if (updatingItems_)
        return;
    fitToClipView();
    NSRect area = visibleArea();
    if (!itemsNeedUpdate_ && area == itemsArea_)
        return;
    updatingItems_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{updatingItems_};
    itemsNeedUpdate_ = false;
    itemsArea_ = area;

    loadCountsIfNeeded();
    std::map<NSIndexPath, NSRect> wanted;
    if (layout_) {
        layout_->prepareLayout();
        for (const auto& attributes : layout_->layoutAttributesForElementsInRect(area))
            if (attributes.representedElementCategory == NSCollectionElementCategoryItem && attributes.indexPath &&
                !attributes.hidden && addressesItem(*attributes.indexPath))
                wanted.emplace(*attributes.indexPath, attributes.frame);
    }

    // Items that left go back to their queues first, so that the ones that
    // come in can be made from them.
    for (auto it = visibleItems_.begin(); it != visibleItems_.end();) {
        if (wanted.contains(it->first)) {
            ++it;
            continue;
        }
        auto item = std::move(it->second);
        it = visibleItems_.erase(it);
        enqueueForReuse(item);
    }

    auto source = dataSource();
    auto self = std::static_pointer_cast<NSCollectionView>(shared_from_this());
    for (const auto& [indexPath, frame] : wanted) {
        std::shared_ptr<NSCollectionViewItem> item;
        if (auto visible = visibleItems_.find(indexPath); visible != visibleItems_.end()) {
            item = visible->second;
        } else {
            if (!source)
                break;
            item = source->collectionViewItemForRepresentedObjectAtIndexPath(*this, indexPath);
            if (!item)
                continue;
            item->collectionView_ = self;
            visibleItems_[indexPath] = item;
            item->setSelected(selection_.containsObject(indexPath));
        }
        auto view = item->view();
        view->setFrame(frame);
        if (view->superview() != self)
            addSubview(view);
    }
}

std::shared_ptr<NSCollectionViewItem> NSCollectionView::itemAtIndexPath(const NSIndexPath& indexPath)
{
    updateVisibleItems();
    auto found = visibleItems_.find(indexPath);
    return found == visibleItems_.end() ? nullptr : found->second;
}

std::optional<NSIndexPath> NSCollectionView::indexPathForItem(const NSCollectionViewItem& item)
{
    updateVisibleItems();
    for (const auto& [indexPath, visible] : visibleItems_)
        if (visible.get() == &item)
            return indexPath;
    return std::nullopt;
}

std::vector<std::shared_ptr<NSCollectionViewItem>> NSCollectionView::visibleItems()
{
    updateVisibleItems();
    std::vector<std::shared_ptr<NSCollectionViewItem>> items;
    for (const auto& [indexPath, item] : visibleItems_)
        items.push_back(item);
    return items;
}

NSIndexPathSet NSCollectionView::indexPathsForVisibleItems()
{
    updateVisibleItems();
    NSIndexPathSet indexPaths;
    for (const auto& [indexPath, item] : visibleItems_)
        indexPaths.addObject(indexPath);
    return indexPaths;
}

// --- Geometry ---

std::optional<NSCollectionViewLayoutAttributes>
NSCollectionView::layoutAttributesForItemAtIndexPath(const NSIndexPath& indexPath)
{
    return layout_ ? layout_->layoutAttributesForItemAtIndexPath(indexPath) : std::nullopt;
}

NSRect NSCollectionView::frameForItemAtIndexPath(const NSIndexPath& indexPath)
{
    auto attributes = layoutAttributesForItemAtIndexPath(indexPath);
    return attributes ? attributes->frame : NSZeroRect;
}

// --- Selection ---

void NSCollectionView::setItemsSelected(const NSIndexPathSet& indexPaths, bool selected)
{
    for (const auto& indexPath : indexPaths)
        if (auto visible = visibleItems_.find(indexPath); visible != visibleItems_.end())
            visible->second->setSelected(selected);
}

void NSCollectionView::setSelectionIndexPaths(const NSIndexPathSet& indexPaths)
{
    auto wanted = indexPaths.filtered([this](const NSIndexPath& indexPath) { return addressesItem(indexPath); });
    auto removed = selection_.filtered([&](const NSIndexPath& indexPath) { return !wanted.containsObject(indexPath); });
    auto added =
        wanted.filtered([this](const NSIndexPath& indexPath) { return !selection_.containsObject(indexPath); });
    selection_ = wanted;
    setItemsSelected(removed, false);
    setItemsSelected(added, true);
}

void NSCollectionView::selectItemsAtIndexPaths(const NSIndexPathSet& indexPaths,
                                               NSCollectionViewScrollPosition scrollPosition)
{
    auto valid = indexPaths.filtered([this](const NSIndexPath& indexPath) { return addressesItem(indexPath); });
    NSIndexPathSet added;
    for (const auto& indexPath : valid)
        if (selection_.addObject(indexPath))
            added.addObject(indexPath);
    setItemsSelected(added, true);
    if (scrollPosition != NSCollectionViewScrollPositionNone && !valid.empty())
        scrollToItemsAtIndexPaths(valid, scrollPosition);
}

void NSCollectionView::deselectItemsAtIndexPaths(const NSIndexPathSet& indexPaths)
{
    NSIndexPathSet removed;
    for (const auto& indexPath : indexPaths)
        if (selection_.removeObject(indexPath))
            removed.addObject(indexPath);
    setItemsSelected(removed, false);
}

void NSCollectionView::scrollToItemsAtIndexPaths(const NSIndexPathSet& indexPaths,
                                                 NSCollectionViewScrollPosition scrollPosition)
{
    auto clip = std::dynamic_pointer_cast<NSClipView>(superview());
    if (!clip || clip->documentView().get() != this || !layout_)
        return;
    fitToClipView();
    NSRect target = CGRectNull;
    for (const auto& indexPath : indexPaths)
        if (auto attributes = layout_->layoutAttributesForItemAtIndexPath(indexPath))
            target = CGRectUnion(target, attributes->frame);
    if (CGRectIsNull(target))
        return;

    NSRect shown = {clip->scrollPosition(), clip->bounds().size};
    // Where one axis should start: the item at the near edge, centred, at
    // the far edge, or (nearest) moved only as far as it takes.
    enum class Place { Keep, Start, Centre, End, Nearest };
    auto along = [](Place place, CGFloat start, CGFloat length, CGFloat itemStart, CGFloat itemLength) {
        switch (place) {
        case Place::Keep:
            return start;
        case Place::Start:
            return itemStart;
        case Place::Centre:
            return itemStart + itemLength / 2 - length / 2;
        case Place::End:
            return itemStart + itemLength - length;
        case Place::Nearest:
            if (itemStart < start || itemLength > length)
                return itemStart;
            if (itemStart + itemLength > start + length)
                return itemStart + itemLength - length;
            return start;
        }
        return start;
    };
    auto vertical = Place::Keep;
    if (scrollPosition & NSCollectionViewScrollPositionTop)
        vertical = Place::Start;
    else if (scrollPosition & NSCollectionViewScrollPositionCenteredVertically)
        vertical = Place::Centre;
    else if (scrollPosition & NSCollectionViewScrollPositionBottom)
        vertical = Place::End;
    else if (scrollPosition & NSCollectionViewScrollPositionNearestHorizontalEdge)
        vertical = Place::Nearest;
    bool rightToLeft = userInterfaceLayoutDirection() == NSUserInterfaceLayoutDirectionRightToLeft;
    auto horizontal = Place::Keep;
    if (scrollPosition & NSCollectionViewScrollPositionLeft)
        horizontal = Place::Start;
    else if (scrollPosition & NSCollectionViewScrollPositionCenteredHorizontally)
        horizontal = Place::Centre;
    else if (scrollPosition & NSCollectionViewScrollPositionRight)
        horizontal = Place::End;
    else if (scrollPosition & NSCollectionViewScrollPositionLeadingEdge)
        horizontal = rightToLeft ? Place::End : Place::Start;
    else if (scrollPosition & NSCollectionViewScrollPositionTrailingEdge)
        horizontal = rightToLeft ? Place::Start : Place::End;
    else if (scrollPosition & NSCollectionViewScrollPositionNearestVerticalEdge)
        horizontal = Place::Nearest;

    NSPoint point = {
        along(horizontal, shown.origin.x, shown.size.width, target.origin.x, target.size.width),
        along(vertical, shown.origin.y, shown.size.height, target.origin.y, target.size.height),
    };
    clip->scrollToPoint(point);
}

// --- View ---

void NSCollectionView::setFrame(NSRect frame)
{
    if (frame == this->frame())
        return;
    NSView::setFrame(frame);
    itemsNeedUpdate_ = true;
    // Scrolling moves the view in its clip view: other items come into view.
    setNeedsLayout(true);
}

void NSCollectionView::layout()
{
    NSView::layout();
    updateVisibleItems();
}

std::optional<NSIndexPath> NSCollectionView::indexPathForItemAtPoint(NSPoint point)
{
    if (!layout_)
        return std::nullopt;
    loadCountsIfNeeded();
    layout_->prepareLayout();
    for (const auto& attributes : layout_->layoutAttributesForElementsInRect({point, {1, 1}}))
        if (attributes.representedElementCategory == NSCollectionElementCategoryItem && attributes.indexPath &&
            !attributes.hidden && CGRectContainsPoint(attributes.frame, point) && addressesItem(*attributes.indexPath))
            return attributes.indexPath;
    return std::nullopt;
}

void NSCollectionView::userSelect(NSIndexPathSet deselect, NSIndexPathSet select)
{
    auto delegate = this->delegate();
    if (!deselect.empty()) {
        deselectItemsAtIndexPaths(deselect);
        if (delegate)
            delegate->collectionViewDidDeselectItemsAtIndexPaths(*this, deselect);
    }
    if (!select.empty()) {
        selectItemsAtIndexPaths(select, NSCollectionViewScrollPositionNone);
        if (delegate)
            delegate->collectionViewDidSelectItemsAtIndexPaths(*this, select);
    }
}

void NSCollectionView::mouseDown(NSEvent& event)
{
    if (!selectable_)
        return;
    // Held for the call: a delegate may let go of the list.
    auto self = shared_from_this();
    auto indexPath = indexPathForItemAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
    if (!indexPath) {
        if (allowsEmptySelection_ && !selection_.empty())
            userSelect(selection_, {});
        return;
    }
    if (allowsMultipleSelection_ && (event.modifierFlags() & NSEventModifierFlagCommand)) {
        if (!selection_.containsObject(*indexPath)) {
            userSelect({}, NSIndexPathSet::setWithObject(*indexPath));
        } else if (allowsEmptySelection_ || selection_.count() > 1) {
            userSelect(NSIndexPathSet::setWithObject(*indexPath), {});
        }
        return;
    }
    auto others = selection_.filtered([&](const NSIndexPath& selected) { return selected != *indexPath; });
    NSIndexPathSet added;
    if (!selection_.containsObject(*indexPath))
        added.addObject(*indexPath);
    userSelect(others, added);
}

bool NSCollectionView::performKeyEquivalent(NSEvent& event)
{
    // The items' views are the subviews that may take the key.
    updateVisibleItems();
    return NSView::performKeyEquivalent(event);
}
