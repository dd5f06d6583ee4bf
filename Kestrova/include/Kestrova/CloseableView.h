#pragma once

#include "appkit/NSView.h"

class NSEvent;

// A view in which Command-W hides the application, the way out of the
// switcher's windows and popovers.
class CloseableView : public NSView {
    KS_OBJECT(CloseableView, NSView)

public:
    using NSView::NSView;

    bool performKeyEquivalent(NSEvent& event) override;
};
