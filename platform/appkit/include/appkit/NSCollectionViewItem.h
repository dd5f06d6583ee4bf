#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSViewController.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

class NSCollectionView;
class NSImageView;
class NSTextField;

// How an item is marked while the user is about to change the selection,
// with the platform's values.
enum NSCollectionViewItemHighlightState : NSInteger {
    NSCollectionViewItemHighlightNone = 0,
    NSCollectionViewItemHighlightForSelection = 1,
    NSCollectionViewItemHighlightForDeselection = 2,
    NSCollectionViewItemHighlightAsDropTarget = 3,
};

// The controller of one element of a collection view: its view, what it
// shows (the represented object, and the image view and text field outlets
// most items have), and whether it is selected.
//
// Its view comes from the nib named nibName(), or, without a name, from the
// nib named after its class when there is one; the item is the nib's owner
// and keeps the nib's top-level objects for as long as it lives. Without a
// nib the view is a plain view, or whatever the view loader gives.
//
// The collection view sets `selected` as its selection changes and when it
// hands the item out; subclasses that restyle on selection override
// setSelected and call the inherited one first.
class NSCollectionViewItem : public NSViewController {
    KS_OBJECT(NSCollectionViewItem, NSViewController)

public:
    NSCollectionViewItem();
    ~NSCollectionViewItem() override;

    // The collection view that made the item; nullptr for an item made some
    // other way, or once that view is gone.
    std::shared_ptr<NSCollectionView> collectionView() const { return collectionView_.lock(); }

    std::shared_ptr<NSImageView> imageView() const { return imageView_.lock(); }
    void setImageView(const std::shared_ptr<NSImageView>& imageView) { imageView_ = imageView; }
    std::shared_ptr<NSTextField> textField() const { return textField_.lock(); }
    void setTextField(const std::shared_ptr<NSTextField>& textField) { textField_ = textField; }

    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    NSCollectionViewItemHighlightState highlightState() const { return highlightState_; }
    virtual void setHighlightState(NSCollectionViewItemHighlightState state);

    // Runs just before the collection view hands the item out again for
    // another index path. Nothing to undo here; subclasses clear what they
    // showed.
    virtual void prepareForReuse() { }

    void loadView() override;

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class NSCollectionView;

    std::weak_ptr<NSCollectionView> collectionView_;
    String reuseIdentifier_;
    std::weak_ptr<NSImageView> imageView_;
    std::weak_ptr<NSTextField> textField_;
    bool selected_ = false;
    NSCollectionViewItemHighlightState highlightState_ = NSCollectionViewItemHighlightNone;
    // The nib's top-level objects, which its weak outlets point into.
    std::vector<std::shared_ptr<NSObject>> nibObjects_;
};
