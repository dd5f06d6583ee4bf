#include "shortcut-library/SRRecorderControlStyleComponents.h"

#include "appkit/NSColor.h"
#include "appkit/NSView.h"
#include "appkit/NSWorkspace.h"
#include "foundation/NSException.h"
#include "foundation/NSProcessInfo.h"
#include "shortcut-library/SRCommon.h"

#include <algorithm>
#include <array>
#include <bit>
#include <span>

namespace {

// Dark aqua and the look-matching of appearances came with 10.14.
bool isMojaveOrLater()
{
    return NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({10, 14, 0});
}

struct NamedAppearance {
    const NSAppearanceName* name;
    SRComponentAppearance value;
};

// In the order the best-match question lists them. The table itself is
// fixed; whether dark aqua takes part is asked of the system each time.
constexpr NamedAppearance kNamedAppearances[] = {
    {&NSAppearanceNameAqua, SRComponentAppearanceAqua},
    {&NSAppearanceNameVibrantLight, SRComponentAppearanceVibrantLight},
    {&NSAppearanceNameVibrantDark, SRComponentAppearanceVibrantDark},
    {&NSAppearanceNameDarkAqua, SRComponentAppearanceDarkAqua},
};

bool takesPart(const NamedAppearance& entry, bool mojave)
{
    return mojave || entry.value != SRComponentAppearanceDarkAqua;
}

// What each value adds to the string representation, by value.
constexpr const char* kAppearanceSuffixes[] = {"", "-aqua", "-vibrantlight", "-darkaqua", "-vibrantdark"};
constexpr const char* kAccessibilitySuffixes[] = {"", "", "-acc"};
constexpr const char* kLayoutDirectionSuffixes[] = {"", "-ltr", "-rtl"};
constexpr const char* kTintSuffixes[] = {"", "-blue", "-graphite"};

template <std::size_t N> const char* suffix(const char* const (&table)[N], NSUInteger value)
{
    if (value < N)
        return table[value];
    // The initialiser lets no such value through unless an assertion
    // handler chose to go on; the variant then simply has no suffix for it.
    NSAssert(false, String::format("%lu is not a component value", value));
    return "";
}

// Preference lists, most preferred first, for each specified reference value.
using Preference = std::span<const NSUInteger>;
constexpr NSUInteger kAppearancePreferences[4][5] = {
    {1, 2, 3, 4, 0},
    {2, 1, 4, 3, 0},
    {3, 4, 1, 2, 0},
    {4, 3, 2, 1, 0},
};
constexpr NSUInteger kDirectionOrTintPreferences[2][3] = {
    {1, 2, 0},
    {2, 1, 0},
};

template <std::size_t Rows, std::size_t Columns>
Preference preferenceFor(const NSUInteger (&lists)[Rows][Columns], NSUInteger reference)
{
    if (reference == 0 || reference > Rows)
        return {};
    return Preference(lists[reference - 1]);
}

NSComparisonResult byPreference(NSUInteger a, NSUInteger b, Preference preference)
{
    if (preference.empty())
        return NSOrderedSame;
    auto rank = [&](NSUInteger value) { return std::find(preference.begin(), preference.end(), value); };
    auto ra = rank(a), rb = rank(b);
    if (ra == rb)
        return NSOrderedSame;
    return ra < rb ? NSOrderedAscending : NSOrderedDescending;
}

NSComparisonResult byAccessibility(NSUInteger a, NSUInteger b, NSUInteger reference)
{
    // More options in common with the reference first; then fewer options
    // the reference doesn't have.
    int sharedA = std::popcount(a & reference), sharedB = std::popcount(b & reference);
    if (sharedA != sharedB)
        return sharedA > sharedB ? NSOrderedAscending : NSOrderedDescending;
    int extraA = std::popcount(a & ~reference), extraB = std::popcount(b & ~reference);
    if (extraA != extraB)
        return extraA < extraB ? NSOrderedAscending : NSOrderedDescending;
    return NSOrderedSame;
}

}  // namespace

