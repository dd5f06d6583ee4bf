#include "Kestrova/MainWindow.h"

#include "Kestrova/CollectionViewPresentable.h"
#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"

namespace {

constexpr unsigned short kEscapeKeyCode = 53;

}  // namespace

bool MainWindow::performKeyEquivalent(NSEvent& event)
{
    if (NSWindow::performKeyEquivalent(event))
        return true;
    if (event.keyCode() != kEscapeKeyCode)
        return false;
    // Hiding makes the application resign active, which hides the switcher.
    if (auto application = NSApp())
        application->hide(Id());
    return true;
}

std::shared_ptr<NSResponder> MainWindow::firstResponder() const
{
    auto content = contentViewController();
    if (!content || content->childViewControllers().empty())
        return nullptr;
    auto* presentable = dynamic_cast<CollectionViewPresentable*>(content->childViewControllers().back().get());
    return presentable ? presentable->collectionView() : nullptr;
}

void MainWindow::sendEvent(NSEvent& event)
{
    // With no list to take the keys, the window is the first responder
    // itself, as a window without one always is.
    bool isKey = event.type() == NSEventTypeKeyDown || event.type() == NSEventTypeKeyUp ||
                 event.type() == NSEventTypeFlagsChanged;
    if (!isKey || firstResponder()) {
        NSWindow::sendEvent(event);
        return;
    }
    if (event.type() == NSEventTypeKeyDown)
        keyDown(event);
    else if (event.type() == NSEventTypeKeyUp)
        keyUp(event);
    else
        flagsChanged(event);
}
