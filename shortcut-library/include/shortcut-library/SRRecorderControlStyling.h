#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSEdgeInsets.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <optional>
#include <vector>

class NSImage;
class NSLayoutConstraint;
class NSLayoutGuide;
class SRRecorderControl;
class SRRecorderControlStyleComponents;

// What a recorder control asks of the object that gives it its look: the
// layout guides it draws its background, label and buttons in, the four sets
// of constraints between them, and the metrics its layout answers come from.
//
// The pure members are required. Every other member is optional: its default
// body answers "not there" (nullptr, nullopt, false) and the control then
// falls back to a look of its own (its own texts, a plain fill, nothing
// drawn for a button without an image).
//
// A style is a value to its control: the control keeps a copy of the style
// it is given.
class SRRecorderControlStyling : public NSObject {
    KS_OBJECT(SRRecorderControlStyling, NSObject)

public:
    using Constraints = std::vector<std::shared_ptr<NSLayoutConstraint>>;

    // A copy for another control; what it was attached to is not copied.
    virtual std::shared_ptr<SRRecorderControlStyling> copyStyle() const = 0;

    // --- Required ---
    virtual String identifier() const = 0;
    virtual bool allowsVibrancy() const = 0;
    virtual bool isOpaque() const = 0;
    virtual bool isLabelDrawingFrameOpaque() const = 0;
    virtual CGFloat baselineDrawingOffsetFromBottom() const = 0;
    virtual NSEdgeInsets alignmentRectInsets() const = 0;
    virtual NSSize intrinsicContentSize() const = 0;
    virtual std::shared_ptr<NSLayoutGuide> alignmentGuide() const = 0;
    virtual std::shared_ptr<NSLayoutGuide> labelDrawingGuide() const = 0;
    virtual Constraints alwaysConstraints() const = 0;
    virtual Constraints displayingConstraints() const = 0;
    virtual Constraints recordingWithNoValueConstraints() const = 0;
    virtual Constraints recordingWithValueConstraints() const = 0;

    // --- Optional ---

    // Attaching to a control and leaving it. A style whose attaching raises
    // undoes what it did first: the control only lets go of it.
    virtual void prepareForRecorderControl(SRRecorderControl& /*control*/) { }
    virtual void prepareForRemoval() { }
    // Whether the style wants recorderControlAppearanceDidChange: at all.
    virtual bool respondsToRecorderControlAppearanceDidChange() const { return false; }
    virtual void recorderControlAppearanceDidChange(const Id& /*reason*/) { }
    virtual std::shared_ptr<SRRecorderControlStyleComponents> preferredComponents() const { return nullptr; }

    virtual std::optional<Dictionary> normalLabelAttributes() const { return std::nullopt; }
    virtual std::optional<Dictionary> recordingLabelAttributes() const { return std::nullopt; }
    virtual std::optional<Dictionary> disabledLabelAttributes() const { return std::nullopt; }

    virtual std::shared_ptr<NSImage> bezelNormalLeft() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelNormalCenter() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelNormalRight() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelPressedLeft() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelPressedCenter() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelPressedRight() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelRecordingLeft() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelRecordingCenter() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelRecordingRight() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelDisabledLeft() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelDisabledCenter() const { return nullptr; }
    virtual std::shared_ptr<NSImage> bezelDisabledRight() const { return nullptr; }
    virtual std::shared_ptr<NSImage> cancelButton() const { return nullptr; }
    virtual std::shared_ptr<NSImage> cancelButtonPressed() const { return nullptr; }
    virtual std::shared_ptr<NSImage> clearButton() const { return nullptr; }
    virtual std::shared_ptr<NSImage> clearButtonPressed() const { return nullptr; }

    virtual std::optional<String> noValueNormalLabel() const { return std::nullopt; }
    virtual std::optional<String> noValueDisableLabel() const { return std::nullopt; }
    virtual std::optional<String> noValueRecordingLabel() const { return std::nullopt; }
    virtual std::optional<String> normalTooltip() const { return std::nullopt; }
    virtual std::optional<String> disabledTooltip() const { return std::nullopt; }
    virtual std::optional<String> recordingTooltip() const { return std::nullopt; }
    virtual std::optional<String> cancelButtonTooltip() const { return std::nullopt; }
    virtual std::optional<String> clearButtonTooltip() const { return std::nullopt; }

    virtual std::optional<NSSize> focusRingCornerRadius() const { return std::nullopt; }
    virtual std::optional<NSEdgeInsets> focusRingInsets() const { return std::nullopt; }
    virtual std::optional<CGFloat> baselineLayoutOffsetFromBottom() const { return std::nullopt; }

    virtual std::shared_ptr<NSLayoutGuide> backgroundDrawingGuide() const { return nullptr; }
    virtual std::shared_ptr<NSLayoutGuide> cancelButtonDrawingGuide() const { return nullptr; }
    virtual std::shared_ptr<NSLayoutGuide> clearButtonDrawingGuide() const { return nullptr; }
    virtual std::shared_ptr<NSLayoutGuide> cancelButtonLayoutGuide() const { return nullptr; }
    virtual std::shared_ptr<NSLayoutGuide> clearButtonLayoutGuide() const { return nullptr; }

protected:
    // The guides and preferred components as key paths a control observes,
    // and "recorderControlAppearanceDidChange:" as a message.
    static void describe(ClassDescriptor& d);
};
