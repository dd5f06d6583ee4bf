#pragma once

#include "appkit/NSStoryboardSegue.h"

// Pushes the destination onto the navigation controller the source sits in
// (the "Windows" segue of the switcher lists).
class EmbedSegue : public NSStoryboardSegue {
    KS_OBJECT(EmbedSegue, NSStoryboardSegue)

public:
    using NSStoryboardSegue::NSStoryboardSegue;

    // Nothing when either end is not a view controller or the source is not
    // inside a NavigationController.
    void perform() override;
};
