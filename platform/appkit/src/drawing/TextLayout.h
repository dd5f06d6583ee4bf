#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSAttributedString.h"
#include "drawing/TextSystem.h"

class NSGraphicsContext;

namespace detail {

// How a text is to be laid out.
struct TextLayoutRequest {
    // Lines break within this width (and alignment uses it); below zero:
    // no width, each paragraph is one line.
    CGFloat width = -1;
    // With `truncatesLastLine`, lines that don't fit this height are cut
    // and the last one that fits ends in an ellipsis; below zero: no limit.
    CGFloat height = -1;
    bool truncatesLastLine = false;
    // The paragraph style's breaking applies; off, the text only breaks at
    // its own line breaks.
    bool followsLineBreakMode = true;
    // One line whatever the paragraph's breaking: a wrapping mode clips,
    // a truncating one still truncates within the width.
    bool singleLine = false;

    friend bool operator==(const TextLayoutRequest&, const TextLayoutRequest&) = default;
};

// A laid-out text, in points.
struct TextLayout {
    // Shared with the texts kept for laying out again.
    std::shared_ptr<PangoLayout> layout;
    // The lines' extent.
    NSSize size;
    // The glyphs' extent from the top left of the lines.
    NSRect inkRect;
    // From the top of the first line down to its baseline.
    CGFloat baseline = 0;
    // Where the lines start within the width, for alignment that pango
    // doesn't do itself (unwrapped text).
    CGFloat offsetX = 0;
};

// Colours are resolved for the current drawing appearance when `forDrawing`.
// The texts laid out last on the thread are kept (TextLayoutCache.cpp): a
// label is measured for the layout and drawn, and a list opened again
// shows the same names, so most are laid out once.
TextLayout layOutText(const NSAttributedString& text, const TextLayoutRequest& request, bool forDrawing);
// The same, laid out afresh.
TextLayout layOutTextAfresh(const NSAttributedString& text, const TextLayoutRequest& request, bool forDrawing);
// Draws with the top left of the lines at (x, top), where top is the visual
// top: the smaller y in a flipped context, the larger in an unflipped one.
void drawTextLayout(const TextLayout& layout, NSGraphicsContext& context, CGFloat x, CGFloat top);

}  // namespace detail
