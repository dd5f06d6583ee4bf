#pragma once

#include "foundation/NSSet.h"
#include "foundation/String.h"

#include <compare>

// The address of one element of a sectioned list: a section and an item in
// it. A value, ordered by section and then by item, which is the order in
// which lists show their elements.
//
// The counts are word-sized signed integers (the framework's NSInteger), so
// that "no item" can be written as -1 where a caller needs it.
class NSIndexPath {
public:
    constexpr NSIndexPath() = default;
    constexpr NSIndexPath(long item, long section)
        : section_(section)
        , item_(item)
    {
    }
    static constexpr NSIndexPath indexPathForItem(long item, long section) { return NSIndexPath(item, section); }

    constexpr long item() const { return item_; }
    constexpr long section() const { return section_; }

    // Section first: every item of section 0 comes before those of section 1.
    friend constexpr auto operator<=>(const NSIndexPath&, const NSIndexPath&) = default;

    // "section-item", as in "0-3".
    String description() const;

private:
    long section_ = 0;
    long item_ = 0;
};

// Sets of index paths, as selections and drags hand them around.
using NSIndexPathSet = NSSet<NSIndexPath>;
