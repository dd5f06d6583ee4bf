#pragma once

#include "foundation/Id.h"

// What the software-update framework's standard user interface asks of its
// delegate. The framework itself is loaded from the bundle and is not part
// of this program; these are only the calls it makes into it, which it also
// reaches under their selectors. Every call is optional.
class SPUStandardUserDriverDelegate {
public:
    virtual ~SPUStandardUserDriverDelegate() = default;

    // Whether scheduled update reminders may be shown gently (without
    // stealing the focus).
    virtual bool supportsGentleScheduledUpdateReminders() const { return false; }
    // An update is about to be shown (the framework's flag whether it shows
    // it itself, the update item and its state).
    virtual void standardUserDriverWillHandleShowingUpdate(bool /*handleShowingUpdate*/, const Id& /*update*/,
                                                           const Id& /*state*/)
    {
    }
    // The update session ends.
    virtual void standardUserDriverWillFinishUpdateSession() { }
};
