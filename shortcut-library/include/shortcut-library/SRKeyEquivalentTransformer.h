#pragma once

#include "foundation/NSValueTransformer.h"

#include <memory>

// The two values a menu item needs for a shortcut. Both take an SRShortcut or
// its dictionary form, answer nil for anything else, and never log.

// The key-equivalent string: the unshifted character of the key in the
// ASCII-capable layout, or the function-key character of a special key. Shift
// shows only in the modifier mask, never as an uppercase letter.
class SRKeyEquivalentTransformer : public NSValueTransformer {
    KS_OBJECT(SRKeyEquivalentTransformer, NSValueTransformer)

public:
    static SRKeyEquivalentTransformer& sharedTransformer();
    static std::shared_ptr<SRKeyEquivalentTransformer> create()
    {
        return std::make_shared<SRKeyEquivalentTransformer>();
    }

    bool allowsReverseTransformation() const override { return false; }
    String transformedValueClass() const override { return "NSString"; }
    Id transformedValue(const Id& value) override;
};

// The key-equivalent modifier mask: the value's "modifierFlags" number.
class SRKeyEquivalentModifierMaskTransformer : public NSValueTransformer {
    KS_OBJECT(SRKeyEquivalentModifierMaskTransformer, NSValueTransformer)

public:
    static SRKeyEquivalentModifierMaskTransformer& sharedTransformer();
    static std::shared_ptr<SRKeyEquivalentModifierMaskTransformer> create()
    {
        return std::make_shared<SRKeyEquivalentModifierMaskTransformer>();
    }

    bool allowsReverseTransformation() const override { return false; }
    String transformedValueClass() const override { return "NSNumber"; }
    Id transformedValue(const Id& value) override;
};
