#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSEdgeInsets.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSResponder.h"
#include "appkit/NSViewToolTipOwner.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class NSLayoutDimension;
class NSTrackingArea;
class NSLayoutGuide;
class NSLayoutXAxisAnchor;
class NSLayoutYAxisAnchor;
class CALayer;
class NSAppearance;
// Its values are in NSApplication.h.
enum NSUserInterfaceLayoutDirection : NSInteger;
class NSViewController;
class NSWindow;
enum NSUserInterfaceLayoutDirection : NSInteger;

namespace detail {
class LayoutEngine;
}

namespace detail {
struct ViewDrawing;
}

// How backingAlignedRect rounds each edge, with the platform's bits: each
// edge (or the width and height) goes inward, outward or to the nearest
// pixel; the flipped bit says the rectangle is in a flipped space.
using NSAlignmentOptions = unsigned long long;
inline constexpr NSAlignmentOptions NSAlignMinXInward = 1ULL << 0;
inline constexpr NSAlignmentOptions NSAlignMinYInward = 1ULL << 1;
inline constexpr NSAlignmentOptions NSAlignMaxXInward = 1ULL << 2;
inline constexpr NSAlignmentOptions NSAlignMaxYInward = 1ULL << 3;
inline constexpr NSAlignmentOptions NSAlignWidthInward = 1ULL << 4;
inline constexpr NSAlignmentOptions NSAlignHeightInward = 1ULL << 5;
inline constexpr NSAlignmentOptions NSAlignMinXOutward = 1ULL << 8;
inline constexpr NSAlignmentOptions NSAlignMinYOutward = 1ULL << 9;
inline constexpr NSAlignmentOptions NSAlignMaxXOutward = 1ULL << 10;
inline constexpr NSAlignmentOptions NSAlignMaxYOutward = 1ULL << 11;
inline constexpr NSAlignmentOptions NSAlignWidthOutward = 1ULL << 12;
inline constexpr NSAlignmentOptions NSAlignHeightOutward = 1ULL << 13;
inline constexpr NSAlignmentOptions NSAlignMinXNearest = 1ULL << 16;
inline constexpr NSAlignmentOptions NSAlignMinYNearest = 1ULL << 17;
inline constexpr NSAlignmentOptions NSAlignMaxXNearest = 1ULL << 18;
inline constexpr NSAlignmentOptions NSAlignMaxYNearest = 1ULL << 19;
inline constexpr NSAlignmentOptions NSAlignWidthNearest = 1ULL << 20;
inline constexpr NSAlignmentOptions NSAlignHeightNearest = 1ULL << 21;
inline constexpr NSAlignmentOptions NSAlignRectFlipped = 1ULL << 63;
inline constexpr NSAlignmentOptions NSAlignAllEdgesInward =
    NSAlignMinXInward | NSAlignMaxXInward | NSAlignMinYInward | NSAlignMaxYInward;
inline constexpr NSAlignmentOptions NSAlignAllEdgesOutward =
    NSAlignMinXOutward | NSAlignMaxXOutward | NSAlignMinYOutward | NSAlignMaxYOutward;
