// The default style: its identifier and components, the constraint sets it
// builds, and the passes over the environment that load its resources.
#include "shortcut-library/SRRecorderControlStyle.h"
#include "RecorderControlTestSupport.h"
#include "StyleResourceTestSupport.h"
#include "appkit/NSImage.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSLayoutGuide.h"
#include "foundation/NSCache.h"
#include "foundation/NSException.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::vector<std::string> identifiers(const SRRecorderControlStyling::Constraints& constraints)
{
    std::vector<std::string> names;
    for (const auto& constraint : constraints)
        names.push_back(constraint->identifier().utf8());
    return names;
}

std::shared_ptr<NSLayoutConstraint> find(const SRRecorderControlStyling::Constraints& constraints,
                                         const char* identifier)
{
    for (const auto& constraint : constraints)
        if (constraint->identifier() == String(identifier))
            return constraint;
    return nullptr;
}

class SRRecorderControlStyleTest : public RecorderControlTest {
protected:
    // A style of its own, attached to a new control in the window.
    std::shared_ptr<SRRecorderControlStyle> attached(std::shared_ptr<SRRecorderControlStyleComponents> preferred = {})
    {
        control = makeRecorder(NSMakeRect(20, 10, 200, 22));
        control->setStyle(std::make_shared<SRRecorderControlStyle>(std::nullopt, preferred));
        return std::static_pointer_cast<SRRecorderControlStyle>(control->style());
    }

    std::shared_ptr<SRRecorderControl> control;
};

TEST_F(SRRecorderControlStyleTest, IdentifierFollowsTheSystemAndCopiesAreUnattached)
{
    SRRecorderControlStyle style;
    EXPECT_EQ(style.identifier().utf8(), "sr-mojave");
    EXPECT_FALSE(style.preferredComponents()->isSpecified());
    EXPECT_EQ(style.preferredComponents()->stringRepresentation().utf8(), "");

    auto preferred = components(3, 2, 1, 2);
    auto original = attached(preferred);
    auto copy = std::static_pointer_cast<SRRecorderControlStyle>(original->copyStyle());
    EXPECT_EQ(copy->identifier(), original->identifier());
    EXPECT_TRUE(copy->preferredComponents()->isEqual(Id(preferred)));
    EXPECT_EQ(original->recorderControl(), control);
    EXPECT_FALSE(copy->recorderControl());
    EXPECT_NE(copy->labelDrawingGuide(), original->labelDrawingGuide());
    EXPECT_TRUE(copy->alwaysConstraints().empty());
}

TEST_F(SRRecorderControlStyleTest, BeforeMojaveTheFlatResourcesAreUsed)
{
    auto older = test_desktops::withProgram();
    older.operatingSystemVersion = {.majorVersion = 10, .minorVersion = 13, .patchVersion = 6};
    simulation::ScopedDesktop desktop(older);
    EXPECT_EQ(SRRecorderControlStyle().identifier().utf8(), "sr-yosemite");
    EXPECT_EQ(SRRecorderControlStyle(String("sr-custom"), nullptr).identifier().utf8(), "sr-custom");
}

TEST_F(SRRecorderControlStyleTest, EffectiveComponentsFillWhatIsNotPreferred)
{
    // Specified preferences stand, whatever the system says.
    EXPECT_EQ(attached(components(3, 2, 1, 2))->effectiveComponents()->stringRepresentation().utf8(),
              "-darkaqua-acc-ltr-graphite");
    // Nothing preferred, a light system with the default tint: the tint is
    // the usual blue, the rest is the environment.
    EXPECT_EQ(attached()->effectiveComponents()->stringRepresentation().utf8(), "-aqua-ltr-blue");
    // A preferred component wins over the environment; the others follow it.
    desktop().setControlTint(simulation::ControlTint::Graphite);
    EXPECT_EQ(attached(components(0, 0, 2, 0))->effectiveComponents()->stringRepresentation().utf8(),
              "-aqua-rtl-graphite");
    // And the control takes the preferred direction as its own.
    EXPECT_EQ(control->userInterfaceLayoutDirection(), NSUserInterfaceLayoutDirectionRightToLeft);
}

