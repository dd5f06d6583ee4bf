#include "Kestrova/MyCollectionView.h"

#include "Kestrova/MyCollectionViewDelegate.h"
#include "appkit/NSEvent.h"

#include <algorithm>

namespace {

constexpr unsigned short kReturnKeyCode = 36;
constexpr unsigned short kDownArrowKeyCode = 125;
constexpr unsigned short kUpArrowKeyCode = 126;

}  // namespace

void MyCollectionView::describe(ClassDescriptor& d)
{
    d.method<MyCollectionView>("moveUp:", ReturnKind::Void, [](MyCollectionView& v, std::span<const Id> arguments) {
        v.moveUp(arguments[0]);
        return Id();
    });
    d.method<MyCollectionView>("moveDown:", ReturnKind::Void, [](MyCollectionView& v, std::span<const Id> arguments) {
        v.moveDown(arguments[0]);
        return Id();
    });
    d.method<MyCollectionView>("insertNewline:", ReturnKind::Void,
                               [](MyCollectionView& v, std::span<const Id> arguments) {
                                   v.insertNewline(arguments[0]);
                                   return Id();
                               });
}

bool MyCollectionView::performKeyEquivalent(NSEvent& event)
{
    if (NSCollectionView::performKeyEquivalent(event))
        return true;
    // Only the key counts: Shift-Down moves like Down.
    Id self(shared_from_this());
    switch (event.keyCode()) {
    case kReturnKeyCode:
        insertNewline(self);
        return true;
    case kDownArrowKeyCode:
        moveDown(self);
        return true;
    case kUpArrowKeyCode:
        moveUp(self);
        return true;
    default:
        return false;
    }
}

std::optional<NSInteger> MyCollectionView::selectedItem() const
{
    auto first = selectionIndexPaths().anyObject();
    if (!first)
        return std::nullopt;
    return first->item();
}

void MyCollectionView::moveDown(const Id&)
{
    NSInteger selected = selectedItem().value_or(-1);
    moveSelection(selected + 1);
}

void MyCollectionView::moveUp(const Id&)
{
    NSInteger selected = selectedItem().value_or(0);
    moveSelection(std::max<NSInteger>(selected - 1, 0));
}

void MyCollectionView::moveSelection(NSInteger target)
{
    // Counted as the data source has it; no data source holds nothing.
    auto source = dataSource();
    NSInteger count = source ? source->collectionViewNumberOfItemsInSection(*this, 0) : 0;
    // An empty list selects nothing and tells nobody; a move never goes
    // past the last item, up or down.
    if (count <= 0)
        return;
    target = std::min(target, count - 1);

    auto delegate = this->delegate();
    NSIndexPathSet previous = selectionIndexPaths();
    deselectItemsAtIndexPaths(previous);
    if (delegate)
        delegate->collectionViewDidDeselectItemsAtIndexPaths(*this, previous);

    auto chosen = NSIndexPathSet::setWithObject(NSIndexPath(target, 0));
    selectItemsAtIndexPaths(chosen, NSCollectionViewScrollPositionNearestHorizontalEdge);
    if (delegate)
        delegate->collectionViewDidSelectItemsAtIndexPaths(*this, chosen);
}

void MyCollectionView::insertNewline(const Id&)
{
    // Both held for the call: choosing may close the list and release them.
    auto self = shared_from_this();
    auto delegate = this->delegate();
    auto* chooser = dynamic_cast<MyCollectionViewDelegate*>(delegate.get());
    auto first = selectionIndexPaths().anyObject();
    if (!chooser || !first)
        return;
    chooser->chooseItem(*this, *first);
}
