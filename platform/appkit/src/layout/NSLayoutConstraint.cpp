#include "appkit/NSLayoutConstraint.h"

#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutGuide.h"
#include "appkit/NSView.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"

#include <cmath>
#include <string>

namespace {

enum class Axis { None, X, Y, Dimension };

Axis axisOf(NSLayoutAttribute attribute)
{
    switch (attribute) {
    case NSLayoutAttributeLeft:
    case NSLayoutAttributeRight:
    case NSLayoutAttributeLeading:
    case NSLayoutAttributeTrailing:
    case NSLayoutAttributeCenterX:
        return Axis::X;
    case NSLayoutAttributeTop:
    case NSLayoutAttributeBottom:
    case NSLayoutAttributeCenterY:
    case NSLayoutAttributeFirstBaseline:
    case NSLayoutAttributeLastBaseline:
        return Axis::Y;
    case NSLayoutAttributeWidth:
    case NSLayoutAttributeHeight:
        return Axis::Dimension;
    case NSLayoutAttributeNotAnAttribute:
        break;
    }
    return Axis::None;
}

bool isLayoutItem(const std::shared_ptr<NSObject>& item)
{
    return std::dynamic_pointer_cast<NSView>(item) || std::dynamic_pointer_cast<NSLayoutGuide>(item);
}

// The view an item lays out in: a view itself, a guide's owner.
std::shared_ptr<NSView> viewOf(const std::shared_ptr<NSObject>& item)
{
    if (auto view = std::dynamic_pointer_cast<NSView>(item))
        return view;
    if (auto guide = std::dynamic_pointer_cast<NSLayoutGuide>(item))
        return guide->owningView();
    return nullptr;
}

std::shared_ptr<NSView> commonAncestor(const std::shared_ptr<NSView>& a, const std::shared_ptr<NSView>& b)
{
    for (auto candidate = a; candidate; candidate = candidate->superview())
        if (b->isDescendantOf(*candidate))
            return candidate;
    return nullptr;
}

std::string itemText(const std::shared_ptr<NSObject>& item)
{
    if (!item)
        return "(gone)";
    String identifier;
    if (auto view = std::dynamic_pointer_cast<NSView>(item))
        identifier = view->identifier();
    else if (auto guide = std::dynamic_pointer_cast<NSLayoutGuide>(item))
        identifier = guide->identifier();
    std::string text = item->className().utf8();
    if (!identifier.empty())
        text += "'" + identifier.utf8() + "'";
    return text;
}

}  // namespace

const char* NSLayoutAttributeName(NSLayoutAttribute attribute)
{
    switch (attribute) {
    case NSLayoutAttributeLeft:
        return "left";
    case NSLayoutAttributeRight:
        return "right";
    case NSLayoutAttributeTop:
        return "top";
    case NSLayoutAttributeBottom:
        return "bottom";
    case NSLayoutAttributeLeading:
        return "leading";
    case NSLayoutAttributeTrailing:
        return "trailing";
    case NSLayoutAttributeWidth:
        return "width";
    case NSLayoutAttributeHeight:
        return "height";
    case NSLayoutAttributeCenterX:
        return "centerX";
    case NSLayoutAttributeCenterY:
        return "centerY";
    case NSLayoutAttributeLastBaseline:
        return "lastBaseline";
    case NSLayoutAttributeFirstBaseline:
        return "firstBaseline";
    case NSLayoutAttributeNotAnAttribute:
        break;
    }
    return "notAnAttribute";
}

void NSLayoutConstraint::describe(ClassDescriptor& d)
{
    d.property<NSLayoutConstraint>(
        "active", [](NSLayoutConstraint& c) { return Id::boolean(c.isActive()); },
        [](NSLayoutConstraint& c, const Id& value) { c.setActive(value.boolValue()); });
    d.property<NSLayoutConstraint>(
        "constant", [](NSLayoutConstraint& c) { return Id::number(c.constant()); },
        [](NSLayoutConstraint& c, const Id& value) { c.setConstant(value.doubleValue()); });
    d.property<NSLayoutConstraint>(
        "priority", [](NSLayoutConstraint& c) { return Id::number(double(c.priority())); },
        [](NSLayoutConstraint& c, const Id& value) { c.setPriority(NSLayoutPriority(value.doubleValue())); });
    d.property<NSLayoutConstraint>(
        "identifier", [](NSLayoutConstraint& c) { return Id(c.identifier()); },
        [](NSLayoutConstraint& c, const Id& value) { c.setIdentifier(value.string() ? *value.string() : String()); });
}

