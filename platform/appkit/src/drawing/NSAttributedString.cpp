#include "appkit/NSAttributedString.h"

#include "appkit/NSGraphicsContext.h"
#include "drawing/TextLayout.h"

#include <algorithm>
#include <cmath>

const NSAttributedStringKey NSFontAttributeName = "NSFont";
const NSAttributedStringKey NSForegroundColorAttributeName = "NSColor";
const NSAttributedStringKey NSBackgroundColorAttributeName = "NSBackgroundColor";
const NSAttributedStringKey NSParagraphStyleAttributeName = "NSParagraphStyle";
const NSAttributedStringKey NSKernAttributeName = "NSKern";
const NSAttributedStringKey NSUnderlineStyleAttributeName = "NSUnderline";
const NSAttributedStringKey NSBaselineOffsetAttributeName = "NSBaselineOffset";

NSAttributedString::NSAttributedString(String text, Dictionary attributes)
    : text_(std::move(text))
{
    if (!text_.empty())
        runs_.push_back({{0, text_.length()}, std::move(attributes)});
}

Dictionary NSAttributedString::attributesAtIndex(std::size_t index, NSRange* effectiveRange) const
{
    for (const auto& run : runs_) {
        if (NSLocationInRange(index, run.range)) {
            if (effectiveRange)
                *effectiveRange = run.range;
            return run.attributes;
        }
    }
    if (effectiveRange)
        *effectiveRange = {NSNotFound, 0};
    return Dictionary();
}

Id NSAttributedString::attributeAtIndex(const NSAttributedStringKey& key, std::size_t index,
                                        NSRange* effectiveRange) const
{
    return attributesAtIndex(index, effectiveRange).objectForKey(key);
}

void NSAttributedString::coalesce()
{
    std::vector<Run> joined;
    for (auto& run : runs_) {
        if (run.range.length == 0)
            continue;
        if (!joined.empty() && joined.back().attributes == run.attributes)
            joined.back().range.length += run.range.length;
        else
            joined.push_back(std::move(run));
    }
    runs_ = std::move(joined);
}

namespace {

using detail::TextLayoutRequest;

NSSize measured(const NSAttributedString& text)
{
    if (text.length() == 0)
        return NSZeroSize;
    return detail::layOutText(text, {}, false).size;
}

// Draws with the lines' top left at the rectangle's visual top left,
// clipped to it when asked.
void drawLaidOut(const NSAttributedString& text, const TextLayoutRequest& request, NSRect rect, bool clips)
{
    auto context = NSGraphicsContext::currentContext();
    if (!context || text.length() == 0)
        return;
    auto layout = detail::layOutText(text, request, true);
    CGContextRef cg = context->CGContext();
    CGContextSaveGState(cg);
    if (clips)
        CGContextClipToRect(cg, rect);
    rect = CGRectStandardize(rect);
    CGFloat top = context->isFlipped() ? rect.origin.y : rect.origin.y + rect.size.height;
    detail::drawTextLayout(layout, *context, rect.origin.x + layout.offsetX, top);
    CGContextRestoreGState(cg);
}

}  // namespace

NSSize NSAttributedString::size() const
{
    return measured(*this);
}

void NSAttributedString::drawAtPoint(NSPoint point) const
{
    NSSize size = measured(*this);
    drawLaidOut(*this, {.followsLineBreakMode = false}, {point, size}, false);
}

void NSAttributedString::drawInRect(NSRect rect) const
{
    rect = CGRectStandardize(rect);
    drawLaidOut(*this, {.width = rect.size.width, .height = rect.size.height}, rect, true);
}

NSRect NSAttributedString::boundingRectWithSize(NSSize size, NSStringDrawingOptions options) const
{
    if (length() == 0)
        return NSZeroRect;
    bool lineFragments = options & NSStringDrawingUsesLineFragmentOrigin;
    TextLayoutRequest request;
    if (lineFragments) {
        request.width = size.width > 0 ? size.width : -1;
        request.height = size.height > 0 ? size.height : -1;
        request.truncatesLastLine = options & NSStringDrawingTruncatesLastVisibleLine;
    } else {
        request.followsLineBreakMode = false;
    }
    auto layout = detail::layOutText(*this, request, false);
    NSRect lines = {NSZeroPoint, layout.size};
    NSRect glyphs = layout.inkRect;
    if (lineFragments)
        return options & NSStringDrawingUsesDeviceMetrics ? glyphs : lines;
    // One line on its baseline, in y-up terms: the descent lies below zero.
    if (options & NSStringDrawingUsesDeviceMetrics)
        return {{glyphs.origin.x, layout.baseline - (glyphs.origin.y + glyphs.size.height)}, glyphs.size};
    return {{0, layout.baseline - layout.size.height}, layout.size};
}

