// NSView's part in Auto Layout: constraints installed on views, guides,
// anchors, intrinsic sizes and the passes that a view tree runs.

#include "appkit/NSView.h"

#include "appkit/NSApplication.h"
#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutGuide.h"
#include "appkit/NSWindow.h"
#include "foundation/Log.h"
#include "layout/LayoutEngine.h"

#include <algorithm>

namespace {

// Passes in a row before a tree that keeps asking for more is left as it is.
constexpr int kMaxPasses = 4;

template <class Anchor> std::shared_ptr<Anchor> anchor(NSView& view, NSLayoutAttribute attribute)
{
    return std::make_shared<Anchor>(view.shared_from_this(), attribute);
}

bool references(const NSLayoutConstraint& constraint, const NSObject* item)
{
    return constraint.firstItem().get() == item || constraint.secondItem().get() == item;
}

// Whether an item (a view or a guide) lies in the subtree of `root`.
bool isInSubtree(const std::shared_ptr<NSObject>& item, const NSView& root)
{
    if (auto view = std::dynamic_pointer_cast<NSView>(item))
        return view->isDescendantOf(root);
    if (auto guide = std::dynamic_pointer_cast<NSLayoutGuide>(item))
        if (auto owner = guide->owningView())
            return owner->isDescendantOf(root);
    return false;
}

}  // namespace

// --- Tree changes ------------------------------------------------------------

NSView& NSView::layoutRoot()
{
    NSView* view = this;
    while (auto superview = view->superview_.lock())
        view = superview.get();
    return *view;
}

void NSView::invalidateLayout()
{
    layoutDirty_ = true;
    layoutRoot().hasDirtyViews_ = true;
    setNeedsLayout(true);
}

void NSView::invalidateLayoutTree()
{
    layoutRoot().layoutStale_ = true;
    setNeedsLayout(true);
}

// The views marked since the engine last read them: all of them lie in
// subtrees that ask for a pass.
void NSView::collectDirtyViews(std::vector<const NSView*>& views)
{
    if (layoutDirty_) {
        layoutDirty_ = false;
        views.push_back(this);
    }
    for (const auto& subview : subviews_)
        if (subview->subtreeNeedsPass_)
            subview->collectDirtyViews(views);
}

void NSView::frameDidChange(NSRect old)
{
    if (old == frame_)
        return;
    // The frame of a view placed by its mask is an input of the layout, unless
    // its superview's autoresizing set it (what the mask's constraints say
    // already); a root's size holds its tree.
    bool isInput = superview_.expired() ? old.size != frame_.size : translatesAutoresizingMask_ && !autoresizing_;
    if (isInput)
        invalidateLayout();
    else if (old.size != frame_.size)
        setNeedsLayout(true);
}

// A subtree that joins a tree whose engine is running is read as views
// that changed; anything else makes the new root read its whole tree.
void NSView::didMoveInTree()
{
    layoutEngine_.reset();
    NSView& root = layoutRoot();
    if (&root == this || !root.layoutEngine_ || !root.layoutEngine_->inUse()) {
        layoutStale_ = true;
        invalidateLayoutTree();
        return;
    }
    auto mark = [](auto& self, NSView& view) -> void {
        view.layoutDirty_ = true;
        view.needsLayout_ = true;
        view.subtreeNeedsPass_ = true;
        for (const auto& subview : view.subviews_)
            self(self, *subview);
    };
    mark(mark, *this);
    root.hasDirtyViews_ = true;
    if (auto superview = superview_.lock())
        superview->requestPass();
}

// Leaving a superview ends the constraints above that name this subtree:
// their common ancestor is no longer one. The old tree's engine forgets
// the subtree, which is a tree of its own from here on.
void NSView::willLeaveSuperview()
{
    auto superview = superview_.lock();
    if (auto& engine = layoutRoot().layoutEngine_)
        engine->forget(*this);
    for (NSView* ancestor = superview.get(); ancestor; ancestor = ancestor->superview_.lock().get()) {
        auto installed = ancestor->installedConstraints_;
        for (const auto& constraint : installed) {
            auto first = constraint->firstItem();
            auto second = constraint->secondItem();
            if ((first && isInSubtree(first, *this)) || (second && isInSubtree(second, *this)))
                constraint->setActive(false);
        }
    }
    if (superview)
        superview->setNeedsLayout(true);
    layoutStale_ = true;
}

