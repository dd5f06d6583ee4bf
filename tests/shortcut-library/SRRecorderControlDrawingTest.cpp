// What a recorder looks like: snapshots of it in each state and look,
// written into the build folder (snapshots/recorder/), and what matters in
// them checked pixel by pixel.
#include "PixelTestSupport.h"
#include "RecorderControlTestSupport.h"
#include "appkit/NSBitmapImageRep.h"
#include "appkit/NSColor.h"
#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSLayoutGuide.h"
#include "shortcut-library/SRRecorderControlStyle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace testing_support;

namespace {

int difference(const Pixel& a, const Pixel& b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b), std::abs(a.a - b.a)});
}

// A rectangle of pixels, from the top left: [x0, x1) × [y0, y1).
struct PixelRect {
    NSInteger x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool contains(NSInteger x, NSInteger y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// The states a recorder is snapshotted in.
enum class State { Idle, IdleWithValue, Recording, RecordingWithValue, Highlighted, Disabled };

// And the looks.
enum class Look { Light, Dark, HighContrast, RightToLeft };

const char* nameOf(State state)
{
    switch (state) {
    case State::Idle:
        return "idle";
    case State::IdleWithValue:
        return "idle-value";
    case State::Recording:
        return "recording";
    case State::RecordingWithValue:
        return "recording-value";
    case State::Highlighted:
        return "highlighted";
    case State::Disabled:
        return "disabled";
    }
    return "";
}

const char* nameOf(Look look)
{
    switch (look) {
    case Look::Light:
        return "light";
    case Look::Dark:
        return "dark";
    case Look::HighContrast:
        return "contrast";
    case Look::RightToLeft:
        return "rtl";
    }
    return "";
}

std::string snapshotPath(const std::string& name)
{
    auto folder = std::filesystem::path(KESTROVA_BINARY_DIR) / "snapshots" / "recorder";
    std::filesystem::create_directories(folder);
    return (folder / (name + ".png")).string();
}

class SRRecorderControlDrawingTest : public RecorderControlTest {
protected:
    // A window of its own, key, with one recorder laid out by its
    // constraints: 200 points wide, as high as it wants to be.
    void showRecorder(Look look)
    {
        if (look == Look::Dark)
            desktop().setAppearance(simulation::Appearance::Dark);
        if (look == Look::HighContrast)
            desktop().setIncreaseContrast(true);
        drain();
        shown = std::make_shared<NSWindow>(NSMakeRect(60, 300, 240, 42));
        auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 240, 42));
        shown->setContentView(content);
        control = std::make_shared<SRRecorderControl>();
        content->addSubview(control);
        NSLayoutConstraint::activateConstraints({
            // By its left edge: its own direction doesn't move it.
            control->leftAnchor()->constraintEqualToAnchor(content->leftAnchor(), 20),
            control->topAnchor()->constraintEqualToAnchor(content->topAnchor(), 10),
            control->widthAnchor()->constraintEqualToConstant(200),
        });
        if (look == Look::RightToLeft)
            control->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
        shown->makeKeyAndOrderFront(Id());
        settle();
    }

    void enter(State state)
    {
        if (state == State::IdleWithValue || state == State::RecordingWithValue || state == State::Disabled)
            control->setObjectValue(shortcut(keys::a, command | shift));
        if (state == State::Recording || state == State::RecordingWithValue) {
            ASSERT_TRUE(control->beginRecording());
        }
        if (state == State::Disabled)
            control->setEnabled(false);
        if (state == State::Highlighted) {
            mouse(NSEventTypeLeftMouseDown, control, centre(control->bounds()));
            ASSERT_TRUE(control->isMainButtonHighlighted());
        }
        settle();
    }

    // What a turn of the run loop does: the look told, the style's refresh
    // run, everything drawn.
    void settle()
    {
        for (int i = 0; i < 2; ++i) {
            shown->displayIfNeeded();
            drain();
        }
        shown->displayIfNeeded();
    }

