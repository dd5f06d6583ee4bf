#include "appkit/NSValue.h"

#include <functional>

std::shared_ptr<NSValue> NSValue::valueWithPoint(NSPoint point)
{
    return std::make_shared<NSValue>(point);
}

std::shared_ptr<NSValue> NSValue::valueWithSize(NSSize size)
{
    return std::make_shared<NSValue>(size);
}

std::shared_ptr<NSValue> NSValue::valueWithRect(NSRect rect)
{
    return std::make_shared<NSValue>(rect);
}

std::shared_ptr<NSValue> NSValue::valueWithEdgeInsets(NSEdgeInsets insets)
{
    return std::make_shared<NSValue>(insets);
}

NSPoint NSValue::pointValue() const
{
    auto* point = std::get_if<NSPoint>(&value_);
    return point ? *point : NSZeroPoint;
}

NSSize NSValue::sizeValue() const
{
    auto* size = std::get_if<NSSize>(&value_);
    return size ? *size : NSZeroSize;
}

NSRect NSValue::rectValue() const
{
    auto* rect = std::get_if<NSRect>(&value_);
    return rect ? *rect : NSZeroRect;
}

NSEdgeInsets NSValue::edgeInsetsValue() const
{
    auto* insets = std::get_if<NSEdgeInsets>(&value_);
    return insets ? *insets : NSEdgeInsetsZero;
}

bool NSValue::isEqual(const Id& other) const
{
    auto value = other.object<NSValue>();
    return value && value->value_ == value_;
}

std::size_t NSValue::hash() const
{
    std::size_t seed = value_.index();
    std::visit(
        [&](const auto& v) {
            const auto* numbers = reinterpret_cast<const CGFloat*>(&v);
            for (std::size_t i = 0; i < sizeof(v) / sizeof(CGFloat); ++i)
                seed = seed * 31 + std::hash<CGFloat>()(numbers[i]);
        },
        value_);
    return seed;
}

String NSValue::description() const
{
    return std::visit(
        [](const auto& v) -> String {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, NSPoint>)
                return String::format("NSPoint: {%g, %g}", v.x, v.y);
            else if constexpr (std::is_same_v<T, NSSize>)
                return String::format("NSSize: {%g, %g}", v.width, v.height);
            else if constexpr (std::is_same_v<T, NSRect>)
                return String::format("NSRect: {{%g, %g}, {%g, %g}}", v.origin.x, v.origin.y, v.size.width,
                                      v.size.height);
            else
                return String::format("NSEdgeInsets: {%g, %g, %g, %g}", v.top, v.left, v.bottom, v.right);
        },
        value_);
}
