#pragma once

#include "appkit/NSApplication.h"
#include "foundation/NSCoder.h"
#include "foundation/NSObject.h"

#include <memory>
#include <optional>

class SRShortcut;

// Turns values into text shown to the user and, where it can, text back into
// values. Formatters come out of interface files too, so they adopt keyed
// coding; this base has nothing of its own to archive.
class NSFormatter : public NSObject, public NSCoding {
    KS_OBJECT(NSFormatter, NSObject)

public:
    // The text of a value, or nil for a value the formatter doesn't take.
    virtual std::optional<String> stringForObjectValue(const Id& object) const = 0;
    // Reads `string` into `*object`; false when it can't, leaving `*object`
    // as it was. `errorDescription`, when given, may receive the reason.
    virtual bool getObjectValue(Id* object, const String& string, String* errorDescription) const = 0;

    void encodeWithCoder(NSCoder&) const override { }
};

// The text of a shortcut: its modifier text (glyphs or words) followed by its
// key text (a readable name or the character the key types, from the
// ASCII-capable layout or the current one).
class SRShortcutFormatter : public NSFormatter {
    KS_OBJECT(SRShortcutFormatter, NSFormatter)

public:
    // A literal key in the ASCII-capable layout, glyph modifiers, and the
    // application's layout direction.
    SRShortcutFormatter();
    // As from an interface file: nothing of the formatter's own is archived,
    // so it starts with the defaults.
    static std::shared_ptr<SRShortcutFormatter> initWithCoder(NSCoder& coder);

    bool isKeyCodeLiteral() const { return isKeyCodeLiteral_; }
    void setIsKeyCodeLiteral(bool isKeyCodeLiteral);
    bool areModifierFlagsLiteral() const { return areModifierFlagsLiteral_; }
    void setAreModifierFlagsLiteral(bool areModifierFlagsLiteral);
    bool usesASCIICapableKeyboardInputSource() const { return usesASCIICapableKeyboardInputSource_; }
    void setUsesASCIICapableKeyboardInputSource(bool usesASCIICapableKeyboardInputSource);
    // Given to the key text only: the modifier text always reads left to right.
    NSUserInterfaceLayoutDirection layoutDirection() const { return layoutDirection_; }
    void setLayoutDirection(NSUserInterfaceLayoutDirection layoutDirection);

    // Nil for anything that is not an SRShortcut.
    std::optional<String> stringForObjectValue(const Id& object) const override;
    String stringForShortcut(const SRShortcut& shortcut) const;
    // Reads modifier glyphs and a key name back, only in the configuration
    // that writes them in a form that can be read: literal key, ASCII-capable
    // layout, left to right.
    bool getObjectValue(Id* object, const String& string, String* errorDescription) const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    // The text itself, for the entry points above.
    String format(const SRShortcut& shortcut) const;

    bool isKeyCodeLiteral_ = true;
    bool areModifierFlagsLiteral_ = false;
    bool usesASCIICapableKeyboardInputSource_ = true;
    NSUserInterfaceLayoutDirection layoutDirection_ = NSUserInterfaceLayoutDirectionLeftToRight;
};
