#pragma once

#include "Kestrova/AppState.h"

class AppStateContext;

// The switcher is shown: the global shortcut brings the main window forward
// again; resigning active gives the focus back and hides the switcher.
class ActiveState final : public AppState {
public:
    explicit ActiveState(AppStateContext& context)
        : context_(context)
    {
    }

    void handleGlobalShortcut() override;
    void handleResignActive() override;

private:
    // The delegate owns the state, so it outlives it; holding it would keep
    // it alive for ever.
    AppStateContext& context_;
};
