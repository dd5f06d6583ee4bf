#include "Kestrova/MainWindowController.h"

#include "accessibility/AXUIElement.h"
#include "appkit/CALayer.h"
#include "appkit/NSColor.h"
#include "appkit/NSStoryboard.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSVisualEffectView.h"
#include "appkit/NSWindow.h"
#include "foundation/DispatchQueue.h"

#include <algorithm>

namespace {

constexpr NSAutoresizingMaskOptions kFillSuperview = NSViewWidthSizable | NSViewHeightSizable;
constexpr CGFloat kCornerRadius = 16;

}  // namespace

void MainWindowController::style(NSWindow& window)
{
    window.setTitleVisibility(NSWindowTitleHidden);
    window.setTitlebarAppearsTransparent(true);
    window.setStyleMask(window.styleMask() | NSWindowStyleMaskFullSizeContentView);
    window.setOpaque(false);
    window.setBackgroundColor(NSColor::clearColor());
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
        panel->layer()->setCornerRadius(kCornerRadius);
        panel->layer()->setMasksToBounds(true);
        content->addSubview(panel, NSWindowBelow, nullptr);

        auto layer = content->layer();
        layer->setCornerRadius(kCornerRadius);
        layer->setMasksToBounds(true);
        layer->setBorderWidth(0.5);
        layer->setBorderColor(NSColor::separatorColor()->colorWithAlphaComponent(0.25)->CGColor());
        layer->setBackgroundColor(NSColor::clearColor()->CGColor());
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
