// The control's side of its look: attaching a style, following the
// environment, laying out its guides by state, and what it tells assistive
// applications.
#include "RecorderControlTestSupport.h"
#include "StyleResourceTestSupport.h"
#include "appkit/NSAccessibilityConstants.h"
#include "appkit/NSAccessibilityTree.h"
#include "appkit/NSAppearance.h"
#include "appkit/NSAttributedString.h"
#include "appkit/NSLayoutGuide.h"
#include "foundation/NSCache.h"
#include "foundation/NSException.h"
#include "foundation/ScopedVirtualClock.h"
#include "shortcut-library/SRRecorderControlStyle.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

class SRRecorderControlAppearanceTest : public RecorderControlTest {
protected:
    // Every pass over the environment of the recorder's style.
    int passes(SRRecorderControlStyling& style)
    {
        if (!passCounter_)
            passCounter_ = observe(style, "effectiveComponents", NSKeyValueObservingOptionNew,
                                   [this](const KeyValueChange&) { ++passes_; });
        return passes_;
    }
    void laidOut() { recorder->layoutSubtreeIfNeeded(); }
    NSRect frame(const std::shared_ptr<NSLayoutGuide>& guide) { return guide->frame(); }

private:
    ObservationToken passCounter_;
    int passes_ = 0;
};

TEST_F(SRRecorderControlAppearanceTest, DefaultStyleComesOnFirstUseAndSetStylesAreCopies)
{
    auto control = std::make_shared<SRRecorderControl>();
    int announced = 0;
    auto token = observe(*control, "style", NSKeyValueObservingOptionNew, [&](const KeyValueChange&) { ++announced; });

    auto lazy = control->style();
    ASSERT_TRUE(lazy);
    EXPECT_TRUE(lazy->isKindOf<SRRecorderControlStyle>());
    EXPECT_FALSE(control->isLazilyInitializingStyle());
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(control->style(), lazy);

    auto mine = std::make_shared<SRRecorderControlStyle>(std::nullopt, components(1, 0, 0, 0));
    control->setStyle(mine);
    EXPECT_EQ(announced, 1);
    EXPECT_NE(control->style(), mine);
    EXPECT_FALSE(mine->recorderControl());
    EXPECT_TRUE(control->style()->preferredComponents()->isEqual(Id(mine->preferredComponents())));
    EXPECT_FALSE(std::static_pointer_cast<SRRecorderControlStyle>(lazy)->recorderControl());

    // The attached style itself changes nothing; nil brings a new default.
    auto attached = control->style();
    control->setStyle(attached);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(control->style(), attached);
    control->setStyle(nullptr);
    EXPECT_EQ(announced, 2);
    EXPECT_NE(control->style(), attached);
    EXPECT_FALSE(control->style()->preferredComponents()->isSpecified());
}

TEST_F(SRRecorderControlAppearanceTest, EnvironmentChangesRefreshTheStyleOncePerBurst)
{
    auto style = recorder->style();
    drain();
    int before = passes(*style);

    desktop().setControlTint(simulation::ControlTint::Graphite);
    desktop().setIncreaseContrast(true);
    recorder->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    recorder->viewDidChangeBackingProperties();
    drain();
    EXPECT_EQ(passes(*style), before + 1);
    auto effective = std::static_pointer_cast<SRRecorderControlStyle>(style)->effectiveComponents();
    EXPECT_EQ(effective->stringRepresentation().utf8(), "-aqua-acc-rtl-graphite");

    // The same direction again is no change.
    recorder->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    drain();
    EXPECT_EQ(passes(*style), before + 1);

    // A change of style, or the control going, cancels a pending refresh.
    recorder->scheduleControlViewAppearanceDidChange(Id());
    recorder->setStyle(nullptr);
    drain();
    EXPECT_EQ(passes(*style), before + 1);
    auto next = recorder->style();
    drain();
    int afterStyle = passes(*next);
    recorder->scheduleControlViewAppearanceDidChange(Id());
    recorder->removeFromSuperview();
    recorder.reset();
    drain();
    EXPECT_EQ(passes(*next), afterStyle);
}

