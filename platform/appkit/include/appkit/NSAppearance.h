#pragma once

#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <vector>

using NSAppearanceName = String;

// The standard light and dark looks.
extern const NSAppearanceName NSAppearanceNameAqua;
extern const NSAppearanceName NSAppearanceNameDarkAqua;

// The looks of translucent material (menus, popovers, sidebars), and the
// standard looks drawn with more contrast for those who need it.
extern const NSAppearanceName NSAppearanceNameVibrantLight;
extern const NSAppearanceName NSAppearanceNameVibrantDark;
extern const NSAppearanceName NSAppearanceNameAccessibilityHighContrastAqua;
extern const NSAppearanceName NSAppearanceNameAccessibilityHighContrastDarkAqua;
extern const NSAppearanceName NSAppearanceNameAccessibilityHighContrastVibrantLight;
extern const NSAppearanceName NSAppearanceNameAccessibilityHighContrastVibrantDark;

// A look that system colours, materials and controls are drawn in. There is
// one object per name. Windows and views inherit the look of what holds
// them (view -> superview -> window -> the desktop's), unless one sets its
// own.
class NSAppearance : public NSObject {
    KS_OBJECT(NSAppearance, NSObject)

public:
    // What a look is made of; the names differ by these.
    struct Traits {
        bool dark = false;
        bool vibrant = false;
        bool highContrast = false;
    };

    // nullptr for a name that isn't known.
    static std::shared_ptr<NSAppearance> appearanceNamed(const NSAppearanceName& name);

    // The look drawing resolves colours against: the one made current by
    // performAsCurrentDrawingAppearance (drawing a view makes its effective
    // appearance current), else the desktop's.
    static std::shared_ptr<NSAppearance> currentDrawingAppearance();
    // The older name of the same.
    static std::shared_ptr<NSAppearance> currentAppearance() { return currentDrawingAppearance(); }
    // Runs `block` with this look current on this thread.
    void performAsCurrentDrawingAppearance(const std::function<void()>& block);
    // The look the desktop is set to: aqua or dark aqua.
    static std::shared_ptr<NSAppearance> systemAppearance();

    const NSAppearanceName& name() const { return name_; }
    const Traits& traits() const { return traits_; }
    bool isDark() const { return traits_.dark; }
    // The listed name that suits this look best: its own name, else the
    // first of the same lightness and vibrancy, else the first of the same
    // lightness; empty when none does.
    NSAppearanceName bestMatchFromAppearancesWithNames(const std::vector<NSAppearanceName>& names) const;

    String description() const override;

    NSAppearance(NSAppearanceName name, Traits traits);

private:
    NSAppearanceName name_;
    Traits traits_;
};
