#include "Kestrova/A11yElement.h"

#include "accessibility/AXUIElementPrivate.h"
#include "accessibility/AXValue.h"
#include "appkit/NSAccessibilityConstants.h"
#include "appkit/NSScreen.h"
#include "foundation/DispatchQueue.h"
#include "foundation/Id.h"
#include "quartz/CGEventMouse.h"

#include <utility>

namespace {

// How long the click waits after the raise: long enough for the
// activation the caller asks for next to be on its way.
constexpr double kClickDelay = 0.02;

const String& findInPagePrefix()
{
    static const auto* prefix = new String("Find in page");
    return *prefix;
}

// The attribute's value, or nil when the copy fails.
Id copyAttribute(const AXUIElementRef& element, const char* attribute)
{
    Id value;
    if (AXUIElementCopyAttributeValue(element, attribute, &value) != kAXErrorSuccess)
        return Id();
    return value;
}

// A point or size read from a position or size attribute; none when the
// copy fails, gives nothing, or gives something that doesn't unpack as
// `type`.
template <class T> std::optional<T> copyGeometry(const AXUIElementRef& element, const char* attribute, AXValueType type)
{
    T result{};
    if (!AXValueGetValue(copyAttribute(element, attribute).object<AXValue>(), type, &result))
        return std::nullopt;
    return result;
}

}  // namespace

A11yElement::A11yElement(AXUIElementRef axuiElement)
    : axuiElement_(std::move(axuiElement))
{
}

std::shared_ptr<A11yElement> A11yElement::forApplication(pid_t pid)
{
    return std::make_shared<A11yElement>(AXUIElementCreateApplication(pid));
}

String A11yElement::title() const
{
    Id value = copyAttribute(axuiElement_, NSAccessibilityTitleAttribute);
    if (const String* text = value.string())
        return *text;
    return unknownTitle;
}

std::vector<std::shared_ptr<A11yElement>> A11yElement::windows() const
{
    Id value = copyAttribute(axuiElement_, NSAccessibilityWindowsAttribute);
    const Array* array = value.array();
    if (!array)
        return {};
    std::vector<std::shared_ptr<A11yElement>> result;
    result.reserve(array->count());
    for (const auto& item : *array) {
        auto window = item.object<AXUIElement>();
        // Anything but elements makes it no list of windows at all.
        if (!window)
            return {};
        result.push_back(std::make_shared<A11yElement>(std::move(window)));
    }
    return result;
}

CGWindowID A11yElement::windowNumber() const
{
    CGWindowID number = 0;
    if (_AXUIElementGetWindow(axuiElement_, &number) != kAXErrorSuccess)
        return 0;
    return number;
}

bool A11yElement::isSameWindow(const A11yElement& other) const
{
    return isSameWindow(*this, windowNumber(), other, other.windowNumber());
}

bool A11yElement::isSameWindow(const A11yElement& a, CGWindowID aNumber, const A11yElement& b, CGWindowID bNumber)
{
    if (aNumber != 0 && bNumber != 0)
        return aNumber == bNumber;
    // Elements are equal when they name the same thing, however they were
    // read.
    if (!a.axuiElement_ || !b.axuiElement_)
        return a.axuiElement_ == b.axuiElement_;
    return a.axuiElement_->isEqual(Id(b.axuiElement_));
}

void A11yElement::raise()
{
    // On the window itself, each on its own: one that fails doesn't keep the
    // others from being tried.
    for (const char* attribute :
         {NSAccessibilityMainAttribute, NSAccessibilityMainWindowAttribute, NSAccessibilityFocusedWindowAttribute})
        AXUIElementSetAttributeValue(axuiElement_, attribute, Id::boolean(true));

    if (NSScreen::screens().size() < 2)
        return;
    DispatchQueue::main().asyncAfter(kClickDelay, [element = weak_from_this()] {
        if (auto window = element.lock())
            window->clickAtCenter();
    });
}

std::optional<CGPoint> A11yElement::center() const
{
    auto position = copyGeometry<CGPoint>(axuiElement_, NSAccessibilityPositionAttribute, kAXValueCGPointType);
    auto size = copyGeometry<CGSize>(axuiElement_, NSAccessibilitySizeAttribute, kAXValueCGSizeType);
    if (!position || !size)
        return std::nullopt;
    return CGPoint{position->x + 0.5 * size->width, position->y + 0.5 * size->height};
}

void A11yElement::clickAtCenter() const
{
    auto centre = center();
    if (!centre)
        return;
    // The Accessibility interface and the pointer share the global space
    // (top left of the main screen), so the centre needs no conversion.
    CGWarpMouseCursorPosition(*centre);
    CGAssociateMouseAndMouseCursorPosition(true);
    auto down = CGEventCreateMouseEvent(nullptr, kCGEventLeftMouseDown, *centre, kCGMouseButtonLeft);
    auto up = CGEventCreateMouseEvent(nullptr, kCGEventLeftMouseUp, *centre, kCGMouseButtonLeft);
    if (down)
        CGEventPost(kCGHIDEventTap, down);
    if (up)
        CGEventPost(kCGHIDEventTap, up);
}

std::vector<std::shared_ptr<A11yElement>> titledWindows(const A11yElement& application)
{
    std::vector<std::shared_ptr<A11yElement>> result;
    for (auto& window : application.windows()) {
        String title = window->title();
        if (!title.empty() && title != String(A11yElement::unknownTitle) && !title.hasPrefix(findInPagePrefix()))
            result.push_back(std::move(window));
    }
    return result;
}
