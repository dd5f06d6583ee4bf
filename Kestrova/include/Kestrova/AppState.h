#pragma once

// One state of the switcher: inactive while it is hidden, active while it is
// shown. The application delegate forwards the two events that move the
// switcher, and the state decides what each means, replacing itself in the
// context when the switcher changes state. States are made for a context
// (their constructors take it) and never outlive it.
class AppState {
public:
    virtual ~AppState() = default;

    // The global shortcut was pressed.
    virtual void handleGlobalShortcut() = 0;
    // The application resigned active.
    virtual void handleResignActive() = 0;
};
