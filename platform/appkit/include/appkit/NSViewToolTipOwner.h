#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/String.h"

class NSView;

// The tag of a tool-tip rectangle, as addToolTipRect answers it.
using NSToolTipTag = NSInteger;

// Gives the text of a tool-tip rectangle of a view when it is about to be
// shown.
class NSViewToolTipOwner {
public:
    virtual ~NSViewToolTipOwner() = default;

    virtual String viewStringForToolTip(NSView& view, NSToolTipTag tag, NSPoint point, void* userData) = 0;
};