// --- Constraints and guides --------------------------------------------------

void NSView::setTranslatesAutoresizingMaskIntoConstraints(bool translates)
{
    if (translatesAutoresizingMask_ == translates)
        return;
    translatesAutoresizingMask_ = translates;
    invalidateLayout();
}

void NSView::addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint)
{
    if (!constraint)
        return;
    if (constraint->isActive())
        constraint->setActive(false);
    auto first = constraint->firstItem();
    auto second = constraint->secondItem();
    if (!first || !isInSubtree(first, *this) || (second && !isInSubtree(second, *this))) {
        Log::error("Unable to install constraint on view %s: it names items outside the view's subtree: %s",
                   className().utf8().c_str(), constraint->description().utf8().c_str());
        return;
    }
    constraint->install(std::static_pointer_cast<NSView>(shared_from_this()));
}

void NSView::addConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        addConstraint(constraint);
}

void NSView::removeConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint)
{
    if (constraint && constraint->installedOn().get() == this)
        constraint->setActive(false);
}

void NSView::removeConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        removeConstraint(constraint);
}

void NSView::addLayoutGuide(const std::shared_ptr<NSLayoutGuide>& guide)
{
    if (!guide)
        return;
    if (auto owner = guide->owningView()) {
        if (owner.get() == this)
            return;
        owner->removeLayoutGuide(guide);
    }
    guide->setOwningView(std::static_pointer_cast<NSView>(shared_from_this()));
    layoutGuides_.push_back(guide);
    invalidateLayout();
}

void NSView::removeLayoutGuide(const std::shared_ptr<NSLayoutGuide>& guide)
{
    auto it = std::find(layoutGuides_.begin(), layoutGuides_.end(), guide);
    if (it == layoutGuides_.end())
        return;
    // The constraints that name it are installed here or above.
    for (NSView* view = this; view; view = view->superview_.lock().get()) {
        auto installed = view->installedConstraints_;
        for (const auto& constraint : installed)
            if (references(*constraint, guide.get()))
                constraint->setActive(false);
    }
    layoutGuides_.erase(it);
    guide->setOwningView(nullptr);
    if (auto& engine = layoutRoot().layoutEngine_)
        engine->forget(*guide);
    invalidateLayout();
}

// --- Anchors -----------------------------------------------------------------

std::shared_ptr<NSLayoutXAxisAnchor> NSView::leadingAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeLeading);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSView::trailingAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeTrailing);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSView::leftAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeLeft);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSView::rightAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeRight);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSView::topAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeTop);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSView::bottomAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeBottom);
}

std::shared_ptr<NSLayoutDimension> NSView::widthAnchor()
{
    return anchor<NSLayoutDimension>(*this, NSLayoutAttributeWidth);
}

std::shared_ptr<NSLayoutDimension> NSView::heightAnchor()
{
    return anchor<NSLayoutDimension>(*this, NSLayoutAttributeHeight);
}

std::shared_ptr<NSLayoutXAxisAnchor> NSView::centerXAnchor()
{
    return anchor<NSLayoutXAxisAnchor>(*this, NSLayoutAttributeCenterX);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSView::centerYAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeCenterY);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSView::firstBaselineAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeFirstBaseline);
}

std::shared_ptr<NSLayoutYAxisAnchor> NSView::lastBaselineAnchor()
{
    return anchor<NSLayoutYAxisAnchor>(*this, NSLayoutAttributeLastBaseline);
}

// --- Sizes, insets, direction --------------------------------------------------

void NSView::invalidateIntrinsicContentSize()
{
    invalidateLayout();
}

NSLayoutPriority NSView::contentHuggingPriorityForOrientation(NSLayoutConstraintOrientation orientation) const
{
    return hugging_[orientation == NSLayoutConstraintOrientationVertical];
}

void NSView::setContentHuggingPriority(NSLayoutPriority priority, NSLayoutConstraintOrientation orientation)
{
    NSLayoutPriority& slot = hugging_[orientation == NSLayoutConstraintOrientationVertical];
    if (slot == priority)
        return;
    slot = priority;
    invalidateLayout();
}

NSLayoutPriority
NSView::contentCompressionResistancePriorityForOrientation(NSLayoutConstraintOrientation orientation) const
{
    return compressionResistance_[orientation == NSLayoutConstraintOrientationVertical];
}

