#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/NSRange.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

using NSAttributedStringKey = String;

// An NSFont; without one, text is set in the system font at 12 points.
extern const NSAttributedStringKey NSFontAttributeName;
// An NSColor; without one, text is black.
extern const NSAttributedStringKey NSForegroundColorAttributeName;
// An NSColor filling the line behind the text; none by default.
extern const NSAttributedStringKey NSBackgroundColorAttributeName;
// An NSParagraphStyle; the default style without one. The first
// character's style is the whole text's.
extern const NSAttributedStringKey NSParagraphStyleAttributeName;
// A number of points added after each character.
extern const NSAttributedStringKey NSKernAttributeName;
// A number: 0 no underline, 1 single, 2 thick, 9 double.
extern const NSAttributedStringKey NSUnderlineStyleAttributeName;
// A number of points to raise the text from its baseline.
extern const NSAttributedStringKey NSBaselineOffsetAttributeName;

using NSStringDrawingOptions = NSInteger;
// The rectangle's origin is the top left of the text, which wraps within
// its width. Without it the text is one line whose baseline starts at the
// origin.
inline constexpr NSStringDrawingOptions NSStringDrawingUsesLineFragmentOrigin = 1 << 0;
// Lines are as high as the font's line height including its leading; they
// always are here.
inline constexpr NSStringDrawingOptions NSStringDrawingUsesFontLeading = 1 << 1;
// Bounds are those of the drawn glyphs rather than of the lines.
inline constexpr NSStringDrawingOptions NSStringDrawingUsesDeviceMetrics = 1 << 3;
// The last line that fits the height ends in an ellipsis when text is cut.
inline constexpr NSStringDrawingOptions NSStringDrawingTruncatesLastVisibleLine = 1 << 5;

// Text with attributes over ranges of it (UTF-16 units). Drawing and
// measuring lay it out with pango.
class NSAttributedString : public NSObject {
    KS_OBJECT(NSAttributedString, NSObject)

public:
    struct Run {
        NSRange range;
        Dictionary attributes;
    };

    explicit NSAttributedString(String text = String(), Dictionary attributes = Dictionary());

    const String& string() const { return text_; }
    std::size_t length() const { return text_.length(); }
    // Runs cover the whole text, in order, without gaps.
    const std::vector<Run>& runs() const { return runs_; }
    // An empty dictionary past the end.
    Dictionary attributesAtIndex(std::size_t index, NSRange* effectiveRange = nullptr) const;
    Id attributeAtIndex(const NSAttributedStringKey& key, std::size_t index, NSRange* effectiveRange = nullptr) const;

    // The size of the text on one line (or several, at its line breaks).
    NSSize size() const;
    // At the point: the top left of the text in a flipped view, its bottom
    // left in an unflipped one.
    void drawAtPoint(NSPoint point) const;
    // Wrapped (or truncated, as the paragraph style says) within the
    // rectangle, from its top, and clipped to it.
    void drawInRect(NSRect rect) const;
    NSRect boundingRectWithSize(NSSize size, NSStringDrawingOptions options) const;
    void drawWithRect(NSRect rect, NSStringDrawingOptions options) const;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

protected:
    // Joins neighbouring runs with equal attributes.
    void coalesce();

    String text_;
    std::vector<Run> runs_;
};

class NSMutableAttributedString : public NSAttributedString {
    KS_OBJECT(NSMutableAttributedString, NSAttributedString)

public:
    using NSAttributedString::NSAttributedString;

    void appendAttributedString(const NSAttributedString& other);
    // Ranges past the end are cut to the text.
    void setAttributes(const Dictionary& attributes, NSRange range);
    void addAttribute(const NSAttributedStringKey& key, const Id& value, NSRange range);
    void addAttributes(const Dictionary& attributes, NSRange range);
    void removeAttribute(const NSAttributedStringKey& key, NSRange range);

private:
    template <class F> void editRange(NSRange range, F&& edit);
};

// Text drawing for plain strings with one set of attributes, as the
// attributed string's members do it.
NSSize sizeWithAttributes(const String& text, const Dictionary& attributes);
void drawAtPoint(const String& text, NSPoint point, const Dictionary& attributes);
void drawInRect(const String& text, NSRect rect, const Dictionary& attributes);
NSRect boundingRectWithSize(const String& text, NSSize size, NSStringDrawingOptions options,
                            const Dictionary& attributes);
void drawWithRect(const String& text, NSRect rect, NSStringDrawingOptions options, const Dictionary& attributes);
