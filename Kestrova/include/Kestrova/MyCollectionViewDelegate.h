#pragma once

#include "foundation/NSIndexPath.h"

class NSCollectionView;

// A collection view's delegate that chooses items: Return on a
// MyCollectionView hands it the selected item. The main list's controller and
// the windows list's delegate adopt it beside NSCollectionViewDelegate.
class MyCollectionViewDelegate {
public:
    virtual ~MyCollectionViewDelegate() = default;

    virtual void chooseItem(NSCollectionView& collectionView, const NSIndexPath& indexPath) = 0;
};
