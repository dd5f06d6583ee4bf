#pragma once

#include "Kestrova/RunningApp.h"
#include "foundation/NSObject.h"

#include <utility>

// A RunningApp as an object, for where the frameworks carry senders as
// objects: the "Windows" segue's sender is the application chosen.
class RunningAppObject : public NSObject {
    KS_OBJECT(RunningAppObject, NSObject)

public:
    explicit RunningAppObject(RunningApp runningApp = {})
        : runningApp_(std::move(runningApp))
    {
    }

    const RunningApp& runningApp() const { return runningApp_; }

private:
    RunningApp runningApp_;
};
