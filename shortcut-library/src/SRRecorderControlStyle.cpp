#include "shortcut-library/SRRecorderControlStyle.h"

#include "appkit/NSAttributedString.h"
#include "appkit/NSImage.h"
#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSLayoutGuide.h"
#include "foundation/NSException.h"
#include "foundation/NSProcessInfo.h"
#include "shortcut-library/SRCommon.h"
#include "shortcut-library/SRRecorderControl.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

namespace {

// What each image is called in the resources, in the order of images_, and
// what of the control shows it (and is drawn again when it changes).
enum class Shows { Background, CancelButton, ClearButton };

struct ImageEntry {
    const char* property;
    const char* resourceName;
    Shows shows;
};

constexpr ImageEntry kImages[] = {
    {"bezelNormalLeft", "bezel-normal-left", Shows::Background},
    {"bezelNormalCenter", "bezel-normal-center", Shows::Background},
    {"bezelNormalRight", "bezel-normal-right", Shows::Background},
    {"bezelPressedLeft", "bezel-pressed-left", Shows::Background},
    {"bezelPressedCenter", "bezel-pressed-center", Shows::Background},
    {"bezelPressedRight", "bezel-pressed-right", Shows::Background},
    {"bezelRecordingLeft", "bezel-recording-left", Shows::Background},
    {"bezelRecordingCenter", "bezel-recording-center", Shows::Background},
    {"bezelRecordingRight", "bezel-recording-right", Shows::Background},
    {"bezelDisabledLeft", "bezel-disabled-left", Shows::Background},
    {"bezelDisabledCenter", "bezel-disabled-center", Shows::Background},
    {"bezelDisabledRight", "bezel-disabled-right", Shows::Background},
    {"cancelButton", "button-cancel-normal", Shows::CancelButton},
    {"cancelButtonPressed", "button-cancel-pressed", Shows::CancelButton},
    {"clearButton", "button-clear-normal", Shows::ClearButton},
    {"clearButtonPressed", "button-clear-pressed", Shows::ClearButton},
};
static_assert(std::size(kImages) == 16);

constexpr std::size_t kCancelButton = 12;
constexpr std::size_t kClearButton = 14;

using Constraint = std::shared_ptr<NSLayoutConstraint>;

// A constraint of the sets: named, and at a priority other than required
// where the layout wants it to give.
Constraint named(Constraint constraint, const char* identifier, NSLayoutPriority priority = NSLayoutPriorityRequired)
{
    constraint->setIdentifier(identifier);
    if (priority != NSLayoutPriorityRequired)
        constraint->setPriority(priority);
    return constraint;
}

// A size held at a constant, 0 until the resources give it.
Constraint constant(const std::shared_ptr<NSLayoutDimension>& dimension, const char* identifier)
{
    return named(dimension->constraintEqualToConstant(0), identifier);
}

CGFloat imageWidth(const std::shared_ptr<NSImage>& image)
{
    return image ? image->size().width : 0;
}

CGFloat imageHeight(const std::shared_ptr<NSImage>& image)
{
    return image ? image->size().height : 0;
}

// Of two measures, the larger; one that is no number gives way to the other.
CGFloat larger(CGFloat a, CGFloat b)
{
    if (std::isnan(a))
        return b;
    if (std::isnan(b))
        return a;
    return std::max(a, b);
}

CGFloat measuredWidth(const std::optional<String>& text, const std::optional<Dictionary>& attributes)
{
    if (!text)
        return 0;
    return std::ceil(sizeWithAttributes(*text, attributes.value_or(Dictionary())).width);
}

}  // namespace

// MARK: - Creation

SRRecorderControlStyleResourceLoader& SRRecorderControlStyle::resourceLoader()
{
    static auto* loader = new SRRecorderControlStyleResourceLoader();
    return *loader;
}

SRRecorderControlStyle::SRRecorderControlStyle()
    : SRRecorderControlStyle(std::nullopt, nullptr)
{
}

