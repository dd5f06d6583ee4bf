#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSResponder.h"
#include "foundation/String.h"

#include "coregraphics/CGContext.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

class NSAppearance;
class NSBitmapImageRep;
class NSButton;
class NSColor;
class NSNotification;
class NSScreen;
class NSView;
class NSViewController;
class NSWindowController;
class NSWindowDelegate;

namespace detail {
struct ViewDrawing;
}

using NSWindowStyleMask = NSUInteger;
inline constexpr NSWindowStyleMask NSWindowStyleMaskBorderless = 0;
inline constexpr NSWindowStyleMask NSWindowStyleMaskTitled = 1UL << 0;
inline constexpr NSWindowStyleMask NSWindowStyleMaskClosable = 1UL << 1;
inline constexpr NSWindowStyleMask NSWindowStyleMaskMiniaturizable = 1UL << 2;
inline constexpr NSWindowStyleMask NSWindowStyleMaskResizable = 1UL << 3;
inline constexpr NSWindowStyleMask NSWindowStyleMaskUtilityWindow = 1UL << 4;
inline constexpr NSWindowStyleMask NSWindowStyleMaskNonactivatingPanel = 1UL << 7;
inline constexpr NSWindowStyleMask NSWindowStyleMaskUnifiedTitleAndToolbar = 1UL << 12;
inline constexpr NSWindowStyleMask NSWindowStyleMaskFullScreen = 1UL << 14;
inline constexpr NSWindowStyleMask NSWindowStyleMaskFullSizeContentView = 1UL << 15;

enum NSWindowTitleVisibility : NSInteger {
    NSWindowTitleVisible = 0,
    NSWindowTitleHidden = 1,
};

enum NSWindowButton : NSUInteger {
    NSWindowCloseButton = 0,
    NSWindowMiniaturizeButton = 1,
    NSWindowZoomButton = 2,
};

enum NSBackingStoreType : NSUInteger {
    NSBackingStoreRetained = 0,
    NSBackingStoreNonretained = 1,
    NSBackingStoreBuffered = 2,
};

extern const String NSWindowDidBecomeKeyNotification;
extern const String NSWindowDidResignKeyNotification;
extern const String NSWindowDidBecomeMainNotification;
extern const String NSWindowDidResignMainNotification;
extern const String NSWindowWillCloseNotification;

// A window of the program. Frames are in the framework's screen space:
// origin at the bottom left of the main screen, y growing upwards. The
// content view fills the whole frame (the simulated desktop draws no title
// bar).
//
// Key and main status belong to the application: it keeps one key and one
// main window, and a window is key only while the application is active.
// Shown windows are kept alive by the application until they are ordered
// out; a window joins the application's window list when it is first shown
// (or asked for its number).
class NSWindow : public NSResponder {
    KS_OBJECT(NSWindow, NSResponder)

public:
    explicit NSWindow(NSRect contentRect = NSMakeRect(0, 0, 480, 270),
                      NSWindowStyleMask style = NSWindowStyleMaskTitled | NSWindowStyleMaskClosable,
                      NSBackingStoreType backing = NSBackingStoreBuffered, bool defer = false);
    ~NSWindow() override;

    NSInteger windowNumber();

    NSRect frame() const { return frame_; }
    void setFrame(NSRect frame, bool display);
    void setFrameOrigin(NSPoint origin) { setFrame({origin, frame_.size}, true); }
    void setContentSize(NSSize size) { setFrame({frame_.origin, size}, true); }
    // The content area of a frame, and back; the same rectangle here.
    NSRect contentRectForFrameRect(NSRect frame) const { return frame; }
    NSRect frameRectForContentRect(NSRect content) const { return content; }
    // Moves the window to the middle of its screen's visible area.
    void center();
    // The screen the window is on: the one holding most of it, else the main one.
    std::shared_ptr<NSScreen> screen() const;

    std::shared_ptr<NSView> contentView() const { return contentView_; }
    void setContentView(const std::shared_ptr<NSView>& view);
    std::shared_ptr<NSViewController> contentViewController() const { return contentViewController_; }
    // Makes the controller's view the content view; the window takes the
    // view's size when it has one.
    void setContentViewController(const std::shared_ptr<NSViewController>& controller);

