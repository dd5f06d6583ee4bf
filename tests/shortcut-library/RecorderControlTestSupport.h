#pragma once

// A recorder control in the key window of the program, frontmost on a
// desktop of its own, typed at through the desktop's keyboard and clicked
// through the application's event path.

#include "TestDesktops.h"
#include "appkit/NSApplication.h"
#include "appkit/NSEvent.h"
#include "appkit/NSView.h"
#include "appkit/NSWindow.h"
#include "foundation/ScopedVirtualClock.h"
#include "shortcut-library/SRRecorderControl.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"
#include "simulation/SimulatedKeyboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace testing_support {

namespace keys {
inline constexpr unsigned short a = 0;
inline constexpr unsigned short s = 1;
inline constexpr unsigned short tab = 48;
inline constexpr unsigned short space = 49;
inline constexpr unsigned short deleteKey = 51;
inline constexpr unsigned short escape = 53;
inline constexpr unsigned short rightCommand = 54;
inline constexpr unsigned short leftCommand = 55;
inline constexpr unsigned short leftShift = 56;
inline constexpr unsigned short leftOption = 58;
inline constexpr unsigned short leftControl = 59;
inline constexpr unsigned short forwardDelete = 117;
}  // namespace keys

inline constexpr NSEventModifierFlags shift = NSEventModifierFlagShift;
inline constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
inline constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
inline constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;

// Tells what the control asked and told, in order, and answers as set.
class RecordingDelegate : public SRRecorderControlDelegate {
public:
    std::vector<std::string> calls;
    bool shouldBegin = true;
    bool canRecord = true;
    bool allowUnconditionally = false;
    // What the bound object held when the end was told.
    std::function<void()> onDidEnd;

    bool recorderControlShouldBeginRecording(SRRecorderControl&) override
    {
        calls.push_back("shouldBegin");
        return shouldBegin;
    }
    void recorderControlDidBeginRecording(SRRecorderControl&) override { calls.push_back("didBegin"); }
    bool recorderControlShouldUnconditionallyAllowModifierFlags(SRRecorderControl&, NSEventModifierFlags flags,
                                                                SRKeyCode keyCode) override
    {
        calls.push_back("allow " + std::to_string(flags) + " " + std::to_string(keyCode));
        return allowUnconditionally;
    }
    bool recorderControlCanRecordShortcut(SRRecorderControl&, const SRShortcut& shortcut) override
    {
        calls.push_back("canRecord " + std::to_string(shortcut.keyCode()) + " " +
                        std::to_string(shortcut.modifierFlags()));
        return canRecord;
    }
    void recorderControlDidEndRecording(SRRecorderControl&) override
    {
        calls.push_back("didEnd");
        if (onDidEnd)
            onDidEnd();
    }
};

class RecorderControlTest : public ::testing::Test {
protected:
    RecorderControlTest()
        : desktop_(test_desktops::withProgram())
    {
        NSApplication::resetForTesting();
        NSApplication::sharedApplication()->activateIgnoringOtherApps(true);
        drain();
        window = std::make_shared<NSWindow>(NSMakeRect(100, 100, 300, 100));
        auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 300, 100));
        window->setContentView(content);
        recorder = makeRecorder(NSMakeRect(20, 40, 200, 25));
        window->makeKeyAndOrderFront(Id());
        drain();
    }

    ~RecorderControlTest() override
    {
        window->orderOut(Id());
        NSApplication::resetForTesting();
    }

    std::shared_ptr<SRRecorderControl> makeRecorder(NSRect frame)
    {
        auto made = std::make_shared<SRRecorderControl>(frame);
        // Placed by its frame; its own guides still follow constraints.
        made->setTranslatesAutoresizingMaskIntoConstraints(true);
        made->setFrame(frame);
        window->contentView()->addSubview(made);
        return made;
    }

    simulation::SimulatedDesktop& desktop() { return desktop_.desktop(); }
    std::size_t beeps() { return desktop().countProgramRecords(simulation::ProgramRecord::Kind::Beep); }
    void drain() { clock_.advance(0); }

    void press(unsigned short keyCode, NSEventModifierFlags flags = 0)
    {
        desktop().keyboard()->pressKey(keyCode, flags);
        drain();
    }
    // A modifier key going down or up; `held` are the modifiers afterwards.
    void modifier(unsigned short keyCode, NSEventModifierFlags held)
    {
        desktop().keyboard()->flagsChanged(keyCode, held);
        drain();
    }
    void focus(const std::shared_ptr<SRRecorderControl>& which) { ASSERT_TRUE(window->makeFirstResponder(which)); }
    // Records on the focused control with Space.
    void beginWithSpace(const std::shared_ptr<SRRecorderControl>& which)
    {
        focus(which);
        press(keys::space);
        ASSERT_TRUE(which->isRecording());
    }

    // A mouse event at a point of `view` (its own coordinates), in the
    // window the view is in.
    void mouse(NSEventType type, const std::shared_ptr<NSView>& view, NSPoint point)
    {
        NSPoint inWindow = view->convertPoint(point, nullptr);
        NSApplication::sharedApplication()->sendEvent(
            NSEvent::mouseEventWithType(type, inWindow, 0, 0, view->window()->windowNumber(), Id(), 0, 1, 1));
        drain();
    }
    void click(const std::shared_ptr<NSView>& view, NSPoint point)
    {
        mouse(NSEventTypeLeftMouseDown, view, point);
        mouse(NSEventTypeLeftMouseUp, view, point);
    }
    static NSPoint centre(NSRect rect)
    {
        return NSMakePoint(rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2);
    }

    static std::shared_ptr<SRShortcut> shortcut(SRKeyCode code, NSEventModifierFlags flags)
    {
        return SRShortcut::shortcutWithCode(code, flags);
    }

    std::shared_ptr<NSWindow> window;
    std::shared_ptr<SRRecorderControl> recorder;

private:
    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_;
};

}  // namespace testing_support
