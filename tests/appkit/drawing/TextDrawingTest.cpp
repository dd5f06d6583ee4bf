#include "DrawingTestSupport.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSFont.h"
#include "appkit/NSParagraphStyle.h"
#include "appkit/NSTextField.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

bool inked(const Pixel& p)
{
    return p.a > 0 && (p.r < 160 || p.g < 160 || p.b < 160);
}

// The smallest rectangle (in pixels, from the top left) holding the inked
// pixels; empty when there are none.
struct InkBox {
    NSInteger left = 0, top = 0, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

InkBox inkBox(const NSBitmapImageRep& bitmap, const std::function<bool(const Pixel&)>& test = inked)
{
    InkBox box{bitmap.pixelsWide(), bitmap.pixelsHigh(), -1, -1};
    for (NSInteger y = 0; y < bitmap.pixelsHigh(); ++y)
        for (NSInteger x = 0; x < bitmap.pixelsWide(); ++x)
            if (test(pixelAt(bitmap, x, y))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// Draws a string at the origin of its bounds with drawAtPoint.
class StringView : public NSView {
public:
    StringView(NSRect frame, String text, bool flipped)
        : NSView(frame)
        , text_(std::move(text))
        , flipped_(flipped)
    {
    }
    bool isFlipped() const override { return flipped_; }
    void drawRect(NSRect) override
    {
        drawAtPoint(text_, NSZeroPoint, {{Id(NSFontAttributeName), Id(NSFont::boldSystemFontOfSize(24))}});
    }

private:
    String text_;
    bool flipped_;
};

class FlippedView : public NSView {
public:
    using NSView::NSView;
    bool isFlipped() const override { return true; }
};

using TextDrawingTest = DrawingTest;

TEST_F(TextDrawingTest, TextReadsUprightFromTheOriginInFlippedAndUnflippedViews)
{
    for (bool flipped : {false, true}) {
        SCOPED_TRACE(flipped ? "flipped" : "unflipped");
        auto window = makeWindow({60, 60}, std::make_shared<StringView>(NSMakeRect(0, 0, 60, 60), "T", flipped));
        auto snapshot = window->snapshot(1);
        ASSERT_NE(snapshot, nullptr);
        InkBox box = inkBox(*snapshot);
        ASSERT_FALSE(box.empty());
        // The point is the top left of the text when flipped, its bottom
        // left when not.
        if (flipped)
            EXPECT_LT(box.bottom, 30);
        else
            EXPECT_GT(box.top, 30);
        // A T's bar is its widest row, and upright it is the top one.
        auto width = [&](NSInteger row) { return countPixels(*snapshot, 0, row, 60, row + 1, inked); };
        EXPECT_GT(width(box.top), 3 * width(box.bottom));
    }
}

TEST_F(TextDrawingTest, LabelsDrawTheirTextInsideTheirFrameOnly)
{
    struct Case {
        const char* name;
        NSTextAlignment alignment;
        NSLineBreakMode lineBreak;
        String text;
    };
    const Case cases[] = {
        {"left", NSTextAlignmentLeft, NSLineBreakByClipping, "Safari"},
        {"right", NSTextAlignmentRight, NSLineBreakByClipping, "Safari"},
        {"centred", NSTextAlignmentCenter, NSLineBreakByClipping, "Safari"},
        {"clipped", NSTextAlignmentLeft, NSLineBreakByClipping, "Activity Monitor and a long name besides"},
        {"truncated", NSTextAlignmentLeft, NSLineBreakByTruncatingTail, "Activity Monitor and a long name besides"},
    };
    // In a 40-point window either way up, this frame spans the same rows.
    const NSRect frame = NSMakeRect(20, 10, 100, 20);
    for (bool flipped : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (flipped ? ", in a flipped view" : ""));
            std::shared_ptr<NSView> content = flipped ? std::make_shared<FlippedView>(NSMakeRect(0, 0, 140, 40))
                                                      : std::make_shared<NSView>(NSMakeRect(0, 0, 140, 40));
            auto label = NSTextField::labelWithString(c.text);
            label->setAlignment(c.alignment);
            label->setLineBreakMode(c.lineBreak);
            label->setFrame(frame);
            content->addSubview(label);
            auto snapshot = makeWindow({140, 40}, content)->snapshot(2);
            ASSERT_NE(snapshot, nullptr);
            if (c.lineBreak == NSLineBreakByTruncatingTail && !flipped)
                snapshot->writePNGToFile(snapshotPath("label-truncated"));
            InkBox box = inkBox(*snapshot);
            ASSERT_FALSE(box.empty());
            // In pixels at scale 2, from the top: the frame spans x 40-240 and
            // rows 20-60.
            EXPECT_GE(box.left, 40);
            EXPECT_LT(box.right, 240);
            EXPECT_GE(box.top, 20);
            EXPECT_LT(box.bottom, 60);
            // Where the text sits along the line.
            CGFloat middle = (box.left + box.right) / 2.0;
            switch (c.alignment) {
            case NSTextAlignmentRight:
                EXPECT_GT(box.right, 225);
                EXPECT_GT(box.left, 140);
                break;
            case NSTextAlignmentCenter:
                EXPECT_NEAR(middle, 140, 4);
                break;
            default:
                EXPECT_LE(box.left, 48) << "two points of inset, then the glyph's own side bearing";
                break;
            }
            // The text sits at the top of a frame taller than its line.
            EXPECT_LT(box.top, 20 + 8);
        }
}

TEST_F(TextDrawingTest, LabelsAskForTheSizeOfTheirText)
{
    auto label = NSTextField::labelWithString("Safari");
    auto font = label->font();
    NSSize size = label->intrinsicContentSize();
    NSSize text = sizeWithAttributes("Safari", {{Id(NSFontAttributeName), Id(font)}});
    EXPECT_EQ(size.width, std::ceil(text.width) + 4);
    EXPECT_EQ(size.height, std::ceil(font->lineHeight()));
    EXPECT_EQ(label->frame().size, size) << "made at its size";

    label->setStringValue("Safari Technology Preview");
    EXPECT_GT(label->intrinsicContentSize().width, size.width);
    label->setFont(NSFont::systemFontOfSize(26));
    EXPECT_EQ(label->intrinsicContentSize().height, std::ceil(NSFont::systemFontOfSize(26)->lineHeight()));
    label->setStringValue("");
    EXPECT_EQ(label->intrinsicContentSize().width, 4);
    EXPECT_GT(label->intrinsicContentSize().height, 0) << "an empty label still has a line";

    auto wrapping = NSTextField::wrappingLabelWithString("Press an application's shortcut to switch to it");
    wrapping->setPreferredMaxLayoutWidth(120);
    EXPECT_LE(wrapping->intrinsicContentSize().width, 120);
    EXPECT_GT(wrapping->intrinsicContentSize().height, 2 * size.height);

    auto field = NSTextField::textFieldWithString("typed");
    EXPECT_EQ(field->intrinsicContentSize().width, NSViewNoIntrinsicMetric) << "a field grows with its text";
    EXPECT_GT(field->intrinsicContentSize().height, size.height) << "and has room for its bezel";
}

TEST_F(TextDrawingTest, ChangingALabelsTextRedrawsIt)
{
    auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 100, 30));
    auto label = NSTextField::labelWithString("Mail");
    label->setFrameOrigin({0, 5});
    content->addSubview(label);
    auto window = makeWindow({100, 30}, content);
    window->displayIfNeeded();
    InkBox before = inkBox(*window->snapshot(window->backingScaleFactor()));
    label->setStringValue("Mail and Calendar");
    label->setFrameSize(label->intrinsicContentSize());
    EXPECT_TRUE(label->needsDisplay());
    InkBox after = inkBox(*window->snapshot(window->backingScaleFactor()));
    EXPECT_GT(after.right, before.right + 40);
}

