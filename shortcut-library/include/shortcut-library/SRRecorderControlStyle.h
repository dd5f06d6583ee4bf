#pragma once

#include "shortcut-library/SRRecorderControlStyleComponents.h"
#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"
#include "shortcut-library/SRRecorderControlStyling.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

// The recorder's own look, drawn from the library's style resources: a
// three-part bezel for each state, the cancel and clear buttons, label
// attributes and metrics (SRRecorderControlStyleResourceLoader).
//
// Seven layout guides divide the control: the alignment rectangle, the
// background around it (grown by the alignment insets), the label, and a
// drawing and a mouse-tracking guide for each button. Four sets of
// constraints place them; the control keeps the always set and the one set
// of its state active. The label stays "alignmentToLabel" from the leading
// edge and is centred where it can be; while recording, the cancel button
// (and with a value the clear button after it) sits at the trailing end.
//
// Each pass over the environment (recorderControlAppearanceDidChange, which
// the control schedules when the look, contrast, tint, direction or
// backing change) works out the variant that fits best; when that gives
// other resources the images and button sizes are loaded again. Metrics,
// attributes and the intrinsic size depend on the identifier alone and are
// set by the first pass.
//
// One style serves one control; a copy is a new, unattached style with the
// same identifier and preferred components. Main thread only, except the
// shared loader, which locks itself.
class SRRecorderControlStyle : public SRRecorderControlStyling, public SRRecorderControlStyleResourceClient {
    KS_OBJECT(SRRecorderControlStyle, SRRecorderControlStyling)

public:
    // The loader every style of the process shares, made on first use.
    static SRRecorderControlStyleResourceLoader& resourceLoader();

    // The style for this system ("sr-mojave" from 10.14 on, "sr-yosemite"
    // before) with nothing preferred: it follows the control's environment.
    SRRecorderControlStyle();
    // The identifier names the resources; the preferred components fix
    // what they specify and leave the rest to the environment. Either may
    // be missing.
    SRRecorderControlStyle(std::optional<String> identifier,
                           std::shared_ptr<SRRecorderControlStyleComponents> preferredComponents);

    std::shared_ptr<SRRecorderControlStyling> copyStyle() const override;

    // --- Required ---
    String identifier() const override { return identifier_; }
    bool allowsVibrancy() const override { return false; }
    bool isOpaque() const override { return false; }
    bool isLabelDrawingFrameOpaque() const override { return true; }
    CGFloat baselineDrawingOffsetFromBottom() const override { return baselineDrawingOffsetFromBottom_; }
    NSEdgeInsets alignmentRectInsets() const override { return alignmentRectInsets_; }
    NSSize intrinsicContentSize() const override { return intrinsicContentSize_; }
    std::shared_ptr<NSLayoutGuide> alignmentGuide() const override { return alignmentGuide_; }
    std::shared_ptr<NSLayoutGuide> labelDrawingGuide() const override { return labelDrawingGuide_; }
    Constraints alwaysConstraints() const override { return alwaysConstraints_; }
    Constraints displayingConstraints() const override { return displayingConstraints_; }
    Constraints recordingWithNoValueConstraints() const override { return recordingWithNoValueConstraints_; }
    Constraints recordingWithValueConstraints() const override { return recordingWithValueConstraints_; }

    // --- Attaching ---

    // Adds the guides to the control, builds the constraint sets and makes
    // the first pass. Attaching an attached style is an assertion failure.
    // Where the first pass raises (a fault of the resources), the style
    // takes its guides back and is left unattached before the exception
    // goes on.
    void prepareForRecorderControl(SRRecorderControl& control) override;
    // Takes the guides back. A style detached and attached again (to that
    // control or another) lays itself out anew. Detaching a style that
    // isn't attached is an assertion failure.
    void prepareForRemoval() override;
    std::shared_ptr<SRRecorderControl> recorderControl() const { return recorderControl_.lock(); }
    // Adds the guides and makes the constraints; attaching calls it.
    void addConstraints();

    // --- The environment ---

    bool respondsToRecorderControlAppearanceDidChange() const override { return true; }
    // The pass over the environment; `reason` is not read. A fault of the
    // style's resources raises the loader's exception and leaves the pass
    // unfinished: the next pass tries again.
    void recorderControlAppearanceDidChange(const Id& reason) override;
    std::shared_ptr<SRRecorderControlStyleComponents> preferredComponents() const override
    {
        return preferredComponents_;
    }
    // What the last pass resolved the preferred components to: each one the
    // preferred value, else the environment's, else the usual one (aqua, no
    // accessibility option, left to right, blue). Announced at every pass.
    std::shared_ptr<SRRecorderControlStyleComponents> effectiveComponents() const override
    {
        return effectiveComponents_;
    }
    // The resource prefixes of the last pass, best first; empty before it.
    const std::vector<String>& currentLookupPrefixes() const { return currentLookupPrefixes_; }

    // --- What the control draws with ---

    std::optional<Dictionary> normalLabelAttributes() const override { return normalLabelAttributes_; }
    std::optional<Dictionary> recordingLabelAttributes() const override { return recordingLabelAttributes_; }
    std::optional<Dictionary> disabledLabelAttributes() const override { return disabledLabelAttributes_; }