void NSView::setContentCompressionResistancePriority(NSLayoutPriority priority,
                                                     NSLayoutConstraintOrientation orientation)
{
    NSLayoutPriority& slot = compressionResistance_[orientation == NSLayoutConstraintOrientationVertical];
    if (slot == priority)
        return;
    slot = priority;
    invalidateLayout();
}

NSRect NSView::alignmentRectForFrame(NSRect frame) const
{
    NSEdgeInsets insets = alignmentRectInsets();
    // Top and bottom are the screen's: in unflipped coordinates the bottom
    // inset is the one at the origin.
    CGFloat atOrigin = isFlipped() ? insets.top : insets.bottom;
    return {{frame.origin.x + insets.left, frame.origin.y + atOrigin},
            {frame.size.width - insets.left - insets.right, frame.size.height - insets.top - insets.bottom}};
}

NSRect NSView::frameForAlignmentRect(NSRect alignmentRect) const
{
    NSEdgeInsets insets = alignmentRectInsets();
    CGFloat atOrigin = isFlipped() ? insets.top : insets.bottom;
    return {{alignmentRect.origin.x - insets.left, alignmentRect.origin.y - atOrigin},
            {alignmentRect.size.width + insets.left + insets.right,
             alignmentRect.size.height + insets.top + insets.bottom}};
}

CGFloat NSView::firstBaselineOffsetFromTop() const
{
    NSEdgeInsets insets = alignmentRectInsets();
    return frame_.size.height - insets.top - insets.bottom - baselineOffsetFromBottom();
}

NSUserInterfaceLayoutDirection NSView::userInterfaceLayoutDirection() const
{
    if (layoutDirection_ >= 0)
        return static_cast<NSUserInterfaceLayoutDirection>(layoutDirection_);
    auto application = NSApp();
    return application ? application->userInterfaceLayoutDirection() : NSUserInterfaceLayoutDirectionLeftToRight;
}

void NSView::setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirection direction)
{
    if (layoutDirection_ == direction)
        return;
    automaticChange("userInterfaceLayoutDirection", [&] { layoutDirection_ = direction; });
    // Constraints anywhere above may name this view's leading or trailing.
    invalidateLayoutTree();
}

// --- Passes --------------------------------------------------------------------

// The ancestors learn that their subtree has work, and the window runs it.
void NSView::requestPass()
{
    for (NSView* view = this; view && !view->subtreeNeedsPass_; view = view->superview_.lock().get())
        view->subtreeNeedsPass_ = true;
    if (auto window = window_.lock())
        window->setNeedsLayoutPass();
}

void NSView::setNeedsLayout(bool needsLayout)
{
    needsLayout_ = needsLayout;
    if (needsLayout)
        requestPass();
}

void NSView::setNeedsUpdateConstraints(bool needsUpdateConstraints)
{
    needsUpdateConstraints_ = needsUpdateConstraints;
    if (needsUpdateConstraints)
        requestPass();
}

void NSView::updateConstraints() { }

void NSView::updateConstraintsForSubtreeIfNeeded()
{
    // A view that needs its constraints updated marks its ancestors.
    if (!subtreeNeedsPass_)
        return;
    auto subviews = subviews_;
    for (const auto& subview : subviews)
        subview->updateConstraintsForSubtreeIfNeeded();
    if (needsUpdateConstraints_) {
        needsUpdateConstraints_ = false;
        updateConstraints();
    }
}

void NSView::layout()
{
    NSView& root = layoutRoot();
    const auto& engine = root.layoutEngine_;
    if (!engine || !engine->inUse())
        return;
    auto subviews = subviews_;
    for (const auto& subview : subviews)
        if (!subview->translatesAutoresizingMask_ && engine->holds(*subview))
            subview->setFrame(engine->frameInSuperview(*subview));
    for (const auto& guide : layoutGuides_)
        if (engine->holds(*guide))
            guide->setFrame(engine->guideFrame(*guide));
}

// The superviews of views (and the owners of guides) whose frames the
// engine moved: their `layout` sets the new frames.
void NSView::markChangedFrames(const detail::LayoutEngine& engine)
{
    for (const auto& guide : layoutGuides_)
        if (engine.holds(*guide) && engine.guideFrame(*guide) != guide->frame())
            setNeedsLayout(true);
    for (const auto& subview : subviews_) {
        if (!subview->translatesAutoresizingMask_ && engine.holds(*subview) &&
            engine.frameInSuperview(*subview) != subview->frame())
            setNeedsLayout(true);
        subview->markChangedFrames(engine);
    }
}

