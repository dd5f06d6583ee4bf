#pragma once

#include "Kestrova/AppState.h"

class AppStateContext;

// The switcher is hidden: the global shortcut activates the program and
// shows it; resigning active means nothing.
class InactiveState final : public AppState {
public:
    explicit InactiveState(AppStateContext& context)
        : context_(context)
    {
    }

    void handleGlobalShortcut() override;
    void handleResignActive() override { }

private:
    // The delegate owns the state, so it outlives it; holding it would keep
    // it alive for ever.
    AppStateContext& context_;
};
