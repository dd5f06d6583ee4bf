#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSApplicationEnvironment.h"
#include "driver/DriverCommand.h"
#include "driver/Transcript.h"
#include "foundation/ParseResult.h"
#include "foundation/String.h"

#include <fstream>
#include <istream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

class NSApplication;
class NSWindow;
class NSStatusItem;

namespace detail {
class OrderedLogSink;
}

// The simulated desktop a program runs on, and the driver that plays the
// user's part on it: it reads commands from a script (or standard input),
// carries each out, lets the program react, and writes what the system did
// to the transcript. While it runs, log lines come out in their place among
// the transcript's lines, whatever the streams are connected to.
//
// Arguments:
//   --desktop FILE   the desktop's JSON description (default: the embedded one)
//   --script FILE    the driver commands (default: standard input)
//   --home DIR       the simulated user's home, where the user defaults live
//                    (default: the description's, else under the XDG data
//                    folder), so that a later run sees what this one wrote
//   --no-script      no driver commands: the program runs on its own until
//                    it quits or is told to end (SIGTERM, SIGINT), as the
//                    programs that the workspace and a login start do
//
// On a session bus (DBUS_SESSION_BUS_ADDRESS) the program is one of the
// session's real processes: it announces its bundle identifier, the other
// announced programs join the desktop's running applications while they run,
// and the programs it starts get the same home and desktop.
class SessionProcessMirror;

class DesktopSession : public NSApplicationEnvironment {
public:
    struct Options {
        std::string desktopFile;
        std::string scriptFile;
        std::string home;
        bool noScript = false;
    };

    // Writes the transcript to `out`; reads the commands from `in` unless
    // the arguments name a script.
    explicit DesktopSession(std::ostream& out, std::istream& in);
    ~DesktopSession() override;

    // The options, or what is wrong with the arguments.
    static ParseResult<Options> parseArguments(int argc, char** argv);

    std::optional<int> prepare(int argc, char** argv) override;
    int run(NSApplication& application) override;

    // The steps of a run, for tests that drive a session line by line.
    // launch starts the transcript and finishes the application's launch.
    void launch(NSApplication& application);
    // Carries out one line; false once the program has been told to quit.
    bool execute(const std::string& line);
    // Ends the program as "quit" does and stops the transcript.
    void finish();
    // Lines that were not commands.
    int errors() const { return errors_; }
    Transcript& transcript() { return transcript_; }

private:
    void perform(const DriverCommand& command);
    void press(const KeyStroke& keys);
    void shortcut();
    void clickStatusItem(NSStatusItem& item);
    void chooseMenuItem(const std::string& title);
    void closeWindow(const std::string& which);
    // The mouse (or another application) dragging onto a list
    // (DesktopSessionDragging.cpp).
    void drag(const DriverCommand& command);
    // A modifier key going down or up, held until it is released.
    void holdModifier(const KeyStroke& key, bool down);
    NSEventModifierFlags heldModifierFlags() const;
    // The mouse clicking a row of a list, and a window's picture
    // (DesktopSessionClicking.cpp).
    void click(const DriverCommand& command);
    void clickAt(double x, double y);
    // A press and release of the left button at the point of the window.
    void mouseClick(NSWindow& window, NSPoint at);
    void snapshot(const std::string& file);
    void pass(double seconds);
    // Runs what the program scheduled for now: the notices of what changed,
    // the work it deferred to the next turn of the main queue.
    void settle();
    std::optional<pid_t> findApplication(const std::string& name) const;
    // Puts the log back as it was before launch.
    void releaseLog();
    // False when the program was started as a stand-in for an application
    // that another start of runs already: it gives way without launching.
    bool joinSessionBus(const Options& options);
    void leaveSessionBus();
    void logIn();
    // The key window's accessibility elements, as notes.
    void describeKeyWindow();

    std::ostream& out_;
    std::istream* in_;
    std::ifstream script_;
    Transcript transcript_;
    std::shared_ptr<detail::OrderedLogSink> logSink_;
    NSApplication* application_ = nullptr;
    int line_ = 0;
    int errors_ = 0;
    bool finished_ = false;
    bool noScript_ = false;
    String announced_;
    std::unique_ptr<SessionProcessMirror> mirror_;
    // The modifier keys held down (key code to flag).
    std::map<unsigned short, NSEventModifierFlags> heldModifiers_;
};

// Puts a session on standard output and standard input in place as the
// program's environment: a program built for this machine calls it from its
// main function, before it hands over to NSApplicationMain, so that it runs on
// the simulated desktop.
void installDesktopSession();
