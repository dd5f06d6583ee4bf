#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSResponder.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class NSViewController;
class NSWindow;

// Where a subview goes among its siblings, with the platform's values.
enum NSWindowOrderingMode : NSInteger {
    NSWindowBelow = -1,
    NSWindowOut = 0,
    NSWindowAbove = 1,
};

// Which edges and sizes follow the superview when it is resized.
using NSAutoresizingMaskOptions = NSUInteger;
inline constexpr NSAutoresizingMaskOptions NSViewNotSizable = 0;
inline constexpr NSAutoresizingMaskOptions NSViewMinXMargin = 1;
inline constexpr NSAutoresizingMaskOptions NSViewWidthSizable = 2;
inline constexpr NSAutoresizingMaskOptions NSViewMaxXMargin = 4;
inline constexpr NSAutoresizingMaskOptions NSViewMinYMargin = 8;
inline constexpr NSAutoresizingMaskOptions NSViewHeightSizable = 16;
inline constexpr NSAutoresizingMaskOptions NSViewMaxYMargin = 32;

// "No intrinsic size" along an axis.
inline constexpr CGFloat NSViewNoIntrinsicMetric = -1;

// A rectangle of a window's content, in a tree of views. The frame is in the
// superview's coordinates, with the origin at the bottom left unless the
// view is flipped.
//
// A view is on screen while it sits in a visible window. Views that a view
// controller owns tell their controller when that changes, in the platform's
// order: every will-appear (or will-disappear) of the subtree, parents
// first, then the change, then every did-appear (or did-disappear).
class NSView : public NSResponder {
    KS_OBJECT(NSView, NSResponder)

public:
    explicit NSView(NSRect frame = NSZeroRect);
    ~NSView() override;

    NSRect frame() const { return frame_; }
    virtual void setFrame(NSRect frame);
    void setFrameOrigin(NSPoint origin) { setFrame({origin, frame_.size}); }
    void setFrameSize(NSSize size) { setFrame({frame_.origin, size}); }
    // The view's own coordinates: its size at the origin.
    NSRect bounds() const { return {NSZeroPoint, frame_.size}; }

    std::shared_ptr<NSView> superview() const { return superview_.lock(); }
    const std::vector<std::shared_ptr<NSView>>& subviews() const { return subviews_; }
    // Adds on top of the siblings (removing the view from its old place
    // first).
    void addSubview(const std::shared_ptr<NSView>& view);
    // Above or below `relativeTo`, or above or below all siblings when that
    // is nullptr.
    void addSubview(const std::shared_ptr<NSView>& view, NSWindowOrderingMode place,
                    const std::shared_ptr<NSView>& relativeTo);
    void removeFromSuperview();
    // Puts `newView` where `oldView` was; nothing when `oldView` isn't a
    // subview.
    void replaceSubview(const std::shared_ptr<NSView>& oldView, const std::shared_ptr<NSView>& newView);
    bool isDescendantOf(const NSView& view) const;
    // The first view of the subtree (this one included) with that identifier.
    std::shared_ptr<NSView> viewWithIdentifier(const String& identifier);

    std::shared_ptr<NSWindow> window() const;

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    bool isHiddenOrHasHiddenAncestor() const;

    const String& identifier() const { return identifier_; }
    void setIdentifier(const String& identifier) { identifier_ = identifier; }

    NSAutoresizingMaskOptions autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(NSAutoresizingMaskOptions mask) { autoresizingMask_ = mask; }

    bool wantsLayer() const { return wantsLayer_; }
    void setWantsLayer(bool wantsLayer) { wantsLayer_ = wantsLayer; }

    bool needsDisplay() const { return needsDisplay_; }
    void setNeedsDisplay(bool needsDisplay) { needsDisplay_ = needsDisplay; }

    virtual bool isFlipped() const { return false; }
    // The size the view wants from its content; NSViewNoIntrinsicMetric
    // along an axis where it has no preference.
    virtual NSSize intrinsicContentSize() const { return {NSViewNoIntrinsicMetric, NSViewNoIntrinsicMetric}; }
    // The smallest size that fits the content. Without a layout engine this
    // is the intrinsic size where the view has one and the frame's size
    // elsewhere.
    virtual NSSize fittingSize() const;

    // A rectangle of this view in the window's coordinates (`view` nullptr)
    // or in another view's of the same window.
    NSRect convertRect(NSRect rect, const std::shared_ptr<NSView>& toView) const;
    NSPoint convertPoint(NSPoint point, const std::shared_ptr<NSView>& toView) const;
    NSPoint convertPointFromView(NSPoint point, const std::shared_ptr<NSView>& fromView) const;

    // The deepest visible view under a point given in the superview's
    // coordinates, or nullptr.
    virtual std::shared_ptr<NSView> hitTest(NSPoint point);

    // The view controller that owns this view, if any.
    std::shared_ptr<NSViewController> viewController() const { return viewController_.lock(); }

    // View, then its controller, then the superview; the content view's
    // chain goes on to the window.
    std::shared_ptr<NSResponder> nextResponder() const override;
    // Offers the event to the subviews, front to back, until one takes it.
    bool performKeyEquivalent(NSEvent& event) override;

    // Hooks around moving between windows and superviews.
    virtual void viewWillMoveToWindow(const std::shared_ptr<NSWindow>& window);
    virtual void viewDidMoveToWindow() { }
    virtual void viewWillMoveToSuperview(const std::shared_ptr<NSView>& superview);
    virtual void viewDidMoveToSuperview() { }

    // Internal: for NSWindow, which holds its content view without being its
    // superview.
    void setContainingWindow(const std::shared_ptr<NSWindow>& window);
    // Internal: runs `change`, which takes the subtree of `root` on screen
    // (`appearing`) or off it, between the appearance calls of the view
    // controllers in the subtree. Controllers already in the target state
    // are left alone, so nested or repeated changes call nothing twice.
    static void transitionOnScreen(const std::shared_ptr<NSView>& root, bool appearing,
                                   const std::function<void()>& change);
    // The same for several subtrees at once: every will-call, the change,
    // then every did-call.
    static void transitionOnScreen(const std::vector<std::pair<std::shared_ptr<NSView>, bool>>& roots,
                                   const std::function<void()>& change);
    // Internal: whether the view sits in a visible window.
    bool isInVisibleWindow() const;

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class NSViewController;
    friend class NSWindow;

    void insertSubview(const std::shared_ptr<NSView>& view, std::size_t index);
    void detachFromSuperview();
    void moveToWindow(const std::shared_ptr<NSWindow>& window);
    void collectControllers(std::vector<std::shared_ptr<NSViewController>>& controllers);

    NSRect frame_;
    std::weak_ptr<NSView> superview_;
    std::vector<std::shared_ptr<NSView>> subviews_;
    std::weak_ptr<NSWindow> window_;
    std::weak_ptr<NSViewController> viewController_;
    String identifier_;
    NSAutoresizingMaskOptions autoresizingMask_ = NSViewNotSizable;
    bool hidden_ = false;
    bool wantsLayer_ = false;
    bool needsDisplay_ = false;
};
