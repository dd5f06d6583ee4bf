#pragma once

// Reading a snapshot's pixels, for tests that check what was drawn.

#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSColor.h"

#include <cmath>
#include <functional>
#include <ostream>

// One pixel, unpremultiplied, 0 to 255 a channel.
struct Pixel {
    int r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const Pixel&, const Pixel&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Pixel& p)
    {
        return out << "rgba(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
    }
};

inline Pixel pixelAt(const NSBitmapImageRep& bitmap, NSInteger x, NSInteger y)
{
    auto color = bitmap.colorAtX(x, y);
    if (!color)
        return {-1, -1, -1, -1};
    auto c = color->components();
    auto channel = [](CGFloat v) { return int(std::lround(v * 255)); };
    return {channel(c[0]), channel(c[1]), channel(c[2]), channel(c[3])};
}

// The pixels of a rectangle (in pixels, from the top left) that pass.
inline int countPixels(const NSBitmapImageRep& bitmap, NSInteger x0, NSInteger y0, NSInteger x1, NSInteger y1,
                       const std::function<bool(const Pixel&)>& test)
{
    int count = 0;
    for (NSInteger y = y0; y < y1; ++y)
        for (NSInteger x = x0; x < x1; ++x)
            if (test(pixelAt(bitmap, x, y)))
                ++count;
    return count;
}