TEST_F(TextDrawingTest, AttributeRunsSplitAndJoinOverTheText)
{
    auto red = NSColor::redColor();
    auto font = NSFont::boldSystemFontOfSize(12);
    NSMutableAttributedString text("Hello, world", {{Id(NSFontAttributeName), Id(font)}});
    text.addAttribute(NSForegroundColorAttributeName, Id(red), NSMakeRange(7, 5));
    ASSERT_EQ(text.runs().size(), 2u);
    NSRange range;
    EXPECT_EQ(text.attributeAtIndex(NSForegroundColorAttributeName, 8, &range).object<NSColor>(), red);
    EXPECT_EQ(range, NSMakeRange(7, 5));
    EXPECT_EQ(text.attributeAtIndex(NSFontAttributeName, 8).object<NSFont>(), font);
    EXPECT_TRUE(text.attributeAtIndex(NSForegroundColorAttributeName, 3, &range).isNil());
    EXPECT_EQ(range, NSMakeRange(0, 7));

    text.removeAttribute(NSForegroundColorAttributeName, NSMakeRange(0, 100));
    EXPECT_EQ(text.runs().size(), 1u) << "equal neighbours join again";
    text.setAttributes({}, NSMakeRange(20, 5));
    EXPECT_EQ(text.runs().size(), 1u) << "a range past the end changes nothing";
    text.appendAttributedString(NSAttributedString("!", {}));
    EXPECT_EQ(text.string(), String("Hello, world!"));
    EXPECT_EQ(text.runs().size(), 2u);
    EXPECT_TRUE(text.attributesAtIndex(40, &range).empty());
    EXPECT_EQ(range.location, NSNotFound);
}

