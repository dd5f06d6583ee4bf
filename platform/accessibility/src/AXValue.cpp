#include "accessibility/AXValue.h"

#include <functional>
#include <sstream>

AXValue::AXValue(CGPoint point)
    : value_(point)
{
}

AXValue::AXValue(CGSize size)
    : value_(size)
{
}

AXValue::AXValue(CGRect rect)
    : value_(rect)
{
}

AXValueType AXValue::type() const
{
    switch (value_.index()) {
    case 0:
        return kAXValueCGPointType;
    case 1:
        return kAXValueCGSizeType;
    default:
        return kAXValueCGRectType;
    }
}

bool AXValue::isEqual(const Id& other) const
{
    auto value = other.object<AXValue>();
    return value && value->value_ == value_;
}

std::size_t AXValue::hash() const
{
    std::size_t result = value_.index();
    auto mix = [&](CGFloat part) { result = result * 31 + std::hash<CGFloat>{}(part); };
    std::visit(
        [&](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, CGPoint>) {
                mix(value.x);
                mix(value.y);
            } else if constexpr (std::is_same_v<T, CGSize>) {
                mix(value.width);
                mix(value.height);
            } else {
                mix(value.origin.x);
                mix(value.origin.y);
                mix(value.size.width);
                mix(value.size.height);
            }
        },
        value_);
    return result;
}

String AXValue::description() const
{
    std::ostringstream text;
    std::visit([&](const auto& value) { text << value; }, value_);
    static const char* const kNames[] = {"CGPoint", "CGSize", "CGRect"};
    return String::format("<AXValue %s %s>", kNames[value_.index()], text.str().c_str());
}

AXValueRef AXValueCreate(AXValueType type, const void* valuePointer)
{
    if (!valuePointer)
        return nullptr;
    switch (type) {
    case kAXValueCGPointType:
        return std::make_shared<AXValue>(*static_cast<const CGPoint*>(valuePointer));
    case kAXValueCGSizeType:
        return std::make_shared<AXValue>(*static_cast<const CGSize*>(valuePointer));
    case kAXValueCGRectType:
        return std::make_shared<AXValue>(*static_cast<const CGRect*>(valuePointer));
    default:
        return nullptr;
    }
}

AXValueType AXValueGetType(const AXValueRef& value)
{
    return value ? value->type() : kAXValueIllegalType;
}

bool AXValueGetValue(const AXValueRef& value, AXValueType type, void* valuePointer)
{
    if (!value || !valuePointer || value->type() != type)
        return false;
    std::visit(
        [&](const auto& wrapped) {
            using T = std::decay_t<decltype(wrapped)>;
            *static_cast<T*>(valuePointer) = wrapped;
        },
        value->value());
    return true;
}