SRRecorderControlStyle::SRRecorderControlStyle(std::optional<String> identifier,
                                               std::shared_ptr<SRRecorderControlStyleComponents> preferredComponents)
    : alignmentGuide_(std::make_shared<NSLayoutGuide>())
    , backgroundDrawingGuide_(std::make_shared<NSLayoutGuide>())
    , labelDrawingGuide_(std::make_shared<NSLayoutGuide>())
    , cancelButtonDrawingGuide_(std::make_shared<NSLayoutGuide>())
    , clearButtonDrawingGuide_(std::make_shared<NSLayoutGuide>())
    , cancelButtonLayoutGuide_(std::make_shared<NSLayoutGuide>())
    , clearButtonLayoutGuide_(std::make_shared<NSLayoutGuide>())
    , intrinsicContentSize_{NSViewNoIntrinsicMetric, NSViewNoIntrinsicMetric}
{
    if (identifier)
        identifier_ = *identifier;
    else
        // Resources drawn for the look that came with dark mode, or for the
        // flat one before it.
        identifier_ =
            NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({10, 14, 0}) ? "sr-mojave" : "sr-yosemite";
    preferredComponents_ =
        preferredComponents ? preferredComponents->copy() : std::make_shared<SRRecorderControlStyleComponents>();
    effectiveComponents_ = SRRecorderControlStyleComponents::currentComponents();
}

std::shared_ptr<SRRecorderControlStyling> SRRecorderControlStyle::copyStyle() const
{
    return std::make_shared<SRRecorderControlStyle>(identifier_, preferredComponents_);
}

std::optional<String> SRRecorderControlStyle::noValueNormalLabel() const
{
    return SRLocalizedText("Record Shortcut");
}

std::optional<String> SRRecorderControlStyle::noValueDisableLabel() const
{
    return SRLocalizedText("Record Shortcut");
}

std::optional<String> SRRecorderControlStyle::noValueRecordingLabel() const
{
    return SRLocalizedText("Press keys now");
}

// MARK: - Attaching

std::array<std::shared_ptr<NSLayoutGuide>, 7> SRRecorderControlStyle::guides() const
{
    return {alignmentGuide_,          backgroundDrawingGuide_,  labelDrawingGuide_,     cancelButtonDrawingGuide_,
            clearButtonDrawingGuide_, cancelButtonLayoutGuide_, clearButtonLayoutGuide_};
}

void SRRecorderControlStyle::prepareForRecorderControl(SRRecorderControl& control)
{
    if (recorderControl_.lock()) {
        NSAssert(false, "Style was not removed properly.");
        return;
    }
    willChangeValueForKey("recorderControl");
    recorderControl_ = std::static_pointer_cast<SRRecorderControl>(control.shared_from_this());
    didChangeValueForKey("recorderControl");

    try {
        addConstraints();
        recorderControlAppearanceDidChange(Id());
        control.setNeedsDisplay(true);
    } catch (...) {
        // Half attached, the style would be drawn and laid out without its
        // resources: it lets the control go again.
        prepareForRemoval();
        throw;
    }
}

void SRRecorderControlStyle::prepareForRemoval()
{
    auto control = recorderControl_.lock();
    if (!control) {
        NSAssert(false, "Style was not applied properly.");
        return;
    }
    for (const auto& guide : guides())
        control->removeLayoutGuide(guide);
    willChangeValueForKey("recorderControl");
    recorderControl_.reset();
    didChangeValueForKey("recorderControl");
    // The next control gets new constraints, whose constants only a first
    // pass sets: without this a style attached again would keep them at 0
    // and lay its guides out empty.
    currentLookupPrefixes_.clear();
}

