// Draws the shortcut recorder in each of its states and looks and writes
// each as a PNG file at scale 2:
//
//     recorder_gallery OUTPUT-FOLDER
//
// gives OUTPUT-FOLDER/recorder-LOOK-STATE.png for the looks light, dark,
// contrast (increased contrast) and rtl (right to left), and the states
// idle, value, recording, recording-value, pressed and disabled.
// examples/recorder-snapshots.sh builds and runs it.

#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSLayoutAnchor.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSWindow.h"
#include "foundation/ScopedVirtualClock.h"
#include "shortcut-library/SRRecorderControl.h"
#include "shortcut-library/SRShortcut.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

const char* const kLooks[] = {"light", "dark", "contrast", "rtl"};
const char* const kStates[] = {"idle", "value", "recording", "recording-value", "pressed", "disabled"};

// The program alone on a desktop, in front.
simulation::DesktopState galleryDesktop()
{
    simulation::DesktopState state;
    state.applications = {{.pid = 100,
                           .bundleIdentifier = String("com.kestrova.RecorderGallery"),
                           .localizedName = String("Recorder Gallery"),
                           .ownProcess = true}};
    state.frontmostApplication = 100;
    return state;
}

void settle(ScopedVirtualClock& clock, NSWindow& window)
{
    // The look is told as the window draws; the recorder's style follows
    // on the next turn and is drawn on the one after.
    for (int i = 0; i < 3; ++i) {
        window.displayIfNeeded();
        clock.advance(0);
    }
}

void mouse(NSEventType type, NSWindow& window, NSView& view)
{
    NSRect bounds = view.bounds();
    NSPoint point = view.convertPoint({bounds.size.width / 2, bounds.size.height / 2}, nullptr);
    NSApplication::sharedApplication()->sendEvent(
        NSEvent::mouseEventWithType(type, point, 0, 0, window.windowNumber(), Id(), 0, 1, 1));
}

// One recorder, 200 points wide, in a window of its own, in one state.
bool drawRecorder(const std::string& path, const std::string& look, const std::string& state, ScopedVirtualClock& clock)
{
    auto window = std::make_shared<NSWindow>(NSMakeRect(80, 80, 240, 42));
    auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 240, 42));
    window->setContentView(content);
    auto recorder = std::make_shared<SRRecorderControl>();
    content->addSubview(recorder);
    NSLayoutConstraint::activateConstraints({
        recorder->leftAnchor()->constraintEqualToAnchor(content->leftAnchor(), 20),
        recorder->topAnchor()->constraintEqualToAnchor(content->topAnchor(), 10),
        recorder->widthAnchor()->constraintEqualToConstant(200),
    });
    if (look == "rtl")
        recorder->setUserInterfaceLayoutDirection(NSUserInterfaceLayoutDirectionRightToLeft);
    window->makeKeyAndOrderFront(Id());
    settle(clock, *window);

    if (state == "value" || state == "recording-value" || state == "disabled")
        recorder->setObjectValue(
            SRShortcut::shortcutWithCode(0, NSEventModifierFlagCommand | NSEventModifierFlagShift));
    if (state == "recording" || state == "recording-value")
        recorder->beginRecording();
    if (state == "disabled")
        recorder->setEnabled(false);
    if (state == "pressed")
        mouse(NSEventTypeLeftMouseDown, *window, *recorder);
    settle(clock, *window);

    bool written = window->writeSnapshot(String(path), 2);
    if (state == "pressed")
        mouse(NSEventTypeLeftMouseUp, *window, *content);
    recorder->endRecording();
    window->orderOut(Id());
    clock.advance(0);
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: recorder_gallery OUTPUT-FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(galleryDesktop());
    NSApplication::sharedApplication()->activateIgnoringOtherApps(true);
    clock.advance(0);
    bool ok = true;
    for (const std::string look : kLooks) {
        desktop->setAppearance(look == "dark" ? simulation::Appearance::Dark : simulation::Appearance::Light);
        desktop->setIncreaseContrast(look == "contrast");
        clock.advance(0);
        for (const std::string state : kStates) {
            std::string path = folder + "/recorder-" + look + "-" + state + ".png";
            bool written = drawRecorder(path, look, state, clock);
            std::printf("%s %s\n", written ? "wrote" : "could not write", path.c_str());
            ok &= written;
        }
    }
    return ok ? 0 : 1;
}
