#include "EventDispatcher.h"

#include "foundation/Clock.h"
#include "simulation/SimulatedDesktop.h"

#include <algorithm>
#include <cstring>

namespace carbon::detail {

EventDispatcher& EventDispatcher::shared()
{
    static auto* dispatcher = new EventDispatcher;
    return *dispatcher;
}

OSStatus EventDispatcher::install(EventTargetRef target, EventHandlerUPP handler, std::vector<EventTypeSpec> types,
                                  void* userData, EventHandlerRef* outRef)
{
    if (outRef)
        *outRef = nullptr;
    if (!isTarget(target) || !handler)
        return paramErr;
    if (auto failure = simulation::SimulatedDesktop::current()->hotKeys()->failures().installEventHandler)
        return failure;
    auto installed = std::make_shared<OpaqueEventHandlerRef>();
    installed->target = target;
    installed->handler = handler;
    installed->types = std::move(types);
    installed->userData = userData;
    {
        std::lock_guard lock(mutex_);
        handlers_[target].push_back(installed);
    }
    if (outRef)
        *outRef = installed.get();
    return noErr;
}

OSStatus EventDispatcher::remove(EventHandlerRef handler)
{
    std::shared_ptr<OpaqueEventHandlerRef> removed;
    std::lock_guard lock(mutex_);
    // Looked up before it is touched: a stale reference must not be read.
    for (auto& [target, chain] : handlers_) {
        auto it = std::find_if(chain.begin(), chain.end(), [&](const auto& entry) { return entry.get() == handler; });
        if (it == chain.end())
            continue;
        removed = *it;
        removed->removed = true;
        chain.erase(it);
        return noErr;
    }
    return paramErr;
}

EventDispatcher::Chain EventDispatcher::chainFor(EventTargetRef target, const OpaqueEventRef& event)
{
    Chain chain;
    auto add = [&](EventTargetRef from) {
        auto it = handlers_.find(from);
        if (it == handlers_.end())
            return;
        for (auto handler = it->second.rbegin(); handler != it->second.rend(); ++handler) {
            if ((*handler)->handles(event))
                chain.push_back(*handler);
        }
    };
    std::lock_guard lock(mutex_);
    add(target);
    // What the dispatcher's handlers leave goes on to the application.
    if (target == &dispatcher_)
        add(&application_);
    return chain;
}

OSStatus EventDispatcher::run(const Chain& chain, std::size_t from, EventRef event)
{
    for (std::size_t index = from; index < chain.size(); ++index) {
        const auto& handler = chain[index];
        if (handler->removed)
            continue;
        OpaqueEventHandlerCallRef call{.chain = &chain, .next = index + 1};
        const OSStatus status = handler->handler(&call, event, handler->userData);
        if (call.nextCalled || status != eventNotHandledErr)
            return status;
    }
    return eventNotHandledErr;
}

OSStatus EventDispatcher::send(EventRef event, EventTargetRef target)
{
    if (!event || !isTarget(target))
        return paramErr;
    // A copy: handlers may install and remove handlers as they run.
    const Chain chain = chainFor(target, *event);
    return run(chain, 0, event);
}

OSStatus EventDispatcher::callNext(EventHandlerCallRef call, EventRef event)
{
    if (!call || !call->chain || !event)
        return paramErr;
    call->nextCalled = true;
    return run(*call->chain, call->next, event);
}

void EventDispatcher::deliverHotKey(EventHotKeyID identity, bool pressed)
{
    OpaqueEventRef event;
    event.eventClass = kEventClassKeyboard;
    event.eventKind = pressed ? kEventHotKeyPressed : kEventHotKeyReleased;
    event.when = Clock::current()->now();
    auto& parameter = event.parameters[kEventParamDirectObject];
    parameter.type = typeEventHotKeyID;
    parameter.bytes.resize(sizeof identity);
    std::memcpy(parameter.bytes.data(), &identity, sizeof identity);
    send(&event, &dispatcher_);
}

OSStatus EventDispatcher::registerHotKey(UInt32 keyCode, UInt32 modifiers, EventHotKeyID identity,
                                         EventTargetRef target, EventHotKeyRef* outRef)
{
    if (!outRef)
        return paramErr;
    *outRef = nullptr;
    if (!isTarget(target))
        return paramErr;
    auto desktop = simulation::SimulatedDesktop::current();
    const auto& hotKeys = desktop->hotKeys();
    if (auto failure = hotKeys->failures().registerHotKey)
        return failure;
    auto token = hotKeys->registerHotKey(
        {
            .pid = desktop->ownProcess(),
            .keyCode = keyCode,
            .modifiers = modifiers,
            .signature = identity.signature,
            .identifier = identity.id,
        },
        [this, identity](bool pressed) { deliverHotKey(identity, pressed); });
    if (!token)
        return eventHotKeyExistsErr;
    auto reference = std::make_unique<OpaqueEventHotKeyRef>();
    reference->hotKeys = hotKeys;
    reference->token = *token;
    reference->identity = identity;
    std::lock_guard lock(mutex_);
    *outRef = reference.get();
    hotKeys_.emplace(reference.get(), std::move(reference));
    return noErr;
}

OSStatus EventDispatcher::unregisterHotKey(EventHotKeyRef hotKey)
{
    std::unique_ptr<OpaqueEventHotKeyRef> reference;
    {
        std::lock_guard lock(mutex_);
        auto it = hotKeys_.find(hotKey);
        if (it == hotKeys_.end())
            return eventHotKeyInvalidErr;
        // A hot key of a desktop that is gone is gone with it.
        if (auto registry = it->second->hotKeys.lock()) {
            if (auto failure = registry->failures().unregisterHotKey)
                return failure;
            registry->unregisterHotKey(it->second->token);
        }
        reference = std::move(it->second);
        hotKeys_.erase(it);
    }
    return noErr;
}

}  // namespace carbon::detail
