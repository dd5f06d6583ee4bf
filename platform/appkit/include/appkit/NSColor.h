#pragma once

#include "appkit/AppKitDefines.h"
#include "coregraphics/CGColor.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>

class NSAppearance;

// The colour of selected and pressed controls, with the platform's values.
enum NSControlTint : NSUInteger {
    NSDefaultControlTint = 0,
    NSBlueControlTint = 1,
    NSGraphiteControlTint = 6,
    NSClearControlTint = 7,
};

// Posted on the default centre, on the main queue, after the user chose
// another control tint.
extern const String NSControlTintDidChangeNotification;

enum NSColorType : NSInteger {
    NSColorTypeComponentBased = 0,
    NSColorTypePattern = 1,
    NSColorTypeCatalog = 2,
};

// A colour: fixed components (red, green, blue, alpha, from 0 to 1), or a
// named colour that is resolved against the appearance in effect whenever
// it is used (the system colours are such). Immutable; the system colours
// are shared objects.
class NSColor : public NSObject {
    KS_OBJECT(NSColor, NSObject)

public:
    using Components = std::array<CGFloat, 4>;
    using DynamicProvider = std::function<std::shared_ptr<NSColor>(const NSAppearance&)>;

    explicit NSColor(Components components);
    NSColor(String name, DynamicProvider provider, std::optional<CGFloat> alpha = std::nullopt);

    static std::shared_ptr<NSColor> colorWithSRGBRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    // The generic, calibrated and device spaces are the one RGB space here.
    static std::shared_ptr<NSColor> colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static std::shared_ptr<NSColor> colorWithCalibratedRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static std::shared_ptr<NSColor> colorWithDeviceRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static std::shared_ptr<NSColor> colorWithWhite(CGFloat white, CGFloat alpha);
    static std::shared_ptr<NSColor> colorWithCalibratedWhite(CGFloat white, CGFloat alpha);
    static std::shared_ptr<NSColor> colorWithDeviceWhite(CGFloat white, CGFloat alpha);
    // nullptr for no colour.
    static std::shared_ptr<NSColor> colorWithCGColor(const CGColorRef& color);
    // A colour the provider chooses for each appearance.
    static std::shared_ptr<NSColor> colorWithName(const String& name, DynamicProvider provider);
    // A system colour by its name ("labelColor", "systemGrayColor", ...);
    // nullptr for a name that isn't one.
    static std::shared_ptr<NSColor> systemColorNamed(const String& name);
    // A colour of a named catalogue: "System" holds the system colours;
    // nullptr for another catalogue or a name the catalogue lacks.
    static std::shared_ptr<NSColor> colorWithCatalogName(const String& catalogName, const String& colorName);
    // The tint the user chose for controls, from the desktop's settings.
    static NSControlTint currentControlTint();

    static std::shared_ptr<NSColor> clearColor();
    static std::shared_ptr<NSColor> blackColor();
    static std::shared_ptr<NSColor> whiteColor();
    static std::shared_ptr<NSColor> grayColor();
    static std::shared_ptr<NSColor> lightGrayColor();
    static std::shared_ptr<NSColor> darkGrayColor();
    static std::shared_ptr<NSColor> redColor();
    static std::shared_ptr<NSColor> greenColor();
    static std::shared_ptr<NSColor> blueColor();

    static std::shared_ptr<NSColor> systemGrayColor();
    static std::shared_ptr<NSColor> systemBlueColor();
    static std::shared_ptr<NSColor> systemRedColor();
    static std::shared_ptr<NSColor> systemGreenColor();
    static std::shared_ptr<NSColor> windowBackgroundColor();
    static std::shared_ptr<NSColor> underPageBackgroundColor();
    static std::shared_ptr<NSColor> keyboardFocusIndicatorColor();
    static std::shared_ptr<NSColor> separatorColor();
    static std::shared_ptr<NSColor> gridColor();
    static std::shared_ptr<NSColor> labelColor();
    static std::shared_ptr<NSColor> secondaryLabelColor();
    static std::shared_ptr<NSColor> tertiaryLabelColor();
    static std::shared_ptr<NSColor> quaternaryLabelColor();
    static std::shared_ptr<NSColor> placeholderTextColor();
    static std::shared_ptr<NSColor> controlAccentColor();
    static std::shared_ptr<NSColor> controlColor();
    static std::shared_ptr<NSColor> controlBackgroundColor();
    static std::shared_ptr<NSColor> controlTextColor();
    static std::shared_ptr<NSColor> disabledControlTextColor();
    static std::shared_ptr<NSColor> selectedControlColor();
    static std::shared_ptr<NSColor> alternateSelectedControlTextColor();
    static std::shared_ptr<NSColor> textColor();
    static std::shared_ptr<NSColor> textBackgroundColor();
    static std::shared_ptr<NSColor> selectedContentBackgroundColor();
    static std::shared_ptr<NSColor> unemphasizedSelectedContentBackgroundColor();
    static std::shared_ptr<NSColor> windowFrameTextColor();
    static std::shared_ptr<NSColor> headerTextColor();
    static std::shared_ptr<NSColor> shadowColor();

    NSColorType type() const { return provider_ ? NSColorTypeCatalog : NSColorTypeComponentBased; }
    // The name of a named colour; empty for one made from components.
    const String& colorNameComponent() const { return name_; }
    // The same colour with that alpha: a named colour stays named and
    // resolves with its alpha replaced.
    std::shared_ptr<NSColor> colorWithAlphaComponent(CGFloat alpha) const;
    // A colour of fixed components, resolved now for the current drawing
    // appearance; nullptr for the pattern type.
    std::shared_ptr<NSColor> colorUsingType(NSColorType type) const;

    // Resolved against the current drawing appearance.
    Components components() const;
    Components componentsForAppearance(const NSAppearance& appearance) const;
    CGFloat redComponent() const { return components()[0]; }
    CGFloat greenComponent() const { return components()[1]; }
    CGFloat blueComponent() const { return components()[2]; }
    CGFloat alphaComponent() const { return components()[3]; }
    // Resolved now, for the current drawing appearance.
    CGColorRef CGColor() const;

    // Make this the current context's fill and stroke colour, or one of them.
    void set() const;
    void setFill() const;
    void setStroke() const;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

private:
    Components components_ = {0, 0, 0, 0};
    String name_;
    DynamicProvider provider_;
    std::optional<CGFloat> alpha_;
};