TEST_F(SRRecorderControlStyleTest, ConstraintSetsAreBuiltRowByRow)
{
    auto style = attached();
    EXPECT_EQ(identifiers(style->alwaysConstraints()),
              (std::vector<std::string>{
                  "SR_alignmentGuide_topToView", "SR_alignmentGuide_leftToView", "SR_alignmentGuide_rightToView",
                  "SR_alignmentGuide_bottomToView", "SR_backgroundDrawingGuide_topToAlignment",
                  "SR_backgroundDrawingGuide_leftToAlignment", "SR_backgroundDrawingGuide_bottomToAlignment",
                  "SR_backgroundDrawingGuide_rightToAlignment", "SR_labelDrawingGuide_topToAlignment",
                  "SR_labelDrawingGuide_leadingToAlignment", "SR_labelDrawingGuide_bottomToAlignment",
                  "SR_labelDrawingGuide_centerXToAlignment"}));
    EXPECT_EQ(identifiers(style->displayingConstraints()),
              (std::vector<std::string>{"SR_labelDrawingGuide_trailingToAlignment"}));
    EXPECT_EQ(identifiers(style->recordingWithNoValueConstraints()),
              (std::vector<std::string>{
                  "SR_labelDrawingGuide_trailingToCancel", "SR_cancelButtonDrawingGuide_trailingToAlignment",
                  "SR_cancelButtonDrawingGuide_centerYAlignment", "SR_cancelButtonDrawingGuide_width",
                  "SR_cancelButtonDrawingGuide_height", "SR_cancelButtonLayoutGuide_topToAlignment",
                  "SR_cancelButtonLayoutGuide_leadingToDrawing", "SR_cancelButtonLayoutGuide_bottomToAlignment",
                  "SR_cancelButtonLayoutGuide_trailingToAlignment"}));
    const auto& withValue = style->recordingWithValueConstraints();
    EXPECT_EQ(identifiers(withValue),
              (std::vector<std::string>{
                  "SR_labelDrawingGuide_trailingToCancel", "SR_cancelButtonDrawingGuide_centerYToAlignment",
                  "SR_cancelButtonDrawingGuide_trailingToClear", "SR_cancelButtonDrawingGuide_width",
                  "SR_cancelButtonDrawingGuide_height", "SR_clearButtonDrawingGuide_centerYToAlignment",
                  "SR_clearButtonDrawingGuide_trailingToAlignment", "SR_clearButtonDrawingGuide_width",
                  "SR_clearButtonDrawingGuide_height", "SR_cancelButtonLayoutGuide_topToAlignment",
                  "SR_cancelButtonLayoutGuide_leadingToDrawing", "SR_cancelButtonLayoutGuide_bottomToAlignment",
                  "SR_cancelButtonLayoutGuide_trailingToDrawing", "SR_clearButtonLayoutGuide_topToAlignment",
                  "SR_clearButtonLayoutGuide_leadingToDrawing", "SR_clearButtonLayoutGuide_bottomToAlignment",
                  "SR_clearButtonLayoutGuide_trailingToAlignment"}));

    // Both recording sets hold the same label-to-cancel and cancel size
    // constraints, so a new cancel image resizes the button in either.
    const auto& noValue = style->recordingWithNoValueConstraints();
    EXPECT_EQ(withValue[0], noValue[0]);
    EXPECT_EQ(withValue[3], noValue[3]);
    EXPECT_EQ(withValue[4], noValue[4]);
    EXPECT_NE(withValue[9], noValue[5]);

    // Priorities that let the control's own size and the label's width win.
    EXPECT_EQ(find(style->alwaysConstraints(), "SR_alignmentGuide_bottomToView")->priority(), 750);
    EXPECT_EQ(find(style->alwaysConstraints(), "SR_labelDrawingGuide_centerXToAlignment")->priority(), 749);

    // Constants from the metrics and the button images, set by the first
    // pass.
    struct Constant {
        const SRRecorderControlStyling::Constraints* set;
        const char* identifier;
        CGFloat value;
    };
    const auto always = style->alwaysConstraints();
    const auto displaying = style->displayingConstraints();
    const Constant constants[] = {
        {&always, "SR_backgroundDrawingGuide_bottomToAlignment", 1},
        {&always, "SR_backgroundDrawingGuide_topToAlignment", 0},
        {&always, "SR_labelDrawingGuide_leadingToAlignment", 6},
        {&displaying, "SR_labelDrawingGuide_trailingToAlignment", 6},
        {&withValue, "SR_labelDrawingGuide_trailingToCancel", 4},
        {&withValue, "SR_cancelButtonDrawingGuide_trailingToClear", 4},
        {&noValue, "SR_cancelButtonDrawingGuide_trailingToAlignment", 5},
        {&withValue, "SR_clearButtonDrawingGuide_trailingToAlignment", 5},
        {&withValue, "SR_cancelButtonDrawingGuide_width", 14},
        {&withValue, "SR_clearButtonDrawingGuide_height", 14},
    };
    for (const Constant& c : constants) {
        SCOPED_TRACE(c.identifier);
        EXPECT_EQ(find(*c.set, c.identifier)->constant(), c.value);
    }
}

