#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/NSObject.h"

#include <memory>

// With the platform's raw values.
enum NSTextAlignment : NSInteger {
    NSTextAlignmentLeft = 0,
    NSTextAlignmentRight = 1,
    NSTextAlignmentCenter = 2,
    NSTextAlignmentJustified = 3,
    // Left in left-to-right text, right in right-to-left text.
    NSTextAlignmentNatural = 4,
};

enum NSLineBreakMode : NSUInteger {
    NSLineBreakByWordWrapping = 0,
    NSLineBreakByCharWrapping = 1,
    NSLineBreakByClipping = 2,
    NSLineBreakByTruncatingHead = 3,
    NSLineBreakByTruncatingTail = 4,
    NSLineBreakByTruncatingMiddle = 5,
};

// How the lines of a paragraph are placed: alignment, breaking and
// truncation, and extra space between lines.
class NSParagraphStyle : public NSObject {
    KS_OBJECT(NSParagraphStyle, NSObject)

public:
    NSParagraphStyle() = default;
    // Natural alignment, word wrapping, no extra spacing.
    static std::shared_ptr<NSParagraphStyle> defaultParagraphStyle();

    NSTextAlignment alignment() const { return alignment_; }
    NSLineBreakMode lineBreakMode() const { return lineBreakMode_; }
    CGFloat lineSpacing() const { return lineSpacing_; }

    std::shared_ptr<class NSMutableParagraphStyle> mutableCopy() const;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;

protected:
    NSTextAlignment alignment_ = NSTextAlignmentNatural;
    NSLineBreakMode lineBreakMode_ = NSLineBreakByWordWrapping;
    CGFloat lineSpacing_ = 0;
};

class NSMutableParagraphStyle : public NSParagraphStyle {
    KS_OBJECT(NSMutableParagraphStyle, NSParagraphStyle)

public:
    void setAlignment(NSTextAlignment alignment) { alignment_ = alignment; }
    void setLineBreakMode(NSLineBreakMode mode) { lineBreakMode_ = mode; }
    void setLineSpacing(CGFloat spacing) { lineSpacing_ = spacing; }
};