SRComponentAppearance SRComponentAppearanceForAppearanceName(const NSAppearanceName& name)
{
    bool mojave = isMojaveOrLater();
    for (const auto& entry : kNamedAppearances)
        if (takesPart(entry, mojave) && *entry.name == name)
            return entry.value;
    if (!mojave)
        return SRComponentAppearanceUnspecified;
    auto appearance = NSAppearance::appearanceNamed(name);
    if (!appearance)
        return SRComponentAppearanceUnspecified;
    std::vector<NSAppearanceName> names;
    for (const auto& entry : kNamedAppearances)
        names.push_back(*entry.name);
    NSAppearanceName best = appearance->bestMatchFromAppearancesWithNames(names);
    for (const auto& entry : kNamedAppearances)
        if (*entry.name == best)
            return entry.value;
    return SRComponentAppearanceUnspecified;
}

NSAppearanceName SRAppearanceNameForComponentAppearance(SRComponentAppearance appearance)
{
    bool mojave = isMojaveOrLater();
    for (const auto& entry : kNamedAppearances)
        if (entry.value == appearance && takesPart(entry, mojave))
            return *entry.name;
    NSException::raise(NSInvalidArgumentException, "%lu cannot be represented as NSAppearanceName",
                       static_cast<NSUInteger>(appearance));
}

NSUserInterfaceLayoutDirection SRUserInterfaceLayoutDirectionForComponentDirection(SRComponentLayoutDirection direction)
{
    switch (direction) {
    case SRComponentLayoutDirectionLeftToRight:
        return NSUserInterfaceLayoutDirectionLeftToRight;
    case SRComponentLayoutDirectionRightToLeft:
        return NSUserInterfaceLayoutDirectionRightToLeft;
    default:
        NSException::raise(NSInvalidArgumentException, "%lu cannot be represented as NSUserInterfaceLayoutDirection",
                           static_cast<NSUInteger>(direction));
    }
}

SRRecorderControlStyleComponents::SRRecorderControlStyleComponents() = default;

SRRecorderControlStyleComponents::SRRecorderControlStyleComponents(NSUInteger appearance, NSUInteger accessibility,
                                                                   NSUInteger layoutDirection, NSUInteger tint)
{
    NSAssert(appearance < 5, String("anAppearance is outside of the allowed range."));
    NSAssert(tint < 3, String("aTint is outside of the allowed range."));
    NSAssert(accessibility < 4, String("anAccessibility is outside of the allowed range."));
    NSAssert(!(accessibility & SRComponentAccessibilityNone) || accessibility == SRComponentAccessibilityNone,
             String("None cannot be combined with other accessibility options."));
    NSAssert(layoutDirection < 3, String("aDirection is outside of the allowed range."));
    appearance_ = static_cast<SRComponentAppearance>(appearance);
    accessibility_ = static_cast<SRComponentAccessibility>(accessibility);
    layoutDirection_ = static_cast<SRComponentLayoutDirection>(layoutDirection);
    tint_ = static_cast<SRComponentTint>(tint);
}

std::shared_ptr<SRRecorderControlStyleComponents>
SRRecorderControlStyleComponents::currentComponentsForView(const NSView* view)
{
    auto look = view ? view->effectiveAppearance() : NSAppearance::currentDrawingAppearance();
    NSUInteger appearance = look ? NSUInteger(SRComponentAppearanceForAppearanceName(look->name()))
                                 : NSUInteger(SRComponentAppearanceUnspecified);

    NSUInteger accessibility = NSWorkspace::sharedWorkspace().accessibilityDisplayShouldIncreaseContrast()
                                   ? SRComponentAccessibilityHighContrast
                                   : SRComponentAccessibilityNone;

    NSInteger direction = NSUserInterfaceLayoutDirectionLeftToRight;
    if (view)
        direction = view->userInterfaceLayoutDirection();
    else if (auto application = NSApp())
        direction = application->userInterfaceLayoutDirection();
    NSUInteger layoutDirection =
        direction == NSUserInterfaceLayoutDirectionLeftToRight   ? SRComponentLayoutDirectionLeftToRight
        : direction == NSUserInterfaceLayoutDirectionRightToLeft ? SRComponentLayoutDirectionRightToLeft
                                                                 : SRComponentLayoutDirectionUnspecified;

    NSControlTint controlTint = NSColor::currentControlTint();
    NSUInteger tint = controlTint == NSBlueControlTint       ? SRComponentTintBlue
                      : controlTint == NSGraphiteControlTint ? SRComponentTintGraphite
                                                             : SRComponentTintUnspecified;

    return std::make_shared<SRRecorderControlStyleComponents>(appearance, accessibility, layoutDirection, tint);
}

