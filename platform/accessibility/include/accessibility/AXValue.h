#pragma once

#include "coregraphics/CGGeometry.h"
#include "foundation/NSObject.h"

#include <cstdint>
#include <memory>
#include <variant>

// The geometry kinds an Accessibility value can wrap, with the platform's
// raw values.
enum AXValueType : std::uint32_t {
    kAXValueIllegalType = 0,
    kAXValueCGPointType = 1,
    kAXValueCGSizeType = 2,
    kAXValueCGRectType = 3,
};

// A point, size or rectangle boxed as an object, as position and size
// attributes answer them. Immutable.
class AXValue : public NSObject {
    KS_OBJECT(AXValue, NSObject)

public:
    explicit AXValue(CGPoint point);
    explicit AXValue(CGSize size);
    explicit AXValue(CGRect rect);

    AXValueType type() const;
    const std::variant<CGPoint, CGSize, CGRect>& value() const { return value_; }

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

private:
    std::variant<CGPoint, CGSize, CGRect> value_;
};

using AXValueRef = std::shared_ptr<AXValue>;

// `valuePointer` points at a CGPoint, CGSize or CGRect as `type` says;
// nullptr for the illegal type or no pointer.
AXValueRef AXValueCreate(AXValueType type, const void* valuePointer);
AXValueType AXValueGetType(const AXValueRef& value);
// Copies the wrapped value out when it is of `type`; false (and `valuePointer`
// untouched) otherwise.
bool AXValueGetValue(const AXValueRef& value, AXValueType type, void* valuePointer);
