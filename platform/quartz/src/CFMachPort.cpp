#include "quartz/CFMachPort.h"

#include "EventTapPort.h"

#include <utility>

CFMachPort::CFMachPort(std::shared_ptr<detail::EventTapPort> port)
    : port_(std::move(port))
{
}

CFMachPort::~CFMachPort()
{
    port_->invalidate();
}

bool CFMachPort::isValid() const
{
    return port_->isValid();
}

void CFMachPort::invalidate()
{
    port_->invalidate();
}

CFRunLoopSourceRef CFMachPort::runLoopSource(CFIndex order)
{
    return port_->runLoopSource(weak_from_this(), order);
}

CFRunLoopSourceRef CFMachPortCreateRunLoopSource(CFAllocatorRef, const CFMachPortRef& port, CFIndex order)
{
    return port ? port->runLoopSource(order) : nullptr;
}

void CFMachPortInvalidate(const CFMachPortRef& port)
{
    if (port)
        port->invalidate();
}

bool CFMachPortIsValid(const CFMachPortRef& port)
{
    return port && port->isValid();
}
