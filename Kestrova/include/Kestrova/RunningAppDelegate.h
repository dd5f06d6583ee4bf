#pragma once

#include <memory>

class NSRunningApplication;
class SRShortcut;

// Who hears from a row of the assign-shortcuts list: the list's controller,
// which keeps the registry's parsed shortcuts in step with what the rows
// record.
class RunningAppDelegate {
public:
    virtual ~RunningAppDelegate() = default;

    // The row of `application` ended recording with `shortcut`; nullptr when
    // the row was cleared.
    virtual void updateShortcut(const std::shared_ptr<SRShortcut>& shortcut,
                                const NSRunningApplication& application) = 0;
};
