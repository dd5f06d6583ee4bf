#include "drawing/TextLayout.h"

#include "appkit/NSColor.h"
#include "appkit/NSFont.h"
#include "appkit/NSGraphicsContext.h"
#include "appkit/NSParagraphStyle.h"

#include <cmath>
#include <string>
#include <vector>

namespace detail {

namespace {

// UTF-8 byte offsets of every UTF-16 position of `text`, and one for its
// end; the second half of a surrogate pair maps to its character's start.
std::vector<int> byteOffsets(const std::u16string& text, const std::string& utf8)
{
    std::vector<int> offsets(text.size() + 1, static_cast<int>(utf8.size()));
    int byte = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        offsets[i] = byte;
        char16_t unit = text[i];
        if (unit < 0x80) {
            byte += 1;
        } else if (unit < 0x800) {
            byte += 2;
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            offsets[i + 1] = byte;
            byte += 4;
            ++i;
        } else {
            // A lone surrogate becomes the replacement character, 3 bytes.
            byte += 3;
        }
    }
    offsets[text.size()] = byte;
    return offsets;
}

const std::shared_ptr<NSFont>& defaultFont()
{
    thread_local auto font = NSFont::systemFontOfSize(12);
    return font;
}

guint16 channel(CGFloat value)
{
    return static_cast<guint16>(std::lround(value * 65535));
}

void insert(PangoAttrList* list, PangoAttribute* attribute, int start, int end)
{
    attribute->start_index = static_cast<guint>(start);
    attribute->end_index = static_cast<guint>(end);
    pango_attr_list_insert(list, attribute);
}

PangoEllipsizeMode ellipsizeMode(NSLineBreakMode mode)
{
    switch (mode) {
    case NSLineBreakByTruncatingHead:
        return PANGO_ELLIPSIZE_START;
    case NSLineBreakByTruncatingMiddle:
        return PANGO_ELLIPSIZE_MIDDLE;
    case NSLineBreakByTruncatingTail:
        return PANGO_ELLIPSIZE_END;
    default:
        return PANGO_ELLIPSIZE_NONE;
    }
}

}  // namespace

