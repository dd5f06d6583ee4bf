#pragma once

#include <memory>

class NSView;

// A switcher list that wants the keyboard: the main window makes its
// collection view the first responder while the list is shown.
class CollectionViewPresentable {
public:
    virtual ~CollectionViewPresentable() = default;

    // The list's collection view; nullptr once it is gone.
    virtual std::shared_ptr<NSView> collectionView() const = 0;
};
