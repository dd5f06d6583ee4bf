#include "shortcut-library/SRShortcutValidator.h"

#include "SRActivity.h"
#include "appkit/NSApplication.h"
#include "appkit/NSError.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"
#include "carbon/SymbolicHotKeys.h"
#include "foundation/Log.h"
#include "shortcut-library/SRCommon.h"

#include <initializer_list>
#include <vector>

namespace {

const char* const failureReasonFormat = "The \"%@\" shortcut can't be used!";
const char* const delegateReasonFormat = "The \"%@\" shortcut can't be used because %@.";
const char* const inUseFormat = "The \"%@\" shortcut is already in use.";
const char* const systemShortcutFormat =
    "The \"%@\" shortcut can't be used because it's already used by a system-wide keyboard shortcut. If you "
    "really want to use this shortcut, most shortcuts can be changed in the Keyboard panel in System Preferences.";
const char* const menuItemFormat =
    "The \"%@\" shortcut can't be used because it's already used by the \"%@\" menu item.";

// The library's text for the format, with each "%@" replaced by the next
// argument in turn. Arguments are inserted as they are: a "%@" inside one is
// not a placeholder.
String localizedFormat(const char* format, std::initializer_list<String> arguments)
{
    static const String placeholder("%@");
    String text = SRLocalizedText(String(format));
    String result;
    std::size_t from = 0;
    for (const String& argument : arguments) {
        std::size_t at = text.find(placeholder, from);
        if (at == String::npos)
            break;
        result = result.appending(text.substring(from, at - from)).appending(argument);
        from = at + placeholder.length();
    }
    return result.appending(text.substring(from));
}

// Carbon's modifier bits of a symbolic hot key as event modifier flags;
// caps lock and every other bit are dropped.
NSEventModifierFlags modifierFlagsOfCarbonModifiers(std::uint32_t carbon)
{
    NSEventModifierFlags flags = 0;
    if (carbon & SRCarbonCommandKey)
        flags |= NSEventModifierFlagCommand;
    if (carbon & SRCarbonShiftKey)
        flags |= NSEventModifierFlagShift;
    if (carbon & SRCarbonOptionKey)
        flags |= NSEventModifierFlagOption;
    if (carbon & SRCarbonControlKey)
        flags |= NSEventModifierFlagControl;
    return flags;
}

// A longer chain can only be a cycle in a broken menu tree.
constexpr std::size_t maximumMenuDepth = 1000;

}  // namespace

SRShortcutValidator::SRShortcutValidator(const std::shared_ptr<SRShortcutValidatorDelegate>& delegate)
    : delegate_(delegate)
{
}

