#pragma once

#include "appkit/NSView.h"

// The material behind translucent panels, with the platform's raw values.
enum NSVisualEffectMaterial : NSInteger {
    NSVisualEffectMaterialTitlebar = 3,
    NSVisualEffectMaterialSelection = 4,
    NSVisualEffectMaterialMenu = 5,
    NSVisualEffectMaterialPopover = 6,
    NSVisualEffectMaterialSidebar = 7,
    NSVisualEffectMaterialHeaderView = 10,
    NSVisualEffectMaterialSheet = 11,
    NSVisualEffectMaterialWindowBackground = 12,
    NSVisualEffectMaterialHUDWindow = 13,
    NSVisualEffectMaterialFullScreenUI = 15,
    NSVisualEffectMaterialToolTip = 17,
    NSVisualEffectMaterialContentBackground = 18,
    NSVisualEffectMaterialUnderWindowBackground = 21,
    NSVisualEffectMaterialUnderPageBackground = 22,
};

enum NSVisualEffectBlendingMode : NSInteger {
    NSVisualEffectBlendingModeBehindWindow = 0,
    NSVisualEffectBlendingModeWithinWindow = 1,
};

enum NSVisualEffectState : NSInteger {
    NSVisualEffectStateFollowsWindowActiveState = 0,
    NSVisualEffectStateActive = 1,
    NSVisualEffectStateInactive = 2,
};

// A translucent backdrop. With nothing behind the window to blur, it fills
// its bounds with its material's tint for the look in effect; an inactive
// one shows the plain window background.
class NSVisualEffectView : public NSView {
    KS_OBJECT(NSVisualEffectView, NSView)

public:
    using NSView::NSView;

    NSVisualEffectMaterial material() const { return material_; }
    void setMaterial(NSVisualEffectMaterial material);
    NSVisualEffectBlendingMode blendingMode() const { return blendingMode_; }
    void setBlendingMode(NSVisualEffectBlendingMode mode) { blendingMode_ = mode; }
    NSVisualEffectState state() const { return state_; }
    void setState(NSVisualEffectState state);

    void drawRect(NSRect dirtyRect) override;

private:
    NSVisualEffectMaterial material_ = NSVisualEffectMaterialWindowBackground;
    NSVisualEffectBlendingMode blendingMode_ = NSVisualEffectBlendingModeBehindWindow;
    NSVisualEffectState state_ = NSVisualEffectStateFollowsWindowActiveState;
};
