#include "Kestrova/ShortcutRegistry.h"

#include "Kestrova/PreferencesKey.h"
#include "appkit/NSRunningApplication.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSObjectController.h"
#include "foundation/NSUserDefaultsController.h"
#include "reactive/CombineLatest.h"
#include "reactive/KeyValueObservation.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutFormatter.h"

#include <mutex>

namespace {

const String kShortcutsKeyPath = "values.shortcuts";
const String kContentPrefix = "content.";

std::mutex& sharedMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

// Never destroyed, so the registry outlives everything that may still ask
// for it while the program ends.
std::shared_ptr<ShortcutRegistry>& sharedSlot()
{
    static auto* slot = new std::shared_ptr<ShortcutRegistry>;
    return *slot;
}

}  // namespace

ShortcutRegistry& ShortcutRegistry::shared()
{
    std::lock_guard lock(sharedMutex());
    if (!sharedSlot())
        sharedSlot() = create();
    return *sharedSlot();
}

void ShortcutRegistry::resetSharedForTesting()
{
    std::shared_ptr<ShortcutRegistry> old;
    {
        std::lock_guard lock(sharedMutex());
        old = std::move(sharedSlot());
    }
}

std::shared_ptr<ShortcutRegistry> ShortcutRegistry::create()
{
    auto registry = std::make_shared<ShortcutRegistry>();
    registry->loadShortcuts();
    registry->saveShortcutsOnChange();
    return registry;
}

ShortcutRegistry::ShortcutRegistry()
    : shortcutController_(std::make_shared<NSObjectController>(Id(Dictionary())))
    , shortcutFormatter_(std::make_shared<SRShortcutFormatter>())
{
    shortcutFormatter_->setAreModifierFlagsLiteral(false);
}

ShortcutRegistry::~ShortcutRegistry() = default;

String ShortcutRegistry::applicationKey(const String& localizedName)
{
    return localizedName.replacingOccurrences(".", "-");
}

String ShortcutRegistry::applicationKey(const std::optional<String>& localizedName)
{
    return applicationKey(localizedName.value_or(String()));
}

String ShortcutRegistry::applicationKey(const NSRunningApplication& application)
{
    return applicationKey(application.localizedName());
}

void ShortcutRegistry::loadShortcuts()
{
    Id stored = NSUserDefaultsController::sharedUserDefaultsController().valueForKeyPath(kShortcutsKeyPath);
    const Dictionary* dictionary = stored.dictionary();
    if (!dictionary || dictionary->empty())
        return;
    // All of it, readable or not: the next save writes back what is here.
    shortcutController_->setContent(Id(*dictionary));

    for (const auto& [key, value] : *dictionary) {
        const String* name = key.string();
        const String* keyBinding = value.string();
        if (!name || !keyBinding)
            continue;
        auto shortcut = SRShortcut::shortcutWithKeyBinding(*keyBinding);
        if (!shortcut)
            continue;
        // No application key has a dot: such an entry belongs to no
        // application, and a key path could not reach it anyway.
        if (name->find(".") != String::npos)
            continue;
        shortcuts_.try_emplace(*name, std::move(shortcut));
    }
}

void ShortcutRegistry::saveShortcutsOnChange()
{
    NSUserDefaults& defaults = NSUserDefaultsController::sharedUserDefaultsController().defaults();
    auto remember = reactive::observeBoolean(defaults.shared_from_this(), raw(PreferencesKey::rememberShortcuts))
                        .map([](const std::optional<bool>& value) { return value.value_or(false); });
    std::weak_ptr<NSObject> weakSelf = weak_from_this();
    reactive::combineLatest(shortcutsChanged_, remember, [](reactive::Unit, bool value) { return value; })
        .bind([weakSelf](const bool& value) {
            if (auto self = weakSelf.lock())
                static_cast<ShortcutRegistry&>(*self).saveShortcuts(value);
        })
        .disposed(disposeBag_);
}

void ShortcutRegistry::saveShortcuts(bool remember)
{
    NSUserDefaultsController::sharedUserDefaultsController().setValueForKeyPath(
        remember ? shortcutController_->content() : Id(), kShortcutsKeyPath);
}

void ShortcutRegistry::bind(NSObject& control, const String& appName)
{
    Dictionary options{
        {NSValueTransformerBindingOption, Id(SRKeyBindingTransformer::create())},
        {NSContinuouslyUpdatesValueBindingOption, Id::boolean(true)},
        {NSValidatesImmediatelyBindingOption, Id::boolean(true)},
        {NSRaisesForNotApplicableKeysBindingOption, Id::boolean(true)},
        {NSDeletesObjectsOnRemoveBindingOption, Id::boolean(true)},
    };
    control.bind(NSValueBinding, Id(shortcutController_), kContentPrefix.appending(applicationKey(appName)), options);
}

std::shared_ptr<SRShortcut> ShortcutRegistry::shortcut(const String& appName) const
{
    Id value = shortcutController_->valueForKeyPath(kContentPrefix.appending(applicationKey(appName)));
    if (const String* keyBinding = value.string())
        return SRShortcut::shortcutWithKeyBinding(*keyBinding);
    return nullptr;
}

std::optional<String> ShortcutRegistry::appKey(const SRShortcut& shortcut) const
{
    for (const auto& [key, held] : shortcuts_) {
        if (held && held->isEqualToShortcut(&shortcut))
            return key;
    }
    return std::nullopt;
}
