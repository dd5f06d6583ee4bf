#pragma once

class NSNotification;
class NSPopover;

// What a popover tells its delegate. Every method is optional: the defaults
// do nothing and let the popover close.
class NSPopoverDelegate {
public:
    virtual ~NSPopoverDelegate() = default;

    virtual bool popoverShouldClose(NSPopover&) { return true; }
    virtual void popoverWillShow(NSNotification&) { }
    virtual void popoverDidShow(NSNotification&) { }
    virtual void popoverWillClose(NSNotification&) { }
    virtual void popoverDidClose(NSNotification&) { }
};