void SRRecorderControlStyle::addConstraints()
{
    auto control = recorderControl_.lock();
    if (!control)
        return;
    for (const auto& guide : guides())
        control->addLayoutGuide(guide);

    auto& alignment = alignmentGuide_;
    auto& background = backgroundDrawingGuide_;
    auto& label = labelDrawingGuide_;
    auto& cancel = cancelButtonDrawingGuide_;
    auto& clear = clearButtonDrawingGuide_;
    auto& cancelLayout = cancelButtonLayoutGuide_;
    auto& clearLayout = clearButtonLayoutGuide_;
    // Where a button takes clicks, added to `set`: the full height of the
    // alignment rectangle from the button's leading edge to `trailing`
    // (named by `trailingName`). New objects for each set that holds them.
    auto buttonArea = [&](Constraints& set, const std::shared_ptr<NSLayoutGuide>& area,
                          const std::shared_ptr<NSLayoutGuide>& drawing, const std::string& name,
                          const std::shared_ptr<NSLayoutXAxisAnchor>& trailing, const char* trailingName) {
        set.push_back(named(area->topAnchor()->constraintEqualToAnchor(alignment->topAnchor()),
                            ("SR_" + name + "_topToAlignment").c_str()));
        set.push_back(named(area->leadingAnchor()->constraintEqualToAnchor(drawing->leadingAnchor()),
                            ("SR_" + name + "_leadingToDrawing").c_str()));
        set.push_back(named(area->bottomAnchor()->constraintEqualToAnchor(alignment->bottomAnchor()),
                            ("SR_" + name + "_bottomToAlignment").c_str()));
        set.push_back(named(area->trailingAnchor()->constraintEqualToAnchor(trailing),
                            ("SR_" + name + "_" + trailingName).c_str()));
    };

    backgroundTopConstraint_ = named(alignment->topAnchor()->constraintEqualToAnchor(background->topAnchor()),
                                     "SR_backgroundDrawingGuide_topToAlignment");
    backgroundLeftConstraint_ = named(alignment->leftAnchor()->constraintEqualToAnchor(background->leftAnchor()),
                                      "SR_backgroundDrawingGuide_leftToAlignment");
    backgroundBottomConstraint_ = named(background->bottomAnchor()->constraintEqualToAnchor(alignment->bottomAnchor()),
                                        "SR_backgroundDrawingGuide_bottomToAlignment");
    backgroundRightConstraint_ = named(background->rightAnchor()->constraintEqualToAnchor(alignment->rightAnchor()),
                                       "SR_backgroundDrawingGuide_rightToAlignment");
    alignmentToLabelConstraint_ =
        named(label->leadingAnchor()->constraintGreaterThanOrEqualToAnchor(alignment->leadingAnchor()),
              "SR_labelDrawingGuide_leadingToAlignment");
    alwaysConstraints_ = {
        named(alignment->topAnchor()->constraintEqualToAnchor(control->topAnchor()), "SR_alignmentGuide_topToView"),
        named(alignment->leftAnchor()->constraintEqualToAnchor(control->leftAnchor()), "SR_alignmentGuide_leftToView"),
        named(alignment->rightAnchor()->constraintEqualToAnchor(control->rightAnchor()),
              "SR_alignmentGuide_rightToView"),
        named(alignment->bottomAnchor()->constraintEqualToAnchor(control->bottomAnchor()),
              "SR_alignmentGuide_bottomToView", 750),
        backgroundTopConstraint_,
        backgroundLeftConstraint_,
        backgroundBottomConstraint_,
        backgroundRightConstraint_,
        named(label->topAnchor()->constraintEqualToAnchor(alignment->topAnchor()),
              "SR_labelDrawingGuide_topToAlignment"),
        alignmentToLabelConstraint_,
        named(label->bottomAnchor()->constraintEqualToAnchor(alignment->bottomAnchor()),
              "SR_labelDrawingGuide_bottomToAlignment"),
        // Centred where the label's width and the edges leave room.
        named(label->centerXAnchor()->constraintEqualToAnchor(alignment->centerXAnchor()),
              "SR_labelDrawingGuide_centerXToAlignment", 749),
    };

    labelToAlignmentConstraint_ =
        named(alignment->trailingAnchor()->constraintGreaterThanOrEqualToAnchor(label->trailingAnchor()),
              "SR_labelDrawingGuide_trailingToAlignment");
    displayingConstraints_ = {labelToAlignmentConstraint_};

    // The three constraints both recording sets hold: a new cancel image
    // resizes the button whichever set is active.
    labelToCancelConstraint_ =
        named(cancel->leadingAnchor()->constraintGreaterThanOrEqualToAnchor(label->trailingAnchor()),
              "SR_labelDrawingGuide_trailingToCancel");
    cancelButtonWidthConstraint_ = constant(cancel->widthAnchor(), "SR_cancelButtonDrawingGuide_width");
    cancelButtonHeightConstraint_ = constant(cancel->heightAnchor(), "SR_cancelButtonDrawingGuide_height");
    cancelToAlignmentConstraint_ = named(alignment->trailingAnchor()->constraintEqualToAnchor(cancel->trailingAnchor()),
                                         "SR_cancelButtonDrawingGuide_trailingToAlignment");
    recordingWithNoValueConstraints_ = {
        labelToCancelConstraint_,
        cancelToAlignmentConstraint_,
        named(cancel->centerYAnchor()->constraintEqualToAnchor(alignment->centerYAnchor()),
              "SR_cancelButtonDrawingGuide_centerYAlignment"),
        cancelButtonWidthConstraint_,
        cancelButtonHeightConstraint_,
    };
    buttonArea(recordingWithNoValueConstraints_, cancelLayout, cancel, "cancelButtonLayoutGuide",
               alignment->trailingAnchor(), "trailingToAlignment");

    cancelToClearConstraint_ = named(clear->leadingAnchor()->constraintEqualToAnchor(cancel->trailingAnchor()),
                                     "SR_cancelButtonDrawingGuide_trailingToClear");
    clearToAlignmentConstraint_ = named(alignment->trailingAnchor()->constraintEqualToAnchor(clear->trailingAnchor()),
                                        "SR_clearButtonDrawingGuide_trailingToAlignment");
    clearButtonWidthConstraint_ = constant(clear->widthAnchor(), "SR_clearButtonDrawingGuide_width");
    clearButtonHeightConstraint_ = constant(clear->heightAnchor(), "SR_clearButtonDrawingGuide_height");
    recordingWithValueConstraints_ = {
        labelToCancelConstraint_,
        named(cancel->centerYAnchor()->constraintEqualToAnchor(alignment->centerYAnchor()),
              "SR_cancelButtonDrawingGuide_centerYToAlignment"),
        cancelToClearConstraint_,
        cancelButtonWidthConstraint_,
        cancelButtonHeightConstraint_,
        named(clear->centerYAnchor()->constraintEqualToAnchor(alignment->centerYAnchor()),
              "SR_clearButtonDrawingGuide_centerYToAlignment"),
        clearToAlignmentConstraint_,
        clearButtonWidthConstraint_,
        clearButtonHeightConstraint_,
    };
    buttonArea(recordingWithValueConstraints_, cancelLayout, cancel, "cancelButtonLayoutGuide",
               cancel->trailingAnchor(), "trailingToDrawing");
    buttonArea(recordingWithValueConstraints_, clearLayout, clear, "clearButtonLayoutGuide",
               alignment->trailingAnchor(), "trailingToAlignment");

    control->setNeedsUpdateConstraints(true);
}

