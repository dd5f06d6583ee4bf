#pragma once

#include "CarbonObjects.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace carbon::detail {

// This process's side of the Event Manager: the two event targets, the
// handlers installed on them, and the hot keys it registered with the
// desktop. One instance for the process, never released, as the platform's
// toolbox state is.
class EventDispatcher {
public:
    static EventDispatcher& shared();

    EventTargetRef dispatcherTarget() { return &dispatcher_; }
    EventTargetRef applicationTarget() { return &application_; }

    OSStatus install(EventTargetRef target, EventHandlerUPP handler, std::vector<EventTypeSpec> types, void* userData,
                     EventHandlerRef* outRef);
    OSStatus remove(EventHandlerRef handler);
    OSStatus send(EventRef event, EventTargetRef target);
    OSStatus callNext(EventHandlerCallRef call, EventRef event);

    OSStatus registerHotKey(UInt32 keyCode, UInt32 modifiers, EventHotKeyID identity, EventTargetRef target,
                            EventHotKeyRef* outRef);
    OSStatus unregisterHotKey(EventHotKeyRef hotKey);

private:
    using Chain = std::vector<std::shared_ptr<OpaqueEventHandlerRef>>;

    EventDispatcher() = default;

    bool isTarget(EventTargetRef target) const { return target == &dispatcher_ || target == &application_; }
    // The handlers an event sent to `target` passes, in calling order.
    Chain chainFor(EventTargetRef target, const OpaqueEventRef& event);
    static OSStatus run(const Chain& chain, std::size_t from, EventRef event);
    void deliverHotKey(EventHotKeyID identity, bool pressed);

    OpaqueEventTargetRef dispatcher_{"event dispatcher"};
    OpaqueEventTargetRef application_{"application"};

    std::mutex mutex_;
    // Oldest first.
    std::map<EventTargetRef, Chain> handlers_;
    std::map<EventHotKeyRef, std::unique_ptr<OpaqueEventHotKeyRef>> hotKeys_;
};

}  // namespace carbon::detail
