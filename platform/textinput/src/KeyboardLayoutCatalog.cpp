#include "textinput/KeyboardLayoutCatalog.h"

#include "KeyTableBuilder.h"
#include "textinput/Diagnostics.h"
#include "textinput/UCKeyboardLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace textinput {

namespace {

void forwardXkbLog(xkb_context*, xkb_log_level, const char* format, va_list arguments)
{
    char buffer[512];
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    if (length <= 0)
        return;
    std::string_view message(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
    while (!message.empty() && message.back() == '\n')
        message.remove_suffix(1);
    reportDiagnostic("xkb: " + std::string(message));
}

}  // namespace

std::vector<KeyboardLayoutDescription> KeyboardLayoutCatalog::builtInLayouts()
{
    return {
        {std::string(InputSourceID::US), "U.S.", "us", "", {"en"}},
        {std::string(InputSourceID::ABC), "ABC", "us", "mac", {"en"}},
        {std::string(InputSourceID::USInternationalPC), "U.S. International – PC", "us", "intl", {"en"}},
        {std::string(InputSourceID::Dvorak), "Dvorak", "us", "dvorak", {"en"}},
        {std::string(InputSourceID::British), "British", "gb", "", {"en-GB"}},
        {std::string(InputSourceID::German), "German", "de", "", {"de"}},
        {std::string(InputSourceID::French), "French", "fr", "", {"fr"}},
        {std::string(InputSourceID::Russian), "Russian", "ru", "", {"ru"}},
        {std::string(InputSourceID::Hebrew), "Hebrew", "il", "", {"he"}},
    };
}

KeyboardLayoutCatalog& KeyboardLayoutCatalog::shared()
{
    static auto* catalog = new KeyboardLayoutCatalog;
    return *catalog;
}

KeyboardLayoutCatalog::KeyboardLayoutCatalog()
    : KeyboardLayoutCatalog(builtInLayouts())
{
}

KeyboardLayoutCatalog::KeyboardLayoutCatalog(std::vector<KeyboardLayoutDescription> layouts)
{
    for (auto& layout : layouts)
        addLayout(std::move(layout));
}

KeyboardLayoutCatalog::~KeyboardLayoutCatalog()
{
    if (context_)
        xkb_context_unref(context_);
}

std::vector<KeyboardLayoutDescription> KeyboardLayoutCatalog::layouts() const
{
    std::lock_guard lock(mutex_);
    return layouts_;
}

bool KeyboardLayoutCatalog::contains(std::string_view identifier) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(layouts_.begin(), layouts_.end(),
                       [&](const KeyboardLayoutDescription& layout) { return layout.identifier == identifier; });
}

bool KeyboardLayoutCatalog::addLayout(KeyboardLayoutDescription layout)
{
    std::lock_guard lock(mutex_);
    if (layout.identifier.empty())
        return false;
    for (const auto& existing : layouts_) {
        if (existing.identifier == layout.identifier)
            return false;
    }
    layouts_.push_back(std::move(layout));
    return true;
}

std::shared_ptr<const UCKeyboardLayout> KeyboardLayoutCatalog::keyLayoutLocked(const std::string& xkbLayout,
                                                                               const std::string& xkbVariant)
{
    const std::string name = detail::xkbLayoutName(xkbLayout, xkbVariant);
    if (auto found = keyLayouts_.find(name); found != keyLayouts_.end())
        return found->second;
    if (failedKeyLayouts_.count(name))
        return nullptr;
    if (!context_) {
        // The names must come from the catalog, never from XKB_DEFAULT_* in the environment.
        context_ = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        if (!context_) {
            reportDiagnostic("cannot create an xkb context");
            return nullptr;
        }
        xkb_context_set_log_level(context_, XKB_LOG_LEVEL_ERROR);
        xkb_context_set_log_fn(context_, forwardXkbLog);
    }
    auto keyLayout = detail::buildKeyLayout(context_, xkbLayout, xkbVariant);
    if (!keyLayout) {
        failedKeyLayouts_.emplace(name, true);
        return nullptr;
    }
    keyLayouts_.emplace(name, keyLayout);
    return keyLayout;
}

std::shared_ptr<const UCKeyboardLayout> KeyboardLayoutCatalog::keyLayout(std::string_view xkbLayout,
                                                                         std::string_view xkbVariant)
{
    std::lock_guard lock(mutex_);
    return keyLayoutLocked(std::string(xkbLayout), std::string(xkbVariant));
}

TISInputSourceRef KeyboardLayoutCatalog::inputSource(std::string_view identifier)
{
    std::lock_guard lock(mutex_);
    if (auto found = sources_.find(identifier); found != sources_.end())
        return found->second;
    auto layout = std::find_if(layouts_.begin(), layouts_.end(),
                               [&](const KeyboardLayoutDescription& each) { return each.identifier == identifier; });
    if (layout == layouts_.end())
        return nullptr;
    auto keyLayout = keyLayoutLocked(layout->xkbLayout, layout->xkbVariant);
    if (!keyLayout)
        return nullptr;
    auto source = TISInputSource::create({
        .identifier = layout->identifier,
        .localizedName = layout->localizedName,
        .languages = layout->languages,
        .asciiCapable = keyLayout->isASCIICapable(),
        .keyLayout = keyLayout,
        .xkbLayout = layout->xkbLayout,
        .xkbVariant = layout->xkbVariant,
    });
    sources_.emplace(layout->identifier, source);
    return source;
}

std::vector<TISInputSourceRef> KeyboardLayoutCatalog::inputSources()
{
    std::vector<TISInputSourceRef> sources;
    for (const auto& layout : layouts()) {
        if (auto source = inputSource(layout.identifier))
            sources.push_back(std::move(source));
    }
    return sources;
}

TISInputSourceRef KeyboardLayoutCatalog::makeFakeInputSource(const FakeInputSourceOptions& options)
{
    TISInputSource::Properties properties;
    properties.identifier = options.identifier;
    properties.localizedName = options.localizedName;
    if (!options.keysFrom.empty()) {
        if (auto base = inputSource(options.keysFrom)) {
            properties.languages = base->languages();
            properties.asciiCapable = base->isASCIICapable();
            properties.xkbLayout = base->xkbLayout();
            properties.xkbVariant = base->xkbVariant();
            properties.keyLayout = options.translationStatus != 0
                                       ? base->keyLayout()->withTranslationStatus(options.translationStatus)
                                       : base->sharedKeyLayout();
        }
    }
    if (options.asciiCapable)
        properties.asciiCapable = *options.asciiCapable;
    return TISInputSource::create(std::move(properties));
}

}  // namespace textinput
