#include "appkit/NSColor.h"

#include "appkit/NSAppearance.h"
#include "appkit/NSGraphicsContext.h"
#include "coregraphics/CGContext.h"
#include "simulation/SimulatedDesktop.h"

#include <functional>
#include <unordered_map>

const String NSControlTintDidChangeNotification = "NSControlTintDidChangeNotification";

namespace {

using Components = NSColor::Components;

// A system colour as it looks in the light and in the dark.
struct SystemColor {
    const char* name;
    Components light;
    Components dark;
};

constexpr Components kAccentLight = {0.0, 0.478, 1.0, 1.0};
constexpr Components kAccentDark = {0.039, 0.518, 1.0, 1.0};

constexpr SystemColor kSystemColors[] = {
    {"systemGrayColor", {0.557, 0.557, 0.576, 1}, {0.596, 0.596, 0.616, 1}},
    {"systemBlueColor", kAccentLight, kAccentDark},
    {"systemRedColor", {1.0, 0.231, 0.188, 1}, {1.0, 0.271, 0.227, 1}},
    {"systemGreenColor", {0.204, 0.780, 0.349, 1}, {0.188, 0.820, 0.345, 1}},
    {"windowBackgroundColor", {0.925, 0.925, 0.925, 1}, {0.196, 0.196, 0.196, 1}},
    {"underPageBackgroundColor", {0.588, 0.588, 0.588, 0.9}, {0.157, 0.157, 0.157, 1}},
    {"keyboardFocusIndicatorColor", {0.0, 0.404, 0.957, 0.5}, {0.102, 0.663, 1.0, 0.5}},
    {"separatorColor", {0, 0, 0, 0.1}, {1, 1, 1, 0.1}},
    {"gridColor", {0.902, 0.902, 0.902, 1}, {0.102, 0.102, 0.102, 1}},
    {"labelColor", {0, 0, 0, 0.85}, {1, 1, 1, 0.85}},
    {"secondaryLabelColor", {0, 0, 0, 0.5}, {1, 1, 1, 0.55}},
    {"tertiaryLabelColor", {0, 0, 0, 0.26}, {1, 1, 1, 0.25}},
    {"quaternaryLabelColor", {0, 0, 0, 0.1}, {1, 1, 1, 0.1}},
    {"placeholderTextColor", {0, 0, 0, 0.25}, {1, 1, 1, 0.25}},
    {"controlAccentColor", kAccentLight, kAccentDark},
    {"controlColor", {1, 1, 1, 1}, {1, 1, 1, 0.25}},
    {"controlBackgroundColor", {1, 1, 1, 1}, {0.118, 0.118, 0.118, 1}},
    {"controlTextColor", {0, 0, 0, 0.85}, {1, 1, 1, 0.85}},
    {"disabledControlTextColor", {0, 0, 0, 0.25}, {1, 1, 1, 0.25}},
    {"selectedControlColor", {0.702, 0.843, 1.0, 1}, {0.247, 0.388, 0.545, 1}},
    {"alternateSelectedControlTextColor", {1, 1, 1, 1}, {1, 1, 1, 1}},
    {"textColor", {0, 0, 0, 1}, {1, 1, 1, 1}},
    {"textBackgroundColor", {1, 1, 1, 1}, {0.118, 0.118, 0.118, 1}},
    {"selectedContentBackgroundColor", {0.0, 0.388, 0.882, 1}, {0.0, 0.345, 0.816, 1}},
    {"unemphasizedSelectedContentBackgroundColor", {0.863, 0.863, 0.863, 1}, {0.275, 0.275, 0.275, 1}},
    {"windowFrameTextColor", {0, 0, 0, 0.85}, {1, 1, 1, 0.85}},
    {"headerTextColor", {0, 0, 0, 0.85}, {1, 1, 1, 1}},
    {"shadowColor", {0, 0, 0, 1}, {0, 0, 0, 1}},
};

// The system colours, made once and never released.
const std::unordered_map<String, std::shared_ptr<NSColor>>& systemColors()
{
    static const auto* colors = [] {
        auto* table = new std::unordered_map<String, std::shared_ptr<NSColor>>;
        for (const auto& entry : kSystemColors) {
            auto light = std::make_shared<NSColor>(entry.light);
            auto dark = std::make_shared<NSColor>(entry.dark);
            table->emplace(String(entry.name),
                           std::make_shared<NSColor>(String(entry.name), [light, dark](const NSAppearance& appearance) {
                               return appearance.isDark() ? dark : light;
                           }));
        }
        return table;
    }();
    return *colors;
}

std::shared_ptr<NSColor> systemColor(const char* name)
{
    return systemColors().at(String(name));
}

std::shared_ptr<NSColor> fixed(Components components)
{
    return std::make_shared<NSColor>(components);
}

// Clamped as the colour types clamp their components.
Components clampedComponents(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return ::CGColor(red, green, blue, alpha).components();
}

}  // namespace

