#pragma once

#include <memory>

class AppState;
class MainWindowController;
class NSRunningApplication;

// What the switcher states reach of the application delegate.
class AppStateContext {
public:
    virtual ~AppStateContext() = default;

    virtual std::shared_ptr<AppState> appState() const = 0;
    virtual void setAppState(std::shared_ptr<AppState> state) = 0;
    virtual std::shared_ptr<MainWindowController> mainWindowController() const = 0;
    virtual void setMainWindowController(std::shared_ptr<MainWindowController> controller) = 0;
    virtual std::shared_ptr<NSRunningApplication> previousApplication() const = 0;
    virtual void setPreviousApplication(std::shared_ptr<NSRunningApplication> application) = 0;
    virtual void showSwitcher() = 0;
    virtual void hideSwitcher() = 0;
};