// MARK: - The environment

void SRRecorderControlStyle::updateEffectiveComponents()
{
    std::shared_ptr<SRRecorderControlStyleComponents> effective;
    if (preferredComponents_->isSpecified()) {
        effective = preferredComponents_->copy();
    } else {
        auto control = recorderControl_.lock();
        auto current = SRRecorderControlStyleComponents::currentComponentsForView(control.get());
        auto pick = [](NSUInteger preferred, NSUInteger now) -> NSUInteger {
            return preferred ? preferred : now ? now : 1;
        };
        effective = std::make_shared<SRRecorderControlStyleComponents>(
            pick(preferredComponents_->appearance(), current->appearance()),
            pick(preferredComponents_->accessibility(), current->accessibility()),
            pick(preferredComponents_->layoutDirection(), current->layoutDirection()),
            pick(preferredComponents_->tint(), current->tint()));
    }
    // Announced on every pass, changed or not.
    willChangeValueForKey("effectiveComponents");
    effectiveComponents_ = effective;
    didChangeValueForKey("effectiveComponents");
}

void SRRecorderControlStyle::recorderControlAppearanceDidChange(const Id&)
{
    updateEffectiveComponents();
    auto prefixes = resourceLoader().lookupPrefixesForStyle(*this);
    // A finished pass leaves prefixes behind (the bare identifier at least):
    // none means this is the first.
    bool isFirstPass = currentLookupPrefixes_.empty();
    if (!isFirstPass && prefixes == currentLookupPrefixes_)
        return;
    loadImages();
    if (isFirstPass)
        applyMetrics();
    currentLookupPrefixes_ = std::move(prefixes);
}

void SRRecorderControlStyle::loadImages()
{
    auto& loader = resourceLoader();
    auto control = recorderControl_.lock();
    for (std::size_t i = 0; i < std::size(kImages); ++i) {
        const ImageEntry& entry = kImages[i];
        auto image = loader.imageNamed(entry.resourceName, *this);
        if (images_[i] && images_[i]->isEqual(Id(image)))
            continue;
        willChangeValueForKey(entry.property);
        images_[i] = image;
        didChangeValueForKey(entry.property);
        if (!control)
            continue;
        NSRect shown = entry.shows == Shows::Background     ? control->bounds()
                       : entry.shows == Shows::CancelButton ? cancelButtonDrawingGuide_->frame()
                                                            : clearButtonDrawingGuide_->frame();
        if (!CGRectIsEmpty(shown))
            control->setNeedsDisplayInRect(shown);
    }
    if (cancelButtonWidthConstraint_) {
        cancelButtonWidthConstraint_->setConstant(imageWidth(images_[kCancelButton]));
        cancelButtonHeightConstraint_->setConstant(imageHeight(images_[kCancelButton]));
        clearButtonWidthConstraint_->setConstant(imageWidth(images_[kClearButton]));
        clearButtonHeightConstraint_->setConstant(imageHeight(images_[kClearButton]));
    }
}

