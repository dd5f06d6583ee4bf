#include "textinput/TISInputSource.h"

#include "textinput/KeyboardLayoutRegistry.h"

TISInputSourceRef TISInputSource::create(Properties properties)
{
    return std::make_shared<const TISInputSource>(std::move(properties));
}

std::optional<std::string> TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyInputSourceIDKey)
{
    if (!source)
        return std::nullopt;
    return source->identifier();
}

const UCKeyboardLayout* TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyUnicodeKeyLayoutDataKey)
{
    return source ? source->keyLayout() : nullptr;
}

std::optional<std::string> TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyLocalizedNameKey)
{
    if (!source)
        return std::nullopt;
    return source->localizedName();
}

bool TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyInputSourceIsASCIICapableKey)
{
    return source && source->isASCIICapable();
}

std::vector<std::string> TISGetInputSourceProperty(const TISInputSourceRef& source, TISPropertyInputSourceLanguagesKey)
{
    if (!source)
        return {};
    return source->languages();
}

TISInputSourceRef TISCopyCurrentKeyboardLayoutInputSource()
{
    return textinput::KeyboardLayoutRegistry::current()->currentKeyboardLayoutInputSource();
}

TISInputSourceRef TISCopyCurrentASCIICapableKeyboardLayoutInputSource()
{
    return textinput::KeyboardLayoutRegistry::current()->currentASCIICapableKeyboardLayoutInputSource();
}

OSStatus TISSelectInputSource(const TISInputSourceRef& source)
{
    if (!source)
        return -50;
    textinput::KeyboardLayoutRegistry::current()->selectInputSource(source);
    return 0;
}

std::vector<TISInputSourceRef> TISCreateInputSourceList()
{
    return textinput::KeyboardLayoutRegistry::current()->inputSources();
}
