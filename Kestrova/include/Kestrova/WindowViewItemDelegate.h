#pragma once

#include "Kestrova/RunningApp.h"

#include <optional>

// What a row of the windows list needs of the list it is in: the
// application whose window it shows, which picking the row activates. The
// windows list's controller adopts it.
class WindowViewItemDelegate {
public:
    virtual ~WindowViewItemDelegate() = default;

    virtual const std::optional<RunningApp>& runningApp() const = 0;
};
