#include "DrawingTestSupport.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSFont.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSImage.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Text layout keeps its pango state per thread and images load their
// pixels under a lock: text and images drawn on several threads at once,
// one shared image among them, come out as they do on one.
TEST(DrawingConcurrentTest, TextAndImagesDrawTheSameOnSeveralThreadsAtOnce)
{
    auto icon = NSImage::generatedApplicationIcon("Safari");
    auto draw = [icon] {
        auto bitmap = std::make_shared<NSBitmapImageRep>(120, 40);
        ScopedCurrentContext scoped(NSGraphicsContext::graphicsContextWithBitmapImageRep(bitmap));
        icon->drawInRect(NSMakeRect(0, 0, 40, 40));
        drawAtPoint("Safari", {44, 10}, {{Id(NSFontAttributeName), Id(NSFont::boldSystemFontOfSize(15))}});
        return bitmap;
    };
    auto expected = draw();
    constexpr int kThreads = 4;
    std::vector<std::shared_ptr<NSBitmapImageRep>> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 5; ++round)
                results[std::size_t(i)] = draw();
        });
    for (auto& thread : threads)
        thread.join();
    for (const auto& result : results) {
        ASSERT_NE(result, nullptr);
        for (NSInteger y = 0; y < 40; ++y)
            for (NSInteger x = 0; x < 120; ++x)
                ASSERT_EQ(pixelAt(*result, x, y), pixelAt(*expected, x, y)) << x << ", " << y;
    }
}

}  // namespace
