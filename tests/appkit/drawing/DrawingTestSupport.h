#pragma once

#include "AppKitTestFixture.h"
#include "PixelTestSupport.h"
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