bool SRRecorderControlStyleComponents::isSpecified() const
{
    return appearance_ && accessibility_ && layoutDirection_ && tint_;
}

String SRRecorderControlStyleComponents::stringRepresentation() const
{
    return String::format("%s%s%s%s", suffix(kAppearanceSuffixes, appearance_),
                          suffix(kAccessibilitySuffixes, accessibility_),
                          suffix(kLayoutDirectionSuffixes, layoutDirection_), suffix(kTintSuffixes, tint_));
}

std::shared_ptr<SRRecorderControlStyleComponents> SRRecorderControlStyleComponents::copy() const
{
    return std::static_pointer_cast<SRRecorderControlStyleComponents>(
        std::const_pointer_cast<NSObject>(shared_from_this()));
}

bool SRRecorderControlStyleComponents::isEqualToComponents(const SRRecorderControlStyleComponents* components) const
{
    if (components == this)
        return true;
    return components && appearance_ == components->appearance_ && accessibility_ == components->accessibility_ &&
           layoutDirection_ == components->layoutDirection_ && tint_ == components->tint_;
}

NSComparisonResult SRRecorderControlStyleComponents::compare(const SRRecorderControlStyleComponents& other,
                                                             const SRRecorderControlStyleComponents& reference) const
{
    if (appearance_ != other.appearance_)
        return byPreference(appearance_, other.appearance_,
                            preferenceFor(kAppearancePreferences, reference.appearance_));
    if (accessibility_ != other.accessibility_)
        return byAccessibility(accessibility_, other.accessibility_, reference.accessibility_);
    if (layoutDirection_ != other.layoutDirection_)
        return byPreference(layoutDirection_, other.layoutDirection_,
                            preferenceFor(kDirectionOrTintPreferences, reference.layoutDirection_));
    if (tint_ != other.tint_)
        return byPreference(tint_, other.tint_, preferenceFor(kDirectionOrTintPreferences, reference.tint_));
    return NSOrderedSame;
}

bool SRRecorderControlStyleComponents::isEqual(const Id& other) const
{
    return SR_isEqual(*this, other, "isEqualToComponents:", SRRecorderControlStyleComponents::descriptor());
}

std::size_t SRRecorderControlStyleComponents::hash() const
{
    return std::size_t(tint_) | (std::size_t(layoutDirection_) << 2) | (std::size_t(appearance_) << 4) |
           (std::size_t(accessibility_) << 7);
}

String SRRecorderControlStyleComponents::description() const
{
    return stringRepresentation();
}

void SRRecorderControlStyleComponents::describe(ClassDescriptor& d)
{
    using Self = SRRecorderControlStyleComponents;
    d.method<Self>("isEqualToComponents:", ReturnKind::Boolean, [](Self& self, std::span<const Id> arguments) {
        auto other = arguments[0].object<Self>();
        return Id::boolean(other && self.isEqualToComponents(other.get()));
    });
    d.property<Self>("appearance", [](Self& self) { return Id::number(NSUInteger(self.appearance())); });
    d.property<Self>("accessibility", [](Self& self) { return Id::number(NSUInteger(self.accessibility())); });
    d.property<Self>("layoutDirection", [](Self& self) { return Id::number(NSUInteger(self.layoutDirection())); });
    d.property<Self>("tint", [](Self& self) { return Id::number(NSUInteger(self.tint())); });
    d.property<Self>("specified", [](Self& self) { return Id::boolean(self.isSpecified()); });
    d.property<Self>("stringRepresentation", [](Self& self) { return Id(self.stringRepresentation()); });
}
