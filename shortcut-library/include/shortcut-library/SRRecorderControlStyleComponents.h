#pragma once

#include "appkit/NSAppearance.h"
#include "appkit/NSApplication.h"
#include "foundation/NSComparisonResult.h"
#include "foundation/NSObject.h"

#include <memory>

class NSView;

// The look a variant of the style's resources is drawn for.
enum SRComponentAppearance : NSUInteger {
    SRComponentAppearanceUnspecified = 0,
    SRComponentAppearanceAqua = 1,
    SRComponentAppearanceVibrantLight = 2,
    SRComponentAppearanceDarkAqua = 3,
    SRComponentAppearanceVibrantDark = 4,
};

// The accessibility options a variant is drawn for, as bits; None stands
// alone and combines with nothing.
enum SRComponentAccessibility : NSUInteger {
    SRComponentAccessibilityUnspecified = 0,
    SRComponentAccessibilityNone = 1 << 0,
    SRComponentAccessibilityHighContrast = 1 << 1,
};

enum SRComponentLayoutDirection : NSUInteger {
    SRComponentLayoutDirectionUnspecified = 0,
    SRComponentLayoutDirectionLeftToRight = 1,
    SRComponentLayoutDirectionRightToLeft = 2,
};

enum SRComponentTint : NSUInteger {
    SRComponentTintUnspecified = 0,
    SRComponentTintBlue = 1,
    SRComponentTintGraphite = 2,
};

// The component value of an appearance name: the names the style knows map
// directly; any other look the system knows maps to the known name that
// suits it best (from 10.14 on). Unspecified when nothing fits.
SRComponentAppearance SRComponentAppearanceForAppearanceName(const NSAppearanceName& name);
// The appearance name of a component value; raises an invalid-argument
// exception for Unspecified, for a value out of range, and for dark aqua
// before 10.14.
NSAppearanceName SRAppearanceNameForComponentAppearance(SRComponentAppearance appearance);
// Raises an invalid-argument exception for anything but the two directions.
NSUserInterfaceLayoutDirection
SRUserInterfaceLayoutDirectionForComponentDirection(SRComponentLayoutDirection direction);

// Names one variant of a recorder style's resources: the look, the
// accessibility options, the layout direction and the control tint it is
// drawn for. A component of 0 is unspecified. Immutable, so a copy is the
// value itself and objects may be shared between threads.
class SRRecorderControlStyleComponents : public NSObject {
    KS_OBJECT(SRRecorderControlStyleComponents, NSObject)

public:
    // Everything unspecified.
    SRRecorderControlStyleComponents();
    // Each value is checked before the object is set up; a value out of
    // range is an assertion failure.
    SRRecorderControlStyleComponents(NSUInteger appearance, NSUInteger accessibility, NSUInteger layoutDirection,
                                     NSUInteger tint);

    // What surrounds the view now (its effective look, its layout
    // direction), or, without a view, the current drawing look and the
    // application's direction; the contrast setting and the control tint
    // come from the system. Accessibility is never unspecified here.
    static std::shared_ptr<SRRecorderControlStyleComponents> currentComponentsForView(const NSView* view);
    static std::shared_ptr<SRRecorderControlStyleComponents> currentComponents()
    {
        return currentComponentsForView(nullptr);
    }

    SRComponentAppearance appearance() const { return appearance_; }
    SRComponentAccessibility accessibility() const { return accessibility_; }
    SRComponentLayoutDirection layoutDirection() const { return layoutDirection_; }
    SRComponentTint tint() const { return tint_; }

    // All four components are specified.
    bool isSpecified() const;
    // The resource-name suffix of this variant: "-darkaqua-acc-ltr-blue"
    // and the like; empty when nothing is specified. Accessibility None adds
    // nothing.
    String stringRepresentation() const;

    std::shared_ptr<SRRecorderControlStyleComponents> copy() const;

    bool isEqualToComponents(const SRRecorderControlStyleComponents* components) const;
    // How close the receiver is to `reference` compared with `other`:
    // ascending when the receiver is closer. The first component in which
    // the two differ decides, in the order appearance, accessibility, layout
    // direction, tint; an unspecified reference component decides nothing.
    NSComparisonResult compare(const SRRecorderControlStyleComponents& other,
                               const SRRecorderControlStyleComponents& reference) const;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    SRComponentAppearance appearance_ = SRComponentAppearanceUnspecified;
    SRComponentAccessibility accessibility_ = SRComponentAccessibilityUnspecified;
    SRComponentLayoutDirection layoutDirection_ = SRComponentLayoutDirectionUnspecified;
    SRComponentTint tint_ = SRComponentTintUnspecified;
};