    // A guide's frame in the snapshot's pixels, grown by a pixel for the
    // soft edges of text and images.
    PixelRect pixels(NSRect rectInControl, NSInteger grow = 1) const
    {
        NSRect r = control->convertRect(rectInControl, nullptr);
        CGFloat height = shown->frame().size.height;
        return {NSInteger(std::floor(r.origin.x)) - grow, NSInteger(std::floor(height - CGRectGetMaxY(r))) - grow,
                NSInteger(std::ceil(CGRectGetMaxX(r))) + grow, NSInteger(std::ceil(height - r.origin.y)) + grow};
    }

    // Pixels of the bezel's body that are not its plain fill: text, button,
    // anything drawn on it. The fill changes from row to row (a gradient),
    // so each row is compared with its own plain pixel near the leading
    // cap, which nothing is drawn over.
    struct Ink {
        int inLabel = 0, inCancel = 0, inClear = 0, elsewhere = 0;
    };
    Ink inkOn(const NSBitmapImageRep& bitmap) const
    {
        auto& style = control->style();
        PixelRect body = pixels(style->alignmentGuide()->frame(), 0);
        PixelRect label = pixels(style->labelDrawingGuide()->frame());
        bool recording = control->isRecording();
        bool value = control->objectValueShortcut() != nullptr;
        PixelRect cancel = recording ? pixels(style->cancelButtonDrawingGuide()->frame()) : PixelRect();
        PixelRect clear = recording && value ? pixels(style->clearButtonDrawingGuide()->frame()) : PixelRect();
        Ink ink;
        // Clear of the rounded corners and the border.
        for (NSInteger y = body.y0 + 5; y < body.y1 - 5; ++y) {
            Pixel plain = pixelAt(bitmap, body.x0 + 3, y);
            for (NSInteger x = body.x0 + 3; x < body.x1 - 3; ++x) {
                if (difference(pixelAt(bitmap, x, y), plain) <= 30)
                    continue;
                if (label.contains(x, y))
                    ++ink.inLabel;
                else if (cancel.contains(x, y))
                    ++ink.inCancel;
                else if (clear.contains(x, y))
                    ++ink.inClear;
                else
                    ++ink.elsewhere;
            }
        }
        return ink;
    }

    std::shared_ptr<NSWindow> shown;
    std::shared_ptr<SRRecorderControl> control;
};

TEST_F(SRRecorderControlDrawingTest, EachStateShowsItsLabelAndButtonsWhereItsGuidesAre)
{
    const State states[] = {State::Idle,        State::IdleWithValue, State::Recording, State::RecordingWithValue,
                            State::Highlighted, State::Disabled};
    const Look looks[] = {Look::Light, Look::Dark, Look::HighContrast, Look::RightToLeft};
    for (Look look : looks) {
        for (State state : states) {
            std::string name = std::string(nameOf(look)) + "-" + nameOf(state);
            SCOPED_TRACE(name);
            showRecorder(look);
            enter(state);
            if (HasFatalFailure())
                return;
            auto bitmap = shown->snapshot(1);
            ASSERT_TRUE(bitmap);
            EXPECT_TRUE(shown->writeSnapshot(String(snapshotPath(name)), 2));

            Ink ink = inkOn(*bitmap);
            EXPECT_GT(ink.inLabel, 20) << "no label text in its guide";
            EXPECT_EQ(ink.elsewhere, 0) << "something drawn outside the label and the buttons";
            bool recording = state == State::Recording || state == State::RecordingWithValue;
            EXPECT_EQ(ink.inCancel > 20, recording) << ink.inCancel;
            EXPECT_EQ(ink.inClear > 20, state == State::RecordingWithValue) << ink.inClear;

            auto& style = control->style();
            auto effective = std::static_pointer_cast<SRRecorderControlStyle>(style)->effectiveComponents();
            EXPECT_EQ(effective->appearance(),
                      look == Look::Dark ? SRComponentAppearanceDarkAqua : SRComponentAppearanceAqua);
            EXPECT_EQ(effective->accessibility(),
                      look == Look::HighContrast ? SRComponentAccessibilityHighContrast : SRComponentAccessibilityNone);
            if (recording) {
                // The buttons sit at the trailing end.
                NSRect cancel = style->cancelButtonDrawingGuide()->frame();
                NSRect label = style->labelDrawingGuide()->frame();
                EXPECT_EQ(CGRectGetMinX(cancel) > CGRectGetMaxX(label), look != Look::RightToLeft);
            }

            if (state == State::Highlighted)
                mouse(NSEventTypeLeftMouseUp, control, NSMakePoint(-50, -50));
            control->endRecording();
            shown->orderOut(Id());
            desktop().setAppearance(simulation::Appearance::Light);
            desktop().setIncreaseContrast(false);
            drain();
        }
    }
}

