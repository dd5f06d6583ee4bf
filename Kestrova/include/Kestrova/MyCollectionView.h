#pragma once

#include "appkit/NSCollectionView.h"

class NSEvent;

// The switcher's lists: Up and Down move a single selection through section
// 0, and Return hands the selected item to the delegate when it is a
// MyCollectionViewDelegate.
//
// The keys are taken in the key-equivalent pass, whatever the modifiers and
// whoever is first responder, once the items' views have declined them; the
// three moves are also responder actions (moveUp:, moveDown:,
// insertNewline:) that reach the list from any sender.
class MyCollectionView : public NSCollectionView {
    KS_OBJECT(MyCollectionView, NSCollectionView)

public:
    using NSCollectionView::NSCollectionView;

    bool performKeyEquivalent(NSEvent& event) override;

    void moveUp(const Id& sender);
    void moveDown(const Id& sender);
    void insertNewline(const Id& sender);

protected:
    static void describe(ClassDescriptor& d);

private:
    // Deselects everything, then selects the one item, telling the delegate
    // both as the user's own selecting would.
    void moveSelection(NSInteger target);
    // The item number of the selection's first index path; nullopt with
    // nothing selected.
    std::optional<NSInteger> selectedItem() const;
};
