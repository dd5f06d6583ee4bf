#pragma once

// The Core Foundation shape of the run loop calls, over NSRunLoop and
// CFRunLoopSource.

#include "foundation/CFRunLoopSource.h"
#include "foundation/NSRunLoop.h"
#include "foundation/String.h"

using CFAllocatorRef = const void*;
inline constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;

extern const String kCFRunLoopDefaultMode;
extern const String kCFRunLoopCommonModes;

// The callbacks of a version-0 source; only `info` and `perform` are used.
struct CFRunLoopSourceContext {
    CFIndex version = 0;
    void* info = nullptr;
    void (*perform)(void* info) = nullptr;
};

CFRunLoopRef CFRunLoopGetMain();
CFRunLoopRef CFRunLoopGetCurrent();
void CFRunLoopWakeUp(CFRunLoopRef runLoop);
void CFRunLoopStop(CFRunLoopRef runLoop);

CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef allocator, CFIndex order,
                                         const CFRunLoopSourceContext* context);
void CFRunLoopAddSource(CFRunLoopRef runLoop, const CFRunLoopSourceRef& source, const String& mode);
void CFRunLoopRemoveSource(CFRunLoopRef runLoop, const CFRunLoopSourceRef& source, const String& mode);
bool CFRunLoopContainsSource(CFRunLoopRef runLoop, const CFRunLoopSourceRef& source, const String& mode);
void CFRunLoopSourceSignal(const CFRunLoopSourceRef& source);
void CFRunLoopSourceInvalidate(const CFRunLoopSourceRef& source);
bool CFRunLoopSourceIsValid(const CFRunLoopSourceRef& source);
