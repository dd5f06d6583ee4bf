#pragma once

class NSApplication;
class NSNotification;

// What the application tells its delegate. Every method is optional: the
// defaults do nothing.
class NSApplicationDelegate {
public:
    virtual ~NSApplicationDelegate() = default;

    virtual void applicationWillFinishLaunching(NSNotification&) { }
    virtual void applicationDidFinishLaunching(NSNotification&) { }
    virtual void applicationWillBecomeActive(NSNotification&) { }
    virtual void applicationDidBecomeActive(NSNotification&) { }
    virtual void applicationWillResignActive(NSNotification&) { }
    virtual void applicationDidResignActive(NSNotification&) { }
    virtual void applicationWillHide(NSNotification&) { }
    virtual void applicationDidHide(NSNotification&) { }
    virtual void applicationWillUnhide(NSNotification&) { }
    virtual void applicationDidUnhide(NSNotification&) { }
    virtual void applicationWillTerminate(NSNotification&) { }
};
