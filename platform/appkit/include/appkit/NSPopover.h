#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSResponder.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>

class NSNotification;
class NSPopoverDelegate;
class NSView;
class NSViewController;
class NSWindow;

enum NSPopoverBehavior : NSInteger {
    // Closes only when the program says so.
    NSPopoverBehaviorApplicationDefined = 0,
    // Closes when the user acts anywhere outside it, this program resigning
    // active included.
    NSPopoverBehaviorTransient = 1,
    // Closes when the user acts on another window of this program.
    NSPopoverBehaviorSemitransient = 2,
};

extern const String NSPopoverWillShowNotification;
extern const String NSPopoverDidShowNotification;
extern const String NSPopoverWillCloseNotification;
extern const String NSPopoverDidCloseNotification;

// A view controller's view shown next to a rectangle of another view, in a
// window of its own. Showing loads the view and brings it on screen (the
// appearance calls run); closing takes it off again. A shown popover keeps
// itself alive until it closes.
class NSPopover : public NSResponder {
    KS_OBJECT(NSPopover, NSResponder)

public:
    NSPopover();
    ~NSPopover() override;

    NSPopoverBehavior behavior() const { return behavior_; }
    void setBehavior(NSPopoverBehavior behavior) { behavior_ = behavior; }
    std::shared_ptr<NSViewController> contentViewController() const { return contentViewController_; }
    // The popover then follows the controller's preferredContentSize: each
    // change to a size that isn't empty becomes its content size (a
    // navigation pushing a child of another size resizes it).
    void setContentViewController(const std::shared_ptr<NSViewController>& controller);
    // Zero: the content view's own size.
    NSSize contentSize() const { return contentSize_; }
    void setContentSize(NSSize size);
    bool animates() const { return animates_; }
    void setAnimates(bool animates) { animates_ = animates; }
    bool isShown() const { return shown_; }
    // The rectangle and view it was last shown against.
    NSRect positioningRect() const { return positioningRect_; }
    std::shared_ptr<NSView> positioningView() const { return positioningView_.lock(); }
    NSRectEdge preferredEdge() const { return preferredEdge_; }

    std::shared_ptr<NSPopoverDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<NSPopoverDelegate>& delegate) { delegate_ = delegate; }

    // Shows the content on the given edge of `rect` (in the view's
    // coordinates); a shown popover moves instead. Without a content view
    // controller, or with a view that is in no window, it raises an
    // internal-inconsistency exception, as the platform does.
    void showRelativeToRect(NSRect rect, const std::shared_ptr<NSView>& view, NSRectEdge edge);
    // Closes at once, whatever the delegate says.
    void close();
    // Closes unless the delegate refuses.
    void performClose(const Id& sender);

    // The window the content is shown in, once shown.
    std::shared_ptr<NSWindow> popoverWindow() const { return window_; }

    // Internal, for the application: the user pressed a mouse button in
    // `window`; popovers shown elsewhere that close on outside actions do.
    static void closePopoversForClickIn(const NSWindow* window);
    // Internal, for NSApplication::resetForTesting: lets go of the popovers
    // still shown without telling anyone, as what they would tell belongs to
    // a test that has ended.
    static void forgetShownPopovers();

protected:
    static void describe(ClassDescriptor& d);

private:
    void notify(const String& name, void (NSPopoverDelegate::*method)(NSNotification&));
    NSRect frameFor(NSSize size) const;
    void applicationDidResignActive();

    NSPopoverBehavior behavior_ = NSPopoverBehaviorApplicationDefined;
    std::shared_ptr<NSViewController> contentViewController_;
    NSSize contentSize_{};
    bool animates_ = true;
    bool shown_ = false;
    NSRect positioningRect_{};
    std::weak_ptr<NSView> positioningView_;
    NSRectEdge preferredEdge_ = NSRectEdgeMinY;
    std::weak_ptr<NSPopoverDelegate> delegate_;
    std::shared_ptr<NSWindow> window_;
    std::shared_ptr<NSPopover> keepAlive_;
    std::shared_ptr<NSObject> resignObserver_;
    ObservationToken preferredSizeObservation_;
};
