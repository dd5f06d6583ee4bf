#pragma once

#include "AppKitTestFixture.h"
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSColor.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

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

inline Pixel pixelOf(CGFloat r, CGFloat g, CGFloat b, CGFloat a)
{
    auto channel = [](CGFloat v) { return int(std::lround(v * 255)); };
    return {channel(r), channel(g), channel(b), channel(a)};
}

// Equal within `tolerance` a channel (premultiplied storage rounds
// translucent colours).
inline ::testing::AssertionResult near(const Pixel& actual, const Pixel& expected, int tolerance = 2)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance && std::abs(actual.a - expected.a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not near " << expected;
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

// A window of the program with a content view, on the standard desktop in
// the light look, with a white background unless a test changes it.
class DrawingTest : public AppKitTest {
protected:
    std::shared_ptr<NSWindow> makeWindow(NSSize size, std::shared_ptr<NSView> content = nullptr)
    {
        auto window = std::make_shared<NSWindow>(NSRect{{100, 100}, size}, NSWindowStyleMaskBorderless);
        window->setContentView(content ? content : std::make_shared<NSView>());
        window->setBackgroundColor(NSColor::whiteColor());
        return window;
    }

    // Written where a person can look at them after the tests ran.
    static std::string snapshotPath(const std::string& name)
    {
        std::filesystem::path folder = std::filesystem::path(KESTROVA_BINARY_DIR) / "drawing-snapshots";
        std::filesystem::create_directories(folder);
        return (folder / (name + ".png")).string();
    }
};