TEST_F(SRRecorderControlAppearanceTest, DarkLookReachesTheStyleThroughTheControlsAppearance)
{
    auto style = std::static_pointer_cast<SRRecorderControlStyle>(recorder->style());
    window->displayIfNeeded();
    drain();
    desktop().setAppearance(simulation::Appearance::Dark);
    // The look is told before the next drawing, and the style follows on
    // the turn after.
    window->displayIfNeeded();
    drain();
    EXPECT_EQ(style->effectiveComponents()->appearance(), SRComponentAppearanceDarkAqua);
    EXPECT_TRUE(style->bezelNormalCenter()->path().hasSuffix(String("-darkaqua-bezel-normal-center.png")));
}

TEST_F(SRRecorderControlAppearanceTest, PreferredComponentsSetTheControlsLookAndDirection)
{
    int directionAnnounced = 0;
    auto token = observe(*recorder, "userInterfaceLayoutDirection", NSKeyValueObservingOptionNew,
                         [&](const KeyValueChange&) { ++directionAnnounced; });
    recorder->setStyle(std::make_shared<SRRecorderControlStyle>(std::nullopt, components(3, 0, 2, 0)));
    ASSERT_TRUE(recorder->appearance());
    EXPECT_EQ(recorder->appearance()->name(), NSAppearanceNameDarkAqua);
    EXPECT_EQ(recorder->userInterfaceLayoutDirection(), NSUserInterfaceLayoutDirectionRightToLeft);
    EXPECT_GE(directionAnnounced, 1);

    recorder->setStyle(nullptr);
    EXPECT_FALSE(recorder->appearance());
    EXPECT_EQ(recorder->userInterfaceLayoutDirection(), NSUserInterfaceLayoutDirectionLeftToRight);

    // A direction set for the control itself wins over the style's.
    recorder->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionLeftToRight);
    recorder->setStyle(std::make_shared<SRRecorderControlStyle>(std::nullopt, components(0, 0, 2, 0)));
    EXPECT_EQ(recorder->userInterfaceLayoutDirection(), NSUserInterfaceLayoutDirectionLeftToRight);
}

