#pragma once

#include "foundation/NSObject.h"

#include <memory>

// How the workspace opens an application.
class NSWorkspaceOpenConfiguration : public NSObject {
    KS_OBJECT(NSWorkspaceOpenConfiguration, NSObject)

public:
    static std::shared_ptr<NSWorkspaceOpenConfiguration> configuration()
    {
        return std::make_shared<NSWorkspaceOpenConfiguration>();
    }

    bool activates() const { return activates_; }
    void setActivates(bool activates) { activates_ = activates; }
    bool createsNewApplicationInstance() const { return createsNewApplicationInstance_; }
    void setCreatesNewApplicationInstance(bool creates) { createsNewApplicationInstance_ = creates; }

private:
    bool activates_ = true;
    bool createsNewApplicationInstance_ = false;
};
