#include "shortcut-library/SRLocalShortcutMonitor.h"

#include "foundation/Log.h"
#include "foundation/NSBundle.h"

#include <gtest/gtest.h>

namespace {

// The application framework that the build lays out carries the standard
// bindings, so the presets read real ones without any fixture.
TEST(SystemKeyBindingsTest, TheFrameworksStandardBindingsAreFound)
{
    // Other tests forget the registered folders; loading the framework again
    // puts its folder back, as a program start does.
    NSBundle::addBundleSearchPath(APPKIT_TEST_FRAMEWORKS_DIR);
    ScopedLogCapture capture;
    auto monitor = SRLocalShortcutMonitor::standardShortcuts();
    monitor->updateWithCocoaTextKeyBindings();
    EXPECT_FALSE(capture.sink().contains(LogLevel::Error, "#Error unable to read system key bindings"));
    NSBundle::resetForTesting();
}

}  // namespace