TEST_F(TextDrawingTest, RunsOfCharactersBeyondTheBasicPlaneColourTheRightGlyphs)
{
    // "A", a character written as two UTF-16 units, then "B" in red: the
    // red run starts after the pair.
    String text = String(u"A\U0001D11EB");
    ASSERT_EQ(text.length(), 4u);
    NSMutableAttributedString attributed(text, {{Id(NSFontAttributeName), Id(NSFont::boldSystemFontOfSize(24))},
                                                {Id(NSForegroundColorAttributeName), Id(NSColor::blackColor())}});
    attributed.addAttribute(NSForegroundColorAttributeName, Id(NSColor::redColor()), NSMakeRange(3, 1));
    auto bitmap = std::make_shared<NSBitmapImageRep>(120, 40);
    {
        ScopedCurrentContext scoped(NSGraphicsContext::graphicsContextWithBitmapImageRep(bitmap));
        attributed.drawAtPoint({2, 4});
    }
    auto reddish = [](const Pixel& p) { return p.a > 128 && p.r > 150 && p.g < 80; };
    InkBox red = inkBox(*bitmap, reddish);
    InkBox all = inkBox(*bitmap);
    ASSERT_FALSE(red.empty());
    EXPECT_GT(red.left, all.left + 20) << "only the last glyph is red";
    EXPECT_EQ(red.right, all.right);
}

}  // namespace

namespace {

// Draws its text with drawWithRect:options:0 on a baseline 10 points up
// from its bottom, across its width, in a centred paragraph that truncates
// in the middle.
class BaselineView : public NSView {
public:
    BaselineView(NSRect frame, String text)
        : NSView(frame)
        , text_(std::move(text))
    {
    }
    bool isFlipped() const override { return true; }
    void drawRect(NSRect) override
    {
        auto paragraph = std::make_shared<NSMutableParagraphStyle>();
        paragraph->setAlignment(NSTextAlignmentCenter);
        paragraph->setLineBreakMode(NSLineBreakByTruncatingMiddle);
        NSRect bounds = this->bounds();
        drawWithRect(text_, NSMakeRect(0, bounds.size.height - 10, bounds.size.width, bounds.size.height), 0,
                     {{Id(NSFontAttributeName), Id(NSFont::systemFontOfSize(13))},
                      {Id(NSParagraphStyleAttributeName), Id(paragraph)}});
    }

private:
    String text_;
};

TEST_F(TextDrawingTest, OneLineOnABaselineIsAlignedAndTruncatedWithinTheWidthGiven)
{
    // Short: in the middle, on its baseline.
    auto window = makeWindow({120, 30}, std::make_shared<BaselineView>(NSMakeRect(0, 0, 120, 30), "Hi"));
    InkBox box = inkBox(*window->snapshot(1));
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR((box.left + box.right) / 2.0, 60, 2);
    EXPECT_NEAR(box.bottom, 19, 1);

    // Long: cut in the middle to the width, still one line.
    window = makeWindow({80, 30}, std::make_shared<BaselineView>(NSMakeRect(0, 0, 80, 30),
                                                                 "A label far too long for its narrow frame"));
    box = inkBox(*window->snapshot(1));
    EXPECT_GE(box.left, 0);
    EXPECT_LT(box.right, 80);
    EXPECT_GT(box.top, 5);
}

}  // namespace
