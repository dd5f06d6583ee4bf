#include "shortcut-library/SRShortcutFormatter.h"

#include "SRActivity.h"
#include "shortcut-library/SRKeyCodeTransformer.h"
#include "shortcut-library/SRModifierFlagsTransformer.h"
#include "shortcut-library/SRShortcut.h"

namespace {

[[maybe_unused]] const bool registeredForCoding = [] {
    NSCoder::registerClass(
        SRShortcutFormatter::descriptor(),
        [](NSCoder& coder) -> std::shared_ptr<NSObject> { return SRShortcutFormatter::initWithCoder(coder); }, false);
    return true;
}();

}  // namespace

SRShortcutFormatter::SRShortcutFormatter()
{
    // Without an application (a tool, a test) there is nothing right to left.
    if (auto application = NSApp())
        layoutDirection_ = application->userInterfaceLayoutDirection();
}

std::shared_ptr<SRShortcutFormatter> SRShortcutFormatter::initWithCoder(NSCoder&)
{
    LogActivity activity("-[SRShortcutFormatter initWithCoder:]");
    return std::make_shared<SRShortcutFormatter>();
}

void SRShortcutFormatter::setIsKeyCodeLiteral(bool isKeyCodeLiteral)
{
    SR_METHOD_ACTIVITY("setIsKeyCodeLiteral:");
    automaticChange("isKeyCodeLiteral", [&] { isKeyCodeLiteral_ = isKeyCodeLiteral; });
}

void SRShortcutFormatter::setAreModifierFlagsLiteral(bool areModifierFlagsLiteral)
{
    SR_METHOD_ACTIVITY("setAreModifierFlagsLiteral:");
    automaticChange("areModifierFlagsLiteral", [&] { areModifierFlagsLiteral_ = areModifierFlagsLiteral; });
}

void SRShortcutFormatter::setUsesASCIICapableKeyboardInputSource(bool usesASCIICapableKeyboardInputSource)
{
    SR_METHOD_ACTIVITY("setUsesASCIICapableKeyboardInputSource:");
    automaticChange("usesASCIICapableKeyboardInputSource",
                    [&] { usesASCIICapableKeyboardInputSource_ = usesASCIICapableKeyboardInputSource; });
}

void SRShortcutFormatter::setLayoutDirection(NSUserInterfaceLayoutDirection layoutDirection)
{
    SR_METHOD_ACTIVITY("setLayoutDirection:");
    automaticChange("layoutDirection", [&] { layoutDirection_ = layoutDirection; });
}

std::optional<String> SRShortcutFormatter::stringForObjectValue(const Id& object) const
{
    SR_METHOD_ACTIVITY("stringForObjectValue:");
    auto shortcut = object.object<SRShortcut>();
    if (!shortcut)
        return std::nullopt;
    return format(*shortcut);
}

String SRShortcutFormatter::stringForShortcut(const SRShortcut& shortcut) const
{
    SR_METHOD_ACTIVITY("stringForShortcut:");
    return format(shortcut);
}

String SRShortcutFormatter::format(const SRShortcut& shortcut) const
{
    const SRKeyCodeTransformer* keyTransformer;
    if (isKeyCodeLiteral_)
        keyTransformer =
            usesASCIICapableKeyboardInputSource_
                ? static_cast<const SRKeyCodeTransformer*>(&SRASCIILiteralKeyCodeTransformer::sharedTransformer())
                : &SRLiteralKeyCodeTransformer::sharedTransformer();
    else
        keyTransformer =
            usesASCIICapableKeyboardInputSource_
                ? static_cast<const SRKeyCodeTransformer*>(&SRASCIISymbolicKeyCodeTransformer::sharedTransformer())
                : &SRSymbolicKeyCodeTransformer::sharedTransformer();
    SRModifierFlagsTransformer& modifierTransformer =
        areModifierFlagsLiteral_
            ? static_cast<SRModifierFlagsTransformer&>(SRLiteralModifierFlagsTransformer::sharedTransformer())
            : SRSymbolicModifierFlagsTransformer::sharedTransformer();

    const Id flags = Id::number(shortcut.modifierFlags());
    // The modifiers are drawn beside the key, so they never change its text.
    Id keyText = keyTransformer->transformedValue(Id::number(shortcut.keyCode()), Id(), flags, layoutDirection_);
    String key = keyText.string() ? *keyText.string() : String::format("<%hu>", shortcut.keyCode());
    Id modifierText = modifierTransformer.transformedValue(flags, NSUserInterfaceLayoutDirectionLeftToRight);
    String modifiers = modifierText.string() ? *modifierText.string() : String();
    return modifiers.appending(key);
}

bool SRShortcutFormatter::getObjectValue(Id* object, const String& string, String*) const
{
    SR_METHOD_ACTIVITY("getObjectValue:forString:errorDescription:");
    // Symbolic keys, the current layout's names and right-to-left order give
    // texts that the key-equivalent reader doesn't take.
    if (!isKeyCodeLiteral_ || !usesASCIICapableKeyboardInputSource_ ||
        layoutDirection_ != NSUserInterfaceLayoutDirectionLeftToRight)
        return false;
    auto shortcut = SRShortcut::shortcutWithKeyEquivalent(string);
    if (!shortcut)
        return false;
    if (object)
        *object = Id(shortcut);
    return true;
}

void SRShortcutFormatter::describe(ClassDescriptor& d)
{
    d.property<SRShortcutFormatter>(
        "isKeyCodeLiteral", [](SRShortcutFormatter& self) { return Id::boolean(self.isKeyCodeLiteral()); },
        [](SRShortcutFormatter& self, const Id& value) { self.setIsKeyCodeLiteral(value.boolValue()); });
    d.property<SRShortcutFormatter>(
        "areModifierFlagsLiteral",
        [](SRShortcutFormatter& self) { return Id::boolean(self.areModifierFlagsLiteral()); },
        [](SRShortcutFormatter& self, const Id& value) { self.setAreModifierFlagsLiteral(value.boolValue()); });
    d.property<SRShortcutFormatter>(
        "usesASCIICapableKeyboardInputSource",
        [](SRShortcutFormatter& self) { return Id::boolean(self.usesASCIICapableKeyboardInputSource()); },
        [](SRShortcutFormatter& self, const Id& value) {
            self.setUsesASCIICapableKeyboardInputSource(value.boolValue());
        });
    d.property<SRShortcutFormatter>(
        "layoutDirection",
        [](SRShortcutFormatter& self) { return Id::number(static_cast<long>(self.layoutDirection())); },
        [](SRShortcutFormatter& self, const Id& value) {
            self.setLayoutDirection(static_cast<NSUserInterfaceLayoutDirection>(value.integerValue()));
        });
}
