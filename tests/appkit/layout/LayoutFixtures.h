#pragma once

#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSView.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A view whose intrinsic size, alignment insets, baseline and flipping a
// test sets; it can write its passes to a log.
class ContentView : public NSView {
    KS_OBJECT(ContentView, NSView)

public:
    explicit ContentView(NSSize intrinsic = {NSViewNoIntrinsicMetric, NSViewNoIntrinsicMetric})
        : intrinsic_(intrinsic)
    {
        setTranslatesAutoresizingMaskIntoConstraints(false);
    }

    NSSize intrinsicContentSize() const override { return intrinsic_; }
    void setIntrinsic(NSSize size)
    {
        intrinsic_ = size;
        invalidateIntrinsicContentSize();
    }
    NSEdgeInsets alignmentRectInsets() const override { return insets; }
    CGFloat baselineOffsetFromBottom() const override { return baseline; }
    bool isFlipped() const override { return flipped; }

    void updateConstraints() override
    {
        if (log)
            log->push_back(name + " updateConstraints");
        if (onUpdateConstraints)
            onUpdateConstraints();
        NSView::updateConstraints();
    }
    void layout() override
    {
        if (log)
            log->push_back(name + " layout");
        NSView::layout();
    }

    NSEdgeInsets insets = NSEdgeInsetsZero;
    CGFloat baseline = 0;
    bool flipped = false;
    std::string name;
    std::vector<std::string>* log = nullptr;
    std::function<void()> onUpdateConstraints;

private:
    NSSize intrinsic_;
};

// A root 400 x 300 that keeps its frame, as a window's content would.
inline std::shared_ptr<ContentView> makeRoot(bool flipped = false)
{
    auto root = std::make_shared<ContentView>();
    root->setTranslatesAutoresizingMaskIntoConstraints(true);
    root->setFrame(NSMakeRect(0, 0, 400, 300));
    root->flipped = flipped;
    return root;
}

inline std::shared_ptr<ContentView> addChild(const std::shared_ptr<NSView>& parent,
                                             NSSize intrinsic = {NSViewNoIntrinsicMetric, NSViewNoIntrinsicMetric})
{
    auto child = std::make_shared<ContentView>(intrinsic);
    parent->addSubview(child);
    return child;
}

using Constraints = std::vector<std::shared_ptr<NSLayoutConstraint>>;

inline std::shared_ptr<NSLayoutConstraint> named(std::shared_ptr<NSLayoutConstraint> constraint, const char* identifier,
                                                 NSLayoutPriority priority = NSLayoutPriorityRequired)
{
    constraint->setIdentifier(identifier);
    constraint->setPriority(priority);
    return constraint;
}

inline void expectFrame(const NSView& view, NSRect expected)
{
    EXPECT_EQ(view.frame(), expected) << "view " << view.identifier() << " frame " << view.frame();
}