void NSAttributedString::drawWithRect(NSRect rect, NSStringDrawingOptions options) const
{
    if (options & NSStringDrawingUsesLineFragmentOrigin) {
        rect = CGRectStandardize(rect);
        drawLaidOut(*this,
                    {.width = rect.size.width,
                     .height = rect.size.height,
                     .truncatesLastLine = bool(options & NSStringDrawingTruncatesLastVisibleLine)},
                    rect, false);
        return;
    }
    // The origin is where the baseline starts. The text is one line; given
    // a width, its paragraph's alignment and truncation apply within it.
    auto context = NSGraphicsContext::currentContext();
    if (!context || length() == 0)
        return;
    rect = CGRectStandardize(rect);
    detail::TextLayoutRequest request{.followsLineBreakMode = false};
    if (rect.size.width > 0)
        request = {.width = rect.size.width, .singleLine = true};
    auto layout = detail::layOutText(*this, request, true);
    CGFloat top = context->isFlipped() ? rect.origin.y - layout.baseline : rect.origin.y + layout.baseline;
    detail::drawTextLayout(layout, *context, rect.origin.x + layout.offsetX, top);
}

bool NSAttributedString::isEqual(const Id& other) const
{
    auto string = other.object<NSAttributedString>();
    if (!string || string->text_ != text_ || string->runs_.size() != runs_.size())
        return false;
    for (std::size_t i = 0; i < runs_.size(); ++i)
        if (runs_[i].range != string->runs_[i].range || !(runs_[i].attributes == string->runs_[i].attributes))
            return false;
    return true;
}

std::size_t NSAttributedString::hash() const
{
    return text_.hash();
}

String NSAttributedString::description() const
{
    return text_;
}

template <class F> void NSMutableAttributedString::editRange(NSRange range, F&& edit)
{
    std::size_t start = std::min(range.location, length());
    std::size_t end = std::min(NSMaxRange(range), length());
    if (start >= end)
        return;
    std::vector<Run> split;
    for (auto& run : runs_) {
        std::size_t runStart = run.range.location, runEnd = NSMaxRange(run.range);
        std::size_t cuts[] = {runStart, std::clamp(start, runStart, runEnd), std::clamp(end, runStart, runEnd), runEnd};
        for (int i = 0; i < 3; ++i) {
            if (cuts[i + 1] <= cuts[i])
                continue;
            Run piece{{cuts[i], cuts[i + 1] - cuts[i]}, run.attributes};
            if (i == 1)
                edit(piece.attributes);
            split.push_back(std::move(piece));
        }
    }
    runs_ = std::move(split);
    coalesce();
}

void NSMutableAttributedString::appendAttributedString(const NSAttributedString& other)
{
    std::size_t offset = length();
    text_ = text_.appending(other.string());
    for (const auto& run : other.runs())
        runs_.push_back({{run.range.location + offset, run.range.length}, run.attributes});
    coalesce();
}

void NSMutableAttributedString::setAttributes(const Dictionary& attributes, NSRange range)
{
    editRange(range, [&](Dictionary& current) { current = attributes; });
}

void NSMutableAttributedString::addAttribute(const NSAttributedStringKey& key, const Id& value, NSRange range)
{
    editRange(range, [&](Dictionary& current) { current.setObject(value, Id(key)); });
}

void NSMutableAttributedString::addAttributes(const Dictionary& attributes, NSRange range)
{
    editRange(range, [&](Dictionary& current) {
        for (const auto& [key, value] : attributes)
            current.setObject(value, key);
    });
}

void NSMutableAttributedString::removeAttribute(const NSAttributedStringKey& key, NSRange range)
{
    editRange(range, [&](Dictionary& current) { current.removeObject(Id(key)); });
}

NSSize sizeWithAttributes(const String& text, const Dictionary& attributes)
{
    return NSAttributedString(text, attributes).size();
}

void drawAtPoint(const String& text, NSPoint point, const Dictionary& attributes)
{
    NSAttributedString(text, attributes).drawAtPoint(point);
}

void drawInRect(const String& text, NSRect rect, const Dictionary& attributes)
{
    NSAttributedString(text, attributes).drawInRect(rect);
}

NSRect boundingRectWithSize(const String& text, NSSize size, NSStringDrawingOptions options,
                            const Dictionary& attributes)
{
    return NSAttributedString(text, attributes).boundingRectWithSize(size, options);
}

void drawWithRect(const String& text, NSRect rect, NSStringDrawingOptions options, const Dictionary& attributes)
{
    NSAttributedString(text, attributes).drawWithRect(rect, options);
}