std::shared_ptr<NSLayoutConstraint>
NSLayoutConstraint::constraintWithItem(const std::shared_ptr<NSObject>& firstItem, NSLayoutAttribute firstAttribute,
                                       NSLayoutRelation relation, const std::shared_ptr<NSObject>& secondItem,
                                       NSLayoutAttribute secondAttribute, CGFloat multiplier, CGFloat constant)
{
    static const char* const method =
        "+[NSLayoutConstraint constraintWithItem:attribute:relatedBy:toItem:attribute:multiplier:constant:]";
    Axis first = axisOf(firstAttribute);
    if (!firstItem || first == Axis::None)
        NSException::raise(NSInvalidArgumentException, "%s: a constraint needs a first item and attribute", method);
    if (!isLayoutItem(firstItem) || (secondItem && !isLayoutItem(secondItem)))
        NSException::raise(NSInvalidArgumentException, "%s: items must be views or layout guides", method);
    if (!std::isfinite(multiplier))
        NSException::raise(NSInvalidArgumentException, "%s: the multiplier is not a finite number", method);
    if (!secondItem || secondAttribute == NSLayoutAttributeNotAnAttribute) {
        if (first != Axis::Dimension)
            NSException::raise(NSInvalidArgumentException,
                               "%s: a position can't be set to a constant; positions are related in pairs", method);
    } else {
        Axis second = axisOf(secondAttribute);
        if (second != first)
            NSException::raise(NSInvalidArgumentException, "%s: %s can't be related to %s", method,
                               NSLayoutAttributeName(firstAttribute), NSLayoutAttributeName(secondAttribute));
        if (first != Axis::Dimension && multiplier == 0)
            NSException::raise(NSInvalidArgumentException, "%s: a multiplier of 0 would set a position to a constant",
                               method);
    }
    auto constraint = std::make_shared<NSLayoutConstraint>();
    constraint->firstItem_ = firstItem;
    constraint->firstAttribute_ = firstAttribute;
    constraint->relation_ = relation;
    bool hasSecond = secondItem && secondAttribute != NSLayoutAttributeNotAnAttribute;
    if (hasSecond) {
        constraint->secondItem_ = secondItem;
        constraint->secondAttribute_ = secondAttribute;
        constraint->multiplier_ = multiplier;
    }
    constraint->constant_ = constant;
    return constraint;
}

void NSLayoutConstraint::activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        if (constraint)
            constraint->setActive(true);
}

void NSLayoutConstraint::deactivateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        if (constraint)
            constraint->setActive(false);
}

std::shared_ptr<NSLayoutAnchor> NSLayoutConstraint::firstAnchor() const
{
    return NSLayoutAnchorForAttribute(firstItem(), firstAttribute_);
}

std::shared_ptr<NSLayoutAnchor> NSLayoutConstraint::secondAnchor() const
{
    if (secondAttribute_ == NSLayoutAttributeNotAnAttribute)
        return nullptr;
    return NSLayoutAnchorForAttribute(secondItem(), secondAttribute_);
}

void NSLayoutConstraint::layoutChanged()
{
    if (auto view = installedOn_.lock())
        view->invalidateLayout();
}

void NSLayoutConstraint::setConstant(CGFloat constant)
{
    if (constant_ == constant)
        return;
    constant_ = constant;
    layoutChanged();
}

void NSLayoutConstraint::setPriority(NSLayoutPriority priority)
{
    if (!(priority > 0 && priority <= NSLayoutPriorityRequired))
        NSException::raise(NSInvalidArgumentException,
                           "-[NSLayoutConstraint setPriority:]: %g is not a priority from 1 to 1000", double(priority));
    if (priority_ == priority)
        return;
    if (active_ && (priority == NSLayoutPriorityRequired) != (priority_ == NSLayoutPriorityRequired))
        NSException::raise(NSInternalInconsistencyException,
                           "-[NSLayoutConstraint setPriority:]: an active constraint can't change between required "
                           "and not required");
    priority_ = priority;
    layoutChanged();
}

void NSLayoutConstraint::setActive(bool active)
{
    if (active_ == active)
        return;
    if (!active) {
        uninstall();
        return;
    }
    auto first = viewOf(firstItem());
    auto second = secondAttribute_ == NSLayoutAttributeNotAnAttribute ? first : viewOf(secondItem());
    auto ancestor = first && second ? commonAncestor(first, second) : nullptr;
    if (!ancestor) {
        Log::error("Unable to activate constraint %s: its items share no view tree", description().utf8().c_str());
        return;
    }
    install(ancestor);
}

void NSLayoutConstraint::install(const std::shared_ptr<NSView>& view)
{
    active_ = true;
    installedOn_ = view;
    view->installedConstraints_.push_back(std::static_pointer_cast<NSLayoutConstraint>(shared_from_this()));
    view->invalidateLayout();
}

void NSLayoutConstraint::uninstall()
{
    // The view may hold the last reference.
    auto self = shared_from_this();
    active_ = false;
    if (auto view = installedOn_.lock()) {
        std::erase(view->installedConstraints_, std::static_pointer_cast<NSLayoutConstraint>(self));
        view->invalidateLayout();
    }
    installedOn_.reset();
}

String NSLayoutConstraint::description() const
{
    std::string text = "<NSLayoutConstraint ";
    if (!identifier_.empty())
        text += "'" + identifier_.utf8() + "' ";
    text += itemText(firstItem()) + "." + NSLayoutAttributeName(firstAttribute_);
    text += relation_ == NSLayoutRelationEqual             ? " == "
            : relation_ == NSLayoutRelationLessThanOrEqual ? " <= "
                                                           : " >= ";
    if (secondAttribute_ == NSLayoutAttributeNotAnAttribute) {
        text += String::format("%g", constant_).utf8();
    } else {
        text += itemText(secondItem()) + "." + NSLayoutAttributeName(secondAttribute_);
        if (multiplier_ != 1)
            text += String::format(" * %g", multiplier_).utf8();
        if (constant_ != 0)
            text += String::format(constant_ < 0 ? " - %g" : " + %g", std::fabs(constant_)).utf8();
    }
    if (priority_ < NSLayoutPriorityRequired)
        text += String::format(" @%g", double(priority_)).utf8();
    return String(text + ">");
}