TEST_F(SRRecorderControlDrawingTest, FocusRingSurroundsTheFirstResponderOfTheKeyWindow)
{
    showRecorder(Look::Light);
    EXPECT_EQ(control->focusRingMaskBounds(), NSZeroRect);
    ASSERT_TRUE(shown->makeFirstResponder(control));
    // Around the bezel's body, not its shadow.
    EXPECT_EQ(control->focusRingMaskBounds(), NSMakeRect(0, 0, 200, 21));
    settle();
    auto bitmap = shown->snapshot(1);
    EXPECT_TRUE(shown->writeSnapshot(String(snapshotPath("light-focused")), 2));
    // Two points above the control's top edge, in the middle: the ring's
    // colour; nothing there without the focus.
    PixelRect body = pixels(control->bounds(), 0);
    NSInteger x = (body.x0 + body.x1) / 2;
    Pixel above = pixelAt(*bitmap, x, body.y0 - 2);
    EXPECT_GT(above.b - above.r, 40) << above.r << " " << above.g << " " << above.b;

    control->setEnabled(false);
    EXPECT_EQ(control->focusRingMaskBounds(), NSZeroRect);
    settle();
    bitmap = shown->snapshot(1);
    Pixel plain = pixelAt(*bitmap, x, body.y0 - 2);
    EXPECT_LT(std::abs(plain.b - plain.r), 8);
}

// A style without bezel images, or without a background guide.
class PlainBackgroundStyle : public SRRecorderControlStyle {
public:
    PlainBackgroundStyle(bool opaque, bool backgroundGuide)
        : opaque_(opaque)
        , backgroundGuide_(backgroundGuide)
    {
    }
    std::shared_ptr<SRRecorderControlStyling> copyStyle() const override
    {
        return std::make_shared<PlainBackgroundStyle>(opaque_, backgroundGuide_);
    }
    bool isOpaque() const override { return opaque_; }
    std::shared_ptr<NSImage> bezelNormalCenter() const override { return nullptr; }
    std::shared_ptr<NSLayoutGuide> backgroundDrawingGuide() const override
    {
        return backgroundGuide_ ? SRRecorderControlStyle::backgroundDrawingGuide() : nullptr;
    }

private:
    bool opaque_;
    bool backgroundGuide_;
};

TEST_F(SRRecorderControlDrawingTest, WithoutItsImagesTheBackgroundIsAPlainFill)
{
    showRecorder(Look::Light);
    shown->setBackgroundColor(NSColor::redColor());
    PixelRect body = pixels(control->bounds(), 0);
    NSInteger x = body.x0 + 2;
    NSInteger y = (body.y0 + body.y1) / 2;

    control->setStyle(std::make_shared<PlainBackgroundStyle>(true, true));
    settle();
    Pixel opaque = pixelAt(*shown->snapshot(1), x, y);
    auto background = NSColor::windowBackgroundColor()->components();
    EXPECT_LE(difference(opaque, {int(std::lround(background[0] * 255)), int(std::lround(background[1] * 255)),
                                  int(std::lround(background[2] * 255)), 255}),
              2);

    control->setStyle(std::make_shared<PlainBackgroundStyle>(false, true));
    settle();
    EXPECT_EQ(pixelAt(*shown->snapshot(1), x, y).a, 0);

    // Without a background guide the bounds are the background, and the
    // focus ring follows them.
    control->setStyle(std::make_shared<PlainBackgroundStyle>(false, false));
    settle();
    EXPECT_EQ(pixelAt(*shown->snapshot(1), x, y).a, 0);
    ASSERT_TRUE(shown->makeFirstResponder(control));
    EXPECT_EQ(control->focusRingMaskBounds(), NSMakeRect(0, 0, 200, 21));
}

}  // namespace