    const String& title() const { return title_; }
    void setTitle(const String& title);
    NSWindowTitleVisibility titleVisibility() const { return titleVisibility_; }
    void setTitleVisibility(NSWindowTitleVisibility visibility) { titleVisibility_ = visibility; }
    bool titlebarAppearsTransparent() const { return titlebarAppearsTransparent_; }
    void setTitlebarAppearsTransparent(bool transparent) { titlebarAppearsTransparent_ = transparent; }
    NSWindowStyleMask styleMask() const { return styleMask_; }
    void setStyleMask(NSWindowStyleMask mask) { styleMask_ = mask; }
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    bool hasShadow() const { return hasShadow_; }
    void setHasShadow(bool hasShadow) { hasShadow_ = hasShadow; }
    // The title bar's close, miniaturise and zoom buttons of a titled
    // window; nullptr for a window without a title bar.
    std::shared_ptr<NSButton> standardWindowButton(NSWindowButton button);

    std::shared_ptr<NSWindowDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<NSWindowDelegate>& delegate) { delegate_ = delegate; }
    std::shared_ptr<NSWindowController> windowController() const { return windowController_.lock(); }
    void setWindowController(const std::shared_ptr<NSWindowController>& controller) { windowController_ = controller; }

    bool isVisible() const { return visible_; }
    bool isKeyWindow() const;
    bool isMainWindow() const;
    // Borderless windows can't become key or main unless a subclass says so.
    virtual bool canBecomeKeyWindow() const;
    virtual bool canBecomeMainWindow() const;
    void makeKeyWindow();
    void makeMainWindow();
    // Hooks the application calls as the status changes; they tell the
    // delegate and post the notification. Subclasses call the inherited one.
    virtual void becomeKeyWindow();
    virtual void resignKeyWindow();
    virtual void becomeMainWindow();
    virtual void resignMainWindow();

    void makeKeyAndOrderFront(const Id& sender);
    void orderFront(const Id& sender);
    void orderFrontRegardless() { orderFront(Id()); }
    void orderOut(const Id& sender);
    // Tells the delegate it will close, then orders the window out.
    virtual void close();
    // The close button's way: asks the delegate first; refused, it beeps.
    virtual void performClose(const Id& sender);

    // The responder that gets key events; the window itself when none is set.
    virtual std::shared_ptr<NSResponder> firstResponder() const;
    // Asks the current first responder to resign and the new one to accept;
    // false (and the window as first responder) when either refuses.
    // nullptr makes the window its own first responder.
    bool makeFirstResponder(const std::shared_ptr<NSResponder>& responder);

    // Hands an event of this window on: keys to the first responder (the
    // window itself when it has none), clicks to the view under the pointer.
    virtual void sendEvent(NSEvent& event);
    // Internal: where the left button went down, while it is held; what a
    // drag that begins on a move looks at.
    std::optional<NSPoint> mouseDownLocation() const { return mouseDownLocation_; }
    // The content view's key equivalents.
    bool performKeyEquivalent(NSEvent& event) override;
    // Escape that nobody took before the window becomes the cancel command,
    // sent along the chain from the first responder; other keys go on.
    void keyDown(NSEvent& event) override;
    // The window controller, unless one is set explicitly.
    std::shared_ptr<NSResponder> nextResponder() const override;

    // The pointer in window coordinates, as the last mouse event sent to the
    // window left it (the origin before any).
    NSPoint mouseLocationOutsideOfEventStream() const { return mouseLocation_; }
    // Internal: moves the pointer to a mouse event's location and tells the
    // owners of the tracking areas it left and entered (tracking/).
    void trackPointer(NSEvent& event);

    // ---- Auto Layout (src/layout/NSWindowLayout.cpp) -----------------------
    // The passes of the content view's tree: constraints first, then layout.
    // The window runs both before it is shown and, while it is visible, on
    // the run loop after a view asked; drawing comes after them.
    void updateConstraintsIfNeeded();
    void layoutIfNeeded();
    // Internal: a view of the window asks for the passes.
    void setNeedsLayoutPass();
    // ---- end of Auto Layout ------------------------------------------------

    // --- Drawing (drawing/NSWindowDrawing.cpp) ---
    //
    // The window keeps a backing image of its frame's size at its backing
    // scale. Displaying redraws the parts its views marked: the background,
    // then the content view's tree over it.

    // The window background colour by default.
    std::shared_ptr<NSColor> backgroundColor() const;
    // nullptr goes back to the default.
    void setBackgroundColor(const std::shared_ptr<NSColor>& color);
    std::shared_ptr<NSAppearance> appearance() const { return appearance_; }
    void setAppearance(const std::shared_ptr<NSAppearance>& appearance);
    // Its own look, else the desktop's.
    std::shared_ptr<NSAppearance> effectiveAppearance() const;
    // Its screen's.
    CGFloat backingScaleFactor() const;

    bool viewsNeedDisplay() const { return !dirtyRegion_.empty(); }
    // True marks the whole window.
    void setViewsNeedDisplay(bool needDisplay);
    // Redraws everything, or what was marked.
    void display();
    void displayIfNeeded();
    // The backing image as it is now; nullptr before the window first
    // displays.
    CGImageRef backingImage() const;

    // The window as drawn, at any positive scale (1 and 2 are the ones of
    // the screens): at the backing scale the backing image once displayed,
    // at another a fresh rendering. nullptr for a window without an area.
    std::shared_ptr<NSBitmapImageRep> snapshot(CGFloat scale);
    // The snapshot as a PNG file; false when it can't be made or written.
    bool writeSnapshot(const String& path, CGFloat scale);

    // Internal: marks a part (in window coordinates) for display.
    void invalidateRect(NSRect rect);
    // Internal: redraws these parts (window coordinates) now.
    void displayRectsNow(const std::vector<NSRect>& rects);
    // Internal: paints what lies under the content view, with the current
    // context over the window's area; it may narrow the clip to the
    // window's shape, which the content then keeps to.
    virtual void drawWindowFrame(NSRect bounds);

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class NSApplication;
    friend class NSView;

    std::weak_ptr<NSResponder> mouseDownTarget_;
    std::optional<NSPoint> mouseDownLocation_;

    // The content view was moved into a view elsewhere.
    void contentViewWasTaken();

    void setVisible(bool visible);

    NSInteger windowNumber_ = 0;
    NSRect frame_;
    NSWindowStyleMask styleMask_;
    String title_;
    NSWindowTitleVisibility titleVisibility_ = NSWindowTitleVisible;
    bool titlebarAppearsTransparent_ = false;
    bool opaque_ = true;
    bool hasShadow_ = true;
    bool visible_ = false;
    std::shared_ptr<NSView> contentView_;
    std::shared_ptr<NSViewController> contentViewController_;
    std::weak_ptr<NSResponder> firstResponder_;
    std::weak_ptr<NSWindowDelegate> delegate_;
    std::weak_ptr<NSWindowController> windowController_;
    // While shown, the window keeps its controller alive.
    std::shared_ptr<NSWindowController> shownController_;
    std::array<std::shared_ptr<NSButton>, 3> standardButtons_;
    // Pointer tracking: where the pointer is, and the view that took the
    // mouse down, which gets the drags and the mouse up.
    NSPoint mouseLocation_{};
    // Auto Layout: a pass is waiting on the run loop.
    bool layoutPassScheduled_ = false;

    // --- Drawing state (drawing/NSWindowDrawing.cpp) ---
    friend struct detail::ViewDrawing;
    void ensureBacking();
    void noteAppearance();
    std::shared_ptr<NSColor> backgroundColor_;
    std::shared_ptr<NSAppearance> appearance_;
    // The look the window last displayed in.
    std::shared_ptr<NSAppearance> displayedAppearance_;
    // Parts waiting for display, in window coordinates.
    std::vector<NSRect> dirtyRegion_;
    CGContextRef backing_;
    CGFloat backingScale_ = 0;
    NSSize backingSize_;
};