TEST_F(SRRecorderControlAppearanceTest, GuidesFollowTheStateOfRecording)
{
    auto style = recorder->style();
    laidOut();
    NSRect alignment = frame(style->alignmentGuide());
    EXPECT_EQ(alignment, NSMakeRect(0, 0, 200, 24));
    EXPECT_EQ(frame(style->backgroundDrawingGuide()), NSMakeRect(0, 0, 200, 25));

    // Idle: the label in the middle, as wide as its text and two points.
    NSRect label = frame(style->labelDrawingGuide());
    Dictionary attributes = recorder->drawingLabelAttributes();
    CGFloat textWidth = boundingRectWithSize(recorder->drawingLabel(), NSMakeSize(9999, 21), 0, attributes).size.width;
    EXPECT_EQ(recorder->drawingLabel().utf8(), "Record Shortcut");
    EXPECT_EQ(label.size.width, std::ceil(textWidth + 2));
    EXPECT_NEAR(CGRectGetMidX(label), CGRectGetMidX(alignment), 0.5);
    EXPECT_EQ(label.size.height, alignment.size.height);

    // Recording without a value: the cancel button at the trailing end.
    beginWithSpace(recorder);
    laidOut();
    EXPECT_EQ(recorder->drawingLabel().utf8(), "Press keys now");
    NSRect cancel = frame(style->cancelButtonDrawingGuide());
    label = frame(style->labelDrawingGuide());
    EXPECT_EQ(cancel.size, NSMakeSize(14, 14));
    EXPECT_EQ(CGRectGetMaxX(cancel), 195);
    EXPECT_NEAR(CGRectGetMidY(cancel), CGRectGetMidY(alignment), 0.5);
    EXPECT_LE(CGRectGetMaxX(label), CGRectGetMinX(cancel) - 4);
    EXPECT_EQ(recorder->cancelButtonRect(), NSMakeRect(CGRectGetMinX(cancel), 0, 200 - CGRectGetMinX(cancel), 24));
    press(keys::escape);

    // Recording with a value: the clear button last, cancel before it.
    recorder->setObjectValue(shortcut(keys::a, command | shift));
    beginWithSpace(recorder);
    laidOut();
    cancel = frame(style->cancelButtonDrawingGuide());
    NSRect clear = frame(style->clearButtonDrawingGuide());
    EXPECT_EQ(CGRectGetMaxX(clear), 195);
    EXPECT_EQ(CGRectGetMinX(clear), CGRectGetMaxX(cancel) + 4);
    EXPECT_EQ(recorder->cancelButtonRect().size.width, cancel.size.width);
    EXPECT_EQ(recorder->clearButtonRect(), NSMakeRect(CGRectGetMinX(clear), 0, 200 - CGRectGetMinX(clear), 24));

    // Held modifiers show at once, and the label's width follows them.
    modifier(keys::leftCommand, command);
    laidOut();
    EXPECT_EQ(recorder->drawingLabel().utf8(), "⌘");
    CGFloat minimal = attributes.objectForKey(SRMinimalDrawableWidthAttributeName).doubleValue();
    CGFloat glyph =
        boundingRectWithSize(String("⌘"), NSMakeSize(9999, 21), 0, recorder->drawingLabelAttributes()).size.width;
    EXPECT_EQ(frame(style->labelDrawingGuide()).size.width, std::ceil(std::max(minimal, glyph) + 2));
    modifier(keys::leftCommand, 0);
    press(keys::escape);

    // Right to left: the buttons go to the left end.
    recorder->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    beginWithSpace(recorder);
    laidOut();
    EXPECT_EQ(CGRectGetMinX(frame(style->clearButtonDrawingGuide())), 5);
    EXPECT_GT(CGRectGetMinX(frame(style->labelDrawingGuide())),
              CGRectGetMaxX(frame(style->cancelButtonDrawingGuide())));
    press(keys::escape);

    // Baselines six points above the alignment rectangle's bottom.
    EXPECT_EQ(recorder->baselineOffsetFromBottom(), 6);
    EXPECT_EQ(recorder->firstBaselineOffsetFromTop(), 24 - 6);
    EXPECT_EQ(recorder->alignmentRectInsets(), NSEdgeInsetsMake(0, 0, 1, 0));
}

TEST_F(SRRecorderControlAppearanceTest, ToolTipsSayWhatTheControlAndItsButtonsDo)
{
    recorder->style();
    EXPECT_EQ(recorder->toolTip().utf8(), "Click to record shortcut");
    beginWithSpace(recorder);
    EXPECT_EQ(recorder->toolTip().utf8(), "Press keys now");
    laidOut();
    recorder->updateTrackingAreas();
    EXPECT_EQ(recorder->toolTipAtPoint(centre(recorder->cancelButtonRect())).utf8(), "Cancel recording");
    // No clear button without a value.
    EXPECT_EQ(recorder->toolTipRects().size(), 1u);
    press(keys::escape);
    EXPECT_EQ(recorder->toolTip().utf8(), "Click to record shortcut");
}

