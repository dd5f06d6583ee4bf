#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

class NSLayoutAnchor;
class NSView;

// The parts of an item's alignment rectangle a constraint can name, with
// the platform's values. Leading and trailing follow the item's layout
// direction: left and right from left to right, the other way round from
// right to left.
enum NSLayoutAttribute : NSInteger {
    NSLayoutAttributeNotAnAttribute = 0,
    NSLayoutAttributeLeft = 1,
    NSLayoutAttributeRight = 2,
    NSLayoutAttributeTop = 3,
    NSLayoutAttributeBottom = 4,
    NSLayoutAttributeLeading = 5,
    NSLayoutAttributeTrailing = 6,
    NSLayoutAttributeWidth = 7,
    NSLayoutAttributeHeight = 8,
    NSLayoutAttributeCenterX = 9,
    NSLayoutAttributeCenterY = 10,
    NSLayoutAttributeLastBaseline = 11,
    NSLayoutAttributeBaseline = NSLayoutAttributeLastBaseline,
    NSLayoutAttributeFirstBaseline = 12,
};

enum NSLayoutRelation : NSInteger {
    NSLayoutRelationLessThanOrEqual = -1,
    NSLayoutRelationEqual = 0,
    NSLayoutRelationGreaterThanOrEqual = 1,
};

enum NSLayoutConstraintOrientation : NSInteger {
    NSLayoutConstraintOrientationHorizontal = 0,
    NSLayoutConstraintOrientationVertical = 1,
};

// From 1 to 1000; 1000 is required, everything below may give way, the
// lower first.
using NSLayoutPriority = float;
inline constexpr NSLayoutPriority NSLayoutPriorityRequired = 1000;
inline constexpr NSLayoutPriority NSLayoutPriorityDefaultHigh = 750;
inline constexpr NSLayoutPriority NSLayoutPriorityDragThatCanResizeWindow = 510;
inline constexpr NSLayoutPriority NSLayoutPriorityWindowSizeStayPut = 500;
inline constexpr NSLayoutPriority NSLayoutPriorityDragThatCannotResizeWindow = 490;
inline constexpr NSLayoutPriority NSLayoutPriorityDefaultLow = 250;
inline constexpr NSLayoutPriority NSLayoutPriorityFittingSizeCompression = 50;

// A linear relation between two layout attributes:
//     firstItem.firstAttribute <relation> secondItem.secondAttribute * multiplier + constant
// or, without a second item, between a width or height and the constant.
// Items are views and layout guides, held weakly.
//
// A constraint is inactive when made. Activated, it is installed on the
// closest common ancestor of its items and takes part in that view tree's
// layout from the next pass on; it stays active until it is deactivated or
// one of its items leaves the tree under that ancestor.
class NSLayoutConstraint : public NSObject {
    KS_OBJECT(NSLayoutConstraint, NSObject)

public:
    // Raises an invalid-argument exception for a relation the layout can't
    // express: a position against a size or against nothing, a horizontal
    // position against a vertical one, a missing first item or attribute,
    // or a multiplier that is not a finite number.
    static std::shared_ptr<NSLayoutConstraint>
    constraintWithItem(const std::shared_ptr<NSObject>& firstItem, NSLayoutAttribute firstAttribute,
                       NSLayoutRelation relation, const std::shared_ptr<NSObject>& secondItem,
                       NSLayoutAttribute secondAttribute, CGFloat multiplier, CGFloat constant);

    // Every constraint of the list, as one change of the layout.
    static void activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);
    static void deactivateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);

    std::shared_ptr<NSObject> firstItem() const { return firstItem_.lock(); }
    NSLayoutAttribute firstAttribute() const { return firstAttribute_; }
    NSLayoutRelation relation() const { return relation_; }
    std::shared_ptr<NSObject> secondItem() const { return secondItem_.lock(); }
    NSLayoutAttribute secondAttribute() const { return secondAttribute_; }
    std::shared_ptr<NSLayoutAnchor> firstAnchor() const;
    // nullptr for a constraint against a constant.
    std::shared_ptr<NSLayoutAnchor> secondAnchor() const;
    CGFloat multiplier() const { return multiplier_; }

    CGFloat constant() const { return constant_; }
    void setConstant(CGFloat constant);

    NSLayoutPriority priority() const { return priority_; }
    // Out of 1...1000 raises an invalid-argument exception; an active
    // constraint can't change between required and not (an
    // internal-inconsistency exception), as the platform has it.
    void setPriority(NSLayoutPriority priority);

    bool isActive() const { return active_; }
    // Activating a constraint whose items share no view tree logs the
    // reason and leaves it inactive.
    void setActive(bool active);

    const String& identifier() const { return identifier_; }
    void setIdentifier(const String& identifier) { identifier_ = identifier; }

    // "<NSLayoutConstraint 'identifier' Item.attribute == Item.attribute * m + c @priority>", the
    // parts that are the defaults left out.
    String description() const override;

    // Internal: the view the constraint is installed on, while active.
    std::shared_ptr<NSView> installedOn() const { return installedOn_.lock(); }

protected:
    static void describe(ClassDescriptor& d);

private:
    friend class NSView;

    void install(const std::shared_ptr<NSView>& view);
    void uninstall();
    void layoutChanged();

    std::weak_ptr<NSObject> firstItem_;
    std::weak_ptr<NSObject> secondItem_;
    NSLayoutAttribute firstAttribute_ = NSLayoutAttributeNotAnAttribute;
    NSLayoutAttribute secondAttribute_ = NSLayoutAttributeNotAnAttribute;
    NSLayoutRelation relation_ = NSLayoutRelationEqual;
    CGFloat multiplier_ = 1;
    CGFloat constant_ = 0;
    NSLayoutPriority priority_ = NSLayoutPriorityRequired;
    bool active_ = false;
    String identifier_;
    std::weak_ptr<NSView> installedOn_;
};

// The name of an attribute as descriptions print it ("leading", "centerX", ...).
const char* NSLayoutAttributeName(NSLayoutAttribute attribute);