    std::shared_ptr<NSImage> bezelNormalLeft() const override { return images_[0]; }
    std::shared_ptr<NSImage> bezelNormalCenter() const override { return images_[1]; }
    std::shared_ptr<NSImage> bezelNormalRight() const override { return images_[2]; }
    std::shared_ptr<NSImage> bezelPressedLeft() const override { return images_[3]; }
    std::shared_ptr<NSImage> bezelPressedCenter() const override { return images_[4]; }
    std::shared_ptr<NSImage> bezelPressedRight() const override { return images_[5]; }
    std::shared_ptr<NSImage> bezelRecordingLeft() const override { return images_[6]; }
    std::shared_ptr<NSImage> bezelRecordingCenter() const override { return images_[7]; }
    std::shared_ptr<NSImage> bezelRecordingRight() const override { return images_[8]; }
    std::shared_ptr<NSImage> bezelDisabledLeft() const override { return images_[9]; }
    std::shared_ptr<NSImage> bezelDisabledCenter() const override { return images_[10]; }
    std::shared_ptr<NSImage> bezelDisabledRight() const override { return images_[11]; }
    std::shared_ptr<NSImage> cancelButton() const override { return images_[12]; }
    std::shared_ptr<NSImage> cancelButtonPressed() const override { return images_[13]; }
    std::shared_ptr<NSImage> clearButton() const override { return images_[14]; }
    std::shared_ptr<NSImage> clearButtonPressed() const override { return images_[15]; }

    // The library's texts, asked afresh each time. The tool tips are the
    // control's own.
    std::optional<String> noValueNormalLabel() const override;
    std::optional<String> noValueDisableLabel() const override;
    std::optional<String> noValueRecordingLabel() const override;

    std::optional<NSSize> focusRingCornerRadius() const override { return focusRingCornerRadius_; }
    std::optional<NSEdgeInsets> focusRingInsets() const override { return focusRingInsets_; }
    std::optional<CGFloat> baselineLayoutOffsetFromBottom() const override { return baselineLayoutOffsetFromBottom_; }

    std::shared_ptr<NSLayoutGuide> backgroundDrawingGuide() const override { return backgroundDrawingGuide_; }
    std::shared_ptr<NSLayoutGuide> cancelButtonDrawingGuide() const override { return cancelButtonDrawingGuide_; }
    std::shared_ptr<NSLayoutGuide> clearButtonDrawingGuide() const override { return clearButtonDrawingGuide_; }
    std::shared_ptr<NSLayoutGuide> cancelButtonLayoutGuide() const override { return cancelButtonLayoutGuide_; }
    std::shared_ptr<NSLayoutGuide> clearButtonLayoutGuide() const override { return clearButtonLayoutGuide_; }

protected:
    static void describe(ClassDescriptor& d);
    bool automaticallyNotifiesObserversForKey(const String& key) const override;

private:
    // The seven guides, in the order they are added to the control.
    std::array<std::shared_ptr<NSLayoutGuide>, 7> guides() const;
    void updateEffectiveComponents();
    void loadImages();
    void applyMetrics();
    NSSize computeIntrinsicContentSize(const SRRecorderControlStyleMetrics& metrics) const;

    std::vector<String> currentLookupPrefixes_;

    std::shared_ptr<NSLayoutConstraint> backgroundTopConstraint_;
    std::shared_ptr<NSLayoutConstraint> backgroundLeftConstraint_;
    std::shared_ptr<NSLayoutConstraint> backgroundBottomConstraint_;
    std::shared_ptr<NSLayoutConstraint> backgroundRightConstraint_;
    std::shared_ptr<NSLayoutConstraint> alignmentToLabelConstraint_;
    std::shared_ptr<NSLayoutConstraint> labelToAlignmentConstraint_;
    std::shared_ptr<NSLayoutConstraint> labelToCancelConstraint_;
    std::shared_ptr<NSLayoutConstraint> cancelToAlignmentConstraint_;
    std::shared_ptr<NSLayoutConstraint> clearToAlignmentConstraint_;
    std::shared_ptr<NSLayoutConstraint> cancelButtonHeightConstraint_;
    std::shared_ptr<NSLayoutConstraint> cancelButtonWidthConstraint_;
    std::shared_ptr<NSLayoutConstraint> clearButtonHeightConstraint_;
    std::shared_ptr<NSLayoutConstraint> clearButtonWidthConstraint_;
    std::shared_ptr<NSLayoutConstraint> cancelToClearConstraint_;

    String identifier_;
    std::optional<Dictionary> normalLabelAttributes_;
    std::optional<Dictionary> recordingLabelAttributes_;
    std::optional<Dictionary> disabledLabelAttributes_;
    // In the order of the protocol: the bezels by state (left, centre,
    // right), then cancel, cancel pressed, clear, clear pressed.
    std::array<std::shared_ptr<NSImage>, 16> images_;
    CGFloat baselineLayoutOffsetFromBottom_ = 0;
    CGFloat baselineDrawingOffsetFromBottom_ = 0;

    std::shared_ptr<NSLayoutGuide> alignmentGuide_;
    std::shared_ptr<NSLayoutGuide> backgroundDrawingGuide_;
    std::shared_ptr<NSLayoutGuide> labelDrawingGuide_;
    std::shared_ptr<NSLayoutGuide> cancelButtonDrawingGuide_;
    std::shared_ptr<NSLayoutGuide> clearButtonDrawingGuide_;
    std::shared_ptr<NSLayoutGuide> cancelButtonLayoutGuide_;
    std::shared_ptr<NSLayoutGuide> clearButtonLayoutGuide_;

    Constraints alwaysConstraints_;
    Constraints displayingConstraints_;
    Constraints recordingWithNoValueConstraints_;
    Constraints recordingWithValueConstraints_;

    std::shared_ptr<SRRecorderControlStyleComponents> preferredComponents_;
    std::weak_ptr<SRRecorderControl> recorderControl_;
    std::shared_ptr<SRRecorderControlStyleComponents> effectiveComponents_;
    NSSize focusRingCornerRadius_ = NSZeroSize;
    NSSize intrinsicContentSize_;
    NSEdgeInsets focusRingInsets_;
    NSEdgeInsets alignmentRectInsets_;
};
