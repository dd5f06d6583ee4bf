#include "appkit/NSLayoutAnchor.h"

NSLayoutAnchor::NSLayoutAnchor(const std::shared_ptr<NSObject>& item, NSLayoutAttribute attribute)
    : item_(item)
    , attribute_(attribute)
{
}

std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraint(NSLayoutRelation relation, const NSLayoutAnchor* other,
                                                               CGFloat multiplier, CGFloat constant) const
{
    return NSLayoutConstraint::constraintWithItem(item(), attribute_, relation, other ? other->item() : nullptr,
                                                  other ? other->attribute_ : NSLayoutAttributeNotAnAttribute,
                                                  multiplier, constant);
}

std::shared_ptr<NSLayoutConstraint> NSLayoutDimension::constraintEqualToConstant(CGFloat constant) const
{
    return constraint(NSLayoutRelationEqual, nullptr, 1, constant);
}

std::shared_ptr<NSLayoutConstraint> NSLayoutDimension::constraintGreaterThanOrEqualToConstant(CGFloat constant) const
{
    return constraint(NSLayoutRelationGreaterThanOrEqual, nullptr, 1, constant);
}

std::shared_ptr<NSLayoutConstraint> NSLayoutDimension::constraintLessThanOrEqualToConstant(CGFloat constant) const
{
    return constraint(NSLayoutRelationLessThanOrEqual, nullptr, 1, constant);
}

std::shared_ptr<NSLayoutConstraint>
NSLayoutDimension::constraintEqualToAnchor(const std::shared_ptr<NSLayoutDimension>& anchor, CGFloat multiplier,
                                           CGFloat constant) const
{
    return constraint(NSLayoutRelationEqual, anchor.get(), multiplier, constant);
}

std::shared_ptr<NSLayoutConstraint>
NSLayoutDimension::constraintGreaterThanOrEqualToAnchor(const std::shared_ptr<NSLayoutDimension>& anchor,
                                                        CGFloat multiplier, CGFloat constant) const
{
    return constraint(NSLayoutRelationGreaterThanOrEqual, anchor.get(), multiplier, constant);
}

std::shared_ptr<NSLayoutConstraint>
NSLayoutDimension::constraintLessThanOrEqualToAnchor(const std::shared_ptr<NSLayoutDimension>& anchor,
                                                     CGFloat multiplier, CGFloat constant) const
{
    return constraint(NSLayoutRelationLessThanOrEqual, anchor.get(), multiplier, constant);
}

std::shared_ptr<NSLayoutAnchor> NSLayoutAnchorForAttribute(const std::shared_ptr<NSObject>& item,
                                                           NSLayoutAttribute attribute)
{
    switch (attribute) {
    case NSLayoutAttributeLeft:
    case NSLayoutAttributeRight:
    case NSLayoutAttributeLeading:
    case NSLayoutAttributeTrailing:
    case NSLayoutAttributeCenterX:
        return std::make_shared<NSLayoutXAxisAnchor>(item, attribute);
    case NSLayoutAttributeTop:
    case NSLayoutAttributeBottom:
    case NSLayoutAttributeCenterY:
    case NSLayoutAttributeFirstBaseline:
    case NSLayoutAttributeLastBaseline:
        return std::make_shared<NSLayoutYAxisAnchor>(item, attribute);
    case NSLayoutAttributeWidth:
    case NSLayoutAttributeHeight:
        return std::make_shared<NSLayoutDimension>(item, attribute);
    case NSLayoutAttributeNotAnAttribute:
        break;
    }
    return nullptr;
}