void SRRecorderControlStyle::applyMetrics()
{
    // Held here, not left to the loader's cache, which may let it go while
    // the metrics are still being read.
    auto info = resourceLoader().infoForStyle(*this);
    const SRRecorderControlStyleMetrics& metrics = info->metrics();
    alignmentRectInsets_ = metrics.alignmentInsets;
    focusRingCornerRadius_ = metrics.focusRingCornerRadius;
    focusRingInsets_ = metrics.focusRingInsets;
    baselineLayoutOffsetFromBottom_ = metrics.baselineLayoutOffsetFromBottom;
    baselineDrawingOffsetFromBottom_ = metrics.baselineDrawingOffsetFromBottom;
    normalLabelAttributes_ = metrics.normalLabelAttributes;
    recordingLabelAttributes_ = metrics.recordingLabelAttributes;
    disabledLabelAttributes_ = metrics.disabledLabelAttributes;

    if (backgroundTopConstraint_) {
        backgroundTopConstraint_->setConstant(alignmentRectInsets_.top);
        backgroundLeftConstraint_->setConstant(alignmentRectInsets_.left);
        backgroundBottomConstraint_->setConstant(alignmentRectInsets_.bottom);
        backgroundRightConstraint_->setConstant(alignmentRectInsets_.right);
        alignmentToLabelConstraint_->setConstant(metrics.alignmentToLabel);
        labelToAlignmentConstraint_->setConstant(metrics.labelToAlignment);
        labelToCancelConstraint_->setConstant(metrics.labelToCancel);
        cancelToAlignmentConstraint_->setConstant(metrics.buttonToAlignment);
        clearToAlignmentConstraint_->setConstant(metrics.buttonToAlignment);
        cancelToClearConstraint_->setConstant(metrics.cancelToClear);
    }
    intrinsicContentSize_ = computeIntrinsicContentSize(metrics);

    if (auto control = recorderControl_.lock()) {
        control->noteFocusRingMaskChanged();
        control->invalidateIntrinsicContentSize();
        control->setNeedsDisplay(true);
    }
}

NSSize SRRecorderControlStyle::computeIntrinsicContentSize(const SRRecorderControlStyleMetrics& metrics) const
{
    // Wide enough for the longest text shown without a value.
    CGFloat labelWidth = larger(larger(measuredWidth(noValueNormalLabel(), normalLabelAttributes_),
                                       measuredWidth(noValueDisableLabel(), disabledLabelAttributes_)),
                                measuredWidth(noValueRecordingLabel(), recordingLabelAttributes_));
    CGFloat buttons = metrics.labelToCancel + imageWidth(images_[kCancelButton]) + metrics.cancelToClear +
                      imageWidth(images_[kClearButton]) + metrics.buttonToAlignment;
    CGFloat trailing = larger(metrics.labelToAlignment, buttons);
    CGFloat contentWidth = labelWidth + metrics.alignmentToLabel + trailing;
    const NSEdgeInsets& insets = alignmentRectInsets_;
    return {larger(contentWidth, std::max(CGFloat(0), metrics.minSize.width - (insets.left + insets.right))),
            std::max(CGFloat(0), metrics.minSize.height - (insets.top + insets.bottom))};
}

// MARK: - Key-value coding

bool SRRecorderControlStyle::automaticallyNotifiesObserversForKey(const String& key) const
{
    if (key == String("recorderControl") || key == String("effectiveComponents"))
        return false;
    return SRRecorderControlStyling::automaticallyNotifiesObserversForKey(key);
}

void SRRecorderControlStyle::describe(ClassDescriptor& d)
{
    using Self = SRRecorderControlStyle;
    d.property<Self>("recorderControl", [](Self& s) { return Id(s.recorderControl()); });
    d.property<Self>("effectiveComponents", [](Self& s) { return Id(s.effectiveComponents()); });
    for (std::size_t i = 0; i < std::size(kImages); ++i)
        d.property<Self>(kImages[i].property, [i](Self& s) { return Id(s.images_[i]); });
}
