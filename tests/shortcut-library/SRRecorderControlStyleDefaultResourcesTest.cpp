// The library's own style resources: both info assets load, and every image
// that a recorder asks for resolves, in every environment, to the variant
// drawn for it.
#include "StyleResourceTestSupport.h"
#include "appkit/NSImage.h"
#include "foundation/Log.h"
#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const kImageNames[] = {
    "bezel-normal-left",     "bezel-normal-center",   "bezel-normal-right",    "bezel-pressed-left",
    "bezel-pressed-center",  "bezel-pressed-right",   "bezel-recording-left",  "bezel-recording-center",
    "bezel-recording-right", "bezel-disabled-left",   "bezel-disabled-center", "bezel-disabled-right",
    "button-cancel-normal",  "button-cancel-pressed", "button-clear-normal",   "button-clear-pressed",
};

NSSize sizeOfPiece(const std::string& name)
{
    if (name.starts_with("button-"))
        return {14, 14};
    return {name.ends_with("-center") ? 1.0 : 6.0, 22};
}

class SRRecorderControlStyleDefaultResourcesTest : public StyleResourceTest { };

TEST_F(SRRecorderControlStyleDefaultResourcesTest, BothStylesInfoAssetsLoad)
{
    SRRecorderControlStyleResourceLoader loader;
    auto mojave = loader.infoForStyle(TestStyle("sr-mojave", nullptr));
    auto yosemite = loader.infoForStyle(TestStyle("sr-yosemite", nullptr));
    // Ten variants for each look, then the bare identifier; the earlier style
    // has no dark aqua.
    EXPECT_EQ(mojave->supportedComponents().size(), 41u);
    EXPECT_EQ(yosemite->supportedComponents().size(), 31u);
    for (const auto& info : {mojave, yosemite}) {
        const auto& metrics = info->metrics();
        EXPECT_EQ(metrics.minSize, NSMakeSize(100, 22));
        // The bezel's shadow lies in the point below the alignment rectangle.
        EXPECT_EQ(metrics.alignmentInsets, NSEdgeInsetsMake(0, 0, 1, 0));
        EXPECT_GT(metrics.normalLabelAttributes[SRMinimalDrawableWidthAttributeName].doubleValue(), 0);
    }
}

TEST_F(SRRecorderControlStyleDefaultResourcesTest, EveryEnvironmentFindsEveryPieceInTheVariantDrawnForIt)
{
    static const char* const looks[] = {"", "-aqua", "-vibrantlight", "-darkaqua", "-vibrantdark"};
    SRRecorderControlStyleResourceLoader loader;
    for (NSUInteger appearance = 1; appearance <= 4; ++appearance)
        for (NSUInteger accessibility : {1ul, 2ul})
            for (NSUInteger direction : {1ul, 2ul})
                for (NSUInteger tint : {1ul, 2ul}) {
                    TestStyle style("sr-mojave", components(appearance, accessibility, direction, tint));
                    SCOPED_TRACE(style.effectiveComponents()->stringRepresentation().utf8());
                    for (const char* name : kImageNames) {
                        SCOPED_TRACE(name);
                        std::string piece = name;
                        std::string variant = std::string(looks[appearance]) + (accessibility == 2 ? "-acc" : "");
                        // The arrow of the cancel button points back, to the
                        // leading side; the recording ring is the tint.
                        if (piece.starts_with("button-cancel"))
                            variant += direction == 1 ? "-ltr" : "-rtl";
                        if (piece.starts_with("bezel-recording"))
                            variant += tint == 1 ? "-blue" : "-graphite";
                        auto image = loader.imageNamed(String(name), style);
                        ASSERT_TRUE(image);
                        EXPECT_TRUE(image->path().hasSuffix(String("/sr-mojave" + variant + "-" + piece + ".png")))
                            << image->path();
                        EXPECT_EQ(image->size(), sizeOfPiece(piece));
                        EXPECT_EQ(image->representations().size(), 2u);
                    }
                }
}

TEST_F(SRRecorderControlStyleDefaultResourcesTest, TheEarlierStyleDrawsDarkAquaWithItsVibrantDarkPieces)
{
    SRRecorderControlStyleResourceLoader loader;
    TestStyle style("sr-yosemite", components(3, 2, 2, 2));
    EXPECT_TRUE(loader.imageNamed("bezel-normal-left", style)
                    ->path()
                    .hasSuffix("/sr-yosemite-vibrantdark-acc-bezel-normal-left.png"));
    EXPECT_TRUE(loader.imageNamed("button-cancel-pressed", style)
                    ->path()
                    .hasSuffix("/sr-yosemite-vibrantdark-acc-rtl-button-cancel-pressed.png"));
}

TEST_F(SRRecorderControlStyleDefaultResourcesTest, ConcurrentRequestsWorkEachEntryOutOnce)
{
    ScopedLogCapture log;
    SRRecorderControlStyleResourceLoader loader;
    std::atomic<int> found{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&loader, &found, t] {
            TestStyle style("sr-mojave", components(1 + t % 4, 1, 1, 1));
            for (const char* name : kImageNames)
                if (loader.imageNamed(String(name), style))
                    ++found;
            loader.infoForStyle(style);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(found.load(), 8 * 16);
    auto texts = log.sink().texts();
    auto count = [&texts](const char* text) { return std::count(texts.begin(), texts.end(), std::string(text)); };
    EXPECT_EQ(count("Info is not in cache"), 1);
    EXPECT_EQ(count("Lookup prefixes are not in cache"), 4);
    EXPECT_EQ(count("Image name is not in cache"), 4 * 16);
    EXPECT_EQ(count("Image name is in cache"), 4 * 16);
}

}  // namespace
