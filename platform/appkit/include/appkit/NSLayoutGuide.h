#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>

class NSLayoutDimension;
class NSLayoutXAxisAnchor;
class NSLayoutYAxisAnchor;
class NSView;

// A rectangle that takes part in Auto Layout like a view does, without
// being one: no drawing, no events, no subviews. A guide belongs to the
// view it was added to; its frame, in that view's coordinates, is set by
// the view's layout pass and is observable ("frame", an NSValue of a rect).
class NSLayoutGuide : public NSObject {
    KS_OBJECT(NSLayoutGuide, NSObject)

public:
    NSLayoutGuide() = default;

    std::shared_ptr<NSView> owningView() const { return owningView_.lock(); }
    NSRect frame() const { return frame_; }

    const String& identifier() const { return identifier_; }
    void setIdentifier(const String& identifier) { identifier_ = identifier; }

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

    // Internal: for NSView, which owns its guides and lays them out.
    void setOwningView(const std::shared_ptr<NSView>& view) { owningView_ = view; }
    void setFrame(NSRect frame);

protected:
    static void describe(ClassDescriptor& d);

private:
    std::weak_ptr<NSView> owningView_;
    NSRect frame_{};
    String identifier_;
};