inline constexpr NSAlignmentOptions NSAlignAllEdgesNearest =
    NSAlignMinXNearest | NSAlignMaxXNearest | NSAlignMinYNearest | NSAlignMaxYNearest;

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

    virtual bool isFlipped() const { return false; }

    // ---- Auto Layout (src/layout/NSViewLayout.cpp) -------------------------
    //
    // A view tree lays itself out by constraints once any of its views has
    // an active constraint or stops translating its autoresizing mask into
    // constraints; a tree with neither keeps its frames as they are set.
    // The passes: update constraints (subviews before their superview), then
    // solve and lay out (superviews before their subviews: `layout` sets
    // the frames of the subviews and guides that the constraints place).
    // A window runs them before it is shown and, while it is visible, on
    // the run loop after something asked for them.

    // On (the default), the view's frame and autoresizing mask decide where
    // it is, as constraints relative to its superview. Off, constraints do.
    bool translatesAutoresizingMaskIntoConstraints() const { return translatesAutoresizingMask_; }
    void setTranslatesAutoresizingMaskIntoConstraints(bool translates);
    // A class that lays itself out by constraints answers true: its tree
    // then does too, even before any constraint is active.
    virtual bool requiresConstraintBasedLayout() const { return false; }

    // The active constraints installed on this view (the closest common
    // ancestor of their items). Adding one activates it here.
    const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints() const { return installedConstraints_; }
    void addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);
    void addConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);
    void removeConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);
    void removeConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);

    const std::vector<std::shared_ptr<NSLayoutGuide>>& layoutGuides() const { return layoutGuides_; }
    void addLayoutGuide(const std::shared_ptr<NSLayoutGuide>& guide);
    // Deactivates the constraints that name the guide.
    void removeLayoutGuide(const std::shared_ptr<NSLayoutGuide>& guide);

    std::shared_ptr<NSLayoutXAxisAnchor> leadingAnchor();
    std::shared_ptr<NSLayoutXAxisAnchor> trailingAnchor();
    std::shared_ptr<NSLayoutXAxisAnchor> leftAnchor();
    std::shared_ptr<NSLayoutXAxisAnchor> rightAnchor();
    std::shared_ptr<NSLayoutYAxisAnchor> topAnchor();
    std::shared_ptr<NSLayoutYAxisAnchor> bottomAnchor();
    std::shared_ptr<NSLayoutDimension> widthAnchor();
    std::shared_ptr<NSLayoutDimension> heightAnchor();
    std::shared_ptr<NSLayoutXAxisAnchor> centerXAnchor();
    std::shared_ptr<NSLayoutYAxisAnchor> centerYAnchor();
    std::shared_ptr<NSLayoutYAxisAnchor> firstBaselineAnchor();
    std::shared_ptr<NSLayoutYAxisAnchor> lastBaselineAnchor();

    // The size the view wants from its content (of its alignment rectangle);
    // NSViewNoIntrinsicMetric along an axis where it has no preference. A
    // view whose content changes calls invalidateIntrinsicContentSize.
    virtual NSSize intrinsicContentSize() const { return {NSViewNoIntrinsicMetric, NSViewNoIntrinsicMetric}; }
    void invalidateIntrinsicContentSize();
    // How much the view resists growing past its intrinsic size (hugging,
    // 250 by default) and shrinking below it (compression resistance, 750).
    NSLayoutPriority contentHuggingPriorityForOrientation(NSLayoutConstraintOrientation orientation) const;
    void setContentHuggingPriority(NSLayoutPriority priority, NSLayoutConstraintOrientation orientation);
    NSLayoutPriority
    contentCompressionResistancePriorityForOrientation(NSLayoutConstraintOrientation orientation) const;
    void setContentCompressionResistancePriority(NSLayoutPriority priority, NSLayoutConstraintOrientation orientation);

    // The smallest size that the constraints of the view's subtree allow.
    // A subtree without constraints answers the intrinsic size where the
    // view has one and the frame's size elsewhere.
    virtual NSSize fittingSize() const;

    // Constraints place the alignment rectangle: the frame less these
    // insets (top and bottom as seen on screen).
    virtual NSEdgeInsets alignmentRectInsets() const { return NSEdgeInsetsZero; }
    NSRect alignmentRectForFrame(NSRect frame) const;
    NSRect frameForAlignmentRect(NSRect alignmentRect) const;
    // Where the baselines lie within the alignment rectangle; a view
    // without text has both at its bottom.
    virtual CGFloat baselineOffsetFromBottom() const { return 0; }
    virtual CGFloat firstBaselineOffsetFromTop() const;

    // The application's direction unless one is set for the view;
    // observable as "userInterfaceLayoutDirection".
    virtual NSUserInterfaceLayoutDirection userInterfaceLayoutDirection() const;
    virtual void setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirection direction);

    bool needsLayout() const { return needsLayout_; }
    void setNeedsLayout(bool needsLayout);
    // Sets the frames of the subviews and layout guides that constraints
    // place. Overrides call the inherited one.
    virtual void layout();
    // Runs the passes of the view's tree now, where anything asks for them.
    void layoutSubtreeIfNeeded();

    bool needsUpdateConstraints() const { return needsUpdateConstraints_; }
    void setNeedsUpdateConstraints(bool needsUpdateConstraints);
    // Where a view changes its own constraints; overrides call the
    // inherited one last.
    virtual void updateConstraints();
    void updateConstraintsForSubtreeIfNeeded();

    // ---- end of Auto Layout ------------------------------------------------

    // A rectangle of this view in the window's coordinates (`view` nullptr)
    // or in another view's of the same window.
    NSRect convertRect(NSRect rect, const std::shared_ptr<NSView>& toView) const;
    NSPoint convertPoint(NSPoint point, const std::shared_ptr<NSView>& toView) const;
    NSPoint convertPointFromView(NSPoint point, const std::shared_ptr<NSView>& fromView) const;

    // The deepest visible view under a point given in the superview's
    // coordinates, or nullptr.
    virtual std::shared_ptr<NSView> hitTest(NSPoint point);

    // The pasteboard types the view takes in drops (dragging/NSViewDragging.cpp).
    // Only views that adopt NSDraggingDestination hear of drags; registering
    // again replaces the types.
    void registerForDraggedTypes(const std::vector<String>& types);
    void unregisterDraggedTypes();
    const std::vector<String>& registeredDraggedTypes() const { return registeredDraggedTypes_; }

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

    // --- Pointer tracking and tool tips (tracking/NSViewTracking.cpp) ---

    // The areas whose owners hear of the pointer entering and leaving.
    const std::vector<std::shared_ptr<NSTrackingArea>>& trackingAreas() const { return trackingAreas_; }
    void addTrackingArea(const std::shared_ptr<NSTrackingArea>& area);
    void removeTrackingArea(const std::shared_ptr<NSTrackingArea>& area);
    // Where a view puts its areas again after its geometry changed: the
    // window calls it before it follows the pointer, for the views whose
    // bounds are new since their last call.
    virtual void updateTrackingAreas() { }

    // The view's own tool tip, and rectangles of it with a text of their
    // own that their owner (held weakly) gives when asked. Tags count up
    // from 1 per view; removing a tag that isn't there does nothing.
    const String& toolTip() const { return toolTip_; }
    void setToolTip(const String& toolTip) { toolTip_ = toolTip; }
    NSToolTipTag addToolTipRect(NSRect rect, const std::shared_ptr<NSObject>& owner, void* userData);
    void removeToolTip(NSToolTipTag tag);
    void removeAllToolTips();
    // What the pointer over `point` (view coordinates) would show: the text
    // of the last rectangle added that holds it, else the view's tool tip.
    String toolTipAtPoint(NSPoint point);
    // The rectangles registered now, by tag.
    std::vector<std::pair<NSToolTipTag, NSRect>> toolTipRects() const;

    // Whether a click in an inactive window both makes it key and acts.
    virtual bool acceptsFirstMouse(NSEvent* /*event*/) { return false; }
    // Whether keyboard navigation (Tab) may stop at the view.
    virtual bool canBecomeKeyView() const { return !isHiddenOrHasHiddenAncestor(); }
    // Whether the view needs its panel to be key before it can take keys.
    virtual bool needsPanelToBecomeKey() const { return false; }
    // A view that a container hands out again (a collection view's item)
    // forgets what it showed.
    virtual void prepareForReuse() { }

    // --- Drawing (drawing/NSViewDrawing.cpp) ---
    //
    // A view draws into its window's backing image when the window
    // displays: its layer's background, then drawRect: with the part that
    // needs drawing, then its subviews in order, clipped to its bounds, then
    // its layer's border. Changes mark parts of the view as needing display;
    // the window redraws every view under those parts.

    // Draws the view's content; the current graphics context is set up in
    // the view's coordinates and clipped to the dirty part.
    virtual void drawRect(NSRect dirtyRect);
    bool needsDisplay() const;
    // True marks the whole bounds; false forgets what was marked.
    void setNeedsDisplay(bool needsDisplay);
    void setNeedsDisplayInRect(NSRect rect);
    // Draw now: the visible part, or the parts marked as needing display
    // (of this view and its subviews), or a given part.
    void display();
    void displayIfNeeded();
    void displayRect(NSRect rect);
    // While drawing: whether the rectangle meets what is being drawn.
    bool needsToDrawRect(NSRect rect) const;
    // The part of the bounds not clipped away by the superviews.
    NSRect visibleRect() const;
    // Whether drawRect: covers its bounds with opaque colour.
    virtual bool isOpaque() const { return false; }

    bool wantsLayer() const { return wantsLayer_; }
    // On, the view gets a layer (kept when switched off again, but not
    // drawn).
    void setWantsLayer(bool wantsLayer);
    // nullptr unless the view wants a layer.
    std::shared_ptr<CALayer> layer() const;

    // The look the view asks for; nullptr: the one it inherits.
    std::shared_ptr<NSAppearance> appearance() const { return appearance_; }
    void setAppearance(const std::shared_ptr<NSAppearance>& appearance);
    // Its own, else its superview's, else its window's effective look.
    std::shared_ptr<NSAppearance> effectiveAppearance() const;
    // Told when the effective look changed (before the view next draws).
    virtual void viewDidChangeEffectiveAppearance() { }
    virtual void viewDidChangeBackingProperties() { }

    // The window's backing scale (1 outside a window).
    CGFloat backingScaleFactor() const;
    // Rounded to whole backing pixels: the origin to the nearest pixel,
    // the size so that the far edges are too.
    NSRect centerScanRect(NSRect rect) const;
    NSRect backingAlignedRect(NSRect rect, NSAlignmentOptions options) const;
    NSRect convertRectToBacking(NSRect rect) const;
    NSRect convertRectFromBacking(NSRect rect) const;

    // --- Focus ring (drawing/NSViewFocusRing.cpp) ---
    //
    // The first responder of the key window shows a ring around the shape
    // that drawFocusRingMask fills, in the keyboard-focus colour, drawn
    // over the view and outside its bounds. A view without a mask (empty
    // bounds, the default) shows none.

    virtual NSRect focusRingMaskBounds() const { return NSZeroRect; }
    // Fills the shape (any colour: only the coverage counts).
    virtual void drawFocusRingMask() { }
    // The shape or whether it shows changed: the old and the new ring are
    // drawn again.
    void noteFocusRingMaskChanged();
    // The view is its key window's first responder and has a mask.
    bool showsFocusRing() const;

    // --- Accessibility (accessibility/NSViewAccessibility.cpp) ---
    //
    // What assistive applications read of a view. A view that is no element
    // (the default) is left out and its subviews' elements take its place.

    virtual bool isAccessibilityElement() { return false; }
    virtual bool isAccessibilityEnabled() { return true; }
    // An NSAccessibility...Role; "AXGroup" by default.
    virtual String accessibilityRole();
    // Empty: the role's own description.
    virtual String accessibilityRoleDescription() { return String(); }
    virtual String accessibilityLabel() { return String(); }
    virtual String accessibilityValue() { return String(); }
    virtual String accessibilityHelp() { return String(); }
    // The actions the element performs ("AXPress", "AXCancel", ...).
    virtual std::vector<String> accessibilityActionNames() { return {}; }
    // The element at a point of the window (window coordinates): by
    // default the deepest element under it.
    virtual std::shared_ptr<NSView> accessibilityHitTest(NSPoint point);
    // Each answers whether the element did it.
    virtual bool accessibilityPerformPress() { return false; }
    virtual bool accessibilityPerformCancel() { return false; }
    virtual bool accessibilityPerformDelete() { return false; }

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class NSViewController;
    friend class NSWindow;

    void insertSubview(const std::shared_ptr<NSView>& view, std::size_t index);
    void detachFromSuperview();
    void moveToWindow(const std::shared_ptr<NSWindow>& window);
    void collectControllers(std::vector<std::shared_ptr<NSViewController>>& controllers);

    // ---- Auto Layout state (src/layout/NSViewLayout.cpp) -------------------
    friend class NSLayoutConstraint;
    friend class detail::LayoutEngine;
    // Something of this view that the constraints see changed (its own
    // constraints, intrinsic size, priorities, frame as an input): the
    // engine reads the view again at the next pass, which is asked for.
    void invalidateLayout();
    // The tree changed (views or guides came or went, a direction): the
    // engine reads all of it again.
    void invalidateLayoutTree();
    void collectDirtyViews(std::vector<const NSView*>& views);
    void requestPass();
    void frameDidChange(NSRect old);
    void didMoveInTree();
    void willLeaveSuperview();
    bool runLayoutPasses();
    void markChangedFrames(const detail::LayoutEngine& engine);
    void markMovedItems(detail::LayoutEngine& engine);
    void layoutTopDown();
    NSView& layoutRoot();

    std::vector<std::shared_ptr<NSLayoutConstraint>> installedConstraints_;
    std::vector<std::shared_ptr<NSLayoutGuide>> layoutGuides_;
    // Only a root's; a cache of what its tree asks, rebuilt when needed.
    std::shared_ptr<detail::LayoutEngine> layoutEngine_;
    NSLayoutPriority hugging_[2] = {NSLayoutPriorityDefaultLow, NSLayoutPriorityDefaultLow};
    NSLayoutPriority compressionResistance_[2] = {NSLayoutPriorityDefaultHigh, NSLayoutPriorityDefaultHigh};
    NSInteger layoutDirection_ = -1;  // none set
    bool translatesAutoresizingMask_ = true;
    bool needsLayout_ = true;
    bool needsUpdateConstraints_ = true;
    // Some view of the subtree needs layout or an update of its constraints.
    bool subtreeNeedsPass_ = true;
    // Only a root's: its engine must read the tree again, all of it or
    // the views marked.
    bool layoutStale_ = true;
    bool hasDirtyViews_ = false;
    bool layoutDirty_ = true;
    // While the superview's autoresizing sets the frame: what the mask's
    // constraints say already, so the engine needn't read it again.
    bool autoresizing_ = false;
    // ---- end of Auto Layout state ------------------------------------------

    NSRect frame_;
    std::weak_ptr<NSView> superview_;
    std::vector<std::shared_ptr<NSView>> subviews_;
    std::weak_ptr<NSWindow> window_;
    std::weak_ptr<NSViewController> viewController_;
    String identifier_;
    std::vector<String> registeredDraggedTypes_;
    NSAutoresizingMaskOptions autoresizingMask_ = NSViewNotSizable;
    bool hidden_ = false;

    // --- Tracking state (tracking/NSViewTracking.cpp) ---
    struct ToolTipRect {
        NSToolTipTag tag = 0;
        NSRect rect;
        std::weak_ptr<NSObject> owner;
        void* userData = nullptr;
    };
    std::vector<std::shared_ptr<NSTrackingArea>> trackingAreas_;
    std::vector<ToolTipRect> toolTipRects_;
    NSToolTipTag lastToolTipTag_ = 0;
    String toolTip_;
    // The bounds at the last updateTrackingAreas the window asked for.
    std::optional<NSRect> trackedBounds_;

    // --- Drawing state (drawing/NSViewDrawing.cpp) ---
    friend struct detail::ViewDrawing;
    // Marks `rect` (in the superview's coordinates) of the superview, or
    // of the window for a content view, after the view moved, resized,
    // appeared or went away.
    void invalidateInSuperview(NSRect rect);
    void frameNeedsDisplay(NSRect oldFrame);
    // In the view's coordinates; null when nothing is marked.
    NSRect dirtyRect_ = CGRectNull;
    bool wantsLayer_ = false;
    std::shared_ptr<CALayer> layer_;
    std::shared_ptr<NSAppearance> appearance_;
    // The effective look the view was last told about; nullptr until it
    // first draws.
    std::shared_ptr<NSAppearance> notifiedAppearance_;
    // Where its focus ring was last drawn (window coordinates); null when
    // none is shown.
    NSRect focusRingDrawnRect_ = CGRectNull;
};
