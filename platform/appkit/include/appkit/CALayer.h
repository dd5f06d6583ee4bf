#pragma once

#include "appkit/AppKitDefines.h"
#include "coregraphics/CGColor.h"
#include "foundation/NSObject.h"

#include <memory>

class NSView;

// The layer of a layer-backed view: what the view draws sits on the
// layer's background, inside its rounded corners when it masks to bounds,
// with its border drawn on top of the view and its subviews. Every change
// makes the view redraw.
class CALayer : public NSObject {
    KS_OBJECT(CALayer, NSObject)

public:
    CALayer() = default;

    // nullptr: no background.
    CGColorRef backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const CGColorRef& color);
    CGFloat cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(CGFloat radius);
    CGFloat borderWidth() const { return borderWidth_; }
    void setBorderWidth(CGFloat width);
    // Opaque black unless set; nullptr: no border.
    CGColorRef borderColor() const { return borderColor_; }
    void setBorderColor(const CGColorRef& color);
    // Whether the view's drawing and subviews are clipped to the rounded
    // corners (they are always clipped to the bounds).
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks);
    float opacity() const { return opacity_; }
    void setOpacity(float opacity);

    // The view the layer backs.
    std::shared_ptr<NSView> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<NSView>& view) { delegate_ = view; }
    void setNeedsDisplay();

private:
    CGColorRef backgroundColor_;
    CGColorRef borderColor_ = CGColorCreateGenericRGB(0, 0, 0, 1);
    CGFloat cornerRadius_ = 0;
    CGFloat borderWidth_ = 0;
    float opacity_ = 1;
    bool masksToBounds_ = false;
    std::weak_ptr<NSView> delegate_;
};
