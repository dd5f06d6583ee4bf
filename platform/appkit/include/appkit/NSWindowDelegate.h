#pragma once

class NSNotification;
class NSWindow;

// What a window tells its delegate. Every method is optional: the defaults
// do nothing and let a window close.
class NSWindowDelegate {
public:
    virtual ~NSWindowDelegate() = default;

    virtual bool windowShouldClose(NSWindow&) { return true; }
    virtual void windowWillClose(NSNotification&) { }
    virtual void windowDidBecomeKey(NSNotification&) { }
    virtual void windowDidResignKey(NSNotification&) { }
    virtual void windowDidBecomeMain(NSNotification&) { }
    virtual void windowDidResignMain(NSNotification&) { }
};
