#include "appkit/NSWindowController.h"

#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"

NSWindowController::NSWindowController() = default;

NSWindowController::~NSWindowController() = default;

void NSWindowController::describe(ClassDescriptor& d)
{
    d.method<NSWindowController>("showWindow:", ReturnKind::Void,
                                 [](NSWindowController& c, std::span<const Id> arguments) {
                                     c.showWindow(arguments[0]);
                                     return Id();
                                 });
    d.method<NSWindowController>("close", ReturnKind::Void, [](NSWindowController& c, std::span<const Id>) {
        c.close();
        return Id();
    });
}

void NSWindowController::attach(const std::shared_ptr<NSWindow>& window)
{
    auto self = std::static_pointer_cast<NSWindowController>(shared_from_this());
    if (window_ && window_->windowController() == self)
        window_->setWindowController(nullptr);
    window_ = window;
    if (window_)
        window_->setWindowController(self);
}

std::shared_ptr<NSWindow> NSWindowController::window()
{
    if (!windowLoaded_ && !loadingWindow_) {
        loadingWindow_ = true;
        windowWillLoad();
        loadWindow();
        loadingWindow_ = false;
        windowLoaded_ = true;
        if (window_)
            windowDidLoad();
    }
    return window_;
}

void NSWindowController::setWindow(const std::shared_ptr<NSWindow>& window)
{
    attach(window);
    if (!loadingWindow_)
        windowLoaded_ = true;
}

void NSWindowController::loadWindow()
{
    if (windowLoader_)
        attach(windowLoader_());
}

void NSWindowController::showWindow(const Id& sender)
{
    if (auto window = this->window())
        window->makeKeyAndOrderFront(sender);
}

void NSWindowController::close()
{
    if (windowLoaded_ && window_)
        window_->close();
}

std::shared_ptr<NSViewController> NSWindowController::contentViewController()
{
    auto window = this->window();
    return window ? window->contentViewController() : nullptr;
}

void NSWindowController::setContentViewController(const std::shared_ptr<NSViewController>& controller)
{
    if (auto window = this->window())
        window->setContentViewController(controller);
}
