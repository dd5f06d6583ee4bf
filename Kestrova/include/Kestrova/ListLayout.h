#pragma once

#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSView.h"
#include "foundation/String.h"

#include <memory>

// How the program's lists lay out their rows: one column, each row as wide
// as the list and as high as a row made from its nib wants to be.

// The size that an item of class Item made from the nib wants.
template <class Item> NSSize fittingSizeOfItem(const String& nibName)
{
    auto item = std::make_shared<Item>();
    item->setNibName(nibName);
    return item->view()->fittingSize();
}

// One column of rows of this size, each stretched to the list's width.
inline void useOneColumn(NSCollectionViewGridLayout& layout, NSSize row)
{
    layout.setMaximumNumberOfColumns(1);
    layout.setMinimumItemSize(row);
    layout.setMaximumItemSize({0, row.height});
}
