#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSResponder.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <vector>

class NSView;
class NSStoryboard;

// Options of transitionFromViewController; the simulated desktop shows no
// animation, so they are accepted and not read.
using NSViewControllerTransitionOptions = NSUInteger;
inline constexpr NSViewControllerTransitionOptions NSViewControllerTransitionNone = 0;

// Manages one view: loads it on first use, is told when it comes on screen
// and leaves it, and holds child view controllers.
//
// The appearance calls come in pairs and in order: viewWillAppear,
// viewDidAppear, viewWillDisappear, viewDidDisappear, then again from the
// start. A controller is told only about real changes, never twice in a row.
class NSViewController : public NSResponder {
    KS_OBJECT(NSViewController, NSResponder)

public:
    NSViewController();
    ~NSViewController() override;

    // Loads the view when needed: loadView, then viewDidLoad.
    std::shared_ptr<NSView> view();
    void setView(const std::shared_ptr<NSView>& view);
    bool isViewLoaded() const { return view_ != nullptr; }
    // Loads the view now if it isn't yet.
    void loadViewIfNeeded() { (void)view(); }
    // The view loader's view, or a plain empty view without one. Subclasses
    // that build their view in code override this and call setView.
    virtual void loadView();
    // How loadView gets the view, for whoever instantiates the controller
    // (storyboards and nibs).
    void setViewLoader(std::function<std::shared_ptr<NSView>()> loader) { viewLoader_ = std::move(loader); }

    virtual void viewDidLoad() { }
    virtual void viewWillAppear() { }
    virtual void viewDidAppear() { }
    virtual void viewWillDisappear() { }
    virtual void viewDidDisappear() { }

    const Id& representedObject() const { return representedObject_; }
    virtual void setRepresentedObject(const Id& representedObject);

    const String& title() const { return title_; }
    void setTitle(const String& title) { title_ = title; }

    const String& nibName() const { return nibName_; }
    void setNibName(const String& nibName) { nibName_ = nibName; }

    NSSize preferredContentSize() const { return preferredContentSize_; }
    virtual void setPreferredContentSize(NSSize size);

    // The storyboard the controller came from, if any.
    std::shared_ptr<NSStoryboard> storyboard() const { return storyboard_.lock(); }
    void setStoryboard(const std::shared_ptr<NSStoryboard>& storyboard) { storyboard_ = storyboard; }

    // Children, in the order they were added.
    const std::vector<std::shared_ptr<NSViewController>>& childViewControllers() const { return children_; }
    void addChildViewController(const std::shared_ptr<NSViewController>& child);
    void insertChildViewController(const std::shared_ptr<NSViewController>& child, std::size_t index);
    void removeChildViewControllerAtIndex(std::size_t index);
    void removeFromParentViewController();
    std::shared_ptr<NSViewController> parentViewController() const { return parent_.lock(); }

    // Swaps the views of two children of this controller: `to`'s view takes
    // `from`'s place (and frame) in its superview. The appearance calls run
    // as the views change places. The completion, when given, runs after.
    void transitionFromViewController(const std::shared_ptr<NSViewController>& from,
                                      const std::shared_ptr<NSViewController>& to,
                                      NSViewControllerTransitionOptions options,
                                      const std::function<void()>& completion);

    // The controller that presented this one, while it is presented.
    std::shared_ptr<NSViewController> presentingViewController() const { return presenting_.lock(); }
    // Internal: for whatever presents controllers (popovers, sheets).
    void setPresentingViewController(const std::shared_ptr<NSViewController>& presenting) { presenting_ = presenting; }

    // Without an explicit one: the view's superview, or the window when the
    // view is a window's content view.
    std::shared_ptr<NSResponder> nextResponder() const override;

    // Internal: the two halves of an appearance change, called by the view
    // tree. Each does nothing when the controller is already on that side.
    void beginAppearanceTransition(bool appearing);
    void endAppearanceTransition();
    bool isOnScreen() const { return appearance_ == Appearance::Appeared; }

protected:
    static void describe(ClassDescriptor& d);

private:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };

    std::shared_ptr<NSView> view_;
    std::function<std::shared_ptr<NSView>()> viewLoader_;
    bool loadingView_ = false;
    Id representedObject_;
    String title_;
    String nibName_;
    NSSize preferredContentSize_{};
    std::weak_ptr<NSStoryboard> storyboard_;
    std::vector<std::shared_ptr<NSViewController>> children_;
    std::weak_ptr<NSViewController> parent_;
    std::weak_ptr<NSViewController> presenting_;
    Appearance appearance_ = Appearance::Disappeared;
};
