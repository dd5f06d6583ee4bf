#include "foundation/CFRunLoop.h"

const String kCFRunLoopDefaultMode = "kCFRunLoopDefaultMode";
const String kCFRunLoopCommonModes = "kCFRunLoopCommonModes";

CFRunLoopRef CFRunLoopGetMain()
{
    return NSRunLoop::mainRunLoop().getCFRunLoop();
}

CFRunLoopRef CFRunLoopGetCurrent()
{
    return NSRunLoop::currentRunLoop().getCFRunLoop();
}

void CFRunLoopWakeUp(CFRunLoopRef runLoop)
{
    if (runLoop)
        runLoop->wakeUp();
}

void CFRunLoopStop(CFRunLoopRef runLoop)
{
    if (runLoop)
        runLoop->stop();
}

CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef, CFIndex order, const CFRunLoopSourceContext* context)
{
    if (!context)
        return nullptr;
    auto perform = context->perform;
    void* info = context->info;
    return CFRunLoopSource::create(
        [perform, info] {
            if (perform)
                perform(info);
        },
        order);
}

void CFRunLoopAddSource(CFRunLoopRef runLoop, const CFRunLoopSourceRef& source, const String& mode)
{
    if (runLoop)
        runLoop->addSource(source, mode);
}

void CFRunLoopRemoveSource(CFRunLoopRef runLoop, const CFRunLoopSourceRef& source, const String& mode)
{
    if (runLoop)
        runLoop->removeSource(source, mode);
}

bool CFRunLoopContainsSource(CFRunLoopRef runLoop, const CFRunLoopSourceRef& source, const String&)
{
    return runLoop && runLoop->containsSource(source);
}

void CFRunLoopSourceSignal(const CFRunLoopSourceRef& source)
{
    if (source)
        source->signal();
}

void CFRunLoopSourceInvalidate(const CFRunLoopSourceRef& source)
{
    if (source)
        source->invalidate();
}

bool CFRunLoopSourceIsValid(const CFRunLoopSourceRef& source)
{
    return source && source->isValid();
}
