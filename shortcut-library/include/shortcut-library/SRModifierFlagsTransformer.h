#pragma once

#include "foundation/NSValueTransformer.h"
#include "shortcut-library/SRKeyCodeTransformer.h"

#include <memory>

// Gives the four modifier flags their text, always in the order control,
// option, shift, command (reversed right to left); every other bit of the flag
// word is ignored. Values go in as flag numbers and come out as strings.
//
// Use one of the two subclasses: creating this class itself hands out the
// shared symbolic transformer.
class SRModifierFlagsTransformer : public NSValueTransformer {
    KS_OBJECT(SRModifierFlagsTransformer, NSValueTransformer)

public:
    // The shared SRSymbolicModifierFlagsTransformer.
    static SRModifierFlagsTransformer& sharedTransformer();
    // The shared SRSymbolicModifierFlagsTransformer, in place of a new object.
    static std::shared_ptr<SRModifierFlagsTransformer> create();

    String transformedValueClass() const override { return "NSString"; }
    bool allowsReverseTransformation() const override { return false; }

    // The text of a flags number; nil for anything else. This class answers nil.
    virtual Id transformedValue(const Id& value, NSUserInterfaceLayoutDirection layoutDirection) const;
    // Left to right.
    Id transformedValue(const Id& value) override;

protected:
    SRModifierFlagsTransformer() = default;
};

// Localized words joined by the localized "-": "Control-Option-Shift-Command".
class SRLiteralModifierFlagsTransformer : public SRModifierFlagsTransformer {
    KS_OBJECT(SRLiteralModifierFlagsTransformer, SRModifierFlagsTransformer)

public:
    static SRLiteralModifierFlagsTransformer& sharedTransformer();
    static std::shared_ptr<SRLiteralModifierFlagsTransformer> create()
    {
        return std::make_shared<SRLiteralModifierFlagsTransformer>();
    }

    SRLiteralModifierFlagsTransformer() = default;

    using SRModifierFlagsTransformer::transformedValue;
    Id transformedValue(const Id& value, NSUserInterfaceLayoutDirection layoutDirection) const override;
};

// Glyphs with nothing between them: ⌃⌥⇧⌘. Reads glyphs back in any order,
// each at most once.
class SRSymbolicModifierFlagsTransformer : public SRModifierFlagsTransformer {
    KS_OBJECT(SRSymbolicModifierFlagsTransformer, SRModifierFlagsTransformer)

public:
    static SRSymbolicModifierFlagsTransformer& sharedTransformer();
    static std::shared_ptr<SRSymbolicModifierFlagsTransformer> create()
    {
        return std::make_shared<SRSymbolicModifierFlagsTransformer>();
    }

    SRSymbolicModifierFlagsTransformer() = default;

    bool allowsReverseTransformation() const override { return true; }

    using SRModifierFlagsTransformer::transformedValue;
    Id transformedValue(const Id& value, NSUserInterfaceLayoutDirection layoutDirection) const override;
    // A string of glyphs to a flags number (the empty string is 0), or nil.
    Id reverseTransformedValue(const Id& value) override;
};