TextLayout layOutTextAfresh(const NSAttributedString& text, const TextLayoutRequest& request, bool forDrawing)
{
    std::lock_guard lock(textLock());
    const std::u16string& units = text.string().utf16();
    std::string utf8 = text.string().utf8();
    LayoutPtr layout(pango_layout_new(pangoContext()));
    pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));

    std::vector<int> offsets = byteOffsets(units, utf8);
    PangoAttrList* list = pango_attr_list_new();
    std::shared_ptr<NSFont> firstFont;
    for (const auto& run : text.runs()) {
        int start = offsets[run.range.location];
        int end = offsets[NSMaxRange(run.range)];
        const Dictionary& attributes = run.attributes;
        auto font = attributes.objectForKey(NSFontAttributeName).object<NSFont>();
        if (!font)
            font = defaultFont();
        if (!firstFont)
            firstFont = font;
        insert(list, pango_attr_font_desc_new(font->pangoDescription()), start, end);
        if (Id kern = attributes.objectForKey(NSKernAttributeName); kern.isNumber())
            insert(list, pango_attr_letter_spacing_new(static_cast<int>(kern.doubleValue() * PANGO_SCALE)), start, end);
        if (Id rise = attributes.objectForKey(NSBaselineOffsetAttributeName); rise.isNumber())
            insert(list, pango_attr_rise_new(static_cast<int>(rise.doubleValue() * PANGO_SCALE)), start, end);
        if (Id underline = attributes.objectForKey(NSUnderlineStyleAttributeName); underline.integerValue() != 0) {
            PangoUnderline kind =
                (underline.integerValue() & 0xF) == 9 ? PANGO_UNDERLINE_DOUBLE : PANGO_UNDERLINE_SINGLE;
            insert(list, pango_attr_underline_new(kind), start, end);
        }
        if (!forDrawing)
            continue;
        auto color = attributes.objectForKey(NSForegroundColorAttributeName).object<NSColor>();
        NSColor::Components c = color ? color->components() : NSColor::Components{0, 0, 0, 1};
        insert(list, pango_attr_foreground_new(channel(c[0]), channel(c[1]), channel(c[2])), start, end);
        insert(list, pango_attr_foreground_alpha_new(channel(c[3])), start, end);
        if (auto background = attributes.objectForKey(NSBackgroundColorAttributeName).object<NSColor>()) {
            NSColor::Components b = background->components();
            insert(list, pango_attr_background_new(channel(b[0]), channel(b[1]), channel(b[2])), start, end);
            insert(list, pango_attr_background_alpha_new(channel(b[3])), start, end);
        }
    }
    pango_layout_set_attributes(layout.get(), list);
    pango_attr_list_unref(list);
    pango_layout_set_font_description(layout.get(), (firstFont ? firstFont : defaultFont())->pangoDescription());

    auto style = text.length() > 0 ? text.attributeAtIndex(NSParagraphStyleAttributeName, 0).object<NSParagraphStyle>()
                                   : nullptr;
    if (!style)
        style = NSParagraphStyle::defaultParagraphStyle();
    NSTextAlignment alignment = style->alignment();
    pango_layout_set_auto_dir(layout.get(), alignment == NSTextAlignmentNatural);
    pango_layout_set_alignment(layout.get(), alignment == NSTextAlignmentRight    ? PANGO_ALIGN_RIGHT
                                             : alignment == NSTextAlignmentCenter ? PANGO_ALIGN_CENTER
                                                                                  : PANGO_ALIGN_LEFT);
    pango_layout_set_justify(layout.get(), alignment == NSTextAlignmentJustified);
    if (style->lineSpacing() > 0)
        pango_layout_set_spacing(layout.get(), static_cast<int>(style->lineSpacing() * PANGO_SCALE));

    NSLineBreakMode mode = request.followsLineBreakMode ? style->lineBreakMode() : NSLineBreakByClipping;
    bool hasWidth = request.width >= 0;
    bool wraps = mode == NSLineBreakByWordWrapping || mode == NSLineBreakByCharWrapping;
    if (request.singleLine && wraps) {
        mode = NSLineBreakByClipping;
        wraps = false;
    }
    if (hasWidth && mode != NSLineBreakByClipping) {
        pango_layout_set_width(layout.get(), static_cast<int>(request.width * PANGO_SCALE));
        pango_layout_set_wrap(layout.get(), mode == NSLineBreakByCharWrapping ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
        pango_layout_set_ellipsize(layout.get(), ellipsizeMode(mode));
        if (wraps && request.truncatesLastLine && request.height >= 0) {
            pango_layout_set_height(layout.get(), static_cast<int>(request.height * PANGO_SCALE));
            pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
        }
    }

    TextLayout result;
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout.get(), &ink, &logical);
    result.size = {CGFloat(logical.width) / PANGO_SCALE, CGFloat(logical.height) / PANGO_SCALE};
    result.inkRect = {{CGFloat(ink.x) / PANGO_SCALE, CGFloat(ink.y) / PANGO_SCALE},
                      {CGFloat(ink.width) / PANGO_SCALE, CGFloat(ink.height) / PANGO_SCALE}};
    result.baseline = CGFloat(pango_layout_get_baseline(layout.get())) / PANGO_SCALE;
    if (hasWidth && mode == NSLineBreakByClipping) {
        CGFloat room = request.width - result.size.width;
        bool rightToLeft =
            alignment == NSTextAlignmentNatural && pango_layout_get_direction(layout.get(), 0) == PANGO_DIRECTION_RTL;
        if (alignment == NSTextAlignmentRight || rightToLeft)
            result.offsetX = room;
        else if (alignment == NSTextAlignmentCenter)
            result.offsetX = room / 2;
    }
    result.layout = std::move(layout);
    return result;
}

void drawTextLayout(const TextLayout& layout, NSGraphicsContext& context, CGFloat x, CGFloat top)
{
    if (!layout.layout)
        return;
    CGContextRef cg = context.CGContext();
    cairo_t* cr = cg->cairo();
    cairo_save(cr);
    bool faded = cg->state().alpha < 1;
    if (faded)
        cairo_push_group(cr);
    // Pango lays lines out downwards; an unflipped space is turned over
    // around the text's top so that it reads upright.
    cairo_translate(cr, x, top);
    if (!context.isFlipped())
        cairo_scale(cr, 1, -1);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_move_to(cr, 0, 0);
    {
        std::lock_guard lock(textLock());
        pango_cairo_show_layout(cr, layout.layout.get());
    }
    if (faded) {
        cairo_pop_group_to_source(cr);
        cairo_identity_matrix(cr);
        cairo_paint_with_alpha(cr, cg->state().alpha);
    }
    cairo_restore(cr);
}

}  // namespace detail
