#include "SRRecorderControlPlainStyle.h"

#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSLayoutGuide.h"
#include "shortcut-library/SRRecorderControl.h"

namespace detail {

SRRecorderControlPlainStyle::SRRecorderControlPlainStyle()
    : alignmentGuide_(std::make_shared<NSLayoutGuide>())
    , labelDrawingGuide_(std::make_shared<NSLayoutGuide>())
    , cancelButtonGuide_(std::make_shared<NSLayoutGuide>())
    , clearButtonGuide_(std::make_shared<NSLayoutGuide>())
{
}

std::shared_ptr<SRRecorderControlStyling> SRRecorderControlPlainStyle::copyStyle() const
{
    return std::make_shared<SRRecorderControlPlainStyle>();
}

bool SRRecorderControlPlainStyle::isEqual(const Id& other) const
{
    NSObject* object = other.objectPointer();
    return object == this || (object && object->isMemberOfClass(descriptor()));
}

void SRRecorderControlPlainStyle::prepareForRecorderControl(SRRecorderControl& control)
{
    auto view = std::static_pointer_cast<SRRecorderControl>(control.shared_from_this());
    control_ = view;
    for (const auto& guide : {alignmentGuide_, labelDrawingGuide_, cancelButtonGuide_, clearButtonGuide_})
        control.addLayoutGuide(guide);

    auto& a = alignmentGuide_;
    auto& label = labelDrawingGuide_;
    auto centred = label->centerXAnchor()->constraintEqualToAnchor(a->centerXAnchor());
    centred->setPriority(749);
    alwaysConstraints_ = {
        a->topAnchor()->constraintEqualToAnchor(view->topAnchor()),
        a->leftAnchor()->constraintEqualToAnchor(view->leftAnchor()),
        a->rightAnchor()->constraintEqualToAnchor(view->rightAnchor()),
        a->bottomAnchor()->constraintEqualToAnchor(view->bottomAnchor()),
        label->topAnchor()->constraintEqualToAnchor(a->topAnchor()),
        label->bottomAnchor()->constraintEqualToAnchor(a->bottomAnchor()),
        label->leadingAnchor()->constraintGreaterThanOrEqualToAnchor(a->leadingAnchor(), 6),
        centred,
        cancelButtonGuide_->widthAnchor()->constraintEqualToConstant(kButtonSize),
        cancelButtonGuide_->heightAnchor()->constraintEqualToConstant(kButtonSize),
        cancelButtonGuide_->centerYAnchor()->constraintEqualToAnchor(a->centerYAnchor()),
        cancelButtonGuide_->trailingAnchor()->constraintEqualToAnchor(a->trailingAnchor(), -kButtonSpacing),
        clearButtonGuide_->widthAnchor()->constraintEqualToConstant(kButtonSize),
        clearButtonGuide_->heightAnchor()->constraintEqualToConstant(kButtonSize),
        clearButtonGuide_->centerYAnchor()->constraintEqualToAnchor(a->centerYAnchor()),
        clearButtonGuide_->trailingAnchor()->constraintEqualToAnchor(cancelButtonGuide_->leadingAnchor(),
                                                                     -kButtonSpacing),
    };
    displayingConstraints_ = {a->trailingAnchor()->constraintGreaterThanOrEqualToAnchor(label->trailingAnchor(), 6)};
    recordingWithNoValueConstraints_ = {cancelButtonGuide_->leadingAnchor()->constraintGreaterThanOrEqualToAnchor(
        label->trailingAnchor(), kButtonSpacing)};
    recordingWithValueConstraints_ = {clearButtonGuide_->leadingAnchor()->constraintGreaterThanOrEqualToAnchor(
        label->trailingAnchor(), kButtonSpacing)};
}

void SRRecorderControlPlainStyle::prepareForRemoval()
{
    for (const auto* set : {&alwaysConstraints_, &displayingConstraints_, &recordingWithNoValueConstraints_,
                            &recordingWithValueConstraints_})
        NSLayoutConstraint::deactivateConstraints(*set);
    if (auto control = control_.lock())
        for (const auto& guide : {alignmentGuide_, labelDrawingGuide_, cancelButtonGuide_, clearButtonGuide_})
            control->removeLayoutGuide(guide);
    control_.reset();
}

}  // namespace detail
