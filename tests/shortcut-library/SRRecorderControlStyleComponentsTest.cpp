#include "shortcut-library/SRRecorderControlStyleComponents.h"

#include "StyleResourceTestSupport.h"
#include "appkit/NSApplication.h"
#include "appkit/NSView.h"
#include "foundation/NSException.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using Components = SRRecorderControlStyleComponents;

std::shared_ptr<Components> make(NSUInteger appearance, NSUInteger accessibility, NSUInteger direction, NSUInteger tint)
{
    return components(appearance, accessibility, direction, tint);
}

simulation::DesktopState desktopState(int major = 14, int minor = 0)
{
    simulation::DesktopState state;
    state.operatingSystemVersion = {major, minor, 0};
    return state;
}

TEST(SRRecorderControlStyleComponentsTest, StringRepresentationRunsTheSuffixesTogether)
{
    struct Case {
        NSUInteger appearance, accessibility, direction, tint;
        const char* text;
        bool specified;
    } cases[] = {
        {0, 0, 0, 0, "", false},
        {3, 2, 1, 1, "-darkaqua-acc-ltr-blue", true},
        // No accessibility option adds no text, but counts as specified.
        {1, 1, 2, 2, "-aqua-rtl-graphite", true},
        {2, 0, 0, 1, "-vibrantlight-blue", false},
        {4, 2, 0, 0, "-vibrantdark-acc", false},
        {0, 1, 1, 1, "-ltr-blue", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto components = make(c.appearance, c.accessibility, c.direction, c.tint);
        EXPECT_EQ(components->stringRepresentation(), String(c.text));
        EXPECT_EQ(components->description(), String(c.text));
        EXPECT_EQ(components->isSpecified(), c.specified);
    }
    EXPECT_EQ(Components().stringRepresentation(), String(""));
    EXPECT_FALSE(Components().isSpecified());
}

TEST(SRRecorderControlStyleComponentsTest, TheInitialiserRefusesValuesOutOfRangeInItsOrder)
{
    struct Case {
        NSUInteger appearance, accessibility, direction, tint;
        const char* reason;
    } cases[] = {
        {5, 0, 0, 0, "anAppearance is outside of the allowed range."},
        {0, 0, 0, 3, "aTint is outside of the allowed range."},
        {0, 4, 0, 0, "anAccessibility is outside of the allowed range."},
        {0, 3, 0, 0, "None cannot be combined with other accessibility options."},
        {0, 0, 3, 0, "aDirection is outside of the allowed range."},
        // Appearance is checked first, then tint, before the rest.
        {9, 9, 9, 9, "anAppearance is outside of the allowed range."},
        {0, 9, 9, 9, "aTint is outside of the allowed range."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        auto reason = reasonOf([&] { make(c.appearance, c.accessibility, c.direction, c.tint); },
                               NSInternalInconsistencyException);
        EXPECT_EQ(reason, std::optional<std::string>(c.reason));
    }
}

TEST(SRRecorderControlStyleComponentsTest, EqualityHashAndCopy)
{
    auto a = make(3, 2, 1, 1);
    auto b = make(3, 2, 1, 1);
    EXPECT_EQ(a->hash(), 309u);  // 1 + (1 << 2) + (3 << 4) + (2 << 7)
    EXPECT_TRUE(a->isEqual(Id(b)));
    EXPECT_EQ(a->hash(), b->hash());
    EXPECT_FALSE(a->isEqual(Id(make(3, 2, 1, 2))));
    EXPECT_FALSE(a->isEqual(Id(std::make_shared<NSObject>())));
    EXPECT_FALSE(a->isEqual(Id(String("-darkaqua-acc-ltr-blue"))));
    EXPECT_FALSE(a->isEqual(Id()));
    // Distinct values hash apart, so the loader's cache keeps them apart.
    EXPECT_NE(make(1, 2, 0, 0)->hash(), make(2, 1, 0, 0)->hash());
    EXPECT_EQ(a->copy(), a);
}

// compare answers for (receiver, other) and the mirrored question answers
// the opposite.
void expectOrder(const Components& reference, std::shared_ptr<Components> first, std::shared_ptr<Components> second,
                 NSComparisonResult expected)
{
    SCOPED_TRACE("reference " + reference.stringRepresentation().utf8() + ": " + first->stringRepresentation().utf8() +
                 " vs " + second->stringRepresentation().utf8());
    EXPECT_EQ(first->compare(*second, reference), expected);
    EXPECT_EQ(second->compare(*first, reference), NSComparisonResult(-expected));
}

TEST(SRRecorderControlStyleComponentsTest, TheFirstComponentThatDiffersDecides)
{
    auto reference = make(3, 2, 1, 1);
    // Vibrant dark is the next best to dark aqua, whatever else matches.
    expectOrder(*reference, make(4, 0, 0, 0), make(1, 2, 1, 1), NSOrderedAscending);
    expectOrder(*reference, make(1, 0, 0, 0), make(2, 2, 1, 1), NSOrderedAscending);
    expectOrder(*reference, make(2, 0, 0, 0), make(0, 2, 1, 1), NSOrderedAscending);
    // Between dark aqua variants: high contrast, then unspecified, then none.
    expectOrder(*reference, make(3, 2, 0, 0), make(3, 0, 0, 0), NSOrderedAscending);
    expectOrder(*reference, make(3, 0, 0, 0), make(3, 1, 0, 0), NSOrderedAscending);
    // The direction decides although the tint of the first is unspecified.
    expectOrder(*reference, make(3, 2, 1, 0), make(3, 2, 2, 1), NSOrderedAscending);
    expectOrder(*reference, make(3, 2, 2, 0), make(3, 2, 0, 1), NSOrderedAscending);
    expectOrder(*reference, make(3, 2, 1, 2), make(3, 2, 1, 0), NSOrderedAscending);
    expectOrder(*reference, make(3, 2, 1, 1), make(3, 2, 1, 1), NSOrderedSame);
}

TEST(SRRecorderControlStyleComponentsTest, PreferencesFollowTheReferenceValue)
{
    // Light looks fall back on each other before the dark ones, and an
    // unspecified look comes last.
    expectOrder(*make(2, 1, 2, 2), make(1, 0, 0, 0), make(4, 0, 0, 0), NSOrderedAscending);
    expectOrder(*make(4, 1, 2, 2), make(2, 0, 0, 0), make(1, 0, 0, 0), NSOrderedAscending);
    expectOrder(*make(1, 1, 2, 2), make(4, 0, 0, 0), make(0, 0, 0, 0), NSOrderedAscending);
    // No option wanted: none, unspecified, high contrast.
    expectOrder(*make(1, 1, 2, 2), make(1, 1, 0, 0), make(1, 0, 0, 0), NSOrderedAscending);
    expectOrder(*make(1, 1, 2, 2), make(1, 0, 0, 0), make(1, 2, 0, 0), NSOrderedAscending);
    // Right to left and graphite wanted: those, then the others, then none.
    expectOrder(*make(1, 1, 2, 2), make(1, 1, 1, 0), make(1, 1, 0, 0), NSOrderedAscending);
    expectOrder(*make(1, 1, 2, 2), make(1, 1, 0, 1), make(1, 1, 0, 0), NSOrderedAscending);
}

TEST(SRRecorderControlStyleComponentsTest, AnUnspecifiedReferenceComponentDecidesNothing)
{
    auto reference = make(0, 0, 0, 0);
    expectOrder(*reference, make(1, 0, 1, 1), make(3, 0, 2, 2), NSOrderedSame);
    expectOrder(*reference, make(1, 1, 0, 0), make(1, 2, 0, 0), NSOrderedSame);
    // With no option wanted, having none sorts first.
    expectOrder(*reference, make(1, 0, 0, 0), make(1, 1, 0, 0), NSOrderedAscending);
    expectOrder(*make(1, 1, 0, 0), make(1, 1, 1, 0), make(1, 1, 2, 1), NSOrderedSame);
    expectOrder(*make(1, 1, 1, 0), make(1, 1, 1, 1), make(1, 1, 1, 2), NSOrderedSame);
}

TEST(SRRecorderControlStyleComponentsTest, AppearanceNamesConvertBothWays)
{
    simulation::ScopedDesktop desktop(desktopState());
    struct Case {
        NSAppearanceName name;
        SRComponentAppearance value;
    } names[] = {
        {NSAppearanceNameAqua, SRComponentAppearanceAqua},
        {NSAppearanceNameVibrantLight, SRComponentAppearanceVibrantLight},
        {NSAppearanceNameDarkAqua, SRComponentAppearanceDarkAqua},
        {NSAppearanceNameVibrantDark, SRComponentAppearanceVibrantDark},
        // Looks outside the table take the one that suits them best.
        {NSAppearanceNameAccessibilityHighContrastDarkAqua, SRComponentAppearanceDarkAqua},
        {NSAppearanceNameAccessibilityHighContrastVibrantLight, SRComponentAppearanceVibrantLight},
        {NSAppearanceNameAccessibilityHighContrastAqua, SRComponentAppearanceAqua},
        {"NSAppearanceNameNoSuchLook", SRComponentAppearanceUnspecified},
    };
    for (const auto& c : names) {
        SCOPED_TRACE(c.name.utf8());
        EXPECT_EQ(SRComponentAppearanceForAppearanceName(c.name), c.value);
    }
    for (NSUInteger value = 1; value <= 4; ++value) {
        SCOPED_TRACE(value);
        auto appearance = static_cast<SRComponentAppearance>(value);
        EXPECT_EQ(SRComponentAppearanceForAppearanceName(SRAppearanceNameForComponentAppearance(appearance)),
                  appearance);
    }
    for (NSUInteger value : {0ul, 5ul}) {
        auto reason = reasonOf([&] { SRAppearanceNameForComponentAppearance(SRComponentAppearance(value)); },
                               NSInvalidArgumentException);
        EXPECT_EQ(reason, std::to_string(value) + " cannot be represented as NSAppearanceName");
    }
}

TEST(SRRecorderControlStyleComponentsTest, BeforeMojaveThereIsNoDarkAquaAndNoBestMatch)
{
    simulation::ScopedDesktop desktop(desktopState(10, 13));
    EXPECT_EQ(SRComponentAppearanceForAppearanceName(NSAppearanceNameDarkAqua), SRComponentAppearanceUnspecified);
    EXPECT_EQ(SRComponentAppearanceForAppearanceName(NSAppearanceNameAccessibilityHighContrastVibrantDark),
              SRComponentAppearanceUnspecified);
    EXPECT_EQ(SRComponentAppearanceForAppearanceName(NSAppearanceNameVibrantDark), SRComponentAppearanceVibrantDark);
    auto reason = reasonOf([] { SRAppearanceNameForComponentAppearance(SRComponentAppearanceDarkAqua); },
                           NSInvalidArgumentException);
    EXPECT_EQ(reason, std::optional<std::string>("3 cannot be represented as NSAppearanceName"));
}

TEST(SRRecorderControlStyleComponentsTest, ComponentDirectionsConvertToLayoutDirections)
{
    EXPECT_EQ(SRUserInterfaceLayoutDirectionForComponentDirection(SRComponentLayoutDirectionLeftToRight),
              NSUserInterfaceLayoutDirectionLeftToRight);
    EXPECT_EQ(SRUserInterfaceLayoutDirectionForComponentDirection(SRComponentLayoutDirectionRightToLeft),
              NSUserInterfaceLayoutDirectionRightToLeft);
    for (NSUInteger value : {0ul, 3ul}) {
        auto reason =
            reasonOf([&] { SRUserInterfaceLayoutDirectionForComponentDirection(SRComponentLayoutDirection(value)); },
                     NSInvalidArgumentException);
        EXPECT_EQ(reason, std::to_string(value) + " cannot be represented as NSUserInterfaceLayoutDirection");
    }
}

class SRRecorderControlStyleCurrentComponentsTest : public ::testing::Test {
protected:
    SRRecorderControlStyleCurrentComponentsTest() { NSApplication::resetForTesting(); }
    ~SRRecorderControlStyleCurrentComponentsTest() override { NSApplication::resetForTesting(); }

    simulation::ScopedDesktop desktop_{desktopState()};
};

TEST_F(SRRecorderControlStyleCurrentComponentsTest, AStandardDesktopIsAquaWithoutOptionsLeftToRightAndNoTint)
{
    EXPECT_TRUE(SRRecorderControlStyleComponents::currentComponents()->isEqual(Id(make(1, 1, 1, 0))));
    auto view = std::make_shared<NSView>();
    EXPECT_TRUE(SRRecorderControlStyleComponents::currentComponentsForView(view.get())->isEqual(Id(make(1, 1, 1, 0))));
}

TEST_F(SRRecorderControlStyleCurrentComponentsTest, TheViewAndTheSystemSettingsDescribeTheEnvironment)
{
    desktop_->setAppearance(simulation::Appearance::Dark);
    desktop_->setIncreaseContrast(true);
    desktop_->setControlTint(simulation::ControlTint::Graphite);
    auto superview = std::make_shared<NSView>();
    auto view = std::make_shared<NSView>();
    superview->addSubview(view);
    view->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    EXPECT_TRUE(SRRecorderControlStyleComponents::currentComponentsForView(view.get())->isEqual(Id(make(3, 2, 2, 2))));

    // A look set on an ancestor is the view's effective one.
    superview->setAppearance(NSAppearance::appearanceNamed(NSAppearanceNameVibrantLight));
    desktop_->setControlTint(simulation::ControlTint::Blue);
    EXPECT_TRUE(SRRecorderControlStyleComponents::currentComponentsForView(view.get())->isEqual(Id(make(2, 2, 2, 1))));

    // The clear tint is no tint a variant is drawn for.
    desktop_->setControlTint(simulation::ControlTint::Clear);
    desktop_->setIncreaseContrast(false);
    EXPECT_EQ(SRRecorderControlStyleComponents::currentComponentsForView(view.get())->stringRepresentation(),
              String("-vibrantlight-rtl"));
}

TEST_F(SRRecorderControlStyleCurrentComponentsTest, WithoutAViewTheDrawingLookAndTheApplicationsDirectionCount)
{
    NSApplication::sharedApplication()->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    NSAppearance::appearanceNamed(NSAppearanceNameVibrantDark)->performAsCurrentDrawingAppearance([] {
        EXPECT_EQ(SRRecorderControlStyleComponents::currentComponents()->stringRepresentation(),
                  String("-vibrantdark-rtl"));
    });
    // A view that was given no direction has the application's.
    auto view = std::make_shared<NSView>();
    EXPECT_EQ(SRRecorderControlStyleComponents::currentComponentsForView(view.get())->layoutDirection(),
              SRComponentLayoutDirectionRightToLeft);
}

}  // namespace