TEST_F(SRRecorderControlStyleTest, FirstPassSetsMetricsAndLaterPassesOnlyWhatTheEnvironmentChanged)
{
    auto style = attached();
    EXPECT_EQ(style->alignmentRectInsets(), NSEdgeInsetsMake(0, 0, 1, 0));
    EXPECT_EQ(style->focusRingCornerRadius(), NSMakeSize(5, 5));
    EXPECT_EQ(style->baselineLayoutOffsetFromBottom(), 6);
    ASSERT_TRUE(style->normalLabelAttributes());
    // minSize 100 × 22 less the one point of shadow below.
    NSSize size = style->intrinsicContentSize();
    EXPECT_GE(size.width, 100);
    EXPECT_EQ(size.height, 21);
    EXPECT_TRUE(style->cancelButton()->path().hasSuffix(String("sr-mojave-aqua-ltr-button-cancel-normal.png")));

    int announced = 0;
    int cancelImageChanged = 0;
    auto announcements = observe(*style, "effectiveComponents", NSKeyValueObservingOptionNew,
                                 [&](const KeyValueChange&) { ++announced; });
    auto cancel = observe(*style, "cancelButton", NSKeyValueObservingOptionNew,
                          [&](const KeyValueChange&) { ++cancelImageChanged; });

    // Nothing changed: announced, but nothing is loaded again.
    auto prefixes = style->currentLookupPrefixes();
    style->recorderControlAppearanceDidChange(Id());
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(cancelImageChanged, 0);
    EXPECT_EQ(style->currentLookupPrefixes(), prefixes);

    // Dark: other prefixes, the dark images; the metrics stay as the
    // first pass set them.
    auto attributes = style->normalLabelAttributes();
    desktop().setAppearance(simulation::Appearance::Dark);
    style->recorderControlAppearanceDidChange(Id());
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(cancelImageChanged, 1);
    EXPECT_NE(style->currentLookupPrefixes(), prefixes);
    EXPECT_EQ(style->currentLookupPrefixes().front().utf8(), "sr-mojave-darkaqua-ltr");
    EXPECT_TRUE(style->bezelNormalLeft()->path().hasSuffix(String("sr-mojave-darkaqua-bezel-normal-left.png")));
    EXPECT_EQ(style->intrinsicContentSize(), size);
    EXPECT_TRUE(*style->normalLabelAttributes() == *attributes);
    EXPECT_EQ(find(style->recordingWithNoValueConstraints(), "SR_cancelButtonDrawingGuide_width")->constant(), 14);
}

TEST_F(SRRecorderControlStyleTest, AttachingTwiceOrDetachingTwiceIsAProgrammerError)
{
    auto style = attached();
    auto other = makeRecorder(NSMakeRect(20, 50, 200, 22));
    EXPECT_EQ(reasonOf([&] { style->prepareForRecorderControl(*other); }), "Style was not removed properly.");
    EXPECT_EQ(style->recorderControl(), control);

    auto loose = std::make_shared<SRRecorderControlStyle>();
    EXPECT_EQ(reasonOf([&] { loose->prepareForRemoval(); }), "Style was not applied properly.");
}

// A style taken off one control and put on another lays the new one out in
// full, rather than keeping the constants of new constraints at zero.
TEST_F(SRRecorderControlStyleTest, DetachedStyleAttachedAgainLaysOutAgain)
{
    auto style = attached();
    control->setStyle(nullptr);
    EXPECT_FALSE(style->recorderControl());
    for (const auto& guide : control->layoutGuides())
        EXPECT_NE(guide, style->labelDrawingGuide());

    auto second = makeRecorder(NSMakeRect(20, 50, 200, 22));
    style->prepareForRecorderControl(*second);
    NSLayoutConstraint::activateConstraints(style->alwaysConstraints());
    NSLayoutConstraint::activateConstraints(style->recordingWithValueConstraints());
    second->layoutSubtreeIfNeeded();
    EXPECT_EQ(style->cancelButtonDrawingGuide()->frame().size, NSMakeSize(14, 14));
    EXPECT_EQ(style->clearButtonDrawingGuide()->frame().size, NSMakeSize(14, 14));
    EXPECT_EQ(style->backgroundDrawingGuide()->frame().size.height, style->alignmentGuide()->frame().size.height + 1);
    style->prepareForRemoval();
}

// Attached by hand or by a control, a style whose first pass raises takes
// its guides back and is left unattached.
TEST_F(SRRecorderControlStyleTest, StyleWhoseFirstPassRaisesIsLeftUnattached)
{
    auto other = makeRecorder(NSMakeRect(20, 50, 200, 22));
    auto style = std::make_shared<SRRecorderControlStyle>(String("sr-missing"), nullptr);
    EXPECT_EQ(reasonOf([&] { style->prepareForRecorderControl(*other); }), "Missing sr-missing-info");
    EXPECT_FALSE(style->recorderControl());
    EXPECT_FALSE(style->alignmentGuide()->owningView());
    EXPECT_FALSE(style->clearButtonLayoutGuide()->owningView());
}

}  // namespace