std::shared_ptr<SRShortcutValidatorDelegate> SRShortcutValidator::delegate() const
{
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

void SRShortcutValidator::setDelegate(const std::shared_ptr<SRShortcutValidatorDelegate>& delegate)
{
    SR_METHOD_ACTIVITY("setDelegate:");
    automaticChange("delegate", [&] {
        std::lock_guard lock(mutex_);
        delegate_ = delegate;
    });
}

// MARK: - Errors

String SRShortcutValidator::shortcutText(const SRShortcut& shortcut)
{
    auto delegate = this->delegate();
    return shortcut.readableStringRepresentation(!delegate ||
                                                 delegate->shortcutValidatorShouldUseASCIIStringForKeyCodes(*this));
}

std::shared_ptr<NSError> SRShortcutValidator::makeError(const String& failureReason, const String& description)
{
    return NSError::errorWithDomain(
        NSCocoaErrorDomain, 0,
        {{NSLocalizedFailureReasonErrorKey, failureReason}, {NSLocalizedDescriptionKey, description}});
}

// MARK: - Checks

bool SRShortcutValidator::validateShortcut(const SRShortcut& shortcut, std::shared_ptr<NSError>* error)
{
    SR_METHOD_ACTIVITY("validateShortcut:error:");

    if (!validateShortcutAgainstDelegate(shortcut, error))
        return false;

    auto delegate = this->delegate();
    if ((!delegate || delegate->shortcutValidatorShouldCheckSystemShortcuts(*this)) &&
        !validateShortcutAgainstSystemShortcuts(shortcut, error))
        return false;

    delegate = this->delegate();
    if (!delegate || delegate->shortcutValidatorShouldCheckMenu(*this)) {
        auto application = NSApp();
        if (auto menu = application ? application->mainMenu() : nullptr)
            return validateShortcut(shortcut, *menu, error);
    }
    return true;
}

bool SRShortcutValidator::validateShortcutAgainstDelegate(const SRShortcut& shortcut, std::shared_ptr<NSError>* error)
{
    SR_METHOD_ACTIVITY("validateShortcutAgainstDelegate:error:");

    auto delegate = this->delegate();
    if (!delegate)
        return true;

    String reason;
    bool valid = true;
    if (std::optional<bool> answer = delegate->shortcutValidator(*this, shortcut, reason))
        valid = *answer;
    else
        valid = !delegate->shortcutValidator(*this, shortcut.keyCode(), shortcut.modifierFlags(), reason);
    if (valid)
        return true;

    if (error) {
        String text = shortcutText(shortcut);
        String description = reason.empty() ? localizedFormat(inUseFormat, {text})
                                            : localizedFormat(delegateReasonFormat, {text, reason});
        *error = makeError(localizedFormat(failureReasonFormat, {text}), description);
    }
    return false;
}

bool SRShortcutValidator::validateShortcutAgainstSystemShortcuts(const SRShortcut& shortcut,
                                                                 std::shared_ptr<NSError>* error)
{
    SR_METHOD_ACTIVITY("validateShortcutAgainstSystemShortcuts:error:");

    Array hotKeys;
    if (OSStatus status = CopySymbolicHotKeys(&hotKeys); status != 0) {
        // Refused without an error: there is nothing true to tell the user.
        Log::error("#Error Unable to read System Shortcuts: %d", static_cast<int>(status));
        return false;
    }

    for (const Id& entry : hotKeys) {
        const Dictionary* hotKey = entry.dictionary();
        if (!hotKey)
            continue;
        // The system lists switched-off shortcuts too; only a true Boolean
        // counts as on.
        Id enabled = hotKey->objectForKey(kHISymbolicHotKeyEnabled);
        if (!enabled.isBoolean() || !enabled.boolValue())
            continue;
        Id keyCode = hotKey->objectForKey(kHISymbolicHotKeyCode);
        if (!keyCode.isNumber() || keyCode.unsignedValue() != shortcut.keyCode())
            continue;
        Id modifiers = hotKey->objectForKey(kHISymbolicHotKeyModifiers);
        auto carbon = modifiers.isNumber() ? modifiers.numberValue<std::uint32_t>() : 0;
        if (modifierFlagsOfCarbonModifiers(carbon) != shortcut.modifierFlags())
            continue;

        if (error) {
            String text = shortcutText(shortcut);
            *error =
                makeError(localizedFormat(failureReasonFormat, {text}), localizedFormat(systemShortcutFormat, {text}));
        }
        return false;
    }
    return true;
}

bool SRShortcutValidator::validateShortcut(const SRShortcut& shortcut, const NSMenu& menu,
                                           std::shared_ptr<NSError>* error)
{
    SR_METHOD_ACTIVITY("validateShortcut:againstMenu:error:");

    // A copy: validating must not trip over a menu that changes meanwhile.
    const std::vector<std::shared_ptr<NSMenuItem>> items = menu.itemArray();
    for (const auto& item : items) {
        if (auto submenu = item->submenu(); submenu && !validateShortcut(shortcut, *submenu, error))
            return false;
        if (item->keyEquivalent().empty())
            continue;
        if (!shortcut.isEqualToKeyEquivalent(item->keyEquivalent(), item->keyEquivalentModifierMask()))
            continue;
        if (error) {
            String text = shortcutText(shortcut);
            *error = makeError(localizedFormat(failureReasonFormat, {text}),
                               localizedFormat(menuItemFormat, {text, SR_path(*item)}));
        }
        return false;
    }
    return true;
}

// MARK: - Recorder control

bool SRShortcutValidator::recorderControl(NSView& control, const SRShortcut& shortcut)
{
    SR_METHOD_ACTIVITY("recorderControl:canRecordShortcut:");
    std::shared_ptr<NSError> error;
    bool valid = validateShortcut(shortcut, &error);
    if (!valid && error) {
        if (auto window = control.window())
            control.presentErrorModalForWindow(error, window, Id(), Selector(), nullptr);
        else
            control.presentError(error);
    }
    return valid;
}

// MARK: - Menu path

String SR_path(const NSMenuItem& item)
{
    LogActivity activity("-[NSMenuItem SR_path]");
    std::vector<String> titles{item.title()};
    for (auto parent = item.parentItem(); parent && titles.size() < maximumMenuDepth; parent = parent->parentItem())
        titles.push_back(parent->title());

    static const String separator(" → ");
    String path;
    for (auto it = titles.rbegin(); it != titles.rend(); ++it)
        path = it == titles.rbegin() ? *it : path.appending(separator).appending(*it);
    return path;
}

// MARK: - Run-time description

void SRShortcutValidator::describe(ClassDescriptor& d)
{
    // Reached dynamically by a recorder control that has the validator as
    // its delegate.
    d.method<SRShortcutValidator>("recorderControl:canRecordShortcut:", ReturnKind::Boolean,
                                  [](SRShortcutValidator& self, std::span<const Id> arguments) {
                                      auto control = arguments[0].object<NSView>();
                                      auto shortcut = arguments[1].object<SRShortcut>();
                                      if (!control || !shortcut)
                                          return Id::boolean(false);
                                      return Id::boolean(self.recorderControl(*control, *shortcut));
                                  });
}