// After reading part of the tree: the views the engine moved lay out
// their subviews and guides again, and their superviews place them.
void NSView::markMovedItems(detail::LayoutEngine& engine)
{
    for (const NSObject* item : engine.takeMovedItems()) {
        auto* view = dynamic_cast<NSView*>(const_cast<NSObject*>(item));
        std::shared_ptr<NSView> owner;
        if (!view) {
            owner = static_cast<const NSLayoutGuide*>(item)->owningView();
            view = owner.get();
        }
        if (!view)
            continue;
        view->setNeedsLayout(true);
        if (auto superview = view->superview_.lock())
            superview->setNeedsLayout(true);
    }
}

void NSView::layoutTopDown()
{
    if (needsLayout_) {
        needsLayout_ = false;
        layout();
    }
    auto subviews = subviews_;
    bool pending = false;
    for (const auto& subview : subviews) {
        if (subview->subtreeNeedsPass_)
            subview->layoutTopDown();
        pending = pending || subview->subtreeNeedsPass_;
    }
    subtreeNeedsPass_ = pending || needsLayout_ || needsUpdateConstraints_;
}

// Runs on a root: constraints are brought up to date, the engine reads the
// tree when it changed, the frames it computes that differ from the views'
// mark their superviews, and the views that need it lay out, top down.
// Answers whether anything was still asked for after the last pass.
bool NSView::runLayoutPasses()
{
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        if (!subtreeNeedsPass_ && !layoutStale_ && !hasDirtyViews_ && layoutEngine_)
            return false;
        updateConstraintsForSubtreeIfNeeded();
        bool full = layoutStale_ || !layoutEngine_ || (hasDirtyViews_ && !layoutEngine_->inUse());
        if (full || hasDirtyViews_) {
            auto window = window_.lock();
            bool isContent = window && window->contentView().get() == this;
            if (!layoutEngine_)
                layoutEngine_ = std::make_shared<detail::LayoutEngine>(isContent ? detail::RootMode::Window
                                                                                 : detail::RootMode::Detached);
            bool inUse;
            if (full) {
                inUse = layoutEngine_->sync(*this);
                auto clear = [](auto& self, NSView& view) -> void {
                    view.layoutDirty_ = false;
                    for (const auto& subview : view.subviews_)
                        self(self, *subview);
                };
                clear(clear, *this);
            } else {
                std::vector<const NSView*> dirty;
                collectDirtyViews(dirty);
                layoutEngine_->update(dirty);
                inUse = true;
            }
            layoutStale_ = false;
            hasDirtyViews_ = false;
            if (inUse) {
                NSSize size = layoutEngine_->rootFrameSize();
                if (size != frame_.size) {
                    if (isContent) {
                        // The window keeps its top edge where it is.
                        NSRect frame = window->frame();
                        frame.origin.y += frame.size.height - size.height;
                        frame.size = size;
                        window->setFrame(frame, true);
                    } else {
                        setFrameSize(size);
                    }
                }
                if (full) {
                    layoutEngine_->takeMovedItems();
                    markChangedFrames(*layoutEngine_);
                } else {
                    markMovedItems(*layoutEngine_);
                }
            }
        }
        layoutTopDown();
    }
    if (subtreeNeedsPass_ || layoutStale_ || hasDirtyViews_) {
        Log::error("Layout of %s still needs another pass after %d; leaving it as it is.", className().utf8().c_str(),
                   kMaxPasses);
        return true;
    }
    return false;
}

void NSView::layoutSubtreeIfNeeded()
{
    layoutRoot().runLayoutPasses();
}

// --- Fitting size --------------------------------------------------------------

NSSize NSView::fittingSize() const
{
    auto& self = const_cast<NSView&>(*this);
    self.updateConstraintsForSubtreeIfNeeded();
    detail::LayoutEngine engine(detail::RootMode::Fitting);
    if (engine.sync(self))
        return engine.rootFrameSize();
    NSSize intrinsic = intrinsicContentSize();
    return {intrinsic.width == NSViewNoIntrinsicMetric ? frame_.size.width : intrinsic.width,
            intrinsic.height == NSViewNoIntrinsicMetric ? frame_.size.height : intrinsic.height};
}
