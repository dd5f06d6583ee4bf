#pragma once

#include "appkit/NSResponder.h"

#include <functional>
#include <memory>

class NSStoryboard;
class NSViewController;
class NSWindow;

// Owns a window: loads it on first use, shows it and closes it. A shown
// window keeps its controller alive until it is ordered out, so a
// controller nobody else holds lives as long as its window is on screen.
class NSWindowController : public NSResponder {
    KS_OBJECT(NSWindowController, NSResponder)

public:
    NSWindowController();
    ~NSWindowController() override;

    // Loads the window when needed: windowWillLoad, loadWindow, then
    // windowDidLoad when there is a window.
    std::shared_ptr<NSWindow> window();
    // Gives the controller its window (as initWithWindow: does): the window
    // counts as loaded, and windowDidLoad is not called for it.
    void setWindow(const std::shared_ptr<NSWindow>& window);
    bool isWindowLoaded() const { return windowLoaded_; }
    // How loadWindow gets the window, for whoever instantiates the
    // controller (storyboards).
    void setWindowLoader(std::function<std::shared_ptr<NSWindow>()> loader) { windowLoader_ = std::move(loader); }

    virtual void windowWillLoad() { }
    // The window loader's window; subclasses that build theirs in code
    // override it and call setWindow.
    virtual void loadWindow();
    virtual void windowDidLoad() { }

    // Shows the window, key and in front.
    virtual void showWindow(const Id& sender);
    // Closes the window, when it has been loaded.
    virtual void close();

    std::shared_ptr<NSViewController> contentViewController();
    void setContentViewController(const std::shared_ptr<NSViewController>& controller);

    std::shared_ptr<NSStoryboard> storyboard() const { return storyboard_.lock(); }
    void setStoryboard(const std::shared_ptr<NSStoryboard>& storyboard) { storyboard_ = storyboard; }

protected:
    static void describe(ClassDescriptor& d);

private:
    void attach(const std::shared_ptr<NSWindow>& window);

    std::shared_ptr<NSWindow> window_;
    std::function<std::shared_ptr<NSWindow>()> windowLoader_;
    bool windowLoaded_ = false;
    bool loadingWindow_ = false;
    std::weak_ptr<NSStoryboard> storyboard_;
};
