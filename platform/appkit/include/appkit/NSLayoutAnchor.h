#pragma once

#include "appkit/NSLayoutConstraint.h"

#include <memory>

// One attribute of a view or layout guide, from which constraints are
// made. Anchors are made on demand and hold their item weakly; the typed
// subclasses only relate anchors of the same axis, and only a dimension
// can be related to a constant or take a multiplier.
class NSLayoutAnchor : public NSObject {
    KS_OBJECT(NSLayoutAnchor, NSObject)

public:
    NSLayoutAnchor(const std::shared_ptr<NSObject>& item, NSLayoutAttribute attribute);

    std::shared_ptr<NSObject> item() const { return item_.lock(); }
    NSLayoutAttribute attribute() const { return attribute_; }

protected:
    std::shared_ptr<NSLayoutConstraint> constraint(NSLayoutRelation relation, const NSLayoutAnchor* other,
                                                   CGFloat multiplier, CGFloat constant) const;

private:
    std::weak_ptr<NSObject> item_;
    NSLayoutAttribute attribute_;
};

// Shared by the two position axes: the relations with another anchor of the
// same class, at a distance.
template <class Axis> class NSLayoutPositionAnchor : public NSLayoutAnchor {
public:
    using NSLayoutAnchor::NSLayoutAnchor;

    std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchor(const std::shared_ptr<Axis>& anchor,
                                                                CGFloat constant = 0) const
    {
        return constraint(NSLayoutRelationEqual, anchor.get(), 1, constant);
    }
    std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToAnchor(const std::shared_ptr<Axis>& anchor,
                                                                             CGFloat constant = 0) const
    {
        return constraint(NSLayoutRelationGreaterThanOrEqual, anchor.get(), 1, constant);
    }
    std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToAnchor(const std::shared_ptr<Axis>& anchor,
                                                                          CGFloat constant = 0) const
    {
        return constraint(NSLayoutRelationLessThanOrEqual, anchor.get(), 1, constant);
    }
};

class NSLayoutXAxisAnchor : public NSLayoutPositionAnchor<NSLayoutXAxisAnchor> {
    KS_OBJECT(NSLayoutXAxisAnchor, NSLayoutAnchor)

public:
    using NSLayoutPositionAnchor::NSLayoutPositionAnchor;
};

class NSLayoutYAxisAnchor : public NSLayoutPositionAnchor<NSLayoutYAxisAnchor> {
    KS_OBJECT(NSLayoutYAxisAnchor, NSLayoutAnchor)

public:
    using NSLayoutPositionAnchor::NSLayoutPositionAnchor;
};

class NSLayoutDimension : public NSLayoutAnchor {
    KS_OBJECT(NSLayoutDimension, NSLayoutAnchor)

public:
    using NSLayoutAnchor::NSLayoutAnchor;

    std::shared_ptr<NSLayoutConstraint> constraintEqualToConstant(CGFloat constant) const;
    std::shared_ptr<NSLayoutConstraint> constraintGreaterThanOrEqualToConstant(CGFloat constant) const;
    std::shared_ptr<NSLayoutConstraint> constraintLessThanOrEqualToConstant(CGFloat constant) const;

    std::shared_ptr<NSLayoutConstraint> constraintEqualToAnchor(const std::shared_ptr<NSLayoutDimension>& anchor,
                                                                CGFloat multiplier = 1, CGFloat constant = 0) const;
    std::shared_ptr<NSLayoutConstraint>
    constraintGreaterThanOrEqualToAnchor(const std::shared_ptr<NSLayoutDimension>& anchor, CGFloat multiplier = 1,
                                         CGFloat constant = 0) const;
    std::shared_ptr<NSLayoutConstraint>
    constraintLessThanOrEqualToAnchor(const std::shared_ptr<NSLayoutDimension>& anchor, CGFloat multiplier = 1,
                                      CGFloat constant = 0) const;
};

// The anchors of an item (a view or a layout guide); what NSView and
// NSLayoutGuide hand out.
std::shared_ptr<NSLayoutAnchor> NSLayoutAnchorForAttribute(const std::shared_ptr<NSObject>& item,
                                                           NSLayoutAttribute attribute);