NSColor::NSColor(Components components)
    : components_(clampedComponents(components[0], components[1], components[2], components[3]))
{
}

NSColor::NSColor(String name, DynamicProvider provider, std::optional<CGFloat> alpha)
    : name_(std::move(name))
    , provider_(std::move(provider))
    , alpha_(alpha)
{
}

std::shared_ptr<NSColor> NSColor::colorWithSRGBRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return fixed({red, green, blue, alpha});
}

std::shared_ptr<NSColor> NSColor::colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return fixed({red, green, blue, alpha});
}

std::shared_ptr<NSColor> NSColor::colorWithCalibratedRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return fixed({red, green, blue, alpha});
}

std::shared_ptr<NSColor> NSColor::colorWithDeviceRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return fixed({red, green, blue, alpha});
}

std::shared_ptr<NSColor> NSColor::colorWithWhite(CGFloat white, CGFloat alpha)
{
    return fixed({white, white, white, alpha});
}

std::shared_ptr<NSColor> NSColor::colorWithCalibratedWhite(CGFloat white, CGFloat alpha)
{
    return colorWithWhite(white, alpha);
}

std::shared_ptr<NSColor> NSColor::colorWithDeviceWhite(CGFloat white, CGFloat alpha)
{
    return colorWithWhite(white, alpha);
}

std::shared_ptr<NSColor> NSColor::colorWithCGColor(const CGColorRef& color)
{
    return color ? fixed(color->components()) : nullptr;
}

std::shared_ptr<NSColor> NSColor::colorWithName(const String& name, DynamicProvider provider)
{
    if (!provider)
        return nullptr;
    return std::make_shared<NSColor>(name, std::move(provider));
}

std::shared_ptr<NSColor> NSColor::systemColorNamed(const String& name)
{
    const auto& colors = systemColors();
    auto it = colors.find(name);
    if (it != colors.end())
        return it->second;
    static const std::unordered_map<String, std::function<std::shared_ptr<NSColor>()>> plain = {
        {"clearColor", clearColor}, {"blackColor", blackColor}, {"whiteColor", whiteColor}, {"grayColor", grayColor},
        {"redColor", redColor},     {"greenColor", greenColor}, {"blueColor", blueColor},
    };
    auto found = plain.find(name);
    return found == plain.end() ? nullptr : found->second();
}

std::shared_ptr<NSColor> NSColor::colorWithCatalogName(const String& catalogName, const String& colorName)
{
    return catalogName == String("System") ? systemColorNamed(colorName) : nullptr;
}

NSControlTint NSColor::currentControlTint()
{
    switch (simulation::SimulatedDesktop::current()->controlTint()) {
    case simulation::ControlTint::Blue:
        return NSBlueControlTint;
    case simulation::ControlTint::Graphite:
        return NSGraphiteControlTint;
    case simulation::ControlTint::Clear:
        return NSClearControlTint;
    case simulation::ControlTint::Default:
        break;
    }
    return NSDefaultControlTint;
}

// The plain colours are fixed; one shared object each.
#define KS_PLAIN_COLOR(method, ...)                                                                                    \
    std::shared_ptr<NSColor> NSColor::method()                                                                         \
    {                                                                                                                  \
        static const auto* color = new std::shared_ptr<NSColor>(fixed(__VA_ARGS__));                                   \
        return *color;                                                                                                 \
    }
KS_PLAIN_COLOR(clearColor, {0, 0, 0, 0})
KS_PLAIN_COLOR(blackColor, {0, 0, 0, 1})
KS_PLAIN_COLOR(whiteColor, {1, 1, 1, 1})
KS_PLAIN_COLOR(grayColor, {0.5, 0.5, 0.5, 1})
KS_PLAIN_COLOR(lightGrayColor, {2.0 / 3, 2.0 / 3, 2.0 / 3, 1})
KS_PLAIN_COLOR(darkGrayColor, {1.0 / 3, 1.0 / 3, 1.0 / 3, 1})
KS_PLAIN_COLOR(redColor, {1, 0, 0, 1})
KS_PLAIN_COLOR(greenColor, {0, 1, 0, 1})
KS_PLAIN_COLOR(blueColor, {0, 0, 1, 1})
#undef KS_PLAIN_COLOR

