#pragma once

#include "appkit/NSView.h"
#include "foundation/String.h"

#include <memory>

class NSColor;

// With the platform's raw values.
enum NSBoxType : NSUInteger {
    NSBoxPrimary = 0,
    NSBoxSeparator = 2,
    NSBoxCustom = 4,
};

enum NSTitlePosition : NSUInteger {
    NSNoTitle = 0,
    NSAboveTop = 1,
    NSAtTop = 2,
    NSBelowTop = 3,
    NSAboveBottom = 4,
    NSAtBottom = 5,
    NSBelowBottom = 6,
};

// A box behind other views. A custom box fills its bounds with its fill
// colour inside rounded corners and draws its border inside the edge; a
// primary box draws the standard group panel, with its title above it; a
// separator is a line across its longer side.
class NSBox : public NSView {
    KS_OBJECT(NSBox, NSView)

public:
    explicit NSBox(NSRect frame = NSZeroRect);

    NSBoxType boxType() const { return boxType_; }
    void setBoxType(NSBoxType type);
    // Custom boxes only. Clear unless set.
    std::shared_ptr<NSColor> fillColor() const;
    void setFillColor(const std::shared_ptr<NSColor>& color);
    // Custom boxes only. The separator colour unless set.
    std::shared_ptr<NSColor> borderColor() const;
    void setBorderColor(const std::shared_ptr<NSColor>& color);
    CGFloat borderWidth() const { return borderWidth_; }
    void setBorderWidth(CGFloat width);
    CGFloat cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(CGFloat radius);
    // A transparent box draws nothing.
    bool isTransparent() const { return transparent_; }
    void setTransparent(bool transparent);
    const String& title() const { return title_; }
    void setTitle(const String& title);
    NSTitlePosition titlePosition() const { return titlePosition_; }
    void setTitlePosition(NSTitlePosition position);

    void drawRect(NSRect dirtyRect) override;

protected:
    static void describe(ClassDescriptor& d);

private:
    NSBoxType boxType_ = NSBoxPrimary;
    std::shared_ptr<NSColor> fillColor_;
    std::shared_ptr<NSColor> borderColor_;
    CGFloat borderWidth_ = 1;
    CGFloat cornerRadius_ = 0;
    bool transparent_ = false;
    String title_;
    NSTitlePosition titlePosition_ = NSAtTop;
};
