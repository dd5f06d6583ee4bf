#pragma once

#include "foundation/Id.h"
#include "foundation/String.h"

class NSStoryboardSegue;

// What a controller from a storyboard is asked around its segues. Every
// method is optional: the defaults let every segue run and prepare nothing.
// A controller starts a segue with NSStoryboard::performSegue.
class NSSeguePerforming {
public:
    virtual ~NSSeguePerforming() = default;

    virtual bool shouldPerformSegueWithIdentifier(const String&, const Id& /*sender*/) { return true; }
    // The destination is made and not yet shown.
    virtual void prepareForSegue(NSStoryboardSegue&, const Id& /*sender*/) { }
};
