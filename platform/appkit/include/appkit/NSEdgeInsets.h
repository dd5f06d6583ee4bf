#pragma once

#include "appkit/AppKitDefines.h"

// Distances in from each edge of a rectangle, top and bottom as seen on
// screen whatever the flipping.
struct NSEdgeInsets {
    CGFloat top = 0;
    CGFloat left = 0;
    CGFloat bottom = 0;
    CGFloat right = 0;
    friend bool operator==(const NSEdgeInsets&, const NSEdgeInsets&) = default;
};

inline constexpr NSEdgeInsets NSEdgeInsetsZero{};

constexpr NSEdgeInsets NSEdgeInsetsMake(CGFloat top, CGFloat left, CGFloat bottom, CGFloat right)
{
    return {top, left, bottom, right};
}

inline bool NSEdgeInsetsEqual(NSEdgeInsets a, NSEdgeInsets b)
{
    return a == b;
}
