#include "textinput/KeyboardLayoutRegistry.h"

#include <algorithm>
#include <utility>

namespace textinput {

namespace {

std::mutex& installedMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::shared_ptr<KeyboardLayoutRegistry>& sharedRegistry()
{
    static auto* registry = new std::shared_ptr<KeyboardLayoutRegistry>(std::make_shared<KeyboardLayoutRegistry>());
    return *registry;
}

// nullptr: the shared registry.
std::shared_ptr<KeyboardLayoutRegistry>& installedRegistry()
{
    static auto* registry = new std::shared_ptr<KeyboardLayoutRegistry>;
    return *registry;
}

}  // namespace

KeyboardLayoutRegistry& KeyboardLayoutRegistry::shared()
{
    return *sharedRegistry();
}

std::shared_ptr<KeyboardLayoutRegistry> KeyboardLayoutRegistry::current()
{
    {
        std::lock_guard lock(installedMutex());
        if (installedRegistry())
            return installedRegistry();
    }
    return sharedRegistry();
}

void KeyboardLayoutRegistry::setCurrent(std::shared_ptr<KeyboardLayoutRegistry> registry)
{
    std::shared_ptr<KeyboardLayoutRegistry> previous;
    std::lock_guard lock(installedMutex());
    previous = std::exchange(installedRegistry(), std::move(registry));
    // `previous` may be the last reference: it goes after the lock, being
    // declared before it.
}

KeyboardLayoutRegistry::KeyboardLayoutRegistry(std::string_view initialIdentifier, KeyboardLayoutCatalog& catalog)
    : catalog_(catalog)
{
    selected_ = catalog_.inputSource(initialIdentifier);
    if (!selected_)
        selected_ = catalog_.inputSource(InputSourceID::US);
    if (selected_ && selected_->isASCIICapable())
        lastASCIICapable_ = selected_;
}

TISInputSourceRef KeyboardLayoutRegistry::currentKeyboardLayoutInputSource() const
{
    std::lock_guard lock(mutex_);
    if (currentUnavailable_)
        return nullptr;
    return selected_;
}

TISInputSourceRef KeyboardLayoutRegistry::currentASCIICapableKeyboardLayoutInputSource() const
{
    {
        std::lock_guard lock(mutex_);
        if (asciiCapableUnavailable_)
            return nullptr;
        if (selected_ && selected_->isASCIICapable())
            return selected_;
        if (lastASCIICapable_)
            return lastASCIICapable_;
    }
    // Built once by the catalog, then a lookup; outside our lock, as the catalog has its own.
    return catalog_.inputSource(InputSourceID::US);
}

bool KeyboardLayoutRegistry::selectInputSource(std::string_view identifier)
{
    auto source = catalog_.inputSource(identifier);
    return source && selectInputSource(std::move(source));
}

bool KeyboardLayoutRegistry::selectInputSource(TISInputSourceRef source)
{
    if (!source)
        return false;
    std::vector<std::shared_ptr<SelectionChangeHandler>> handlers;
    {
        std::lock_guard lock(mutex_);
        if (selected_ == source)
            return true;
        selected_ = source;
        if (source->isASCIICapable())
            lastASCIICapable_ = source;
        handlers.reserve(handlers_.size());
        for (const auto& handler : handlers_)
            handlers.push_back(handler.function);
    }
    for (const auto& handler : handlers)
        (*handler)(source);
    return true;
}

std::vector<TISInputSourceRef> KeyboardLayoutRegistry::inputSources() const
{
    return catalog_.inputSources();
}

KeyboardLayoutRegistry::HandlerID KeyboardLayoutRegistry::addSelectionChangeHandler(SelectionChangeHandler handler)
{
    std::lock_guard lock(mutex_);
    const HandlerID id = nextHandlerID_++;
    handlers_.push_back({id, std::make_shared<SelectionChangeHandler>(std::move(handler))});
    return id;
}

void KeyboardLayoutRegistry::removeSelectionChangeHandler(HandlerID id)
{
    std::shared_ptr<SelectionChangeHandler>
        removed;  // destroyed after the lock, in case it owns something that calls us
    std::lock_guard lock(mutex_);
    auto found = std::find_if(handlers_.begin(), handlers_.end(), [&](const Handler& each) { return each.id == id; });
    if (found == handlers_.end())
        return;
    removed = std::move(found->function);
    handlers_.erase(found);
}

void KeyboardLayoutRegistry::setCurrentInputSourceUnavailable(bool unavailable)
{
    std::lock_guard lock(mutex_);
    currentUnavailable_ = unavailable;
}

void KeyboardLayoutRegistry::setASCIICapableInputSourceUnavailable(bool unavailable)
{
    std::lock_guard lock(mutex_);
    asciiCapableUnavailable_ = unavailable;
}

void KeyboardLayoutRegistry::setInputSourcesUnavailable(bool unavailable)
{
    std::lock_guard lock(mutex_);
    currentUnavailable_ = unavailable;
    asciiCapableUnavailable_ = unavailable;
}

ScopedCurrentKeyboardLayoutRegistry::ScopedCurrentKeyboardLayoutRegistry(
    std::shared_ptr<KeyboardLayoutRegistry> registry)
{
    {
        std::lock_guard lock(installedMutex());
        previous_ = installedRegistry();
    }
    KeyboardLayoutRegistry::setCurrent(std::move(registry));
}

ScopedCurrentKeyboardLayoutRegistry::~ScopedCurrentKeyboardLayoutRegistry()
{
    KeyboardLayoutRegistry::setCurrent(std::move(previous_));
}

}  // namespace textinput