#define KS_SYSTEM_COLOR(method)                                                                                        \
    std::shared_ptr<NSColor> NSColor::method()                                                                         \
    {                                                                                                                  \
        return systemColor(#method);                                                                                   \
    }
KS_SYSTEM_COLOR(systemGrayColor)
KS_SYSTEM_COLOR(systemBlueColor)
KS_SYSTEM_COLOR(systemRedColor)
KS_SYSTEM_COLOR(systemGreenColor)
KS_SYSTEM_COLOR(windowBackgroundColor)
KS_SYSTEM_COLOR(underPageBackgroundColor)
KS_SYSTEM_COLOR(keyboardFocusIndicatorColor)
KS_SYSTEM_COLOR(separatorColor)
KS_SYSTEM_COLOR(gridColor)
KS_SYSTEM_COLOR(labelColor)
KS_SYSTEM_COLOR(secondaryLabelColor)
KS_SYSTEM_COLOR(tertiaryLabelColor)
KS_SYSTEM_COLOR(quaternaryLabelColor)
KS_SYSTEM_COLOR(placeholderTextColor)
KS_SYSTEM_COLOR(controlAccentColor)
KS_SYSTEM_COLOR(controlColor)
KS_SYSTEM_COLOR(controlBackgroundColor)
KS_SYSTEM_COLOR(controlTextColor)
KS_SYSTEM_COLOR(disabledControlTextColor)
KS_SYSTEM_COLOR(selectedControlColor)
KS_SYSTEM_COLOR(alternateSelectedControlTextColor)
KS_SYSTEM_COLOR(textColor)
KS_SYSTEM_COLOR(textBackgroundColor)
KS_SYSTEM_COLOR(selectedContentBackgroundColor)
KS_SYSTEM_COLOR(unemphasizedSelectedContentBackgroundColor)
KS_SYSTEM_COLOR(windowFrameTextColor)
KS_SYSTEM_COLOR(headerTextColor)
KS_SYSTEM_COLOR(shadowColor)
#undef KS_SYSTEM_COLOR

std::shared_ptr<NSColor> NSColor::colorWithAlphaComponent(CGFloat alpha) const
{
    if (provider_)
        return std::make_shared<NSColor>(name_, provider_, alpha);
    return fixed({components_[0], components_[1], components_[2], alpha});
}

std::shared_ptr<NSColor> NSColor::colorUsingType(NSColorType type) const
{
    switch (type) {
    case NSColorTypeComponentBased:
        return fixed(components());
    case NSColorTypeCatalog:
        return provider_ ? std::static_pointer_cast<NSColor>(std::const_pointer_cast<NSObject>(shared_from_this()))
                         : nullptr;
    case NSColorTypePattern:
        break;
    }
    return nullptr;
}

NSColor::Components NSColor::componentsForAppearance(const NSAppearance& appearance) const
{
    if (!provider_)
        return components_;
    auto resolved = provider_(appearance);
    Components result =
        resolved && resolved.get() != this ? resolved->componentsForAppearance(appearance) : Components{0, 0, 0, 0};
    if (alpha_)
        result[3] = clampedComponents(0, 0, 0, *alpha_)[3];
    return result;
}

NSColor::Components NSColor::components() const
{
    if (!provider_)
        return components_;
    return componentsForAppearance(*NSAppearance::currentDrawingAppearance());
}

CGColorRef NSColor::CGColor() const
{
    auto c = components();
    return CGColorCreateGenericRGB(c[0], c[1], c[2], c[3]);
}

void NSColor::set() const
{
    setFill();
    setStroke();
}

void NSColor::setFill() const
{
    if (auto context = NSGraphicsContext::currentContext())
        CGContextSetFillColorWithColor(context->CGContext(), CGColor());
}

void NSColor::setStroke() const
{
    if (auto context = NSGraphicsContext::currentContext())
        CGContextSetStrokeColorWithColor(context->CGContext(), CGColor());
}

bool NSColor::isEqual(const Id& other) const
{
    auto color = other.object<NSColor>();
    if (!color)
        return false;
    if (color.get() == this)
        return true;
    if (provider_ || color->provider_)
        return provider_ && color->provider_ && !name_.empty() && name_ == color->name_ && alpha_ == color->alpha_;
    return components_ == color->components_;
}

std::size_t NSColor::hash() const
{
    if (provider_)
        return name_.hash();
    std::size_t h = 0;
    for (CGFloat c : components_)
        h = h * 31 + std::hash<CGFloat>()(c);
    return h;
}

String NSColor::description() const
{
    if (provider_)
        return alpha_ ? String::format("<NSColor: %s, alpha %g>", name_.utf8().c_str(), *alpha_)
                      : String::format("<NSColor: %s>", name_.utf8().c_str());
    return String::format("<NSColor: %g %g %g %g>", components_[0], components_[1], components_[2], components_[3]);
}
