#include "Kestrova/MainWindowController.h"

#include "accessibility/AXUIElement.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSVisualEffectView.h"
#include "appkit/NSWindow.h"
#include "foundation/DispatchQueue.h"

#include <algorithm>

namespace {

constexpr NSAutoresizingMaskOptions kFillSuperview = NSViewWidthSizable | NSViewHeightSizable;

}  // namespace

void MainWindowController::style(NSWindow& window)
{
    window.setTitleVisibility(NSWindowTitleHidden);
    window.setTitlebarAppearsTransparent(true);
    window.setStyleMask(window.styleMask() | NSWindowStyleMaskFullSizeContentView);
    window.setOpaque(false);
    // The clear background colour waits for colours in the window stand-in;
    // a window that isn't opaque draws nothing of its own here.
    window.setHasShadow(true);
}

void MainWindowController::loadBackground(NSWindow& window)
{
    if (auto content = window.contentView()) {
        content->setWantsLayer(true);
        const auto& subviews = content->subviews();
        auto old = std::find_if(subviews.begin(), subviews.end(),
                                [](const auto& view) { return view->template isKindOf<NSVisualEffectView>(); });
        if (old != subviews.end()) {
            auto doomed = *old;
            doomed->removeFromSuperview();
        }
        auto panel = std::make_shared<NSVisualEffectView>(content->bounds());
        panel->setAutoresizingMask(kFillSuperview);
        panel->setBlendingMode(NSVisualEffectBlendingModeBehindWindow);
        panel->setState(NSVisualEffectStateActive);
        panel->setMaterial(NSVisualEffectMaterialSidebar);
        panel->setWantsLayer(true);
        content->addSubview(panel, NSWindowBelow, nullptr);
        // Corner radius 16 (panel and content), a 0.5 border in the separator
        // colour at a quarter alpha and a clear layer background belong on
        // the layers, which the view stand-in doesn't have yet.
    }
    style(window);
}

void MainWindowController::windowDidLoad()
{
    NSWindowController::windowDidLoad();
    String identifier = AXIsProcessTrusted() ? String("Navigation") : String("Permission");
    auto window = this->window();
    if (window)
        style(*window);
    std::shared_ptr<NSViewController> content;
    if (auto storyboard = NSStoryboard::mainStoryboard())
        content = storyboard->instantiateControllerWithIdentifier(identifier).object<NSViewController>();
    setContentViewController(content);
    if (window)
        loadBackground(*window);
}

void MainWindowController::showWindow(const Id& sender)
{
    auto window = this->window();
    if (window) {
        window->center();
        window->becomeMainWindow();
    }
    NSWindowController::showWindow(sender);
    if (window)
        window->makeKeyAndOrderFront(Id(shared_from_this()));
}

void MainWindowController::windowDidResignKey(NSNotification&)
{
    auto self = std::static_pointer_cast<MainWindowController>(shared_from_this());
    DispatchQueue::main().async([self] { self->close(); });
}
