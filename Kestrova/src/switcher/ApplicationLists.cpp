#include "Kestrova/ApplicationLists.h"

#include "Kestrova/ShortcutRegistry.h"
#include "appkit/NSApplication.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSTextField.h"
#include "appkit/NSWorkspace.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace {

const UNormalizer2* composition()
{
    // ICU keeps the instance for the life of the process; null only when its
    // data is missing, and then texts are compared as they are.
    static const UNormalizer2* normalizer = [] {
        UErrorCode status = U_ZERO_ERROR;
        const UNormalizer2* instance = unorm2_getNFCInstance(&status);
        return U_SUCCESS(status) ? instance : nullptr;
    }();
    return normalizer;
}

// The composed form of `text`, in `storage` when it differs; names are
// nearly always composed already, and then nothing is copied.
const std::u16string& composed(const String& text, std::u16string& storage)
{
    const std::u16string& units = text.utf16();
    const UNormalizer2* normalizer = composition();
    if (!normalizer || units.empty())
        return units;
    const auto* source = reinterpret_cast<const UChar*>(units.data());
    const auto length = static_cast<int32_t>(units.size());
    UErrorCode status = U_ZERO_ERROR;
    if (unorm2_spanQuickCheckYes(normalizer, source, length, &status) == length && U_SUCCESS(status))
        return units;

    status = U_ZERO_ERROR;
    storage.assign(units.size() + 8, u'\0');
    int32_t written = unorm2_normalize(normalizer, source, length, reinterpret_cast<UChar*>(storage.data()),
                                       static_cast<int32_t>(storage.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        storage.assign(static_cast<std::size_t>(written), u'\0');
        written = unorm2_normalize(normalizer, source, length, reinterpret_cast<UChar*>(storage.data()),
                                   static_cast<int32_t>(storage.size()), &status);
    }
    if (U_FAILURE(status))
        return units;
    storage.resize(static_cast<std::size_t>(written));
    return storage;
}

// Code point order, not code unit order: a character beyond the BMP (a
// surrogate pair) sorts after U+E000..U+FFFF, as its scalar does.
bool scalarsPrecede(const std::u16string& a, const std::u16string& b)
{
    return u_strCompare(reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                        reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()), true) < 0;
}

String nameOf(const std::shared_ptr<NSRunningApplication>& application)
{
    return application ? applicationName(*application) : String();
}

bool hasStoredShortcut(const std::shared_ptr<NSRunningApplication>& application)
{
    return ShortcutRegistry::shared().shortcut(nameOf(application)) != nullptr;
}

// What one application is sorted by, read once.
struct SortKey {
    bool hasShortcut = false;
    std::u16string text;
    std::size_t position = 0;
};

std::u16string composedCopy(const String& text)
{
    std::u16string storage;
    const std::u16string& result = composed(text, storage);
    if (&result == &storage)
        return storage;
    return result;
}

template <class MakeKey, class Precedes>
void sortByKeys(std::vector<std::shared_ptr<NSRunningApplication>>& applications, MakeKey makeKey, Precedes precedes)
{
    std::vector<SortKey> keys;
    keys.reserve(applications.size());
    for (std::size_t i = 0; i < applications.size(); ++i) {
        keys.push_back(makeKey(applications[i]));
        keys.back().position = i;
    }
    std::stable_sort(keys.begin(), keys.end(), precedes);
    std::vector<std::shared_ptr<NSRunningApplication>> sorted;
    sorted.reserve(applications.size());
    for (const SortKey& key : keys)
        sorted.push_back(std::move(applications[key.position]));
    applications = std::move(sorted);
}

}  // namespace

std::vector<std::shared_ptr<NSRunningApplication>> regularApplications(const NSWorkspace& workspace)
{
    std::vector<std::shared_ptr<NSRunningApplication>> regular;
    for (auto& application : workspace.runningApplications()) {
        if (application && application->activationPolicy() == NSApplicationActivationPolicyRegular)
            regular.push_back(std::move(application));
    }
    return regular;
}

bool shortcutsFirst(const std::shared_ptr<NSRunningApplication>& a, const std::shared_ptr<NSRunningApplication>& b)
{
    bool aHasShortcut = hasStoredShortcut(a);
    bool bHasShortcut = hasStoredShortcut(b);
    if (aHasShortcut != bHasShortcut)
        return aHasShortcut;
    return lowercasedTextPrecedes(nameOf(a), nameOf(b));
}

bool namesAscending(const std::shared_ptr<NSRunningApplication>& a, const std::shared_ptr<NSRunningApplication>& b)
{
    return textPrecedes(nameOf(a), nameOf(b));
}

void sortShortcutsFirst(std::vector<std::shared_ptr<NSRunningApplication>>& applications)
{
    sortByKeys(
        applications,
        [](const std::shared_ptr<NSRunningApplication>& application) {
            return SortKey{.hasShortcut = hasStoredShortcut(application),
                           .text = composedCopy(nameOf(application).lowercase())};
        },
        [](const SortKey& a, const SortKey& b) {
            if (a.hasShortcut != b.hasShortcut)
                return a.hasShortcut;
            return scalarsPrecede(a.text, b.text);
        });
}

void sortNamesAscending(std::vector<std::shared_ptr<NSRunningApplication>>& applications)
{
    sortByKeys(
        applications,
        [](const std::shared_ptr<NSRunningApplication>& application) {
            return SortKey{.text = composedCopy(nameOf(application))};
        },
        [](const SortKey& a, const SortKey& b) { return scalarsPrecede(a.text, b.text); });
}

String applicationName(const NSRunningApplication& application)
{
    return application.localizedName().value_or(String());
}

bool textPrecedes(const String& a, const String& b)
{
    std::u16string aStorage, bStorage;
    return scalarsPrecede(composed(a, aStorage), composed(b, bStorage));
}

bool lowercasedTextPrecedes(const String& a, const String& b)
{
    return textPrecedes(a.lowercase(), b.lowercase());
}

std::vector<RunningApp> runningAppsOf(const std::vector<std::shared_ptr<NSRunningApplication>>& applications)
{
    std::vector<RunningApp> result;
    result.reserve(applications.size());
    for (const auto& application : applications)
        result.push_back({application, A11yElement::forApplication(application->processIdentifier())});
    return result;
}

String showApplication(NSCollectionViewItem& item, const NSRunningApplication& application)
{
    constexpr CGFloat kIconSide = 64;
    auto icon = application.icon();
    if (icon)
        icon->setSize({kIconSide, kIconSide});
    if (auto imageView = item.imageView())
        imageView->setImage(icon);
    String name = applicationName(application);
    if (auto textField = item.textField())
        textField->setStringValue(name);
    return name;
}
