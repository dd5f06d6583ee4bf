#include "appkit/NSResponder.h"

#include "appkit/NSApplication.h"
#include "appkit/NSError.h"
#include "appkit/NSEvent.h"
#include "appkit/NSWindow.h"

bool NSPerformAction(NSObject& target, Selector action, const Id& sender)
{
    const Method* method = target.methodForSelector(action);
    if (!method || method->arity > 1)
        return false;
    if (method->arity == 1)
        target.performSelector(action, sender);
    else
        target.performSelector(action);
    return true;
}

void NSResponder::describe(ClassDescriptor& d)
{
    d.method<NSResponder>("cancelOperation:", ReturnKind::Void, [](NSResponder& r, std::span<const Id> arguments) {
        r.cancelOperation(arguments[0]);
        return Id();
    });
}

void NSResponder::keyDown(NSEvent& event)
{
    if (auto next = nextResponder())
        next->keyDown(event);
    else
        noResponderFor("keyDown:");
}

void NSResponder::keyUp(NSEvent& event)
{
    if (auto next = nextResponder())
        next->keyUp(event);
    else
        noResponderFor("keyUp:");
}

void NSResponder::flagsChanged(NSEvent& event)
{
    if (auto next = nextResponder())
        next->flagsChanged(event);
}

void NSResponder::mouseDown(NSEvent& event)
{
    if (auto next = nextResponder())
        next->mouseDown(event);
}

void NSResponder::mouseUp(NSEvent& event)
{
    if (auto next = nextResponder())
        next->mouseUp(event);
}

void NSResponder::mouseDragged(NSEvent& event)
{
    if (auto next = nextResponder())
        next->mouseDragged(event);
}

void NSResponder::mouseMoved(NSEvent& event)
{
    if (auto next = nextResponder())
        next->mouseMoved(event);
}

void NSResponder::mouseEntered(NSEvent& event)
{
    if (auto next = nextResponder())
        next->mouseEntered(event);
}

void NSResponder::mouseExited(NSEvent& event)
{
    if (auto next = nextResponder())
        next->mouseExited(event);
}

void NSResponder::rightMouseDown(NSEvent& event)
{
    if (auto next = nextResponder())
        next->rightMouseDown(event);
}

void NSResponder::rightMouseUp(NSEvent& event)
{
    if (auto next = nextResponder())
        next->rightMouseUp(event);
}

bool NSResponder::performKeyEquivalent(NSEvent&)
{
    return false;
}

void NSResponder::cancelOperation(const Id& sender)
{
    if (auto next = nextResponder())
        next->cancelOperation(sender);
}

bool NSResponder::tryToPerform(Selector action, const Id& object)
{
    if (NSPerformAction(*this, action, object))
        return true;
    if (auto next = nextResponder())
        return next->tryToPerform(action, object);
    return false;
}

void NSResponder::doCommandBySelector(Selector selector)
{
    if (NSPerformAction(*this, selector, Id(std::static_pointer_cast<NSResponder>(shared_from_this()))))
        return;
    if (auto next = nextResponder())
        next->doCommandBySelector(selector);
    else
        noResponderFor(selector);
}

void NSResponder::noResponderFor(Selector eventSelector)
{
    if (eventSelector == Selector("keyDown:"))
        NSBeep();
}

bool NSResponder::presentError(const std::shared_ptr<NSError>& error)
{
    auto replaced = willPresentError(error);
    if (auto next = nextResponder())
        return next->presentError(replaced);
    if (auto application = NSApp(); application && application.get() != this)
        return application->presentError(replaced);
    return false;
}

void NSResponder::presentErrorModalForWindow(const std::shared_ptr<NSError>& error,
                                             const std::shared_ptr<NSWindow>& window, const Id& delegate,
                                             Selector didPresentSelector, void* contextInfo)
{
    auto replaced = willPresentError(error);
    if (auto next = nextResponder())
        return next->presentErrorModalForWindow(replaced, window, delegate, didPresentSelector, contextInfo);
    if (auto application = NSApp(); application && application.get() != this)
        application->presentErrorModalForWindow(replaced, window, delegate, didPresentSelector, contextInfo);
}
