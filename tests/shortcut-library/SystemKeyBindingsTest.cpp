#include "shortcut-library/SRLocalShortcutMonitor.h"

#include "foundation/Log.h"

#include <gtest/gtest.h>

namespace {

// The application framework that the build lays out carries the standard
// bindings, so the presets read real ones without any fixture.
TEST(SystemKeyBindingsTest, TheFrameworksStandardBindingsAreFound)
{
    ScopedLogCapture capture;
    auto monitor = SRLocalShortcutMonitor::standardShortcuts();
    monitor->updateWithCocoaTextKeyBindings();
    EXPECT_FALSE(capture.sink().contains(LogLevel::Error, "#Error unable to read system key bindings"));
}

}  // namespace
