#pragma once

#include "shortcut-library/SRRecorderControlStyling.h"

#include <memory>

namespace detail {

// A look of fixed metrics for the recorder until its real style takes over:
// a label guide and an alignment guide over the whole control, two button
// guides at its trailing end while it records, and no images (so the
// control fills its background and draws its label in plain colours).
class SRRecorderControlPlainStyle : public SRRecorderControlStyling {
    KS_OBJECT(SRRecorderControlPlainStyle, SRRecorderControlStyling)

public:
    static constexpr CGFloat kHeight = 25;
    static constexpr CGFloat kMinimalWidth = 100;
    static constexpr CGFloat kButtonSize = 14;
    static constexpr CGFloat kButtonSpacing = 4;

    SRRecorderControlPlainStyle();

    std::shared_ptr<SRRecorderControlStyling> copyStyle() const override;
    bool isEqual(const Id& other) const override;

    String identifier() const override { return String("plain"); }
    bool allowsVibrancy() const override { return false; }
    bool isOpaque() const override { return false; }
    bool isLabelDrawingFrameOpaque() const override { return true; }
    CGFloat baselineDrawingOffsetFromBottom() const override { return 7; }
    NSEdgeInsets alignmentRectInsets() const override { return NSEdgeInsetsZero; }
    NSSize intrinsicContentSize() const override { return {kMinimalWidth, kHeight}; }
    std::shared_ptr<NSLayoutGuide> alignmentGuide() const override { return alignmentGuide_; }
    std::shared_ptr<NSLayoutGuide> labelDrawingGuide() const override { return labelDrawingGuide_; }
    Constraints alwaysConstraints() const override { return alwaysConstraints_; }
    Constraints displayingConstraints() const override { return displayingConstraints_; }
    Constraints recordingWithNoValueConstraints() const override { return recordingWithNoValueConstraints_; }
    Constraints recordingWithValueConstraints() const override { return recordingWithValueConstraints_; }

    void prepareForRecorderControl(SRRecorderControl& control) override;
    void prepareForRemoval() override;

    std::shared_ptr<NSLayoutGuide> backgroundDrawingGuide() const override { return alignmentGuide_; }
    std::shared_ptr<NSLayoutGuide> cancelButtonDrawingGuide() const override { return cancelButtonGuide_; }
    std::shared_ptr<NSLayoutGuide> clearButtonDrawingGuide() const override { return clearButtonGuide_; }

private:
    std::weak_ptr<SRRecorderControl> control_;
    std::shared_ptr<NSLayoutGuide> alignmentGuide_;
    std::shared_ptr<NSLayoutGuide> labelDrawingGuide_;
    std::shared_ptr<NSLayoutGuide> cancelButtonGuide_;
    std::shared_ptr<NSLayoutGuide> clearButtonGuide_;
    Constraints alwaysConstraints_;
    Constraints displayingConstraints_;
    Constraints recordingWithNoValueConstraints_;
    Constraints recordingWithValueConstraints_;
};

}  // namespace detail
