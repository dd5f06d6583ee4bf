#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/Selector.h"

#include <memory>

class NSError;
class NSEvent;
class NSWindow;

// A link in the chain that events and action messages travel along. Each
// responder either handles what it gets or hands it to its next responder;
// at the end of the chain an unhandled key press is answered with a beep.
//
// Dynamic messages (tryToPerform, doCommandBySelector, actions sent with a
// nil target) find their receiver through the class's method table, so a
// subclass that wants to take an action registers its selector in describe.
class NSResponder : public NSObject {
    KS_OBJECT(NSResponder, NSObject)

public:
    // Views, view controllers and windows work out their next responder
    // from where they sit (view, its controller, superview, ..., window,
    // window controller); setting one explicitly takes precedence.
    virtual std::shared_ptr<NSResponder> nextResponder() const { return nextResponder_.lock(); }
    void setNextResponder(const std::shared_ptr<NSResponder>& responder) { nextResponder_ = responder; }

    virtual bool acceptsFirstResponder() { return false; }
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }

    // Events, handed on to the next responder unless overridden.
    virtual void keyDown(NSEvent& event);
    virtual void keyUp(NSEvent& event);
    virtual void flagsChanged(NSEvent& event);
    virtual void mouseDown(NSEvent& event);
    virtual void mouseUp(NSEvent& event);
    virtual void mouseDragged(NSEvent& event);
    virtual void mouseMoved(NSEvent& event);
    virtual void mouseEntered(NSEvent& event);
    virtual void mouseExited(NSEvent& event);
    virtual void rightMouseDown(NSEvent& event);
    virtual void rightMouseUp(NSEvent& event);
    // A key equivalent offered before the key goes to keyDown; true when
    // taken. Responders take none unless overridden (views ask their
    // subviews).
    virtual bool performKeyEquivalent(NSEvent& event);

    // The standard "cancel" command (Escape). Handed on unless overridden.
    virtual void cancelOperation(const Id& sender);

    // Sends `action` to the first responder along the chain that responds
    // to it, with `object` as the argument when the method takes one. True
    // when one did.
    virtual bool tryToPerform(Selector action, const Id& object);
    // Like tryToPerform with the receiver as argument; at the end of the
    // chain the command is reported as unhandled (a beep).
    virtual void doCommandBySelector(Selector selector);
    // The end of the chain for an event or command nobody took: a beep for
    // a key press, nothing for anything else.
    virtual void noResponderFor(Selector eventSelector);

    // Errors travel up the chain to the application, which shows them (here:
    // records them). willPresentError lets each responder replace the error
    // on its way.
    virtual bool presentError(const std::shared_ptr<NSError>& error);
    // The sheet form: presented for the window; the delegate and selector,
    // which the platform calls when the sheet ends, are not used here.
    virtual void presentErrorModalForWindow(const std::shared_ptr<NSError>& error,
                                            const std::shared_ptr<NSWindow>& window, const Id& delegate,
                                            Selector didPresentSelector, void* contextInfo);
    virtual std::shared_ptr<NSError> willPresentError(const std::shared_ptr<NSError>& error) { return error; }

protected:
    static void describe(ClassDescriptor& d);

private:
    std::weak_ptr<NSResponder> nextResponder_;
};

// Sends an action to a target that responds to it: with the sender as the
// argument when the method takes one, without arguments when it takes none.
// False (and nothing sent) when the target doesn't respond or its method
// takes more arguments.
bool NSPerformAction(NSObject& target, Selector action, const Id& sender);
