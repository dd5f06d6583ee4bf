#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSEdgeInsets.h"
#include "foundation/NSObject.h"

#include <memory>
#include <variant>

// A geometry value as an object, for what carries "any object": key-value
// coding and the changes observers are told about (a layout guide's frame).
class NSValue : public NSObject {
    KS_OBJECT(NSValue, NSObject)

public:
    static std::shared_ptr<NSValue> valueWithPoint(NSPoint point);
    static std::shared_ptr<NSValue> valueWithSize(NSSize size);
    static std::shared_ptr<NSValue> valueWithRect(NSRect rect);
    static std::shared_ptr<NSValue> valueWithEdgeInsets(NSEdgeInsets insets);

    // The zero value when the value holds another kind.
    NSPoint pointValue() const;
    NSSize sizeValue() const;
    NSRect rectValue() const;
    NSEdgeInsets edgeInsetsValue() const;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

    using Storage = std::variant<NSPoint, NSSize, NSRect, NSEdgeInsets>;
    explicit NSValue(Storage value)
        : value_(value)
    {
    }

private:
    Storage value_;
};