TEST_F(SRRecorderControlAppearanceTest, AssistiveApplicationsReadAButtonWithTheShortcutInWords)
{
    EXPECT_TRUE(recorder->isAccessibilityElement());
    EXPECT_EQ(recorder->accessibilityRole().utf8(), NSAccessibilityButtonRole);
    EXPECT_EQ(recorder->accessibilityRoleDescription().utf8(), "shortcut");
    EXPECT_EQ(recorder->accessibilityValue().utf8(), "Not set");
    EXPECT_EQ(recorder->accessibilityLabel().utf8(), "");
    EXPECT_EQ(recorder->accessibilityHelp().utf8(), "");
    EXPECT_EQ(recorder->accessibilityHitTest(NSMakePoint(0, 0)), recorder);

    struct Case {
        SRKeyCode key;
        NSEventModifierFlags flags;
        const char* value;
    };
    const Case cases[] = {
        {keys::a, command | shift, "Shift-Command-A"},
        {keys::a, 0, "A"},
        {keys::space, control | option, "Control-Option-Space"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        recorder->setObjectValue(shortcut(c.key, c.flags));
        EXPECT_EQ(recorder->accessibilityValue().utf8(), c.value);
    }

    // Recording: the held modifiers are its label; delete clears.
    EXPECT_TRUE(recorder->accessibilityPerformPress());
    EXPECT_EQ(recorder->accessibilityRoleDescription().utf8(), "press keys now");
    modifier(keys::leftShift, shift);
    EXPECT_EQ(recorder->accessibilityLabel().utf8(), "Shift");
    modifier(keys::leftShift, 0);
    EXPECT_TRUE(recorder->accessibilityPerformDelete());
    EXPECT_FALSE(recorder->objectValueShortcut());
    // Without a value there is nothing to delete, and recording goes on.
    EXPECT_TRUE(recorder->accessibilityPerformPress());
    EXPECT_FALSE(recorder->accessibilityPerformDelete());
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_TRUE(recorder->accessibilityPerformCancel());
    EXPECT_FALSE(recorder->accessibilityPerformCancel());

    recorder->setEnabled(false);
    EXPECT_FALSE(recorder->isAccessibilityEnabled());
    EXPECT_FALSE(recorder->accessibilityPerformPress());
    recorder->setEnabled(true);

    window->setTitle("Shortcuts");
    EXPECT_EQ(NSAccessibilityTreeLines(*window),
              (std::vector<std::string>{"AXWindow \"Shortcuts\" (window)",
                                        "  AXButton (shortcut) value=\"Not set\" [AXPress, AXCancel, AXDelete]"}));
}

// The library's resources made unreachable: a style can't be attached.
class SRRecorderControlStyleFailureTest : public StyleResourceTest {
protected:
    SRRecorderControlStyleFailureTest()
        : desktop_(test_desktops::withProgram())
    {
    }
    void SetUp() override
    {
        StyleResourceTest::SetUp();
        SRRecorderControlStyle::resourceLoader().cache().removeAllObjects();
    }
    void TearDown() override
    {
        StyleResourceTest::TearDown();
        SRRecorderControlStyle::resourceLoader().cache().removeAllObjects();
    }

private:
    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_;
};

// A default style whose resources raise while it is being attached lazily
// leaves the control as it was: not attaching, without a style, and ready
// to try again once the resources are there.
TEST_F(SRRecorderControlStyleFailureTest, FailedLazyAttachmentCanBeTriedAgain)
{
    useApp();
    auto control = std::make_shared<SRRecorderControl>();
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(reasonOf([&] { control->style(); }), "Missing sr-mojave-info");
        EXPECT_FALSE(control->isLazilyInitializingStyle());
        EXPECT_TRUE(control->layoutGuides().empty());
    }

    NSBundle::resetForTesting();
    SRRecorderControlStyle::resourceLoader().cache().removeAllObjects();
    auto style = std::static_pointer_cast<SRRecorderControlStyle>(control->style());
    EXPECT_EQ(style->recorderControl(), control);
    EXPECT_EQ(control->layoutGuides().size(), 7u);
    EXPECT_EQ(control->intrinsicContentSize().height, 21);
    EXPECT_EQ(control->toolTip().utf8(), "Click to record shortcut");
}

TEST_F(SRRecorderControlStyleFailureTest, StyleWhoseImagesAreMissingIsNotAttached)
{
    useApp();
    auto info = validInfo();
    writeInfo(libraryResources() / "Assets/sr-broken-info.json", info);
    auto control = std::make_shared<SRRecorderControl>();
    EXPECT_EQ(
        reasonOf([&] { control->setStyle(std::make_shared<SRRecorderControlStyle>(String("sr-broken"), nullptr)); }),
        "Missing image named bezel-normal-left");
    EXPECT_FALSE(control->layoutGuides().size());
    // The default style still comes when asked.
    NSBundle::resetForTesting();
    EXPECT_TRUE(control->style()->isKindOf<SRRecorderControlStyle>());
    EXPECT_EQ(control->style()->identifier().utf8(), "sr-mojave");
}

}  // namespace
